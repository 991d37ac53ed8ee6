#include "browserentry.h"
#include "deletecommands.h"
#include "filefixtures.h"
#include "mainwindowregistry.h"
#include "progresswindows.h"
#include "scriptedprompts.h"
#include "testapplication.h"
#include "tfrmdeletedirprogress.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Kind = ScriptedPrompts::Kind;

// Counts how often a window is shown.
class ShowCounter final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
    int shows = 0;
};

class DeleteCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        mainWindow = std::make_unique<QWidget>();
        mainWindow->show();
        SetMainWindow(mainWindow.get());
        windows = std::make_unique<ProgressWindows>();
        windows->deletion().installEventFilter(&counter);
        folder = dir.path() + "/";
    }
    void TearDown() override
    {
        windows.reset();
        SetMainWindow(nullptr);
    }

    TempDir dir;
    std::string folder;
    ShowCounter counter;
    std::unique_ptr<QWidget> mainWindow;
    std::unique_ptr<ProgressWindows> windows;
};

TEST_F(DeleteCommandsTest, AnythingButYesDeletesNothingAndShowsNoWindow)
{
    WriteFile(folder + "a.mp3", "a");
    const std::vector<BrowserEntry> rows = {{"..", "", true}, {"a", "mp3", false}};
    for (PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Cancel}) {
        ScriptedPrompts prompts;
        prompts.expect(Kind::YesNoCancel, answer);
        EXPECT_FALSE(DeleteSelectedEntries(prompts, folder, rows));
        EXPECT_EQ(prompts.texts(),
                  QStringList{"Do you really want to delete the 2 selected files/directories ?"});
    }
    EXPECT_TRUE(Exists(folder + "a.mp3"));
    EXPECT_EQ(counter.shows, 0);
    EXPECT_TRUE(mainWindow->isEnabled());
}

TEST_F(DeleteCommandsTest, YesDeletesTheRowsUnderTheWindow)
{
    WriteFile(folder + "a.mp3", "a");
    WriteFile(folder + "noext", "n");
    MakeDir(folder + "album");
    MakeDir(folder + "album/cd1");
    WriteFile(folder + "album/cd1/t.mp3", "t");
    const std::string keep = dir.file("keep");
    MakeDir(keep);
    WriteFile(keep + "/precious.mp3", "p");
    ASSERT_EQ(symlink(keep.c_str(), (folder + "shortcut").c_str()), 0);

    ScriptedPrompts prompts;
    prompts.expect(Kind::YesNoCancel, PromptAnswer::Yes);
    bool disabledMeanwhile = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        disabledMeanwhile = disabledMeanwhile || !mainWindow->isEnabled();
    });
    watcher.start(0);
    EXPECT_TRUE(DeleteSelectedEntries(prompts, folder,
                                      {{"..", "", true},
                                       {"a", "mp3", false},
                                       {"noext", "", false},
                                       {"album", "", true},
                                       {"shortcut", "", true}}));
    watcher.stop();
    EXPECT_EQ(prompts.texts(),
              QStringList{"Do you really want to delete the 5 selected files/directories ?"});
    EXPECT_FALSE(Exists(folder + "a.mp3"));
    EXPECT_FALSE(Exists(folder + "noext"));
    EXPECT_FALSE(Exists(folder + "album"));
    EXPECT_FALSE(Exists(folder + "shortcut"));
    EXPECT_TRUE(Exists(keep + "/precious.mp3"));
    EXPECT_EQ(counter.shows, 1);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_FALSE(windows->deletion().isVisible());
    EXPECT_TRUE(windows->deletion().AllowClose());
    EXPECT_TRUE(mainWindow->isEnabled());
}

TEST_F(DeleteCommandsTest, AFailureIsShownOnceAndEndsTheRun)
{
    // A row that vanished before its turn: the first failure ends the run.
    WriteFile(folder + "first.mp3", "1");
    WriteFile(folder + "later.mp3", "2");

    ScriptedPrompts prompts;
    prompts.expect(Kind::YesNoCancel, PromptAnswer::Yes);
    EXPECT_TRUE(DeleteSelectedEntries(prompts, folder,
                                      {{"first", "mp3", false},
                                       {"missing", "mp3", false},
                                       {"later", "mp3", false}}));
    EXPECT_FALSE(Exists(folder + "first.mp3"));
    EXPECT_TRUE(Exists(folder + "later.mp3"));
    EXPECT_EQ(prompts.texts(Kind::Error),
              QStringList{QStringLiteral("Error 2 : No such file or directory\n") + QString::fromStdString(folder)
                          + QStringLiteral("missing.mp3")});
    EXPECT_TRUE(mainWindow->isEnabled());

    // A vanished folder: the listing fails, one error.
    ScriptedPrompts second;
    second.expect(Kind::YesNoCancel, PromptAnswer::Yes);
    EXPECT_TRUE(DeleteSelectedEntries(second, folder, {{"gone", "", true}, {"later", "mp3", false}}));
    EXPECT_EQ(second.texts(Kind::Error),
              QStringList{QStringLiteral("Error 2 : No such file or directory\n") + QString::fromStdString(folder)
                          + QStringLiteral("gone")});
    EXPECT_TRUE(Exists(folder + "later.mp3"));
    EXPECT_TRUE(IsDeleteStopped());
    EXPECT_FALSE(windows->deletion().isVisible());
    EXPECT_TRUE(mainWindow->isEnabled());

    // A file that became a folder since it was listed is named as well.
    MakeDir(folder + "became.mp3");
    ScriptedPrompts third;
    third.expect(Kind::YesNoCancel, PromptAnswer::Yes);
    EXPECT_TRUE(DeleteSelectedEntries(third, folder, {{"became", "mp3", false}, {"later", "mp3", false}}));
    EXPECT_EQ(third.texts(Kind::Error),
              QStringList{QStringLiteral("Error 21 : Is a directory\n") + QString::fromStdString(folder)
                          + QStringLiteral("became.mp3")});
    EXPECT_TRUE(Exists(folder + "later.mp3"));
}

TEST_F(DeleteCommandsTest, CancelStopsAtTheNextFolderAndKeepsIt)
{
    const std::string top = folder + "top";
    MakeDir(top);
    for (const char* name : {"a", "b", "c"}) {
        MakeDir(top + "/" + name);
        WriteFile(top + "/" + name + "/song.mp3", "s");
    }
    WriteFile(folder + "after.mp3", "x");

    // Press Cancel as soon as the window shows folder "b".
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (windows->deletion().lblDirectoryName->text() == QString::fromStdString(top + "/b"))
            windows->deletion().btnCancel->click();
    });
    presser.start(0);
    ScriptedPrompts prompts;
    prompts.expect(Kind::YesNoCancel, PromptAnswer::Yes);
    EXPECT_TRUE(DeleteSelectedEntries(prompts, folder, {{"top", "", true}, {"after", "mp3", false}}));
    presser.stop();

    EXPECT_TRUE(IsDeleteStopped());
    EXPECT_TRUE(Exists(top + "/b/song.mp3"));
    EXPECT_TRUE(Exists(top));
    EXPECT_TRUE(Exists(folder + "after.mp3"));
    EXPECT_TRUE(prompts.texts(Kind::Error).isEmpty());
    EXPECT_TRUE(mainWindow->isEnabled());
}

TEST_F(DeleteCommandsTest, WhatAMountKeptIsToldOnce)
{
    MakeDir(folder + "music");
    MakeDir(folder + "music/nas");
    WriteFile(folder + "music/nas/shared.mp3", "s");
    WriteFile(folder + "music/local.mp3", "l");
    MakeDir(folder + "disk");
    WriteFile(folder + "after.mp3", "a");
    const MountTable mounts({folder + "music/nas", folder + "disk"});

    ScriptedPrompts prompts;
    prompts.expect(Kind::YesNoCancel, PromptAnswer::Yes);
    EXPECT_TRUE(DeleteSelectedEntries(prompts, folder,
                                      {{"music", "", true}, {"disk", "", true}, {"after", "mp3", false}}, mounts));
    EXPECT_TRUE(Exists(folder + "music/nas/shared.mp3"));
    EXPECT_FALSE(Exists(folder + "music/local.mp3"));
    EXPECT_TRUE(Exists(folder + "disk"));
    EXPECT_FALSE(Exists(folder + "after.mp3"));
    EXPECT_TRUE(prompts.texts(Kind::Error).isEmpty());
    const QStringList told = prompts.texts(Kind::Warning);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].endsWith(QString::fromStdString("\n" + folder + "music/nas\n" + folder + "disk"))) << told[0].toStdString();
    EXPECT_FALSE(windows->deletion().isVisible());
    EXPECT_TRUE(mainWindow->isEnabled());
}

} // namespace
