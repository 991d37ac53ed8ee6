#include "poptions.h"

#include "optionvalues.h"

#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

namespace {

const char* const kOrganization = "Orvanel Soft";
const char* const kApplication = "Tunevault";

std::unique_ptr<QSettings> OpenStore()
{
    auto settings = std::make_unique<QSettings>(QString::fromLatin1(kOrganization),
                                                QString::fromLatin1(kApplication));
    // Only this program's own key counts: no organisation-wide or system values.
    settings->setFallbacksEnabled(false);
    // Saving writes a new file beside the old one and renames it over it, so
    // that a crash or kill during a save leaves the previous settings whole.
    // Where that cannot be done the save fails; it never writes in place.
    settings->setAtomicSyncRequired(true);
    return settings;
}

// A string value; a missing one reads as empty. False for another type.
bool ReadString(const QSettings& settings, const QString& name, std::string& value)
{
    const QVariant stored = settings.value(name);
    if (!stored.isValid()) {
        value.clear();
        return true;
    }
    if (stored.typeId() != QMetaType::QString)
        return false;
    value = stored.toString().toStdString();
    return true;
}

// An integer value, 0 = false; false when it is missing or does not convert.
bool ReadBool(const QSettings& settings, const QString& name, bool& value)
{
    const QVariant stored = settings.value(name);
    if (!stored.isValid())
        return false;
    bool ok = false;
    const qlonglong number = stored.toLongLong(&ok);
    if (!ok)
        return false;
    value = number != 0;
    return true;
}

} // namespace

void SetDefaultOptions()
{
    options::SetDefaultOptionValues();
}

void LoadOptions()
{
    SetDefaultOptions();
    const auto settings = OpenStore();
    const QStringList keys = settings->allKeys();
    // A store that cannot be read, or no stored key at all: the defaults stand.
    if (settings->status() != QSettings::NoError)
        return;
    if (keys.isEmpty() && !QFileInfo(settings->fileName()).isFile())
        return;

    // Each value is taken as soon as it is read; the first failure ends the reading.
    std::string text;
    if (!ReadString(*settings, QStringLiteral("skinName"), text))
        return;
    options::skinName = text;
    if (!ReadString(*settings, QStringLiteral("fileRoot"), text))
        return;
    options::fileRoot = text;
    bool flag = false;
    if (!ReadBool(*settings, QStringLiteral("FNIOMP3INFO"), flag))
        return;
    options::FNIOMP3INFO = flag;
    if (!ReadBool(*settings, QStringLiteral("REPLURLSPACES"), flag))
        return;
    options::REPLURLSPACES = flag;
}

bool SaveOptions()
{
    const auto settings = OpenStore();
    settings->setValue(QStringLiteral("skinName"), QString::fromStdString(options::skinName));
    settings->setValue(QStringLiteral("fileRoot"), QString::fromStdString(options::fileRoot));
    settings->setValue(QStringLiteral("FNIOMP3INFO"), options::FNIOMP3INFO ? 1 : 0);
    settings->setValue(QStringLiteral("REPLURLSPACES"), options::REPLURLSPACES ? 1 : 0);
    settings->sync();
    return settings->status() == QSettings::NoError;
}
