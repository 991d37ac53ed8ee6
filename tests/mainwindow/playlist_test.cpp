// The playlist pane driven in-process: adding, uniqueness, order, removal,
// clearing, the context menu and renaming.

#include "mainwindowfixture.h"

#include "tfileinfo.h"
#include "tfilebrowserpane.h"
#include "tfilesmodel.h"
#include "tfrmmain.h"
#include "tplaylistcolumns.h"
#include "tplaylistdelegate.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsonghintpanel.h"
#include "tsongslistview.h"
#include "ttmtlistview.h"

#include "mainwindowregistry.h"
#include "optionvalues.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

#include <fstream>

#include <unistd.h>

using Kind = ScriptedPrompts::Kind;

TEST_F(MainWindowTest, AddingAFolderTreeTakesMp3FilesBelowVisibleFolders)
{
    MakeMp3(dir.file("x.MP3"));
    WriteFile(dir.file("y.mp3.txt"), "not audio");
    MakeDir(dir.file(".git"));
    MakeMp3(dir.file(".git/z.mp3"));
    MakeDir(dir.file("Rock"));
    MakeMp3(dir.file("Rock/song.mp3"), "Artist", "Title");
    SetMainWindow(frm.get());

    prompts.expectFolder(dir.path());
    playlist().submAddDirClick();
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"Artist - Title", "x.MP3"}));
    EXPECT_EQ(prompts.shown().front().text, QStringLiteral("Select Media Directory"));
    // The wait window is gone and the main window usable again.
    EXPECT_TRUE(frm->isEnabled());

    // Cancelled folder dialog: nothing happens.
    prompts.expectFolder(std::nullopt);
    playlist().submAddDirClick();
    EXPECT_EQ(playlist().Count(), 2);
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, APathThatDiffersOnlyInCaseIsNotAddedTwice)
{
    MakeDir(dir.file("Music"));
    MakeMp3(dir.file("Music/A.mp3"));
    EXPECT_TRUE(playlist().AddFileToPlaylist(dir.file("Music/A.mp3")));
    EXPECT_FALSE(playlist().AddFileToPlaylist(dir.file("music/a.MP3")));
    EXPECT_FALSE(playlist().AddFileToPlaylist(dir.file("Music/A.mp3")));
    EXPECT_TRUE(playlist().IsInPlaylist(dir.file("MUSIC/a.mp3")));
    EXPECT_EQ(playlist().Count(), 1);
    // Only A to Z fold: other letters are different paths.
    EXPECT_TRUE(playlist().AddFileToPlaylist(dir.file("\xc3\x89.mp3")));
    EXPECT_TRUE(playlist().AddFileToPlaylist(dir.file("\xc3\xa9.mp3")));
    // Removing a row frees its path for adding again.
    SelectPlaylistRows({0});
    const std::string removed = playlist().FileAt(0)->FullPath();
    playlist().removeselecteditems1Click();
    EXPECT_FALSE(playlist().IsInPlaylist(removed));
    EXPECT_TRUE(playlist().AddFileToPlaylist(removed));
}

TEST_F(MainWindowTest, RowsAreSortedByCaptionAndNumberedByPosition)
{
    MakeMp3(dir.file("1.mp3"), "b", "");
    MakeMp3(dir.file("2.mp3"), "a", "");
    MakeMp3(dir.file("3.mp3"), "c", "");
    TPlaylistModel* model = playlist().model();
    for (const char* f : {"1.mp3", "2.mp3", "3.mp3"})
        playlist().AddFileToPlaylist(dir.file(f));
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"a - ", "b - ", "c - "}));
    EXPECT_EQ(TPlaylistDelegate::RowText(0, model->index(0).data().toString()), QStringLiteral("  1 a - "));

    // Sorting off during a batch: rows are appended, one sort at the end,
    // and the selection follows its rows.
    model->Clear();
    playlist().AddFileToPlaylist(dir.file("3.mp3"));
    SelectPlaylistRows({0});
    model->SetSortingEnabled(false);
    for (const char* f : {"1.mp3", "2.mp3", "3.mp3"})
        playlist().AddFileToPlaylist(dir.file(f));
    EXPECT_EQ(model->PendingCount(), 2);
    EXPECT_TRUE(playlist().IsInPlaylist(dir.file("1.mp3")));
    model->SetSortingEnabled(true);
    EXPECT_EQ(model->PendingCount(), 0);
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"a - ", "b - ", "c - "}));
    EXPECT_EQ(playlist().SelectedRows(), (std::vector<int>{2}));

    // Locale-aware and case-sensitive: "a" and "A" are distinct and ordered
    // as the collation says, not by byte (where "B" would come before "a").
    model->SetCollationLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    MakeMp3(dir.file("4.mp3"), "B", "");
    MakeMp3(dir.file("5.mp3"), "\xc9", ""); // code-page bytes of the tag
    playlist().AddFileToPlaylist(dir.file("4.mp3"));
    playlist().AddFileToPlaylist(dir.file("5.mp3"));
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"a - ", "b - ", "B - ", "c - ", "\xc3\x89 - "}));
}

TEST_F(MainWindowTest, RemoveAndClearAskAndStopThePlayingSong)
{
    MakeMp3(dir.file("a.mp3"));
    MakeMp3(dir.file("b.mp3"));
    MakeMp3(dir.file("c.mp3"));
    for (const char* f : {"a.mp3", "b.mp3", "c.mp3"})
        playlist().AddFileToPlaylist(dir.file(f));
    int stops = 0;
    std::string playing = dir.file("b.mp3");
    TPlayerHooks hooks;
    hooks.CurrentSongFile = [&] { return playing; };
    hooks.StopPlaying = [&] { ++stops; };
    playlist().SetPlayerHooks(hooks);
    playlist().model()->SetChecked(1, true);

    // Removing other rows does not stop playback.
    SelectPlaylistRows({0});
    playlist().removeselecteditems1Click();
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"b.mp3", "c.mp3"}));
    EXPECT_EQ(stops, 0);
    EXPECT_TRUE(playlist().model()->IsChecked(0));
    // Nothing selected: nothing happens.
    SelectPlaylistRows({});
    playlist().removeselecteditems1Click();
    EXPECT_EQ(playlist().Count(), 2);
    // Removing the playing row stops it.
    SelectPlaylistRows({0});
    playlist().removeselecteditems1Click();
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"c.mp3"}));

    // Clear answered No: nothing changes, playback goes on.
    prompts.expect(Kind::YesNo, PromptAnswer::No);
    playlist().Clearplaylist1Click();
    EXPECT_EQ(playlist().Count(), 1);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(prompts.texts(Kind::YesNo), QStringList{QStringLiteral("Are you sure to clear playlist?")});
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    playlist().Clearplaylist1Click();
    EXPECT_EQ(playlist().Count(), 0);
    EXPECT_EQ(stops, 2);
    // An empty playlist is not asked about.
    playlist().Clearplaylist1Click();
    EXPECT_EQ(prompts.count(Kind::YesNo), 2);
}

TEST_F(MainWindowTest, RemovingASelectionTakesEachRunOfRowsInOneStep)
{
    for (const char* f : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3", "g.mp3"}) {
        MakeMp3(dir.file(f));
        playlist().AddFileToPlaylist(dir.file(f));
    }
    int stops = 0;
    TPlayerHooks hooks;
    hooks.CurrentSongFile = [&] { return dir.file("f.mp3"); };
    hooks.StopPlaying = [&] { ++stops; };
    playlist().SetPlayerHooks(hooks);
    int steps = 0;
    QObject::connect(playlist().model(), &QAbstractItemModel::rowsRemoved, [&] { ++steps; });

    SelectPlaylistRows({0, 1, 3, 5, 6});
    EXPECT_EQ(playlist().SelectedCount(), 5);
    playlist().removeselecteditems1Click();
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"c.mp3", "e.mp3"}));
    EXPECT_EQ(steps, 3); // rows 5-6, 3, 0-1
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(playlist().SelectedCount(), 0);
    EXPECT_FALSE(playlist().IsInPlaylist(dir.file("a.mp3")));
    EXPECT_TRUE(playlist().IsInPlaylist(dir.file("c.mp3")));
    playlist().mnuSelectAll1Click();
    EXPECT_EQ(playlist().SelectedCount(), 2);
}

TEST_F(MainWindowTest, NamesThatAreNotUtf8ComeFromTheDialogsAsBytes)
{
    const std::string odd = dir.file("caf\xe9 \xff.mp3");
    MakeMp3(odd);
    MakeDir(dir.file("alb\xfcm"));
    MakeMp3(dir.file("alb\xfcm/\xe9t\xe9.mp3"));
    SetMainWindow(frm.get());
    prompts.expectOpenFiles({odd});
    playlist().submAddSingleFileClick();
    prompts.expectFolder(dir.file("alb\xfcm"));
    playlist().submAddDirClick();
    ASSERT_EQ(playlist().Count(), 2);
    std::vector<std::string> paths{playlist().FileAt(0)->FullPath(), playlist().FileAt(1)->FullPath()};
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{dir.file("alb\xfcm/\xe9t\xe9.mp3"), odd}));
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, SavePlaylistAsWritesTheRowsInListOrder)
{
    MakeMp3(dir.file("b.mp3"), "Artist", "Title");
    MakeMp3(dir.file("a\xff.mp3"));
    MakeDir(dir.file("lists"));
    SetMainWindow(frm.get());
    prompts.expectOpenFiles({dir.file("b.mp3"), dir.file("a\xff.mp3")});
    playlist().submAddSingleFileClick();
    ASSERT_EQ(PlaylistCaptions().size(), 2u);
    const std::string first = playlist().FileAt(0)->FullPath();
    const std::string second = playlist().FileAt(1)->FullPath();

    prompts.expectSaveFile(dir.file("lists/p.pls")).expect(Kind::YesNo, PromptAnswer::Yes);
    frm->Saveplaylistas1->trigger();
    std::ifstream in(dir.file("lists/p.pls"), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string name1 = first.substr(dir.file("").size());
    const std::string name2 = second.substr(dir.file("").size());
    EXPECT_EQ(text.rfind("[playlist]\nFile1=../" + name1 + "\nTitle1=" + PlaylistCaptions()[0] + "\nLength1=", 0), 0u);
    EXPECT_NE(text.find("\nFile2=../" + name2 + "\nTitle2=" + PlaylistCaptions()[1] + "\n"), std::string::npos);
    EXPECT_NE(text.find("\nNumberOfEntries=2\nVersion=2\n"), std::string::npos);
    EXPECT_EQ(prompts.texts(Kind::YesNo), QStringList{QStringLiteral("Write the paths relative to the playlist's folder?")});

    // Absolute paths; a cancelled dialog writes nothing; a failure is shown.
    prompts.expectSaveFile(dir.file("lists/p.m3u8")).expect(Kind::YesNo, PromptAnswer::No);
    frm->Saveplaylistas1->trigger();
    std::ifstream m3u(dir.file("lists/p.m3u8"), std::ios::binary);
    const std::string lines{std::istreambuf_iterator<char>(m3u), std::istreambuf_iterator<char>()};
    EXPECT_NE(lines.find("\n" + first + "\n#EXTINF:"), std::string::npos);
    prompts.expectSaveFile(std::nullopt);
    frm->Saveplaylistas1->trigger();
    prompts.expectSaveFile(dir.file("missing/p.m3u")).expect(Kind::YesNo, PromptAnswer::No);
    frm->Saveplaylistas1->trigger();
    ASSERT_EQ(prompts.count(Kind::Error), 1);
    EXPECT_TRUE(prompts.texts(Kind::Error).front().startsWith(QStringLiteral("The playlist could not be saved:")));
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, OpenPlaylistAddsItsFilesAndNamesTheMissingOnce)
{
    MakeDir(dir.file("lists"));
    MakeMp3(dir.file("here.mp3"), "Artist", "Title");
    WriteFile(dir.file("lists/p.m3u8"), "#EXTM3U\n#EXTINF:3,Here\n../here.mp3\n../gone.mp3\n" + dir.file("lost.mp3") + "\n");
    SetMainWindow(frm.get());
    prompts.expectOpenFiles({dir.file("lists/p.m3u8")});
    frm->Openplaylist1->trigger();
    EXPECT_EQ(PlaylistCaptions(), std::vector<std::string>{"Artist - Title"});
    ASSERT_EQ(prompts.count(Kind::Warning), 1);
    const QString warning = prompts.texts(Kind::Warning).front();
    EXPECT_TRUE(warning.startsWith(QStringLiteral("2 files of the playlist do not exist:"))) << warning.toStdString();
    EXPECT_TRUE(warning.contains(QStringLiteral("gone.mp3")) && warning.contains(QStringLiteral("lost.mp3")));

    // A playlist file dropped on the playlist adds its entries the same way,
    // in its place among the other files dropped.
    playlist().model()->Clear();
    MakeMp3(dir.file("lists/beside.mp3"), "Beside", "It");
    prompts.clearShown();
    playlist().AddDroppedUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("lists/p.m3u8"))),
                               QUrl::fromLocalFile(QString::fromStdString(dir.file("lists/beside.mp3")))});
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"Artist - Title", "Beside - It"}));
    EXPECT_EQ(prompts.texts(Kind::Warning), QStringList{warning});
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, ContextMenuFollowsTheSelection)
{
    for (const char* f : {"a.mp3", "b.mp3"}) {
        MakeMp3(dir.file(f));
        playlist().AddFileToPlaylist(dir.file(f));
    }
    TPlaylistPane& p = playlist();
    const auto state = [&] {
        std::vector<bool> on;
        for (QAction* a : {p.PlayFile1, p.mnuCopyselectedsongs1, p.mnuMoveselectedsongs1, p.mnuRenameFile1,
                           p.Changemp3tags1, p.Removemp3tags1}) {
            EXPECT_EQ(a->isEnabled(), a->isVisible());
            on.push_back(a->isEnabled());
        }
        EXPECT_TRUE(p.mnuSelectAll1->isVisible());
        return on;
    };
    SelectPlaylistRows({});
    p.mnuSongPopup();
    EXPECT_EQ(state(), (std::vector<bool>{false, false, false, false, false, false}));
    // "Select All", the View menu and the four separators are shown all
    // the same.
    p.mnuSong()->popup(QPoint(0, 0));
    int separators = 0;
    for (QAction* a : p.mnuSong()->actions())
        separators += a->isSeparator() && !p.mnuSong()->actionGeometry(a).isEmpty() ? 1 : 0;
    EXPECT_FALSE(p.mnuSong()->actionGeometry(p.Columns().ViewMenu()->menuAction()).isEmpty());
    p.mnuSong()->hide();
    EXPECT_EQ(separators, 4);
    SelectPlaylistRows({1});
    p.mnuSongPopup();
    EXPECT_EQ(state(), (std::vector<bool>{true, true, true, true, true, true}));
    SelectPlaylistRows({0, 1});
    p.mnuSongPopup();
    EXPECT_EQ(state(), (std::vector<bool>{false, true, true, false, true, true}));
    // Select All.
    SelectPlaylistRows({});
    p.mnuSelectAll1Click();
    EXPECT_EQ(p.SelectedRows(), (std::vector<int>{0, 1}));
    // The frame's commands follow the playlist too.
    EXPECT_TRUE(frm->btntbSearch->isEnabled());
    EXPECT_TRUE(frm->removeselecteditems1->isEnabled());
    SelectPlaylistRows({});
    EXPECT_FALSE(frm->removeselecteditems1->isEnabled());
}

TEST_F(MainWindowTest, RenameAsksAgainAfterAnInvalidName)
{
    MakeMp3(dir.file("Song.MP3"));
    playlist().AddFileToPlaylist(dir.file("Song.MP3"));
    SelectPlaylistRows({0});
    int stops = 0;
    std::string playing = dir.file("Song.MP3");
    TPlayerHooks hooks;
    hooks.CurrentSongFile = [&] { return playing; };
    hooks.StopPlaying = [&] { ++stops; };
    hooks.SongRenamed = [&](const std::string& from, const std::string& to) {
        if (from == playing)
            playing = to;
    };
    playlist().SetPlayerHooks(hooks);
    playlist().model()->SetChecked(0, true);
    prompts.expectInput(QStringLiteral("What?.ogg"));
    prompts.expectInput(QStringLiteral(" New "));
    playlist().mnuRenameFile1Click();

    const auto& shown = prompts.shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].title, QStringLiteral("Rename file"));
    EXPECT_EQ(shown[0].text, QStringLiteral("File 'Song.MP3'\rPlease type new name without extension"));
    const QString invalid = QStringLiteral("Invalid file name!\rDon't use special characters / \\ : * <> \" ? | ");
    EXPECT_EQ(invalid.size(), 65);
    EXPECT_EQ(shown[1].kind, Kind::Error);
    EXPECT_EQ(shown[1].text, invalid);
    EXPECT_EQ(shown[2].kind, Kind::Input);
    EXPECT_FALSE(Exists(dir.file("Song.MP3")));
    EXPECT_TRUE(Exists(dir.file("New.mp3")));
    // The playing file was renamed: the player plays on and knows its new
    // path, and the row keeps its mark.
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(playing, dir.file("New.mp3"));
    EXPECT_TRUE(playlist().model()->IsChecked(0));
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"New.mp3"}));
    EXPECT_TRUE(playlist().IsInPlaylist(dir.file("New.mp3")));
    EXPECT_FALSE(playlist().IsInPlaylist(dir.file("Song.MP3")));

    // Cancel and a blank answer stop; an existing name is never replaced.
    MakeMp3(dir.file("Other.mp3"));
    prompts.expectInput(std::nullopt);
    playlist().mnuRenameFile1Click();
    prompts.expectInput(QStringLiteral("   "));
    playlist().mnuRenameFile1Click();
    prompts.expectInput(QStringLiteral("Other"));
    playlist().mnuRenameFile1Click();
    EXPECT_TRUE(Exists(dir.file("New.mp3")));
    EXPECT_EQ(ReadFile(dir.file("Other.mp3")).size(), ReadFile(dir.file("New.mp3")).size());
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"New.mp3"}));
}

TEST_F(MainWindowTest, DropsFromTheBrowserAndFromTheDesktop)
{
    SetMainWindow(frm.get());
    MakeDir(dir.file("Album"));
    MakeMp3(dir.file("Album/one.mp3"));
    WriteFile(dir.file("Album/cover.jpg"), "x");
    WriteFile(dir.file("notes.txt"), "text");
    MakeMp3(dir.file("loose.mp3"));
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
    // "..", the folder and the text file are selected: ".." is ignored, the
    // folder scanned, the text file, no MP3 file, left out and named.
    SelectBrowserRows({BrowserRowOf(".."), BrowserRowOf("Album"), BrowserRowOf("notes")});
    prompts.clearShown();
    frm->filesViewEndDrag();
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"one.mp3"}));
    EXPECT_EQ(prompts.texts(Kind::Warning),
              QStringList{QStringLiteral("This file is not an MP3 file and was not added to the playlist:\r\n")
                          + QString::fromStdString(dir.file("notes.txt"))});

    // From the desktop's file manager: the same rules.
    playlist().model()->Clear();
    playlist().AddDroppedUrls({QUrl::fromLocalFile(QString::fromStdString(dir.path())),
                               QUrl(QStringLiteral("https://example.com/x.mp3"))});
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"loose.mp3", "one.mp3"}));
    // Names that are not UTF-8 arrive percent-encoded and keep their bytes.
    MakeMp3(dir.file("caf\xe9.mp3"));
    playlist().AddDroppedUrls({QUrl(QStringLiteral("file://") + QString::fromStdString(dir.path()) + QStringLiteral("/caf%E9.mp3"))});
    EXPECT_TRUE(playlist().IsInPlaylist(dir.file("caf\xe9.mp3")));
    EXPECT_TRUE(frm->isEnabled());

    // A real drop offering a move is taken as a copy: the file manager must
    // not delete what it dropped.
    playlist().model()->Clear();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("loose.mp3")))});
    QWidget* target = playlist().songsListView()->viewport();
    // Qt delivers a drop only to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(10, 10), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    // The files are added after the drop event has returned, so that the
    // file manager that started the drag is not held meanwhile.
    EXPECT_EQ(playlist().Count(), 0);
    QApplication::processEvents();
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"loose.mp3"}));

    // The browser's private row type means nothing from another process (a
    // drop whose source is not this window's browser): nothing is added,
    // although the browser has rows selected.
    playlist().model()->Clear();
    QMimeData foreign;
    foreign.setData(TFilesModel::DragMimeType(), "1");
    SelectBrowserRows({BrowserRowOf("Album")});
    QDragEnterEvent foreignEnter(QPoint(10, 10), Qt::CopyAction, &foreign, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &foreignEnter);
    QDropEvent foreignDrop(QPointF(10, 10), Qt::CopyAction, &foreign, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &foreignDrop);
    QApplication::processEvents();
    EXPECT_FALSE(foreignDrop.isAccepted());
    EXPECT_EQ(playlist().Count(), 0);
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, ThePlaylistComesBackAtTheNextStart)
{
    const std::string file = dir.file("data/playlist.m3u8");
    MakeDir(dir.file("data"));
    MakeMp3(dir.file("a.mp3"), "Artist", "Title");
    MakeMp3(dir.file("b.mp3"));
    frm->SetPlaylistFile(file);
    playlist().AddFileToPlaylist(dir.file("a.mp3"));
    playlist().AddFileToPlaylist(dir.file("b.mp3"));
    playlist().songsListView()->header()->resizeSection(0, 123);
    ASSERT_TRUE(frm->close());
    options::SetDefaultOptionValues();

    // b.mp3 goes meanwhile: its row stays, with the no-tag picture.
    ASSERT_EQ(unlink(dir.file("b.mp3").c_str()), 0);
    TfrmMain next(prompts);
    next.SetPlaylistFile(file);
    next.LoadSavedPlaylist();
    ASSERT_EQ(next.playlist()->Count(), 2);
    for (int row = 0; row < 2; ++row) {
        const TFileInfo* info = next.playlist()->FileAt(row);
        EXPECT_EQ(info->TagStateIndex(), info->FullPath() == dir.file("b.mp3") ? 1 : 0) << info->FullPath();
    }
    EXPECT_EQ(next.playlist()->songsListView()->header()->sectionSize(0), 123);
    EXPECT_TRUE(prompts.shown().empty());

    // A damaged file: what can be read is loaded, the rest reported once.
    WriteFile(file, dir.file("a.mp3") + "\n\x01\x02\n" + "http://example.com/x.mp3\n");
    TfrmMain third(prompts);
    third.SetPlaylistFile(file);
    third.LoadSavedPlaylist();
    EXPECT_EQ(third.playlist()->Count(), 1);
    EXPECT_EQ(prompts.count(Kind::Warning), 1);
}

TEST_F(MainWindowTest, TagColumnsSortByEachColumnAndAlbumOrderKeepsDiscsAndTracksInNumberOrder)
{
    // Two discs of one album under its album artist, and a song of another
    // album whose caption comes first; one file with an ID3v1 tag only.
    struct Song {
        const char* file;
        std::vector<std::pair<std::string, std::string>> frames;
    };
    const std::vector<Song> songs = {
        {"d2t1.mp3", {{"TPE1", "Guest"}, {"TIT2", "Later"}, {"TALB", "Live"}, {"TPE2", "Band"}, {"TPOS", "2/2"}, {"TRCK", "1"}}},
        {"d1t10.mp3", {{"TPE1", "Band"}, {"TIT2", "Ten"}, {"TALB", "Live"}, {"TPOS", "1/2"}, {"TRCK", "10/12"}, {"TYER", "1999"}}},
        {"d1t2.mp3", {{"TPE1", "Band"}, {"TIT2", "Two"}, {"TALB", "Live"}, {"TPOS", "1/2"}, {"TRCK", "2"}, {"TYER", "2001"}}},
        {"other.mp3", {{"TPE1", "Aaron"}, {"TIT2", "Solo"}, {"TALB", "Zeta"}, {"TRCK", "7"}}},
    };
    for (const Song& song : songs) {
        WriteFile(dir.file(song.file), Id3v2TagOfFrames(3, song.frames) + AudioBytes(1500));
        playlist().AddFileToPlaylist(dir.file(song.file));
    }
    WriteFile(dir.file("v1.mp3"), AudioBytes(1500) + Id3v1Block("Old", "Band", "Live", "1990", "", 0));
    playlist().AddFileToPlaylist(dir.file("v1.mp3"));
    TPlaylistModel& model = *playlist().model();
    TPlaylistColumns& columns = playlist().Columns();
    const auto column = [&](int c) {
        std::vector<std::string> texts;
        for (int row = 0; row < model.Count(); ++row)
            texts.push_back(model.index(row, c).data().toString().toStdString());
        return texts;
    };

    // The described view: one column of captions in caption order.
    const std::vector<std::string> captions = {"Aaron - Solo", "Band - Old", "Band - Ten", "Band - Two", "Guest - Later"};
    EXPECT_EQ(model.columnCount(), 1);
    EXPECT_EQ(PlaylistCaptions(), captions);

    columns.TagColumnsAction()->trigger();
    ASSERT_EQ(model.columnCount(), TPlaylistModel::kColumnCount);
    EXPECT_EQ(model.headerData(TPlaylistModel::kTrack, Qt::Horizontal).toString(), QStringLiteral("Track"));
    // Still in caption order; the ID3v1 values stand where ID3v2 has none.
    EXPECT_EQ(column(TPlaylistModel::kTitle), (std::vector<std::string>{"Solo", "Old", "Ten", "Two", "Later"}));
    EXPECT_EQ(column(TPlaylistModel::kNumber), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(column(TPlaylistModel::kYear)[1], "1990");

    // Numbers sort as numbers; a second click turns the order round.
    columns.HeaderClicked(TPlaylistModel::kTrack);
    EXPECT_EQ(column(TPlaylistModel::kTrack), (std::vector<std::string>{"", "1", "2", "7", "10"}));
    columns.HeaderClicked(TPlaylistModel::kTrack);
    EXPECT_EQ(column(TPlaylistModel::kTrack), (std::vector<std::string>{"10", "7", "2", "1", ""}));
    columns.HeaderClicked(TPlaylistModel::kArtist);
    EXPECT_EQ(column(TPlaylistModel::kArtist), (std::vector<std::string>{"Aaron", "Band", "Band", "Band", "Guest"}));
    columns.HeaderClicked(TPlaylistModel::kFileName);
    EXPECT_EQ(column(TPlaylistModel::kFileName)[0], "d1t10.mp3");

    // Album order: album artist or artist, album, disc, track, file name.
    columns.SortByAlbumAction()->trigger();
    EXPECT_EQ(column(TPlaylistModel::kTitle), (std::vector<std::string>{"Solo", "Old", "Two", "Ten", "Later"}));
    // A tag change re-sorts by the chosen order; files added later join it.
    WriteFile(dir.file("d1t1.mp3"), Id3v2TagOfFrames(3, {{"TPE1", "Band"}, {"TIT2", "One"}, {"TALB", "Live"},
                                                         {"TPOS", "1"}, {"TRCK", "1"}}) + AudioBytes(1500));
    playlist().AddFilesToPlaylist({dir.file("d1t1.mp3")});
    EXPECT_EQ(column(TPlaylistModel::kTitle), (std::vector<std::string>{"Solo", "Old", "One", "Two", "Ten", "Later"}));

    // Length and bitrate come from the audio (a sparse hour of 128 kbit/s
    // frames) and sort as numbers; the hover panel shows them too.
    const std::string hour = dir.file("hour.mp3");
    WriteFile(hour, AudioBytes(4180));
    ASSERT_EQ(::truncate(hour.c_str(), 60'000'000), 0);
    playlist().AddFilesToPlaylist({hour});
    columns.HeaderClicked(TPlaylistModel::kLength);
    columns.HeaderClicked(TPlaylistModel::kLength);
    EXPECT_EQ(column(TPlaylistModel::kLength).front(), "1:02:30");
    EXPECT_EQ(column(TPlaylistModel::kBitrate).front(), "128 kbps");
    EXPECT_EQ(column(TPlaylistModel::kLength).back(), "0:00");
    TSongsListView* list = playlist().songsListView();
    playlist().songsListViewInfoTip(list->viewport()->mapToGlobal(list->visualRect(model.index(0, 1)).center()));
    EXPECT_EQ(playlist().panSongsHint()->labSongLength()->text(), QStringLiteral("1:02:30"));
    EXPECT_EQ(playlist().panSongsHint()->labSongBitrate()->text(), QStringLiteral("128 kbps"));
    columns.SortByAlbumAction()->trigger();

    // The choices are kept with the settings and come back in a new window.
    columns.KeepChoices();
    EXPECT_TRUE(options::playlistTagColumns);
    EXPECT_EQ(options::playlistOrder, "album");
    columns.SortByCaptionAction()->trigger();
    columns.TagColumnsAction()->trigger();
    EXPECT_EQ(model.columnCount(), 1);
    EXPECT_EQ(PlaylistCaptions().front(), "Aaron - Solo");
    options::playlistTagColumns = true;
    options::playlistOrder = "column 4 descending";
    TPlaylistModel other;
    TtmtListView view;
    view.setModel(&other);
    TPlaylistColumns restored(other, view, nullptr);
    EXPECT_TRUE(other.TagColumns());
    EXPECT_EQ(other.CurrentOrder(), TPlaylistModel::Order::Column);
    EXPECT_EQ(other.OrderColumn(), TPlaylistModel::kTrack);
    EXPECT_TRUE(other.OrderDescending());
    options::SetDefaultOptionValues();
}
