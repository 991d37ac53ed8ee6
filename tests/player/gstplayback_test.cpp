// The player on the real GStreamer pipeline, playing through the sound
// server (the private null-sink PulseAudio that tools/test.sh starts), on
// small MP3 fixtures. Timings are checked over generous windows: the
// machine may be loaded.

#include "gstmediabackend.h"
#include "musikplayer.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

using namespace std::chrono_literals;
using playertest::processHoldsFile;
using playertest::spinFor;
using playertest::waitUntil;
using playertest::copyFixture;
using playertest::pactl;
using playertest::writeFile;

namespace {

// How far a position may be from where a seek put it (an accurate seek
// lands on it; a frame's length is 26 ms).
constexpr std::uint32_t SeekSlack = 150;

class GstPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        playertest::ensureApplication();
        // Never the sound server of whoever runs the tests: the songs play
        // into the private server's null sink.
        ASSERT_EQ(pactl({"get-default-sink"}).trimmed(), QByteArray("null"))
            << "run the tests with tools/test.sh, which starts a private sound server";
    }

    TempDir dir;
    MusikPlayer player{std::make_unique<GstMediaBackend>()};
};

// True when the position keeps still while a playing song would have moved
// on by most of a second.
bool positionHolds(MusikPlayer& player, std::uint32_t expected)
{
    spinFor(800ms);
    const std::uint32_t now = player.GetSongPosition();
    return now + SeekSlack >= expected && now <= expected + SeekSlack;
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
    EXPECT_NEAR(player.GetSongPosition(), 3000, SeekSlack);
    EXPECT_TRUE(positionHolds(player, 3000));
    // ...until StartPlaying plays from there.
    player.StartPlaying();
    EXPECT_FALSE(player.IsPlayerPaused());
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() >= 3200; }, 8000ms));

    // A seek while playing also leaves the song stopped at the target.
    player.SeekTo(1000);
    EXPECT_NEAR(player.GetSongPosition(), 1000, SeekSlack);
    EXPECT_TRUE(positionHolds(player, 1000));
    EXPECT_TRUE(player.IsPlayerActive());
    EXPECT_FALSE(player.IsPlayerPaused());

    // Targets outside the song are refused; the position stays where it was.
    player.SeekTo(static_cast<std::int64_t>(length) + 5000);
    EXPECT_NEAR(player.GetSongPosition(), 1000, SeekSlack);
    player.SeekTo(-4000);
    EXPECT_NEAR(player.GetSongPosition(), 1000, SeekSlack);
    player.StartPlaying();
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() >= 1200; }, 8000ms));

    player.StopPlaying();
    EXPECT_FALSE(player.IsPlayerActive());
    EXPECT_TRUE(player.CurrentSongFile().empty());
    EXPECT_EQ(player.GetSongLength(), 100u);
    EXPECT_EQ(player.GetSongPosition(), 0u);
    EXPECT_FALSE(processHoldsFile(song));
    const int atStop = refreshes;
    spinFor(1500ms);
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
    spinFor(1500ms);
    EXPECT_GT(refreshes, before);

    // Seeking back plays again: the position goes back to the start, then
    // moves on. Two waits, as a loaded machine may poll too seldom to catch
    // the position inside a narrow window.
    player.SeekTo(0);
    player.StartPlaying();
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() < 1000; }, 8000ms));
    EXPECT_TRUE(waitUntil([&] { return player.GetSongPosition() >= 200; }, 8000ms));
    player.StopPlaying();
    EXPECT_FALSE(processHoldsFile(song));
}

TEST_F(GstPlaybackTest, TheEndOfASongIsToldOnceEachTimeItIsReached)
{
    const std::string song = copyFixture(dir, "tone-1s.mp3", "short.mp3");
    int ends = 0;
    QObject::connect(&player, &MusikPlayer::songEnded, [&] { ++ends; });
    ASSERT_TRUE(player.PlayFile(song));
    EXPECT_TRUE(waitUntil([&] { return ends == 1; }, 8000ms));
    spinFor(1200ms);
    EXPECT_EQ(ends, 1);
    // Played again from the start, it ends again.
    player.SeekTo(0);
    player.StartPlaying();
    EXPECT_TRUE(waitUntil([&] { return ends == 2; }, 8000ms));
    player.StopPlaying();
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
    // A FIFO named like a song is refused at once, never waited on.
    const std::string fifo = dir.path() + "/pipe.mp3";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A broken header: an ID3v2 tag that claims more bytes than the file has.
    const std::string brokenHeader =
        writeFile(dir, "broken.mp3", std::string("ID3\x03\x00\x00\x7f\x7f\x7f\x7f", 10) + std::string(100, '\0'));

    std::vector<std::string> told;
    QObject::connect(&player, &MusikPlayer::playbackFailed,
                     [&](const std::string& path, const std::string& reason) { told.push_back(path + ": " + reason); });
    // Each one is refused with a reason; the reasons that the system gives
    // are known.
    const std::pair<std::string, std::string> cases[] = {
        {missing, "No such file or directory"}, {empty, ""},  {text, ""},
        {random, ""},  {brokenHeader, ""}, {folder, "It is a folder, not a file"},
        {fifo, "It is not a regular file"},
    };
    for (const auto& [bad, reason] : cases) {
        ASSERT_TRUE(player.PlayFile(song)) << bad;
        told.clear();
        EXPECT_FALSE(player.PlayFile(bad)) << bad;
        EXPECT_FALSE(player.IsPlayerActive()) << bad;
        EXPECT_FALSE(player.IsPollerRunning()) << bad;
        EXPECT_TRUE(player.CurrentSongFile().empty()) << bad;
        EXPECT_FALSE(processHoldsFile(song)) << bad;
        EXPECT_EQ(player.GetSongLength(), 100u) << bad;
        EXPECT_FALSE(player.LastError().empty()) << bad;
        if (!reason.empty()) {
            EXPECT_EQ(player.LastError(), reason) << bad;
        }
        EXPECT_EQ(told, std::vector<std::string>{bad + ": " + player.LastError()}) << bad;
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
    // One poller asks at once and then every 500 ms: at most 7 times in 3 s
    // (two would ask about twice as often); a loaded machine may skip some.
    spinFor(3000ms);
    EXPECT_GE(refreshes, 3);
    EXPECT_LE(refreshes, 8);
    player.StopPlaying();
}

TEST(GstPlaybackWithoutOutput, NoSoundOutputMeansTheSongDoesNotOpen)
{
    playertest::ensureApplication();
    TempDir dir;
    const std::string song = copyFixture(dir, "tone-5s.mp3", "song.mp3");
    // No sound server and no ALSA device: there is nothing to play into.
    WriteFile(dir.file("no-alsa.conf"), "");
    playertest::ScopedEnvironment environment;
    environment.set("PULSE_SERVER", "unix:/nonexistent/tunevault-no-server");
    environment.set("ALSA_CONFIG_PATH", QByteArray::fromStdString(dir.file("no-alsa.conf")));
    MusikPlayer player{std::make_unique<GstMediaBackend>()};
    EXPECT_FALSE(player.PlayFile(song));
    EXPECT_EQ(player.LastError(), "No sound output could be opened");
    EXPECT_FALSE(player.IsPlayerActive());
    EXPECT_FALSE(player.IsPollerRunning());
    EXPECT_FALSE(processHoldsFile(song));
}
