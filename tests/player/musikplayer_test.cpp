// The player's state rules, fallbacks and poller guarantees, on the fake
// back-end.

#include "fakemediabackend.h"
#include "filefixtures.h"
#include "musikplayer.h"
#include "testsupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <vector>

using namespace std::chrono_literals;
using playertest::spinFor;

namespace {

struct PlayerWithFake {
    std::shared_ptr<FakeMediaState> state = std::make_shared<FakeMediaState>();
    MusikPlayer player{std::make_unique<FakeMediaBackend>(state)};
    int refreshes = 0;

    PlayerWithFake()
    {
        QObject::connect(&player, &MusikPlayer::playerPosition, [this] { ++refreshes; });
    }
};

class MusikPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { playertest::ensureApplication(); }
};

} // namespace

TEST_F(MusikPlayerTest, NothingOpenMeansNoDeviceCommandsAndFallbackValues)
{
    PlayerWithFake f;
    EXPECT_FALSE(f.player.IsPlayerActive());
    EXPECT_FALSE(f.player.IsPlayerPaused());
    EXPECT_EQ(f.player.GetSongLength(), 100u);
    EXPECT_EQ(f.player.GetSongPosition(), 0u);
    f.player.StartPlaying();
    f.player.PausePlaying();
    f.player.ResumePlaying();
    f.player.SeekTo(1000);
    f.player.StopPlaying();
    EXPECT_TRUE(f.state->commands.empty());
    EXPECT_FALSE(f.player.IsPlayerActive());
    EXPECT_FALSE(f.player.IsPollerRunning());
}

TEST_F(MusikPlayerTest, StateTableThroughPlayPauseSeekResumeAndStop)
{
    PlayerWithFake f;
    // A name that is not valid UTF-8 is kept as its bytes.
    const std::string path = "/music/caf\xe9/song.mp3";
    ASSERT_TRUE(f.player.PlayFile(path));
    EXPECT_EQ(f.player.CurrentSongFile(), path);
    EXPECT_EQ(f.state->path, path);
    EXPECT_TRUE(f.player.IsPlayerActive());
    EXPECT_FALSE(f.player.IsPlayerPaused());
    EXPECT_TRUE(f.state->playing);
    EXPECT_EQ(f.player.GetSongLength(), 180000u);

    f.player.PausePlaying();
    EXPECT_TRUE(f.player.IsPlayerActive());
    EXPECT_TRUE(f.player.IsPlayerPaused());

    // A seek keeps the state: still paused, stopped at the target.
    f.player.SeekTo(60000);
    EXPECT_TRUE(f.player.IsPlayerPaused());
    EXPECT_EQ(f.player.GetSongPosition(), 60000u);
    EXPECT_FALSE(f.state->playing);
    f.player.StartPlaying();
    EXPECT_FALSE(f.player.IsPlayerPaused());
    EXPECT_TRUE(f.state->playing);

    f.player.PausePlaying();
    f.player.ResumePlaying();
    EXPECT_TRUE(f.player.IsPlayerActive());
    EXPECT_FALSE(f.player.IsPlayerPaused());

    // Failed queries give the documented fallbacks while a song is open.
    f.state->lengthQueryFails = true;
    f.state->positionQueryFails = true;
    EXPECT_EQ(f.player.GetSongLength(), 100u);
    EXPECT_EQ(f.player.GetSongPosition(), 0u);

    f.player.StopPlaying();
    EXPECT_FALSE(f.player.IsPlayerActive());
    EXPECT_FALSE(f.player.IsPlayerPaused());
    EXPECT_TRUE(f.player.CurrentSongFile().empty());
    EXPECT_FALSE(f.state->open);
    const std::vector<std::string> expected{"open " + path, "play", "pause", "seek 60000", "play",
                                            "pause", "resume", "close"};
    EXPECT_EQ(f.state->commands, expected);
}

TEST_F(MusikPlayerTest, PlayFileStopsTheOpenSongFirstAndFailsLeavingThePlayerIdle)
{
    PlayerWithFake f;
    f.state->unopenable.insert("/music/missing.mp3");
    ASSERT_TRUE(f.player.PlayFile("/music/a.mp3"));
    ASSERT_TRUE(f.player.PlayFile("/music/b.mp3"));
    EXPECT_EQ(f.player.CurrentSongFile(), "/music/b.mp3");
    EXPECT_TRUE(f.player.IsPollerRunning());

    EXPECT_FALSE(f.player.PlayFile("/music/missing.mp3"));
    EXPECT_TRUE(f.player.CurrentSongFile().empty());
    EXPECT_FALSE(f.player.IsPlayerActive());
    EXPECT_FALSE(f.player.IsPollerRunning());
    EXPECT_FALSE(f.state->open);
    const std::vector<std::string> expected{"open /music/a.mp3", "play", "close", "open /music/b.mp3",
                                            "play", "close", "open /music/missing.mp3"};
    EXPECT_EQ(f.state->commands, expected);

    // Failing again from idle issues no close.
    EXPECT_FALSE(f.player.PlayFile("/music/missing.mp3"));
    EXPECT_EQ(f.state->commands.back(), "open /music/missing.mp3");
    EXPECT_EQ(f.state->commands.size(), expected.size() + 1);

    // A FIFO named like a song never reaches the back-end, whose open would block.
    TempDir dir;
    const FifoHangGuard fifo(dir.file("fifo.mp3"));
    EXPECT_FALSE(f.player.PlayFile(dir.file("fifo.mp3")));
    EXPECT_EQ(f.state->commands.size(), expected.size() + 1);
}

TEST_F(MusikPlayerTest, PollerRefreshesAtOnceThenEvery500msAndNeverAfterStop)
{
    {
        PlayerWithFake f;
        ASSERT_TRUE(f.player.PlayFile("/music/a.mp3"));
        // The first refresh is queued at once: one pass of the loop delivers it.
        EXPECT_EQ(f.refreshes, 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(f.refreshes, 1);
        spinFor(1150ms);
        // 0, 500 and 1000 ms; a second poller would double the count.
        EXPECT_GE(f.refreshes, 2);
        EXPECT_LE(f.refreshes, 4);
    }
    {
        // Stopped before the first refresh was delivered: nothing arrives.
        PlayerWithFake f;
        ASSERT_TRUE(f.player.PlayFile("/music/a.mp3"));
        f.player.StopPlaying();
        spinFor(700ms);
        EXPECT_EQ(f.refreshes, 0);
        EXPECT_FALSE(f.player.IsPollerRunning());
    }
    {
        // Switching songs keeps one poller.
        PlayerWithFake f;
        ASSERT_TRUE(f.player.PlayFile("/music/a.mp3"));
        ASSERT_TRUE(f.player.PlayFile("/music/b.mp3"));
        ASSERT_TRUE(f.player.PlayFile("/music/c.mp3"));
        spinFor(1150ms);
        EXPECT_GE(f.refreshes, 2);
        EXPECT_LE(f.refreshes, 4);
        // Paused and ended songs keep the refreshes coming.
        f.player.PausePlaying();
        const int before = f.refreshes;
        spinFor(600ms);
        EXPECT_GT(f.refreshes, before);
        f.player.StopPlaying();
        const int atStop = f.refreshes;
        spinFor(700ms);
        EXPECT_EQ(f.refreshes, atStop);
    }
}

TEST_F(MusikPlayerTest, ARenameOfTheOpenSongsFileIsFollowedAndNoOtherIs)
{
    PlayerWithFake f;
    int changes = 0;
    QObject::connect(&f.player, &MusikPlayer::songChanged, [&] { ++changes; });
    f.player.SongFileRenamed("/music/a.mp3", "/music/b.mp3");  // nothing open
    ASSERT_TRUE(f.player.PlayFile("/music/a.mp3"));
    const std::size_t commands = f.state->commands.size();
    f.player.SongFileRenamed("/music/other.mp3", "/music/x.mp3");
    EXPECT_EQ(f.player.CurrentSongFile(), "/music/a.mp3");
    // The song plays on under the new path; the back-end hears nothing.
    f.player.SongFileRenamed("/music/a.mp3", "/music/sub/b.mp3");
    EXPECT_EQ(f.player.CurrentSongFile(), "/music/sub/b.mp3");
    EXPECT_TRUE(f.player.IsPlayerActive());
    EXPECT_EQ(f.state->commands.size(), commands);
    EXPECT_EQ(changes, 2);
}
