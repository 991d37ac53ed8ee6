// Copy, move and delete of playlist files as the main window runs them.

#include "mainwindowfixture.h"

#include "mainwindowregistry.h"
#include "tfilebrowserpane.h"
#include "tfrmcopymoveconfirm.h"
#include "tfrmmain.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using Kind = ScriptedPrompts::Kind;

// Presses `key` in the playlist and answers the confirmation with `folder`.
void RunWithDestination(QWidget* view, Qt::Key key, const QString& folder, QString* caption)
{
    QTimer::singleShot(0, [&] {
        auto* frm = qobject_cast<TfrmCopyMoveConfirm*>(QApplication::activeModalWidget());
        ASSERT_NE(frm, nullptr);
        *caption = frm->windowTitle() + QLatin1Char('|') + frm->edtDestPath->text();
        frm->edtDestPath->setText(folder);
        frm->btnOK->click();
    });
    QTest::keyClick(view, key);
    // The playlist has the keys again once the window is active.
    EXPECT_TRUE(QTest::qWaitForWindowActive(view->window()));
    EXPECT_TRUE(view->hasFocus());
}

TEST_F(MainWindowTest, CopyMoveAndDeleteRunFromThePlaylistAndRefreshTheBrowser)
{
    SetMainWindow(frm.get());
    MakeDir(dir.file("music"));
    MakeDir(dir.file("shown"));
    MakeDir(dir.file("shown/moved"));
    for (const char* name : {"music/a.mp3", "music/b.mp3"}) {
        MakeMp3(dir.file(name));
        playlist().AddFileToPlaylist(dir.file(name));
    }
    const std::string shown = dir.file("shown/");
    ASSERT_TRUE(browser().ShowFolder(shown));
    SelectPlaylistRows({0, 1});
    QWidget* view = playlist().songsListView();
    view->setFocus();

    // F5 copies into the shown folder, which is listed again afterwards.
    QString caption;
    RunWithDestination(view, Qt::Key_F5, QString::fromStdString(shown), &caption);
    EXPECT_EQ(caption, QStringLiteral("Copy files confirmation|") + QString::fromStdString(shown));
    EXPECT_EQ(BrowserCaptions(), (std::vector<std::string>{"..", "moved", "a", "b"}));
    EXPECT_EQ(playlist().Count(), 2);

    // F6 moves into a folder named relative to the shown one.
    RunWithDestination(view, Qt::Key_F6, QStringLiteral("moved"), &caption);
    EXPECT_TRUE(caption.startsWith(QStringLiteral("Move files confirmation|")));
    EXPECT_EQ(playlist().Count(), 0);
    EXPECT_TRUE(Exists(dir.file("shown/moved/a.mp3")));
    EXPECT_FALSE(Exists(dir.file("music/a.mp3")));
    EXPECT_TRUE(frm->isEnabled());

    // Ctrl+Delete deletes the selected file from the disk and its row.
    playlist().AddFileToPlaylist(dir.file("shown/a.mp3"));
    SelectPlaylistRows({0});
    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    QTest::keyClick(view, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(playlist().Count(), 0);
    EXPECT_FALSE(Exists(dir.file("shown/a.mp3")));
    SetMainWindow(nullptr);
}

TEST_F(MainWindowTest, RenameFileIsUndoneAndTheRowTakesTheOldNameAgain)
{
    const std::string song = dir.file("Song.mp3");
    MakeMp3(song);
    playlist().AddFileToPlaylist(song);
    SelectPlaylistRows({0});
    // A cancelled rename records nothing.
    const QString before = frm->Undolastchange1->text();
    prompts.expectInput(std::nullopt);
    playlist().mnuRenameFile1Click();
    EXPECT_EQ(frm->Undolastchange1->text(), before);

    prompts.expectInput(QStringLiteral("New"));
    QTest::keyClick(playlist().songsListView(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"New.mp3"}));
    EXPECT_EQ(frm->Undolastchange1->text(), QStringLiteral("&Undo: rename of 1 file"));
    EXPECT_TRUE(frm->Undolastchange1->isEnabled());

    prompts.expect(Kind::YesNo, PromptAnswer::Yes);
    frm->Undolastchange1->trigger();
    EXPECT_EQ(prompts.texts(Kind::YesNo).back(),
              QStringLiteral("Do you really want to undo the last change (rename of 1 file)?"));
    EXPECT_TRUE(Exists(song));
    EXPECT_FALSE(Exists(dir.file("New.mp3")));
    EXPECT_EQ(PlaylistCaptions(), (std::vector<std::string>{"Song.mp3"}));
    EXPECT_TRUE(playlist().IsInPlaylist(song));
    EXPECT_EQ(prompts.count(Kind::Error), 0);
}

} // namespace
