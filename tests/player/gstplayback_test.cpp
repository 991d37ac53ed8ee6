// The player on the real GStreamer pipeline, playing through the sound
// server (a private null-sink PulseAudio in CI), on small MP3 fixtures.

#include "gstmediabackend.h"
#include "musikplayer.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace std::chrono_literals;
using playertest::processHoldsFile;
using playertest::spinFor;
using playertest::waitUntil;
using playertest::copyFixture;
using playertest::writeFile;

namespace {

class GstPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override { playertest::ensureApplication(); }

    TempDir dir;
    MusikPlayer player{std::make_unique<GstMediaBackend>()};
};

// True when the position keeps still for a while.
bool positionHolds(MusikPlayer& player, std::uint32_t expected)
{
    spinFor(400ms);
    const std::uint32_t now = player.GetSongPosition();
    return now + 20 >= expected && now <= expected + 20;
}

} // namespace

TEST_F(GstPlaybackTest, PlaysPausesSeeksAndStopsClosingTheFile)
{
    const std::string song = copyFixture(dir, "tone-5s.mp3", "song.mp3");
    int refreshes = 0;
    QObject::connect(&player, &MusikPlayer::playerPosition, [&] { ++refreshes; });

    ASSERT_TRUE(player.PlayFile(song));
    EXPECT_EQ(player.CurrentSongFile(), song);
    EXPECT_TRUE(player.IsPlayerActive());
    EXPECT_FALSE(player.IsPlayerPaused());
    const std::uint32_t length = player.GetSongLength();
    EXPECT_NEAR(length, 5000, 100);
    EXPECT_TRUE(processHoldsFile(song));

    // The position advances while playing and the poller reports.
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() >= 400; }, 8000ms));
    EXPECT_GE(refreshes, 1);

    // Pause holds the position.
    player.PausePlaying();
    EXPECT_TRUE(player.IsPlayerPaused());
    const std::uint32_t pausedAt = player.GetSongPosition();
    EXPECT_TRUE(positionHolds(player, pausedAt)) << pausedAt << " became " << player.GetSongPosition();

    // A seek while paused stops at the target and stays paused...
    player.SeekTo(3000);
    EXPECT_TRUE(player.IsPlayerPaused());
    EXPECT_NEAR(player.GetSongPosition(), 3000, 30);
    EXPECT_TRUE(positionHolds(player, 3000));
    // ...until StartPlaying plays from there.
    player.StartPlaying();
    EXPECT_FALSE(player.IsPlayerPaused());
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() >= 3200; }, 8000ms));

    // A seek while playing also leaves the song stopped at the target.
    player.SeekTo(1000);
    EXPECT_NEAR(player.GetSongPosition(), 1000, 30);
    EXPECT_TRUE(positionHolds(player, 1000));
    EXPECT_TRUE(player.IsPlayerActive());
    EXPECT_FALSE(player.IsPlayerPaused());

    // Targets outside the song are refused; the position stays where it was.
    player.SeekTo(static_cast<std::int64_t>(length) + 5000);
    EXPECT_NEAR(player.GetSongPosition(), 1000, 30);
    player.SeekTo(-4000);
    EXPECT_NEAR(player.GetSongPosition(), 1000, 30);
    player.StartPlaying();
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() >= 1200; }, 8000ms));

    player.StopPlaying();
    EXPECT_FALSE(player.IsPlayerActive());
    EXPECT_TRUE(player.CurrentSongFile().empty());
    EXPECT_EQ(player.GetSongLength(), 100u);
    EXPECT_EQ(player.GetSongPosition(), 0u);
    EXPECT_FALSE(processHoldsFile(song));
    const int atStop = refreshes;
    spinFor(700ms);
    EXPECT_EQ(refreshes, atStop);
}

TEST_F(GstPlaybackTest, EndOfSongStaysPlayingUntilTheUserActs)
{
    const std::string song = copyFixture(dir, "tone-1s.mp3", "short.mp3");
    int refreshes = 0;
    QObject::connect(&player, &MusikPlayer::playerPosition, [&] { ++refreshes; });
    ASSERT_TRUE(player.PlayFile(song));
    const std::uint32_t length = player.GetSongLength();
    EXPECT_NEAR(length, 1200, 100);

    // The sound server may take a while to start the stream; wait for the
    // end, then some more.
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() + 60 >= length; }, 8000ms));
    spinFor(500ms);
    EXPECT_TRUE(player.IsPlayerActive());
    EXPECT_FALSE(player.IsPlayerPaused());
    EXPECT_EQ(player.CurrentSongFile(), song);
    EXPECT_GE(player.GetSongPosition() + 60, length);
    const int before = refreshes;
    spinFor(600ms);
    EXPECT_GT(refreshes, before);

    // Seeking back plays again.
    player.SeekTo(0);
    player.StartPlaying();
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() >= 200 && player.GetSongPosition() < 1000; },
                          8000ms));
    player.StopPlaying();
    EXPECT_FALSE(processHoldsFile(song));
}

TEST_F(GstPlaybackTest, UnopenableFilesFailAndStopThePreviousSong)
{
    const std::string song = copyFixture(dir, "tone-5s.mp3", "song.mp3");
    const std::string mp3Bytes = [&] {
        std::ifstream in(song, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    std::string noise(20000, '\0');
    std::srand(7);
    for (char& c : noise)
        c = static_cast<char>(std::rand());
    const std::string missing = dir.path() + "/missing.mp3";
    const std::string empty = writeFile(dir, "empty.mp3", "");
    const std::string text = writeFile(dir, "notes.mp3", "These are not the sounds you are looking for.\n");
    const std::string random = writeFile(dir, "noise.mp3", noise);
    std::filesystem::create_directory(dir.path() + "/folder.mp3");
    const std::string folder = dir.path() + "/folder.mp3";

    for (const std::string& bad : {missing, empty, text, random, folder}) {
        ASSERT_TRUE(player.PlayFile(song)) << bad;
        EXPECT_FALSE(player.PlayFile(bad)) << bad;
        EXPECT_FALSE(player.IsPlayerActive()) << bad;
        EXPECT_FALSE(player.IsPollerRunning()) << bad;
        EXPECT_TRUE(player.CurrentSongFile().empty()) << bad;
        EXPECT_FALSE(processHoldsFile(song)) << bad;
        EXPECT_EQ(player.GetSongLength(), 100u) << bad;
    }

    // A name that is not valid UTF-8 plays: the path goes through as bytes.
    const std::string oddName = writeFile(dir, "caf\xe9 \xff.mp3", mp3Bytes);
    ASSERT_TRUE(player.PlayFile(oddName));
    EXPECT_EQ(player.CurrentSongFile(), oddName);
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() >= 200; }, 8000ms));
    // Playing another song closes the first one's file before opening.
    ASSERT_TRUE(player.PlayFile(song));
    EXPECT_FALSE(processHoldsFile(oddName));
    EXPECT_TRUE(processHoldsFile(song));
    player.StopPlaying();
}

TEST_F(GstPlaybackTest, SwitchingSongsKeepsOnePoller)
{
    const std::string first = copyFixture(dir, "tone-5s.mp3", "first.mp3");
    const std::string second = copyFixture(dir, "tone-1s.mp3", "second.mp3");
    int refreshes = 0;
    QObject::connect(&player, &MusikPlayer::playerPosition, [&] { ++refreshes; });
    ASSERT_TRUE(player.PlayFile(first));
    ASSERT_TRUE(player.PlayFile(second));
    ASSERT_TRUE(player.PlayFile(first));
    spinFor(1150ms);
    EXPECT_GE(refreshes, 2);
    EXPECT_LE(refreshes, 4);
    player.StopPlaying();
}
