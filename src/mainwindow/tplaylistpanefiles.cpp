// Saving the playlist as a playlist file for other players. Part of
// TPlaylistPane.
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
