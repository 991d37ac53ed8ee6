// The window's side of the desktop session: command-line paths reach the
// playlist once the window takes commands, and a second start of the real
// program hands its files over and brings the window to the front.

#include "desktopsession.h"
#include "singleinstance.h"

#include "fakemediabackend.h"
#include "fakemixerbackend.h"
#include "filefixtures.h"
#include "scriptedprompts.h"
#include "testapplication.h"
#include "tfileinfo.h"
#include "tfrmmain.h"
#include "tplaylistpane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

class DesktopSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        frm = std::make_unique<TfrmMain>(prompts);
        frm->CreatePlayerControls(std::make_unique<FakeMediaBackend>(std::make_shared<FakeMediaState>()),
                                  [] { return std::make_unique<FakeMixerBackend>(std::make_shared<FakeMixerState>()); });
        frm->show();
        MakeDir(dir.file("music"));
        MakeDir(dir.file("music/sub"));
        MakeDir(dir.file("music/.hidden"));
        for (const char* name : {"music/a.mp3", "music/sub/B.MP3", "music/.hidden/c.mp3", "music/notes.txt",
                                 "song.mp3", "caf\xe9.mp3", "notes.txt"})
            WriteFile(dir.file(name), AudioBytes(600));
    }

    void TearDown() override
    {
        session.reset();
        frm.reset();
        QApplication::processEvents();
    }

    std::vector<std::string> Playlist() const
    {
        std::vector<std::string> paths;
        for (int row = 0; row < frm->playlist()->Count(); ++row)
            paths.push_back(frm->playlist()->FileAt(row)->FullPath());
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    ScriptedPrompts prompts;
    TempDir dir;
    std::unique_ptr<TfrmMain> frm;
    std::unique_ptr<DesktopSession> session;
};

} // namespace

TEST_F(DesktopSessionTest, PathsWaitForAWindowThatTakesCommandsThenAddFoldersRecursively)
{
    session = std::make_unique<DesktopSession>(*frm, nullptr);
    // A long operation disables the window: nothing is added meanwhile.
    frm->setEnabled(false);
    session->OpenPaths({dir.file("music"), dir.file("song.mp3"), dir.file("notes.txt")});
    QTest::qWait(300);
    EXPECT_EQ(frm->playlist()->Count(), 0);

    frm->setEnabled(true);
    ASSERT_TRUE(WaitFor([&] { return frm->playlist()->Count() == 3; }));
    // As "Add directory ...": subfolders yes, hidden folders and other files no.
    EXPECT_EQ(Playlist(), (std::vector<std::string>{dir.file("music/a.mp3"), dir.file("music/sub/B.MP3"),
                                                    dir.file("song.mp3")}));
}

TEST_F(DesktopSessionTest, SecondStartOfTheProgramHandsOverItsFilesAndRaisesTheWindow)
{
    TempDir runtime;
    TempDir home;
    SingleInstance instance(runtime.path() + "/" TV_APP_ID ".socket");
    ASSERT_EQ(instance.Start({}), SingleInstance::Role::Primary);
    session = std::make_unique<DesktopSession>(*frm, &instance);
    frm->showMinimized();
    QApplication::processEvents();

    // The program finds the socket in its runtime folder; a shell passes a
    // name that is not UTF-8 as it is.
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.path()));
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.path()));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(home.path()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(environment);
    second.setWorkingDirectory(QString::fromStdString(dir.path()));
    second.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf 'caf\\351.mp3')\" song.mp3 notes.txt music/sub"),
                  QStringLiteral(TV_PROGRAM)});
    // The window must serve the hand-over while the program runs.
    ASSERT_TRUE(WaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    const QByteArray errors = second.readAllStandardError();
    EXPECT_TRUE(errors.contains(QByteArray::fromStdString("tunevault: ignored " + dir.file("notes.txt") +
                                                          ": not an MP3 file or folder")))
        << errors.toStdString();

    ASSERT_TRUE(WaitFor([&] { return frm->playlist()->Count() == 3; }));
    EXPECT_EQ(Playlist(), (std::vector<std::string>{dir.file("caf\xe9.mp3"), dir.file("music/sub/B.MP3"),
                                                    dir.file("song.mp3")}));
    EXPECT_FALSE(frm->isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(frm.get()));
}
