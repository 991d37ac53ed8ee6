// Keys and focus of the main window as a user meets them: the menus open
// from the keyboard and every item has its access letter, the keys of the
// context menus follow the selection, Escape in the drive box keeps the
// folder shown, the window gets the keys back after the windows of long
// operations, and closing waits for a copy run to stop or a wizard's run to
// end.

#include "mainwindowfixture.h"

#include "tfilebrowserpane.h"
#include "tfilesmodel.h"
#include "tfrmmain.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include "longoperation.h"
#include "mainwindowregistry.h"
#include "progresswindows.h"
#include "tfrmcopymoveprogress.h"

#include "accessletters.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using Kind = ScriptedPrompts::Kind;

TEST_F(MainWindowTest, CommandKeysFollowTheSelectionWithoutOpeningAMenu)
{
    MakeDir(dir.file("keep"));
    for (const char* f : {"a.mp3", "b.mp3"}) {
        MakeMp3(dir.file(f));
        playlist().AddFileToPlaylist(dir.file(f));
    }
    ASSERT_TRUE(browser().ShowFolder(dir.path() + "/"));

    // Delete in the file list asks at once, the list's menu never opened.
    browser().filesView()->setFocus();
    SelectBrowserRows({BrowserRowOf("keep")});
    prompts.expect(Kind::YesNoCancel, PromptAnswer::Cancel);
    QTest::keyClick(browser().filesView(), Qt::Key_Delete);
    EXPECT_EQ(prompts.count(Kind::YesNoCancel), 1);
    // Nothing selected: Delete does nothing.
    SelectBrowserRows({});
    QTest::keyClick(browser().filesView(), Qt::Key_Delete);
    EXPECT_EQ(prompts.count(Kind::YesNoCancel), 1);
    EXPECT_TRUE(Exists(dir.file("keep")));

    // The playlist's menu last opened with two rows selected; one row now:
    // Return plays it.
    TPlaylistPane& p = playlist();
    QSignalSpy plays(p.PlayFile1, &QAction::triggered);
    QSignalSpy copies(p.mnuCopyselectedsongs1, &QAction::triggered);
    SelectPlaylistRows({0, 1});
    p.mnuSongPopup();
    SelectPlaylistRows({1});
    p.songsListView()->setFocus();
    QTest::keyClick(p.songsListView(), Qt::Key_Return);
    EXPECT_EQ(plays.count(), 1);
    // The menu's rules hold for the keys: Return with two rows, F5 with none
    // do nothing; a row removed from a selection of two enables Return.
    SelectPlaylistRows({0, 1});
    QTest::keyClick(p.songsListView(), Qt::Key_Return);
    EXPECT_EQ(plays.count(), 1);
    SelectPlaylistRows({});
    QTest::keyClick(p.songsListView(), Qt::Key_F5);
    EXPECT_EQ(copies.count(), 0);
    SelectPlaylistRows({0, 1});
    p.model()->removeRows(0, 1);
    QTest::keyClick(p.songsListView(), Qt::Key_Return);
    EXPECT_EQ(plays.count(), 2);
}

TEST_F(MainWindowTest, EscapeInTheDriveBoxKeepsTheFolderShown)
{
    MakeDir(dir.file("sub"));
    const std::string shown = dir.file("sub/");
    // Whether the box's focus comes back from its list or with the window's
    // activation, and whenever the window system delivers it.
    for (Qt::FocusReason reason : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason}) {
        ASSERT_TRUE(browser().ShowFolder(shown));
        browser().filesView()->setFocus();
        QTest::keyClick(browser().filesView(), Qt::Key_F2, Qt::AltModifier);
        ASSERT_TRUE(browser().driveBox()->IsPopupOpen());
        const int entry = browser().driveBox()->currentIndex();
        QTest::keyClick(browser().driveBox()->view(), Qt::Key_Escape);
        EXPECT_FALSE(browser().driveBox()->IsPopupOpen());
        QFocusEvent back(QEvent::FocusIn, reason);
        QApplication::sendEvent(browser().driveBox(), &back);
        QApplication::processEvents();
        EXPECT_EQ(browser().CurrentDir(), shown) << reason;
        EXPECT_EQ(browser().driveBox()->currentIndex(), entry);
        EXPECT_TRUE(browser().filesView()->hasFocus());
    }
    EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(MainWindowTest, TheWindowGetsTheKeysBackAfterALongOperation)
{
    SetMainWindow(frm.get());
    ProgressWindows windows;
    playlist().songsListView()->setFocus();
    const auto keysAreBack = [this] {
        return QTest::qWaitFor([this] {
            return QApplication::activeWindow() == frm.get()
                   && QApplication::focusWidget() == playlist().songsListView();
        }, 1000);
    };
    for (int round = 0; round < 3; ++round) {
        if (round == 0) {
            BeginWait();
            QApplication::processEvents();
            EndWait();
        } else if (round == 1) {
            BeginDeleteProgress();
            QApplication::processEvents();
            EndDeleteProgress();
        } else {
            ShowProgress(3, QStringLiteral("Removing tags ..."));
            QApplication::processEvents();
            CloseProgress();
        }
        EXPECT_TRUE(keysAreBack()) << "round " << round;
    }
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, ClosingDuringACopyStopsTheCopyThenCloses)
{
    SetMainWindow(frm.get());
    MakeDir(dir.file("to"));
    for (int i = 0; i < 100; ++i) {
        const std::string file = dir.file("s" + std::to_string(i) + ".mp3");
        WriteFile(file, AudioBytes(4096));
        playlist().AddFileToPlaylist(file);
    }
    playlist().mnuSelectAll1Click();
    int closes = 0;
    frm->SetCloseHandler([&] { ++closes; });
    // The user closes the main window once the copy window is up.
    bool closedDuringRun = true;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (qobject_cast<TfrmCopyMoveProgress*>(w) && w->isVisible()) {
                user.stop();
                closedDuringRun = frm->close();
            }
        }
    });
    user.start(0);
    const int copied = RunCopyMove(prompts, *playlist().model(), *playlist().songsListView()->selectionModel(),
                                   false, dir.file("to/"));
    EXPECT_FALSE(closedDuringRun); // refused while the copy ran...
    EXPECT_EQ(closes, 0);
    EXPECT_LT(copied, 100);        // ...which stopped at Cancel
    EXPECT_TRUE(frm->isVisible());
    // ...and the window closes as usual once the run has ended.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frm->isVisible(); }, 2000));
    EXPECT_EQ(closes, 1);
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, ClosingDuringARunThatCannotStopWaitsForItsEnd)
{
    // A wizard's renaming run: never broken off halfway, so the window
    // stays until the run has ended, then closes by itself.
    int closes = 0;
    frm->SetCloseHandler([&] { ++closes; });
    frm->show();
    {
        const LongOperation run;
        EXPECT_FALSE(frm->close());
        QTest::qWait(200);
        EXPECT_TRUE(frm->isVisible());
        EXPECT_EQ(closes, 0);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frm->isVisible(); }, 2000));
    EXPECT_EQ(closes, 1);
}

TEST_F(MainWindowTest, EveryMenuItemHasItsOwnAccessLetterAndKeepsItsCaption)
{
    QMenuBar* bar = frm->menuBar();
    const QList<QAction*> top = bar->actions();
    ASSERT_EQ(top.size(), 4);
    const QMenu* removeTags = playlist().Removemp3tags1->menu();
    ASSERT_NE(removeTags, nullptr);
    // The undo item names the last change, if a test before made one.
    const QString undo = WithoutAccessMarker(frm->Undolastchange1->text());
    EXPECT_TRUE(undo == QStringLiteral("Undo last change") || undo.startsWith(QStringLiteral("Undo: ")))
        << undo.toStdString();
    const std::vector<std::pair<QList<QAction*>, QStringList>> menus = {
        {top, {"File", "Tools", "View", "Help"}},
        {top[0]->menu()->actions(), {"Add single file ...", "Add directory ...", "Open playlist ...", "Save playlist as ...", "Jump to file ...", "Exit"}},
        {top[1]->menu()->actions(),
         {"Rename files from mp3 tags ...", "Set mp3 Tags from file names ...", "Tag actions ...",
          "Look up album online ...", undo,
          "Preferences ..."}},
        {top[2]->menu()->actions(), {"Tag columns", "Sort by caption", "Sort by album"}},
        {top[3]->menu()->actions(), {"Report a bug", "About"}},
        {frm->mnuAdd->actions(), {"Add file(s) ...\tCtrl+O", "Add directory ...\tCtrl+Shift+O"}},
        {frm->mnuRemove->actions(),
         {"Clear play list", "Remove selected items from playlist\tDelete",
          "Delete selected files physicaly\tCtrl+Delete"}},
        {playlist().mnuSong()->actions(),
         {"Play File", "Copy selected songs to ...", "Move selected songs to ...", "Select All", "Rename File",
          "Change mp3 tag(s) ...", "Remove mp3 tags", "View"}},
        {removeTags->actions(), {"ID3 v1", "ID3 v2", "All Tags"}},
        {browser().mnuFiles()->actions(), {"Create new directory", "Delete", "Quick search"}},
    };
    for (const auto& [items, captions] : menus) {
        QStringList shown;
        for (const QAction* item : items) {
            if (!item->isSeparator())
                shown << WithoutAccessMarker(item->text());
        }
        EXPECT_EQ(shown, captions);
        EXPECT_EQ(AccessLetterFaults(items), AccessFaults()) << captions.join(", ").toStdString();
    }
}

TEST_F(MainWindowTest, F10AndAltWithAnAccessLetterOpenTheMenus)
{
    QMenuBar* bar = frm->menuBar();
    QMenu* file = bar->actions().at(0)->menu();
    QMenu* tools = bar->actions().at(1)->menu();
    const auto closeMenus = [&] {
        while (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
    };

    // From the quick search's text field and from the playlist alike.
    browser().Quicksearch1Click();
    ASSERT_TRUE(browser().edtSearchFiles()->isVisible());
    for (QWidget* from : std::initializer_list<QWidget*>{browser().edtSearchFiles(), playlist().songsListView()}) {
        from->setFocus();
        QTest::keyClick(from, Qt::Key_F10);
        EXPECT_EQ(bar->activeAction(), bar->actions().at(0));
        EXPECT_TRUE(file->isVisible());
        closeMenus();
        EXPECT_FALSE(file->isVisible());
    }

    browser().filesView()->setFocus();
    QTest::keyClick(browser().filesView(), Qt::Key_T, Qt::AltModifier);
    EXPECT_EQ(bar->activeAction(), bar->actions().at(1));
    EXPECT_TRUE(tools->isVisible());
    closeMenus();
    // Shift+F10 is no menu bar key.
    QTest::keyClick(browser().filesView(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_FALSE(file->isVisible());
}
