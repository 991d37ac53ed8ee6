#pragma once
// The main window with its player controls on the fake player and mixer, on
// the offscreen platform, with songs a.mp3, b.mp3 ... in a temporary folder:
// the ground of the player controls' tests.

#include "fakemediabackend.h"
#include "fakemixerbackend.h"
#include "filefixtures.h"
#include "musikplayer.h"
#include "scriptedprompts.h"
#include "testapplication.h"
#include "tfrmmain.h"
#include "tplayercontrols.h"
#include "tplayerstrip.h"
#include "tplaylistmodel.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class PlayerControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        frm = std::make_unique<TfrmMain>(prompts);
        frm->CreatePlayerControls(std::make_unique<FakeMediaBackend>(media),
                                  [this] { return std::make_unique<FakeMixerBackend>(mixer); });
        frm->show();
        frm->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
        QApplication::processEvents();
        ASSERT_NE(controls(), nullptr);
    }

    void TearDown() override
    {
        frm.reset();
        QApplication::processEvents();
    }

    TPlayerControls* controls() const { return frm->playerControls(); }
    MusikPlayer& player() const { return controls()->player(); }
    TPlaylistPane& playlist() const { return *frm->playlist(); }
    TPlayerStrip& strip() const { return *playlist().playerStrip(); }
    QProgressBar& gauge() const { return *strip().progress(); }
    TPlaylistModel& model() const { return *playlist().model(); }

    // Adds files a.mp3, b.mp3 ... in that (sorted) order.
    void AddSongs(int count)
    {
        for (int i = 0; i < count; ++i) {
            const std::string path = dir.file(std::string(1, static_cast<char>('a' + i)) + ".mp3");
            WriteFile(path, AudioBytes(1500));
            ASSERT_TRUE(playlist().AddFileToPlaylist(path));
            paths.push_back(path);
        }
        QApplication::processEvents();
        ASSERT_EQ(model().Count(), count);
    }

    void Select(std::initializer_list<int> rows)
    {
        QItemSelectionModel* selection = playlist().songsListView()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(model().index(row), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::vector<int> Marked() const
    {
        std::vector<int> rows;
        for (int row = 0; row < model().Count(); ++row)
            if (model().IsChecked(row))
                rows.push_back(row);
        return rows;
    }

    // Lets the event loop wait once, as it does between the user's actions,
    // so that the idle-time update runs.
    static void Idle()
    {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Play, Pause, Stop and gauge enabled, after an idle-time update.
    std::vector<bool> Enabling() const
    {
        controls()->playActionUpdate();
        return {controls()->playAction()->isEnabled(), strip().butPause()->isEnabled(),
                strip().butStop()->isEnabled(), gauge().isEnabled()};
    }

    std::shared_ptr<FakeMediaState> media = std::make_shared<FakeMediaState>();
    std::shared_ptr<FakeMixerState> mixer = std::make_shared<FakeMixerState>();
    ScriptedPrompts prompts;
    TempDir dir;
    std::vector<std::string> paths;
    std::unique_ptr<TfrmMain> frm;
};
