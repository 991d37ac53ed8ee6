// Playlist files of other players: adding the files one lists, and saving
// the playlist as one. Part of TPlaylistPane.
#include "tplaylistpane.h"

#include "systemerrortext.h"

#include "audioproperties.h"
#include "codepage.h"
#include "fileutils.h"
#include "optionvalues.h"
#include "playlistfile.h"
#include "prompts.h"
#include "tfileinfo.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>

void TPlaylistPane::SavePlaylistAsClick()
{
    const std::string folder = WithTrailingSeparator(DialogStartFolder());
    const std::optional<std::string> file = m_prompts.saveFile(
        QStringLiteral("Save playlist as"),
        QStringLiteral("M3U8 playlists (*.m3u8);;M3U playlists (*.m3u);;PLS playlists (*.pls)"),
        folder + "playlist.m3u8");
    if (!file)
        return;
    const bool relative = m_prompts.askYesNo(QStringLiteral("Save playlist"),
                                             QStringLiteral("Write the paths relative to the playlist's folder?"))
                          == PromptAnswer::Yes;
    std::vector<PlaylistFile::Entry> entries;
    entries.reserve(static_cast<std::size_t>(Count()));
    for (int row = 0; row < Count(); ++row) {
        const TFileInfo* info = FileAt(row);
        if (!info)
            continue;
        const auto& audio = info->Audio();
        // The caption as the row shows it: bytes of a name that are not
        // UTF-8 are replacement characters there, and so in the file.
        entries.push_back({info->FullPath(), QString::fromStdString(info->DisplayName()).toStdString(),
                           audio ? static_cast<int>(audio->lengthMs / 1000) : -1});
    }
    const CodePage* page = CodePage::Find(options::CurrentTagOptions().codePage);
    int error = 0;
    if (!PlaylistFile::Write(*file, entries, relative, page ? *page : CodePage::Default(), error))
        m_prompts.showError(QStringLiteral("Save playlist"),
                            QStringLiteral("The playlist could not be saved:\r\n%1\r\n%2")
                                .arg(QFile::decodeName(QByteArray::fromStdString(*file)), SystemErrorText(error)));
}

void TPlaylistPane::ReadPlaylistEntries(const std::string& playlist, PlaylistEntries& entries)
{
    int error = 0;
    const std::vector<std::string> paths = PlaylistFile::ReadPaths(playlist, error);
    if (error != 0)
        entries.unreadable << QFile::decodeName(QByteArray::fromStdString(playlist)) + QStringLiteral(": ")
                                  + SystemErrorText(error);
    for (const std::string& path : paths) {
        struct stat st {};
        (stat(path.c_str(), &st) == 0 ? entries.found : entries.missing).push_back(path);
    }
}

void TPlaylistPane::ReportPlaylistProblems(const PlaylistEntries& entries)
{
    if (!entries.unreadable.isEmpty())
        m_prompts.showError(QStringLiteral("Open playlist"), QStringLiteral("The playlist could not be read:\r\n")
                                                                 + entries.unreadable.join(QStringLiteral("\r\n")));
    const std::vector<std::string>& missing = entries.missing;
    if (missing.empty())
        return;
    // A long list names its first files only: the message must fit the screen.
    constexpr std::size_t kNamed = 20;
    QStringList lines;
    lines << (missing.size() == 1 ? QStringLiteral("This file of the playlist does not exist:")
                                  : QStringLiteral("%1 files of the playlist do not exist:").arg(missing.size()));
    for (std::size_t i = 0; i < missing.size() && i < kNamed; ++i)
        lines << QFile::decodeName(QByteArray::fromStdString(missing[i]));
    if (missing.size() > kNamed)
        lines << QStringLiteral("... and %1 more").arg(missing.size() - kNamed);
    m_prompts.showWarning(QStringLiteral("Open playlist"), lines.join(QStringLiteral("\r\n")));
}

void TPlaylistPane::OpenPlaylistClick()
{
    const std::vector<std::string> files = m_prompts.openFiles(
        QStringLiteral("Open playlist"), QStringLiteral("Playlists (*.m3u8 *.m3u *.pls)"), DialogStartFolder());
    if (files.empty())
        return;
    PlaylistEntries entries;
    for (const std::string& file : files)
        ReadPlaylistEntries(file, entries);
    ReportPlaylistProblems(entries);
    ReportNotMp3(AddFilesToPlaylist(entries.found));
}
