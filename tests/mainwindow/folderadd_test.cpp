// Adding folders and lists of files with the records read on the worker
// pool: the same rows as one file after the other, a cancel that adds the
// files met before it, and the refresh of many rows.

#include "mainwindowfixture.h"

#include "folderadd.h"
#include "folderscanner.h"
#include "tfileinfo.h"
#include "tfrmmain.h"
#include "tfrmwait.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"

#include "mainwindowregistry.h"
#include "progresswindows.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a row shows and what its record holds.
struct RowState {
    std::string caption;
    int stateIndex = 0;
    std::string fullPath;
    std::string fileName;
    std::optional<std::string> tagCaption;
    bool v1 = false;
    bool v2 = false;
    bool operator==(const RowState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RowState& r)
{
    return out << r.fullPath << " [" << r.caption << "] " << r.stateIndex << (r.v1 ? " v1" : "")
               << (r.v2 ? " v2" : "");
}

std::vector<RowState> Rows(const TPlaylistModel& model)
{
    std::vector<RowState> rows;
    for (int i = 0; i < model.Count(); ++i) {
        const TFileInfo& info = *model.FileAt(i);
        rows.push_back({model.index(i).data().toString().toStdString(),
                        model.index(i).data(TPlaylistModel::StateIndexRole).toInt(), info.FullPath(),
                        info.FileName(), info.TagCaption(), info.HasV1Tag(), info.HasV2Tag()});
    }
    return rows;
}

// The files a folder walk finds, in its order.
std::vector<std::string> WalkOrder(const std::string& folder)
{
    std::vector<std::string> files;
    FolderScanner({nullptr, nullptr, [&](const std::string& f) { files.push_back(f); }}).Scan(folder);
    return files;
}

} // namespace

TEST_F(MainWindowTest, AParallelAddGivesTheRowsOfASerialOne)
{
    chmod(dir.path().c_str(), 0755);
    const std::string root = dir.file("Music");
    MakeDir(root);
    // Files of every tag kind over a few folders, some with equal captions
    // (their order is the walk's).
    for (const char* sub : {"A", "B", "C"})
        MakeDir(root + "/" + sub);
    for (int i = 0; i < 90; ++i) {
        const std::string path = root + "/" + "ABC"[i % 3] + "/song" + std::to_string(i) + ".mp3";
        switch (i % 5) {
        case 0: MakeMp3(path, "Artist " + std::to_string(i), "Title"); break;
        case 1: MakeMp3(path); break;
        case 2: WriteFile(path, AudioBytes(900) + Id3v1Block("Only", "One")); break;
        case 3: WriteFile(path, Id3v2Tag(4, "Four", "Unread") + AudioBytes(900)); break;
        case 4: MakeMp3(path, "Same", "Song"); break;
        }
    }
    // Names that are not UTF-8, letter-case twins, links to a file, to
    // nowhere, to an outside folder and back up the tree, hidden and
    // unreadable entries.
    MakeMp3(root + "/caf\xe9.mp3", "Caf\xe9", "Cr\xe8me");
    MakeDir(root + "/\xff\xfe folder");
    MakeMp3(root + "/\xff\xfe folder/x.mp3");
    MakeMp3(root + "/A/Twin.mp3", "Twin", "1");
    MakeMp3(root + "/A/tWIN.MP3", "Twin", "2");
    ASSERT_EQ(symlink("A/song0.mp3", (root + "/link.mp3").c_str()), 0);
    ASSERT_EQ(symlink("nowhere.mp3", (root + "/dangling.mp3").c_str()), 0);
    MakeDir(dir.file("Other"));
    MakeMp3(dir.file("Other/outside.mp3"), "Out", "Side");
    ASSERT_EQ(symlink("../../Other", (root + "/B/other").c_str()), 0);
    ASSERT_EQ(symlink("..", (root + "/C/up").c_str()), 0);
    MakeDir(root + "/.hidden");
    MakeMp3(root + "/.hidden/h.mp3");
    MakeMp3(root + "/B/locked.mp3", "Locked", "File");
    chmod((root + "/B/locked.mp3").c_str(), 0);
    MakeDir(root + "/sealed");
    MakeMp3(root + "/sealed/s.mp3");
    chmod((root + "/sealed").c_str(), 0);
    const std::string listed = root + "/A/song3.mp3";

    TPlaylistModel serial;
    playlist().AddFileToPlaylist(listed);
    SetMainWindow(frm.get());
    prompts.expectFolder(root);
    RunUnprivilegedHere([&] {
        serial.AddFile(listed);
        serial.SetSortingEnabled(false);
        FolderScanner({nullptr, nullptr, [&](const std::string& f) { serial.AddFile(f); }}).Scan(root);
        serial.SetSortingEnabled(true);
        playlist().submAddDirClick();
        return 0;
    });
    const std::vector<RowState> rows = Rows(*playlist().model());
    EXPECT_EQ(rows, Rows(serial));
    // The songs, the two odd names, one of the twins, both links, the
    // outside file once (the cycle back up is not followed) and the locked
    // file, listed without its tags.
    EXPECT_EQ(rows.size(), 90u + 2 + 1 + 2 + 1 + 1);
    const auto locked = std::find_if(rows.begin(), rows.end(), [](const RowState& r) { return r.fileName == "locked.mp3"; });
    ASSERT_NE(locked, rows.end());
    EXPECT_EQ(locked->stateIndex, 1);
    EXPECT_EQ(playlist().model()->PendingCount(), 0);
    EXPECT_TRUE(frm->isEnabled());

    // Refreshing every row reads the tags again, each into its own row.
    for (int i = 0; i < 90; i += 3)
        WriteFile(root + "/A/song" + std::to_string(i) + ".mp3", Id3v2Tag(3, "New", std::to_string(i)) + AudioBytes(500));
    playlist().model()->SetChecked(0, true);
    std::vector<int> all(static_cast<std::size_t>(playlist().Count()));
    for (int i = 0; i < playlist().Count(); ++i)
        all[static_cast<std::size_t>(i)] = i;
    std::vector<TFileInfo> fresh;
    RunUnprivilegedHere([&] {
        playlist().RefreshTagRows(all);
        for (int i = 0; i < playlist().Count(); ++i)
            fresh.emplace_back(playlist().FileAt(i)->FullPath());
        return 0;
    });
    int renewed = 0;
    const std::vector<RowState> refreshed = Rows(*playlist().model());
    ASSERT_EQ(refreshed.size(), fresh.size());
    for (std::size_t i = 0; i < refreshed.size(); ++i) {
        const RowState& r = refreshed[i];
        EXPECT_EQ(r.tagCaption, fresh[i].TagCaption()) << r;
        EXPECT_EQ(r.stateIndex, fresh[i].TagStateIndex()) << r;
        EXPECT_EQ(r.caption, fresh[i].DisplayName()) << r;
        renewed += r.caption.rfind("New - ", 0) == 0 ? 1 : 0;
    }
    // Every third song, and the link to one of them.
    EXPECT_EQ(renewed, 31);
    EXPECT_EQ(playlist().Count(), static_cast<int>(rows.size()));
    EXPECT_FALSE(playlist().model()->IsChecked(0));
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, CancelInTheMiddleAddsTheFilesFoundBeforeItSorted)
{
    // Captions sort the same by bytes and by any locale. Folders of few
    // entries: the wait window shows each folder before it is listed, and
    // nothing inside it.
    int n = 0;
    for (int f = 0; f < 40; ++f) {
        const std::string folder = dir.file("d" + std::to_string(f));
        MakeDir(folder);
        for (int i = 0; i < 12; ++i, ++n) {
            char caption[16];
            std::snprintf(caption, sizeof caption, "%03d", 999 - n);
            MakeMp3(folder + "/" + std::to_string(i) + ".mp3", "Artist", caption);
        }
    }
    const std::vector<std::string> walk = WalkOrder(dir.path());
    ASSERT_EQ(walk.size(), 480u);
    SetMainWindow(frm.get());

    // Cancel once the walk is well under way and a record has come in, while
    // a folder is shown (a wait for slow reads may show the file added last).
    TfrmWait& wait = ProgressWindows::instance().wait();
    std::set<QString> shown;
    std::string cancelledAt;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QString path = wait.lPath->text();
        shown.insert(path);
        if (shown.size() >= 15 && playlist().model()->PendingCount() > 0 && !path.endsWith(".mp3")) {
            cancelledAt = path.toStdString();
            wait.bCancel->click();
            watch.stop();
        }
    });
    watch.start();
    prompts.expectFolder(dir.path());
    playlist().submAddDirClick();
    ASSERT_FALSE(cancelledAt.empty());

    // The walk stops in the folder shown at the cancel: every file found
    // before it is added, none after it. Shown as it is entered, the folder
    // adds nothing; shown while its files wait for reads, it adds them all.
    const auto inFolder = [&](const std::string& f) { return f.rfind(cancelledAt + "/", 0) == 0; };
    const auto first = std::find_if(walk.begin(), walk.end(), inFolder);
    const auto last = std::find_if_not(first, walk.end(), inFolder);
    const int added = playlist().Count();
    EXPECT_GT(added, 0);
    EXPECT_TRUE(added == first - walk.begin() || added == last - walk.begin())
        << cancelledAt << ": " << added;
    std::set<std::string> rows;
    std::vector<std::string> captions;
    for (int i = 0; i < added; ++i) {
        rows.insert(playlist().FileAt(i)->FullPath());
        captions.push_back(playlist().model()->index(i).data().toString().toStdString());
    }
    EXPECT_EQ(rows, std::set<std::string>(walk.begin(), walk.begin() + added));
    EXPECT_TRUE(std::is_sorted(captions.begin(), captions.end()));
    // Files not added are not taken for listed ones.
    for (std::size_t i = static_cast<std::size_t>(added); i < walk.size(); ++i)
        EXPECT_FALSE(playlist().IsInPlaylist(walk[i])) << walk[i];
    EXPECT_EQ(playlist().model()->PendingCount(), 0);
    EXPECT_TRUE(frm->isEnabled());
    EXPECT_FALSE(wait.isVisible());

    // Adding again brings the rest.
    prompts.expectFolder(dir.path());
    playlist().submAddDirClick();
    EXPECT_EQ(playlist().Count(), 480);
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, ALongFileListGivesTheRowsOfASerialAddAndACancelKeepsItsHead)
{
    // Every tag kind, equal captions, a file gone since, one listed twice
    // and once in another letter case, one listed before.
    std::vector<std::string> list;
    for (int i = 0; i < 400; ++i) {
        const std::string path = dir.file("s" + std::to_string(i) + ".mp3");
        switch (i % 4) {
        case 0: MakeMp3(path, "Artist " + std::to_string(i), "Title"); break;
        case 1: MakeMp3(path); break;
        case 2: WriteFile(path, AudioBytes(900) + Id3v1Block("Only", "One")); break;
        case 3: MakeMp3(path, "Same", "Song"); break;
        }
        list.push_back(path);
    }
    list.insert(list.begin() + 10, dir.file("gone.mp3"));
    list.push_back(list[3]);
    list.push_back(dir.file("S5.MP3"));
    playlist().AddFileToPlaylist(list[7]);
    TPlaylistModel serial;
    serial.AddFile(list[7]);
    serial.SetSortingEnabled(false);
    for (const std::string& path : list)
        serial.AddFile(path);
    serial.SetSortingEnabled(true);

    // A cancel stops the list: the rows are the files met before it, and the
    // files after it are not taken for listed ones.
    int polls = 0;
    {
        TPlaylistPane::SortingOff sorting(*playlist().model());
        FolderAdd(*playlist().model(), {[](const std::string&) {}, [&] { return ++polls > 300; }}).RunFiles(list);
    }
    const int kept = playlist().Count();
    ASSERT_GT(kept, 1);
    ASSERT_LE(kept, 300);
    std::set<std::string> head{list[7]};
    for (std::size_t i = 0; head.size() < static_cast<std::size_t>(kept); ++i)
        head.insert(list[i]);
    std::set<std::string> rows;
    for (int i = 0; i < kept; ++i)
        rows.insert(playlist().FileAt(i)->FullPath());
    EXPECT_EQ(rows, head);
    for (auto path = list.begin(); path != list.end() - 2; ++path)
        EXPECT_EQ(playlist().IsInPlaylist(*path), head.count(*path) != 0) << *path;
    EXPECT_EQ(playlist().model()->PendingCount(), 0);

    // Loaded as the saved playlist, the rest comes under the wait window and
    // the rows are those of one file read after the other.
    std::string saved;
    for (const std::string& path : list)
        saved += path + "\n";
    WriteFile(dir.file("saved.m3u8"), saved);
    frm->SetPlaylistFile(dir.file("saved.m3u8"));
    SetMainWindow(frm.get());
    TfrmWait& wait = ProgressWindows::instance().wait();
    bool waited = false;
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] { waited = waited || wait.isVisible(); });
    watch.start();
    frm->LoadSavedPlaylist();
    watch.stop();
    EXPECT_TRUE(waited);
    EXPECT_FALSE(wait.isVisible());
    EXPECT_TRUE(frm->isEnabled());
    EXPECT_EQ(Rows(*playlist().model()), Rows(serial));
    EXPECT_EQ(playlist().Count(), 401);
    EXPECT_TRUE(prompts.shown().empty());
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, FilesThatAreNotMp3FilesGetNoRowAndTheNamedOnesAreReported)
{
    SetMainWindow(frm.get());
    const std::string root = dir.file("Music");
    MakeDir(root);
    MakeDir(root + "/Sub");
    MakeMp3(root + "/a.mp3", "Artist", "A");
    MakeMp3(root + "/b.mp3");
    // A picture and a FLAC file under MP3 names (the FLAC file behind an
    // ID3v2 tag), followed by real frames, and text.
    const std::string picture = root + "/picture.mp3";
    const std::string pictureBytes = PictureBytes("PNG", 4, 4) + AudioBytes(1500);
    WriteFile(picture, pictureBytes);
    WriteFile(root + "/Sub/flac.mp3", Id3v2Tag(3, "F", "L") + "fLaC" + AudioBytes(1500));
    const std::string notes = root + "/notes.mp3";
    WriteFile(notes, std::string(5000, 'n'));
    // FIFOs named like songs, in the folder and below, and a link to one.
    const FifoHangGuard fifo(root + "/fifo.mp3");
    const FifoHangGuard subFifo(root + "/Sub/fifo.mp3");
    ASSERT_EQ(symlink("fifo.mp3", (root + "/link.mp3").c_str()), 0);

    // A folder's are left out without a word.
    prompts.expectFolder(root);
    playlist().submAddDirClick();
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"Artist - A", "b.mp3"}));
    EXPECT_EQ(prompts.count(ScriptedPrompts::Kind::Warning), 0);

    // Files named in the dialog: one message names those left out, in list
    // order; a file gone since still gets its row.
    playlist().model()->Clear();
    prompts.clearShown();
    prompts.expectOpenFiles({picture, root + "/a.mp3", root + "/fifo.mp3", notes, root + "/gone.mp3"});
    playlist().submAddSingleFileClick();
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"Artist - A", "gone.mp3"}));
    EXPECT_EQ(prompts.texts(ScriptedPrompts::Kind::Warning),
              QStringList{QStringLiteral("2 files are not MP3 files and were not added to the playlist:\r\n")
                          + QString::fromStdString(picture) + QStringLiteral("\r\n") + QString::fromStdString(notes)});

    // Added by name from elsewhere (the desktop's media keys service).
    EXPECT_FALSE(playlist().AddFileToPlaylist(picture));
    EXPECT_TRUE(playlist().AddFileToPlaylist(root + "/b.mp3"));
    EXPECT_EQ(ReadFile(picture), pictureBytes);
    EXPECT_FALSE(playlist().AddFileToPlaylist(root + "/fifo.mp3"));
    EXPECT_FALSE(fifo.Rescued());
    EXPECT_FALSE(subFifo.Rescued());
}
