// The player's state rules, fallbacks and poller guarantees, on the fake
// back-end.

#include "fakemediabackend.h"
#include "musikplayer.h"
#include "testsupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <string>
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

TEST_F(MusikPlayerTest, FailuresAreToldWithTheirReasonAndARenameFollowsTheSong)
{
    PlayerWithFake f;
    std::vector<std::string> failures;
    int changes = 0;
    QObject::connect(&f.player, &MusikPlayer::playbackFailed,
                     [&](const std::string& path, const std::string& reason) { failures.push_back(path + "|" + reason); });
    QObject::connect(&f.player, &MusikPlayer::songChanged, [&] { ++changes; });

    // A file that does not open: the back-end's reason, once.
    f.state->unopenable.insert("/music/bad.mp3");
    f.state->openFailure = "Could not determine type of stream";
    EXPECT_FALSE(f.player.PlayFile("/music/bad.mp3"));
    EXPECT_EQ(f.player.LastError(), "Could not determine type of stream");
    EXPECT_EQ(failures, std::vector<std::string>{"/music/bad.mp3|Could not determine type of stream"});
    EXPECT_EQ(changes, 0);

    // A rename of the open song's file: the player plays on under the new
    // path and issues no command; other paths, or none open, change nothing.
    ASSERT_TRUE(f.player.PlayFile("/music/a.mp3"));
    EXPECT_TRUE(f.player.LastError().empty());
    EXPECT_EQ(changes, 1);
    const std::size_t commands = f.state->commands.size();
    f.player.SongFileRenamed("/music/other.mp3", "/music/x.mp3");
    EXPECT_EQ(f.player.CurrentSongFile(), "/music/a.mp3");
    f.player.SongFileRenamed("/music/a.mp3", "/music/sub/b.mp3");
    EXPECT_EQ(f.player.CurrentSongFile(), "/music/sub/b.mp3");
    EXPECT_TRUE(f.player.IsPlayerActive());
    EXPECT_EQ(f.state->commands.size(), commands);
    EXPECT_EQ(changes, 2);

    // A stream that fails while it plays: the next poll closes the song and
    // tells why, instead of refreshing a gauge over silence.
    QCoreApplication::processEvents();
    const int refreshes = f.refreshes;
    f.state->streamError = "Internal data stream error";
    spinFor(700ms);
    EXPECT_FALSE(f.player.IsPlayerActive());
    EXPECT_FALSE(f.player.IsPollerRunning());
    EXPECT_EQ(f.state->commands.back(), "close");
    EXPECT_EQ(f.refreshes, refreshes);
    EXPECT_EQ(f.player.LastError(), "Internal data stream error");
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[1], "/music/sub/b.mp3|Internal data stream error");
    EXPECT_EQ(changes, 3);
    f.player.SongFileRenamed("/music/sub/b.mp3", "/music/c.mp3");
    EXPECT_TRUE(f.player.CurrentSongFile().empty());
    EXPECT_EQ(changes, 3);
}
