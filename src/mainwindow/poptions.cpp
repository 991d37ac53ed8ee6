#include "poptions.h"

#include "codepage.h"
#include "fileutils.h"
#include "optionvalues.h"
#include "renamenoreplace.h"
#include "tagerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kOrganization = "Orvanel Soft";
const char* const kApplication = "Tunevault";

// The store the last LoadOptions could not read, left alone by SaveOptions.
bool g_heldBack = false;
std::string g_storeFile;

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

// Notes `name` among the values not used when the store holds it.
void NoteUnused(const QSettings& settings, const char* name, std::vector<std::string>& unused)
{
    if (settings.contains(QString::fromLatin1(name)))
        unused.emplace_back(name);
}

// The tag options: each value is taken when it is stored and valid,
// whatever happens to the other values; the others keep their defaults.
// How the playlist shows its rows; each value on its own, a missing or
// unusable one keeps its default.
void ReadPlaylistView(const QSettings& settings, std::vector<std::string>& unused)
{
    if (settings.contains(QStringLiteral("playlistTagColumns"))
        && !ReadBool(settings, QStringLiteral("playlistTagColumns"), options::playlistTagColumns))
        NoteUnused(settings, "playlistTagColumns", unused);
    const QVariant header = settings.value(QStringLiteral("playlistHeader"));
    if (header.typeId() == QMetaType::QByteArray)
        options::playlistHeader = header.toByteArray().toStdString();
    else if (header.isValid())
        NoteUnused(settings, "playlistHeader", unused);
    if (settings.contains(QStringLiteral("playlistOrder"))
        && !ReadString(settings, QStringLiteral("playlistOrder"), options::playlistOrder))
        NoteUnused(settings, "playlistOrder", unused);
}

void ReadTagOptions(const QSettings& settings, std::vector<std::string>& unused)
{
    TagOptions tagOptions;
    std::string text;
    bool versionKnown = false;
    if (ReadString(settings, QStringLiteral("ID3V2VERSION"), text)) {
        for (const auto choice : {Id3v2WriteVersion::V23, Id3v2WriteVersion::V24, Id3v2WriteVersion::Keep})
            if (text == VersionText(choice)) {
                tagOptions.writeVersion = choice;
                versionKnown = true;
            }
    }
    if (!versionKnown)
        NoteUnused(settings, "ID3V2VERSION", unused);
    if (ReadString(settings, QStringLiteral("ID3V1CODEPAGE"), text) && CodePage::Find(text))
        tagOptions.codePage = CodePage::Find(text)->Name();
    else
        NoteUnused(settings, "ID3V1CODEPAGE", unused);
    const struct {
        const char* name;
        bool TagOptions::*value;
    } flags[] = {{"ID3V2CODEPAGE", &TagOptions::codePageForId3v2},
                 {"KEEPFILETIME", &TagOptions::keepModificationTime},
                 {"TAGROOM", &TagOptions::leaveRoom}};
    for (const auto& [name, value] : flags) {
        bool flag = false;
        if (ReadBool(settings, QString::fromLatin1(name), flag))
            tagOptions.*value = flag;
        else
            NoteUnused(settings, name, unused);
    }
    options::SetTagOptions(tagOptions);
}

// Why a store that QSettings could not read cannot be read; empty when
// nothing stands at its place, which is no store to keep.
std::string WhyNotReadable(const std::string& file, QSettings::Status status)
{
    if (status == QSettings::FormatError)
        return "Its content is damaged.";
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? std::string() : SystemErrorText(errno);
    struct stat st {};
    const bool folder = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    char byte = 0;
    const int error = folder ? EISDIR : read(fd, &byte, 1) < 0 ? errno : EIO;
    close(fd);
    return SystemErrorText(error);
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
void ReadCustomPatterns(const QSettings& settings, std::vector<std::string>& unused)
{
    for (const auto& [name, pattern] : {std::pair {"customRenamePattern", &options::customRenamePattern},
                                        std::pair {"customTagPattern", &options::customTagPattern},
                                        std::pair {"tagActions", &options::tagActionSettings}}) {
        std::string text;
        if (!settings.contains(QString::fromLatin1(name)))
            continue;
        if (ReadString(settings, QString::fromLatin1(name), text))
            *pattern = text;
        else
            unused.emplace_back(name);
    }
}

// The addresses of the online lookup's services: each is taken when it is
// a text that is not blank; otherwise its default stays.
void ReadServers(const QSettings& settings, std::vector<std::string>& unused)
{
    for (const auto& [name, server] : {std::pair {"musicBrainzServer", &options::musicBrainzServer},
                                       std::pair {"coverArtServer", &options::coverArtServer}}) {
        if (!settings.contains(QString::fromLatin1(name)))
            continue;
        std::string text;
        if (ReadString(settings, QString::fromLatin1(name), text) && !TrimControls(text).empty())
            *server = TrimControls(text);
        else
            unused.emplace_back(name);
    }
}

} // namespace

void SetDefaultOptions()
{
    options::SetDefaultOptionValues();
}

OptionsLoadReport LoadOptions()
{
    SetDefaultOptions();
    OptionsLoadReport report;
    const auto settings = OpenStore();
    const QStringList keys = settings->allKeys();
    report.file = QFile::encodeName(settings->fileName()).toStdString();
    g_storeFile = report.file;
    // A store that cannot be read, or no stored key at all: the defaults
    // stand. One that is there but cannot be read is kept from being
    // written over.
    if (settings->status() != QSettings::NoError) {
        report.unreadable = WhyNotReadable(report.file, settings->status());
        g_heldBack = !report.unreadable.empty();
        return report;
    }
    g_heldBack = false;
    if (keys.isEmpty() && !QFileInfo(settings->fileName()).isFile())
        return report;

    std::vector<std::string>& unused = report.unusedValues;
    ReadCustomPatterns(*settings, unused);
    ReadTagOptions(*settings, unused);

    // Not one of the four: read whatever becomes of them. Bytes, so that any
    // folder name comes back as it was; a text typed in by hand is taken too.
    const QVariant folder = settings->value(QStringLiteral("browserFolder"));
    if (folder.typeId() == QMetaType::QByteArray)
        options::browserFolder = folder.toByteArray().toStdString();
    else if (folder.typeId() == QMetaType::QString)
        options::browserFolder = folder.toString().toStdString();
    else
        NoteUnused(*settings, "browserFolder", unused);
    ReadPlaylistView(*settings, unused);
    if (settings->contains(QStringLiteral("playNextAtEnd"))
        && !ReadBool(*settings, QStringLiteral("playNextAtEnd"), options::playNextAtEnd))
        NoteUnused(*settings, "playNextAtEnd", unused);
    ReadServers(*settings, unused);

    // Each value is taken as soon as it is read; the first failure ends the
    // reading, and the stored values after it are not used either.
    const auto text = [&](const char* name, std::string& value) {
        return [&settings, name, &value] { return ReadString(*settings, QString::fromLatin1(name), value); };
    };
    const auto flag = [&](const char* name, bool& value) {
        return [&settings, name, &value] { return ReadBool(*settings, QString::fromLatin1(name), value); };
    };
    const std::pair<const char*, std::function<bool()>> sequence[] = {
        {"skinName", text("skinName", options::skinName)},
        {"fileRoot", text("fileRoot", options::fileRoot)},
        {"FNIOMP3INFO", flag("FNIOMP3INFO", options::FNIOMP3INFO)},
        {"REPLURLSPACES", flag("REPLURLSPACES", options::REPLURLSPACES)},
    };
    std::size_t read = 0;
    while (read < std::size(sequence) && sequence[read].second())
        ++read;
    for (std::size_t i = read; i < std::size(sequence); ++i)
        NoteUnused(*settings, sequence[i].first, unused);
    return report;
}

bool OptionsStoreHeldBack()
{
    return g_heldBack;
}

bool SetAsideUnreadableOptions(std::string& movedTo, std::string& reason)
{
    movedTo.clear();
    for (int attempt = 1; g_heldBack && attempt <= 100; ++attempt) {
        const std::string target = g_storeFile + ".damaged" + (attempt > 1 ? "-" + std::to_string(attempt) : "");
        if (RenameNoReplace(g_storeFile, target)) {
            movedTo = target;
            g_heldBack = false;
        } else if (errno == ENOENT) {
            g_heldBack = false; // gone meanwhile: nothing to keep
        } else if (errno != EEXIST) {
            reason = SystemErrorText(errno);
            return false;
        }
    }
    if (g_heldBack) {
        reason = SystemErrorText(EEXIST);
        return false;
    }
    return true;
}

bool SaveOptions(std::string* reason)
{
    if (g_heldBack) {
        if (reason)
            *reason = "The settings file could not be read at start and is left as it is.";
        return false;
    }
    const auto settings = OpenStore();
    settings->setValue(QStringLiteral("skinName"), QString::fromStdString(options::skinName));
    settings->setValue(QStringLiteral("fileRoot"), QString::fromStdString(options::fileRoot));
    settings->setValue(QStringLiteral("FNIOMP3INFO"), options::FNIOMP3INFO ? 1 : 0);
    settings->setValue(QStringLiteral("REPLURLSPACES"), options::REPLURLSPACES ? 1 : 0);
    settings->setValue(QStringLiteral("customRenamePattern"), QString::fromStdString(options::customRenamePattern));
    settings->setValue(QStringLiteral("customTagPattern"), QString::fromStdString(options::customTagPattern));
    settings->setValue(QStringLiteral("tagActions"), QString::fromStdString(options::tagActionSettings));
    const TagOptions tagOptions = options::CurrentTagOptions();
    settings->setValue(QStringLiteral("ID3V2VERSION"), QString::fromLatin1(VersionText(tagOptions.writeVersion)));
    settings->setValue(QStringLiteral("ID3V1CODEPAGE"), QString::fromStdString(tagOptions.codePage));
    settings->setValue(QStringLiteral("ID3V2CODEPAGE"), tagOptions.codePageForId3v2 ? 1 : 0);
    settings->setValue(QStringLiteral("KEEPFILETIME"), tagOptions.keepModificationTime ? 1 : 0);
    settings->setValue(QStringLiteral("TAGROOM"), tagOptions.leaveRoom ? 1 : 0);
    settings->setValue(QStringLiteral("browserFolder"), QByteArray::fromStdString(options::browserFolder));
    settings->setValue(QStringLiteral("playlistTagColumns"), options::playlistTagColumns ? 1 : 0);
    settings->setValue(QStringLiteral("playlistHeader"), QByteArray::fromStdString(options::playlistHeader));
    settings->setValue(QStringLiteral("playlistOrder"), QString::fromStdString(options::playlistOrder));
    settings->setValue(QStringLiteral("playNextAtEnd"), options::playNextAtEnd ? 1 : 0);
    settings->setValue(QStringLiteral("musicBrainzServer"), QString::fromStdString(options::musicBrainzServer));
    settings->setValue(QStringLiteral("coverArtServer"), QString::fromStdString(options::coverArtServer));
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return true;
    if (reason)
        *reason = WhyNotWritable(QFile::encodeName(settings->fileName()).toStdString());
    return false;
}
