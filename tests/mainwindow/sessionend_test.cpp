// Every way of ending a session keeps what the window keeps at its close:
// Exit, and the signals of a logout, a shutdown or Ctrl+C, also while a
// modal window is open.
#include "filefixtures.h"
#include "mainwindowfixture.h"

#include "terminationsignals.h"
#include "tfrmmain.h"
#include "tplaylistpane.h"

#include <QAction>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <csignal>

TEST_F(MainWindowTest, ExitAndTerminationSignalsCloseTheWindowAsItsCloseButtonDoes)
{
    const std::string song = dir.file("song.mp3");
    MakeMp3(song, "Artist", "Title");
    playlist().AddFilesToPlaylist({song});
    const std::string playlistFile = dir.file("state/playlist.m3u8");
    frm->SetPlaylistFile(playlistFile);
    int settingsSaves = 0;
    frm->SetSettingsSaver([&](std::string&) {
        ++settingsSaves;
        return true;
    });
    const auto closedAndKept = [&](int saves) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !frm->isVisible(); }, 5000));
        EXPECT_EQ(settingsSaves, saves);
        EXPECT_NE(ReadFile(playlistFile).find(song), std::string::npos);
        std::remove(playlistFile.c_str());
        frm->show();
    };

    auto* exit = frm->findChild<QAction*>(QStringLiteral("Exit1"));
    ASSERT_NE(exit, nullptr);
    exit->trigger();
    closedAndKept(1);

    {
        const TerminationSignals terminations(*frm);
        ASSERT_TRUE(terminations.active());
        // Behind a modal window, which goes first.
        QDialog modal(frm.get());
        QTimer::singleShot(0, [] { ::raise(SIGTERM); });
        EXPECT_EQ(modal.exec(), QDialog::Rejected);
        closedAndKept(2);
        for (const int signal : {SIGINT, SIGHUP}) {
            ::raise(signal);
            closedAndKept(signal == SIGINT ? 3 : 4);
        }
        // A question that the close itself asks is answered as Escape would:
        // nothing waits for a user who has gone.
        QMessageBox::StandardButton answer = QMessageBox::Yes;
        frm->SetSettingsSaver([&](std::string&) {
            ++settingsSaves;
            answer = QMessageBox::question(frm.get(), QStringLiteral("Settings"), QStringLiteral("Replace?"));
            return true;
        });
        ::raise(SIGTERM);
        closedAndKept(5);
        EXPECT_EQ(answer, QMessageBox::No);
    }
    // The earlier handling is back once the object is gone.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}
