// Keys and focus of the main window as a user meets them: the keys of the
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

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QItemSelectionModel>
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
