// The adding of rows to the playlist: single files, folders, drops from
// the browser and from the desktop. Part of TPlaylistPane.
#include "tplaylistpane.h"

#include "folderadd.h"
#include "repaintoff.h"
#include "tsongslistview.h"
#include "tplaylistmodel.h"

#include "filedescriptor.h"
#include "fileutils.h"
#include "localfileurl.h"
#include "mp3content.h"
#include "playlistfile.h"
#include "progresswindows.h"
#include "prompts.h"
#include "systemerror.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>

namespace {

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

bool TPlaylistPane::IsInPlaylist(const std::string& path) const
{
    return m_model->IsInPlaylist(path);
}

bool TPlaylistPane::AddFileToPlaylist(const std::string& path)
{
    // A FIFO, socket or device named like a song gets no row.
    return !m_model->IsInPlaylist(path) && NotRegularReason(path) != kNotRegularFile
        && Mp3Content::OfPath(path) != Mp3Content::Verdict::NotMp3 && m_model->AddFile(path);
}

void TPlaylistPane::ReportNotMp3(const std::vector<std::string>& files)
{
    if (files.empty())
        return;
    // A long list names its first files only: the message must fit the screen.
    constexpr std::size_t kNamed = 20;
    QStringList lines;
    lines << (files.size() == 1 ? QStringLiteral("This file is not an MP3 file and was not added to the playlist:")
                                : QStringLiteral("%1 files are not MP3 files and were not added to the playlist:")
                                      .arg(files.size()));
    for (std::size_t i = 0; i < files.size() && i < kNamed; ++i)
        lines << QFile::decodeName(QByteArray::fromStdString(files[i]));
    if (files.size() > kNamed)
        lines << QStringLiteral("... and %1 more").arg(files.size() - kNamed);
    m_prompts.showWarning(QStringLiteral("Playlist"), lines.join(QStringLiteral("\r\n")));
}

FolderAdd TPlaylistPane::WaitWindowAdd() const
{
    return FolderAdd(*m_model, {
        [](const std::string& shown) { SetWaitPath(shown); },
        [] { return IsWaitCancelled(); },
    });
}

void TPlaylistPane::AddFolderToPlaylist(const std::string& path)
{
    WaitWindowAdd().Run(path);
}

std::string TPlaylistPane::DialogStartFolder() const
{
    if (!m_pickedFolder.empty())
        return m_pickedFolder;
    return m_browserFolder ? m_browserFolder() : std::string();
}

void TPlaylistPane::submAddSingleFileClick()
{
    const std::vector<std::string> files =
        m_prompts.openFiles(QStringLiteral("Open"), QStringLiteral("MP3 Files (*.mp3)"), DialogStartFolder());
    if (files.empty())
        return;
    m_pickedFolder = FolderPart(files.front());
    ReportNotMp3(AddFilesToPlaylist(files));
}

std::vector<std::string> TPlaylistPane::AddFilesToPlaylist(const std::vector<std::string>& paths)
{
    // A long list is added under the wait window, which also sees the sort.
    std::optional<ProgressWindows::WaitScope> wait;
    if (paths.size() >= kWaitFiles)
        wait.emplace();
    SortingOff sorting(*m_model);
    RepaintOff repaint(*m_view);
    if (wait)
        return WaitWindowAdd().RunFiles(paths);
    return FolderAdd(*m_model, {[](const std::string&) {}, [] { return false; }}).RunFiles(paths);
}

void TPlaylistPane::submAddDirClick()
{
    const auto folder = m_prompts.chooseFolder(QStringLiteral("Select Media Directory"), DialogStartFolder());
    if (!folder)
        return;
    m_pickedFolder = WithTrailingSeparator(*folder);
    ProgressWindows::WaitScope wait;
    SortingOff sorting(*m_model);
    AddFolderToPlaylist(*folder);
}

void TPlaylistPane::AddPathsAsDrop(const std::vector<DroppedEntry>& entries)
{
    // Files named one by one that are not MP3 files are reported once, after
    // the wait window is gone; a folder's are left out silently. A playlist
    // file's entries take its place, and its missing ones are named once.
    std::vector<std::string> notMp3;
    PlaylistEntries listed;
    {
        SortingOff sorting(*m_model);
        RepaintOff repaint(*m_view);
        ProgressWindows::WaitScope wait;
        // Each run of files between folders is read as one list.
        std::vector<std::string> files;
        const auto addFiles = [&] {
            const std::vector<std::string> refused = WaitWindowAdd().RunFiles(files);
            notMp3.insert(notMp3.end(), refused.begin(), refused.end());
            files.clear();
        };
        for (const auto& e : entries) {
            if (e.isFolder) {
                addFiles();
                AddFolderToPlaylist(e.fullName);
            } else if (PlaylistFile::IsPlaylistName(e.fullName)) {
                listed.found.clear();
                ReadPlaylistEntries(e.fullName, listed);
                files.insert(files.end(), listed.found.begin(), listed.found.end());
            } else {
                files.push_back(e.fullName);
            }
        }
        addFiles();
    }
    ReportPlaylistProblems(listed);
    ReportNotMp3(notMp3);
}

void TPlaylistPane::filesViewEndDrag(const std::vector<DroppedEntry>& entries)
{
    AddPathsAsDrop(entries);
}

void TPlaylistPane::AddDroppedUrls(const QList<QUrl>& urls)
{
    // Files and folders from the desktop's file manager follow the rules of a
    // drop from the browser: folders are scanned for MP3 files, single files
    // are added as they are.
    std::vector<DroppedEntry> entries;
    for (const QUrl& url : urls) {
        std::string path = LocalFilePath(url);
        if (path.empty())
            continue;
        const bool folder = IsFolder(path);
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        entries.push_back(DroppedEntry{path, folder});
    }
    if (!entries.empty())
        AddPathsAsDrop(entries);
}
