#include "poptions.h"

#include "codepage.h"
#include "optionvalues.h"
#include "tagerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The text each ID3v2 version choice is stored as.
const char* VersionText(Id3v2WriteVersion version)
{
    switch (version) {
    case Id3v2WriteVersion::V24: return "2.4";
    case Id3v2WriteVersion::Keep: return "keep";
    default: return "2.3";
    }
}

// The tag options: each value is taken when it is stored and valid,
// whatever happens to the other values; the others keep their defaults.
void ReadTagOptions(const QSettings& settings)
{
    TagOptions tagOptions;
    std::string text;
    const QString version = QStringLiteral("ID3V2VERSION");
    if (settings.contains(version) && ReadString(settings, version, text)) {
        for (const auto choice : {Id3v2WriteVersion::V23, Id3v2WriteVersion::V24, Id3v2WriteVersion::Keep})
            if (text == VersionText(choice))
                tagOptions.writeVersion = choice;
    }
    const QString codePage = QStringLiteral("ID3V1CODEPAGE");
    if (settings.contains(codePage) && ReadString(settings, codePage, text) && CodePage::Find(text))
        tagOptions.codePage = CodePage::Find(text)->Name();
    bool flag = false;
    if (ReadBool(settings, QStringLiteral("ID3V2CODEPAGE"), flag))
        tagOptions.codePageForId3v2 = flag;
    if (ReadBool(settings, QStringLiteral("KEEPFILETIME"), flag))
        tagOptions.keepModificationTime = flag;
    if (ReadBool(settings, QStringLiteral("TAGROOM"), flag))
        tagOptions.leaveRoom = flag;
    options::SetTagOptions(tagOptions);
}

// Why the store's file cannot be written: QSettings only says that it could
// not, so the folders are made and a file is created beside it the way the
// store does, which gives the system's reason.
std::string WhyNotWritable(const std::string& file)
{
    const auto slash = file.rfind('/');
    const std::string folder = slash == std::string::npos || slash == 0 ? std::string("/") : file.substr(0, slash);
    for (std::size_t next = 1; next != std::string::npos && next <= folder.size();) {
        next = folder.find('/', next + 1);
        const std::string part = folder.substr(0, next);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return SystemErrorText(errno);
    }
    std::string probe = folder + "/.tunevault-XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0)
        return SystemErrorText(errno);
    close(fd);
    unlink(probe.c_str());
    const int existing = open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (existing < 0 && errno != ENOENT)
        return SystemErrorText(errno);
    if (existing >= 0)
        close(existing);
    return SystemErrorText(EIO);
}

// The wizards' own patterns: each is taken when it is a text, whatever
// happens to the other values.
void ReadCustomPatterns(const QSettings& settings)
{
    std::string text;
    const QString rename = QStringLiteral("customRenamePattern");
    if (settings.contains(rename) && ReadString(settings, rename, text))
        options::customRenamePattern = text;
    const QString tag = QStringLiteral("customTagPattern");
    if (settings.contains(tag) && ReadString(settings, tag, text))
        options::customTagPattern = text;
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

    ReadCustomPatterns(*settings);
    ReadTagOptions(*settings);

    // Not one of the four: read whatever becomes of them. Bytes, so that any
    // folder name comes back as it was; a text typed in by hand is taken too.
    const QVariant folder = settings->value(QStringLiteral("browserFolder"));
    if (folder.typeId() == QMetaType::QByteArray)
        options::browserFolder = folder.toByteArray().toStdString();
    else if (folder.typeId() == QMetaType::QString)
        options::browserFolder = folder.toString().toStdString();

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

bool SaveOptions(std::string* reason)
{
    const auto settings = OpenStore();
    settings->setValue(QStringLiteral("skinName"), QString::fromStdString(options::skinName));
    settings->setValue(QStringLiteral("fileRoot"), QString::fromStdString(options::fileRoot));
    settings->setValue(QStringLiteral("FNIOMP3INFO"), options::FNIOMP3INFO ? 1 : 0);
    settings->setValue(QStringLiteral("REPLURLSPACES"), options::REPLURLSPACES ? 1 : 0);
    settings->setValue(QStringLiteral("customRenamePattern"), QString::fromStdString(options::customRenamePattern));
    settings->setValue(QStringLiteral("customTagPattern"), QString::fromStdString(options::customTagPattern));
    const TagOptions tagOptions = options::CurrentTagOptions();
    settings->setValue(QStringLiteral("ID3V2VERSION"), QString::fromLatin1(VersionText(tagOptions.writeVersion)));
    settings->setValue(QStringLiteral("ID3V1CODEPAGE"), QString::fromStdString(tagOptions.codePage));
    settings->setValue(QStringLiteral("ID3V2CODEPAGE"), tagOptions.codePageForId3v2 ? 1 : 0);
    settings->setValue(QStringLiteral("KEEPFILETIME"), tagOptions.keepModificationTime ? 1 : 0);
    settings->setValue(QStringLiteral("TAGROOM"), tagOptions.leaveRoom ? 1 : 0);
    settings->setValue(QStringLiteral("browserFolder"), QByteArray::fromStdString(options::browserFolder));
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return true;
    if (reason)
        *reason = WhyNotWritable(QFile::encodeName(settings->fileName()).toStdString());
    return false;
}
