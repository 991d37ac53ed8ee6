// The frame and the file browser pane driven in-process: order, navigation,
// quick search, folders created and deleted, keys and resizing.

#include "mainwindowfixture.h"

#include "tfilebrowserpane.h"
#include "tfilesmodel.h"
#include "tfrmmain.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include "mainwindowregistry.h"
#include "optionvalues.h"
#include "progresswindows.h"
#include "skinmanager.h"
#include "tfrmwait.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <cstdlib>

using Kind = ScriptedPrompts::Kind;

TEST_F(MainWindowTest, FrameCaptionsMenusAndStartFolder)
{
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("Orvanel Soft - Tunevault v.1.0"));
    EXPECT_EQ(frm->Addsinglefile1->text(), QStringLiteral("&Add single file ..."));
    EXPECT_EQ(frm->Addsinglefile1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(frm->Adddirectory1->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    EXPECT_EQ(frm->mnuSearchItem->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(frm->btntbSearch->toolTip(), QStringLiteral("Jump to file (F3 or J)"));
    EXPECT_EQ(playlist().mnuRenameFile1->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F6));
    EXPECT_EQ(browser().actCreateDirectory()->shortcut(), QKeySequence(Qt::Key_F7));
    // Empty playlist: the search button and the playlist-wide commands are off.
    EXPECT_FALSE(frm->btntbSearch->isEnabled());
    EXPECT_FALSE(frm->Clearplaylist1->isEnabled());
    EXPECT_FALSE(frm->BatchfilesRename1->isEnabled());
    // Started at the first drive, "/", without a ".." row.
    EXPECT_EQ(browser().CurrentDir(), "/");
    EXPECT_EQ(BrowserRowOf(".."), -1);
    EXPECT_EQ(browser().driveBox()->itemData(0).toByteArray(), QByteArray("/"));
    EXPECT_TRUE(browser().driveBox()->itemText(0).startsWith(QStringLiteral("/: ")));
    EXPECT_FALSE(browser().labTotalBytes()->text().isEmpty());
}

TEST_F(MainWindowTest, AddDialogsStartInTheBrowsersFolderThenInTheLastOnePicked)
{
    MakeDir(dir.file("shown"));
    MakeDir(dir.file("picked"));
    MakeMp3(dir.file("picked/a.mp3"));
    ASSERT_TRUE(browser().ShowFolder(dir.file("shown/")));
    prompts.expectFolder(std::nullopt).expectOpenFiles({dir.file("picked/a.mp3")}).expectFolder(std::nullopt);
    playlist().submAddDirClick();
    playlist().submAddSingleFileClick();
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
    playlist().submAddDirClick();
    const auto& shown = prompts.shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].startFolder, dir.file("shown/"));
    EXPECT_EQ(shown[1].startFolder, dir.file("shown/"));
    EXPECT_EQ(shown[2].startFolder, dir.file("picked/"));
}

TEST_F(MainWindowTest, ReportABugWithoutAMailProgramShowsTheAddress)
{
    QUrl opened;
    bool mailProgram = true;
    frm->SetMailOpener([&](const QUrl& url) {
        opened = url;
        return mailProgram;
    });
    frm->Reportabug1->trigger();
    EXPECT_TRUE(opened.toString().startsWith(QStringLiteral("mailto:support@")));
    EXPECT_TRUE(prompts.shown().empty());
    mailProgram = false;
    frm->Reportabug1->trigger();
    ASSERT_EQ(prompts.count(Kind::Information), 1);
    EXPECT_TRUE(prompts.texts(Kind::Information)[0].endsWith(opened.path()));
}

TEST_F(MainWindowTest, StartsInTheMusicFolderThenWhereTheLastCloseLeftIt)
{
    // A home of the test's own for the folders the desktop names.
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    MakeDir(dir.file("home"));
    qputenv("HOME", QByteArray::fromStdString(dir.file("home")));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.file("home/.config")));

    frm->ShowStartFolder(""); // no music folder: home
    EXPECT_EQ(browser().CurrentDir(), dir.file("home/"));
    MakeDir(dir.file("home/Music"));
    frm->ShowStartFolder("");
    EXPECT_EQ(browser().CurrentDir(), dir.file("home/Music/"));
    EXPECT_TRUE(browser().CurrentDir().starts_with(browser().driveBox()->currentData().toByteArray().toStdString()));
    // A folder gone since: its nearest existing parent.
    frm->ShowStartFolder(dir.file("home/gone/deeper/"));
    EXPECT_EQ(browser().CurrentDir(), dir.file("home/"));

    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", config);
    if (config.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    // Closing keeps the folder shown for the next start.
    frm->close();
    EXPECT_EQ(options::browserFolder, dir.file("home/"));
    options::SetDefaultOptionValues();
}

TEST_F(MainWindowTest, BrowserOrderAndGoingUpSelectsTheFolderLeft)
{
    WriteFile(dir.file("b.MP3"), "x");
    WriteFile(dir.file("A.txt"), "x");
    MakeDir(dir.file("zz"));
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
    EXPECT_EQ(BrowserCaptions(), (std::vector<std::string>{"..", "zz", "A", "b"}));
    const TFilesModel* m = browser().filesModel();
    EXPECT_EQ(m->RowAt(2).extension, QStringLiteral("txt"));
    EXPECT_EQ(m->RowAt(2).stateIndex, 3);
    EXPECT_EQ(m->RowAt(3).extension, QStringLiteral("mp3"));
    EXPECT_EQ(m->RowAt(3).stateIndex, 2);
    EXPECT_EQ(m->RowAt(1).stateIndex, 1);
    EXPECT_EQ(m->RowAt(0).stateIndex, 0);
    EXPECT_EQ(browser().panCurrDirectory()->text().toStdString(), dir.path() + "/");

    MakeDir(dir.file("Music"));
    MakeDir(dir.file("Music/Rock"));
    MakeDir(dir.file("Music/Jazz"));
    ASSERT_TRUE(browser().ShowFolder(dir.file("Music/Rock/")));
    browser().OpenFolderEntry("..");
    EXPECT_EQ(browser().CurrentDir(), dir.file("Music/"));
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{"Rock"}));
    // Going down selects the first row.
    browser().OpenFolderEntry("Jazz");
    EXPECT_EQ(browser().CurrentDir(), dir.file("Music/Jazz/"));
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{".."}));
    // Backspace in the list goes up one level.
    browser().filesView()->setFocus();
    QTest::keyClick(browser().filesView(), Qt::Key_Backspace);
    EXPECT_EQ(browser().CurrentDir(), dir.file("Music/"));
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{"Jazz"}));
    // Enter on a folder row opens it; files are not opened.
    SelectBrowserRows({BrowserRowOf("Rock")});
    QTest::keyClick(browser().filesView(), Qt::Key_Return);
    EXPECT_EQ(browser().CurrentDir(), dir.file("Music/Rock/"));

    // A folder that cannot be listed: the error box, the old listing stays.
    const auto before = BrowserCaptions();
    EXPECT_FALSE(browser().ShowFolder(dir.file("gone/")));
    EXPECT_EQ(browser().CurrentDir(), dir.file("Music/Rock/"));
    EXPECT_EQ(BrowserCaptions(), before);
    EXPECT_EQ(prompts.texts(Kind::Error),
              QStringList{QStringLiteral("No such file or directory\r\n") + QString::fromStdString(dir.file("gone/"))});
    // A vanished current folder cannot be entered from its ".." either.
    MakeDir(dir.file("Music/Rock/Sub"));
    browser().RefreshFolder();
    ASSERT_EQ(std::system(("rm -rf '" + dir.file("Music/Rock/Sub") + "'").c_str()), 0);
    browser().OpenFolderEntry("Sub");
    EXPECT_EQ(browser().CurrentDir(), dir.file("Music/Rock/"));
}

TEST_F(MainWindowTest, QuickSearchSelectsByTypedPrefix)
{
    MakeDir(dir.file("Alpha"));
    WriteFile(dir.file("alpine.txt"), "x");
    WriteFile(dir.file("Beta"), "x");
    WriteFile(dir.file("jazz.mp3"), "x");
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
    browser().filesView()->setFocus();
    browser().Quicksearch1Click();
    QLineEdit* edit = browser().edtSearchFiles();
    EXPECT_TRUE(browser().panSearch()->isVisible());
    EXPECT_TRUE(edit->hasFocus());

    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{"Alpha"}));
    QTest::keyClicks(edit, QStringLiteral("lpi"));
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{"alpine"}));
    EXPECT_EQ(edit->text(), QStringLiteral("alpi"));
    QTest::keyClick(edit, Qt::Key_X);
    EXPECT_TRUE(BrowserSelection().empty());
    EXPECT_EQ(edit->text(), QStringLiteral("alpi"));
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_EQ(edit->text(), QStringLiteral("alpi"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("alp"));

    // J goes into the search, not to the jump window.
    edit->clear();
    QTest::keyClick(edit, Qt::Key_J);
    EXPECT_EQ(edit->text(), QStringLiteral("j"));
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{"jazz"}));

    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(browser().panSearch()->isVisible());
    EXPECT_TRUE(browser().filesView()->hasFocus());
}

TEST_F(MainWindowTest, CreateAndDeleteFolders)
{
    MakeDir(dir.file("old"));
    WriteFile(dir.file("old/inner.mp3"), "x");
    WriteFile(dir.file("z.txt"), "x");
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));

    prompts.expectInput(QStringLiteral("Fresh/"));
    browser().Createnewdirectory1Click();
    EXPECT_EQ(prompts.shown().back().title, QStringLiteral("new directory"));
    EXPECT_EQ(prompts.shown().back().text, QStringLiteral("Enter"));
    EXPECT_TRUE(Exists(dir.file("Fresh")));
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{"Fresh"}));
    // An existing name: the system's text only.
    prompts.expectInput(QStringLiteral("Fresh"));
    browser().Createnewdirectory1Click();
    EXPECT_EQ(prompts.texts(Kind::Error), QStringList{QStringLiteral("File exists")});
    prompts.expectInput(std::nullopt);
    browser().Createnewdirectory1Click();

    // Delete: declined changes nothing.
    SelectBrowserRows({BrowserRowOf("old")});
    prompts.expect(Kind::YesNoCancel, PromptAnswer::No);
    browser().mnuDeleteFilesClick();
    EXPECT_TRUE(Exists(dir.file("old/inner.mp3")));
    EXPECT_EQ(prompts.texts(Kind::YesNoCancel).back(),
              QStringLiteral("Do you really want to delete the 1 selected files/directories ?"));
    // Confirmed: the tree goes, the row at the same place is selected.
    // The keys go on to the list, on that row, from wherever they were.
    SetMainWindow(frm.get());
    browser().filesView()->clearFocus();
    prompts.expect(Kind::YesNoCancel, PromptAnswer::Yes);
    browser().mnuDeleteFilesClick();
    EXPECT_FALSE(Exists(dir.file("old")));
    EXPECT_EQ(BrowserCaptions(), (std::vector<std::string>{"..", "Fresh", "z"}));
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{"z"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return browser().filesView()->hasFocus(); }));
    EXPECT_EQ(browser().filesView()->currentIndex().row(), BrowserRowOf("z"));
    // Deleting the last row selects the new last row.
    prompts.expect(Kind::YesNoCancel, PromptAnswer::Yes);
    browser().mnuDeleteFilesClick();
    EXPECT_FALSE(Exists(dir.file("z.txt")));
    EXPECT_EQ(BrowserSelection(), (std::vector<std::string>{"Fresh"}));
    EXPECT_TRUE(frm->isEnabled());
    SetMainWindow(nullptr);

    // The menu shows "Delete" only with a selection.
    SelectBrowserRows({});
    browser().mnuFilesPopup();
    EXPECT_FALSE(browser().actDelete()->isVisible());
    SelectBrowserRows({1});
    browser().mnuFilesPopup();
    EXPECT_TRUE(browser().actDelete()->isVisible());
    EXPECT_TRUE(browser().actDelete()->isEnabled());
}

TEST_F(MainWindowTest, DeleteKeysReachThePlaylistOnlyWhenItHasTheFocus)
{
    for (const char* f : {"a.mp3", "b.mp3"}) {
        MakeMp3(dir.file(f));
        playlist().AddFileToPlaylist(dir.file(f));
    }
    MakeDir(dir.file("keep"));
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
    SelectPlaylistRows({0});

    // In the file list Delete is the list's own command (its question).
    SelectBrowserRows({BrowserRowOf("keep")});
    browser().mnuFilesPopup();
    browser().filesView()->setFocus();
    prompts.expect(Kind::YesNoCancel, PromptAnswer::Cancel);
    QTest::keyClick(browser().filesView(), Qt::Key_Delete);
    EXPECT_EQ(prompts.count(Kind::YesNoCancel), 1);
    EXPECT_EQ(playlist().Count(), 2);
    EXPECT_TRUE(Exists(dir.file("keep")));

    // Ctrl+Delete in the playlist: the physical deletion asks; No keeps
    // every file and row.
    playlist().songsListView()->setFocus();
    prompts.expect(Kind::YesNo, PromptAnswer::No);
    QTest::keyClick(playlist().songsListView(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(prompts.texts(Kind::YesNo),
              QStringList{"Warning: You are going to delete 1 files. Are you sure?"});
    EXPECT_EQ(playlist().Count(), 2);
    // Delete in the playlist removes the selected rows.
    QTest::keyClick(playlist().songsListView(), Qt::Key_Delete);
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"b.mp3"}));

    // J opens the jump-to-file window; closing it changes nothing.
    bool jumpWindowShown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            jumpWindowShown = window->objectName() == QStringLiteral("fSearch");
            window->close();
        }
    });
    QTest::keyClick(playlist().songsListView(), Qt::Key_J);
    QApplication::processEvents();
    EXPECT_TRUE(jumpWindowShown);
    frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == frm.get(); }));
    EXPECT_EQ(playlist().Count(), 1);
    // Alt+F2 moves the focus to the drive box.
    QTest::keyClick(playlist().songsListView(), Qt::Key_F2, Qt::AltModifier);
    EXPECT_TRUE(browser().driveBox()->IsPopupOpen());
    // Escape in the drive box: the drive selected before comes back, the
    // focus goes to the file list and nothing is listed.
    const std::string current = browser().CurrentDir();
    QTest::keyClick(browser().driveBox(), Qt::Key_Escape);
    browser().driveBox()->setCurrentIndex(browser().driveBox()->count() - 1);
    browser().driveBox()->hidePopup();
    EXPECT_FALSE(browser().driveBox()->IsPopupOpen());
    // The close-up is handled once the box has taken the chosen entry.
    QApplication::processEvents();
    EXPECT_TRUE(browser().CurrentDir().starts_with(browser().driveBox()->currentData().toByteArray().toStdString()));
    EXPECT_EQ(browser().CurrentDir(), current);
    EXPECT_TRUE(browser().filesView()->hasFocus());
    // Closing the list without Escape lists the chosen drive's root.
    browser().OpenDriveBox();
    browser().driveBox()->hidePopup();
    QApplication::processEvents();
    EXPECT_EQ(browser().CurrentDir(), "/");
}

TEST_F(MainWindowTest, ClosingReportsSettingsThatCouldNotBeSaved)
{
    int saves = 0;
    int closes = 0;
    frm->SetSettingsSaver([&](std::string& reason) {
        ++saves;
        reason = "Read-only file system";
        return false;
    });
    frm->SetCloseHandler([&] { ++closes; });
    EXPECT_TRUE(frm->close());
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(prompts.texts(Kind::Error),
              QStringList{QStringLiteral("The settings could not be saved.\r\nRead-only file system")});

    // Saved: nothing is shown.
    prompts.clearShown();
    frm->show();
    frm->SetSettingsSaver([](std::string&) { return true; });
    EXPECT_TRUE(frm->close());
    EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(MainWindowTest, ClosingDuringAFolderScanCancelsTheScanThenCloses)
{
    // Three folders of 120 files: the wait window shows progress inside a
    // folder, so the scan hears the cancel before it reaches the next one.
    for (const char* folder : {"a", "b", "c"}) {
        MakeDir(dir.file(folder));
        for (int i = 0; i < 120; ++i)
            WriteFile(dir.file(folder) + "/" + std::to_string(i) + ".mp3", AudioBytes(418));
    }
    SetMainWindow(frm.get());
    ProgressWindows windows;
    int closes = 0;
    frm->SetCloseHandler([&] { ++closes; });
    bool closedDuringScan = true;
    bool waitWasModal = false;
    // The user closes the window once the wait window shows a file inside
    // the first folder.
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (!windows.wait().lPath->text().endsWith(QStringLiteral(".mp3")))
            return;
        user.stop();
        waitWasModal = windows.wait().isVisible() && windows.wait().isModal()
                       && windows.wait().parentWidget() == frm.get();
        closedDuringScan = frm->close();
    });
    user.start(0);
    prompts.expectFolder(dir.path());
    playlist().submAddDirClick();
    EXPECT_TRUE(waitWasModal);
    EXPECT_FALSE(closedDuringScan);   // refused while the scan ran...
    EXPECT_EQ(closes, 0);
    EXPECT_GT(playlist().Count(), 0);
    EXPECT_LT(playlist().Count(), 120); // ...which stopped within the first folder
    EXPECT_TRUE(frm->isVisible());
    // ...and the window closes as usual once the scan has ended.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frm->isVisible(); }, 2000));
    EXPECT_EQ(closes, 1);
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, EveryWindowResizeSplitsThePanesEvenly)
{
    frm->resize(834, 666);
    QApplication::processEvents();
    QSplitter* s = frm->splitter1();
    s->setSizes({200, s->width() - s->handleWidth() - 200});
    frm->resize(1034, 666);
    QApplication::processEvents();
    const QList<int> sizes = s->sizes();
    ASSERT_EQ(sizes.size(), 2);
    EXPECT_LE(std::abs(sizes[0] - sizes[1]), 1);
    EXPECT_EQ(sizes[0], (s->width() - s->handleWidth()) / 2);
    EXPECT_EQ(s->handleWidth(), 7);
}

TEST_F(MainWindowTest, Snapshot)
{
    // TV_SNAPSHOT=/path/file.png saves a picture of the main window with a
    // sample playlist and a listed folder, for reviewing the look.
    const char* out = std::getenv("TV_SNAPSHOT");
    if (!out)
        GTEST_SKIP() << "set TV_SNAPSHOT to a PNG path to save a picture";
    MakeDir(dir.file("Albums"));
    MakeDir(dir.file("Singles"));
    const char* songs[][2] = {{"Nina Simone", "Feeling Good"}, {"Miles Davis", "So What"},
                              {"The Beatles", "Let It Be"}, {"", ""}, {"Aretha Franklin", "Respect"}};
    int i = 0;
    for (const auto& s : songs) {
        const std::string f = dir.file("track" + std::to_string(++i) + ".mp3");
        MakeMp3(f, s[0], s[1]);
        playlist().AddFileToPlaylist(f);
    }
    WriteFile(dir.file("cover.jpg"), "x");
    WriteFile(dir.file("notes.txt"), "x");
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));
    playlist().model()->SetChecked(1, true);
    SelectPlaylistRows({2});
    SelectBrowserRows({2});
    if (const char* skin = std::getenv("TV_SNAPSHOT_SKIN")) {
        frm->skins().SetSkinName(QString::fromUtf8(skin));
        frm->skins().Activate();
    }
    playlist().songsListView()->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(frm->grab().save(QString::fromLocal8Bit(out)));
}
