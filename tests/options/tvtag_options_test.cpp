// tv-tag's room options: --padding N and --no-padding are taken anywhere on
// the line and reach the tag written, and a bad N stops the tool with a usage
// error before any file is touched. Its print gives the audio properties.

#include "filefixtures.h"
#include "tvtagrun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TvTagOptions, RoomOptionsAnywhereAndBadNumbersAreUsageErrors)
{
    TempDir dir;
    const std::string home = dir.file("home");
    MakeDir(home);
    const std::string file = dir.file("song.mp3");
    WriteFile(file, Id3v2Tag(3, "Artist", "Title") + AudioBytes(1500));
    const std::string before = ReadFile(file);

    for (const std::string bad : {"", "-1", "+5", "12x", " 7", "268435456", "99999999999999999999"}) {
        std::vector<std::string> args = {"set", file, "--v2", "title=New", "--padding"};
        if (!bad.empty())
            args.push_back(bad);
        const Outcome outcome = RunTvTag(home, args);
        EXPECT_EQ(outcome.status, 2) << '"' << bad << '"';
        EXPECT_NE(outcome.errors.find("--padding needs a number of bytes from 0 to 268435455"), std::string::npos)
            << outcome.errors;
        EXPECT_EQ(ReadFile(file), before) << '"' << bad << '"';
    }

    // Before the command, between its words and last: the rest of the line
    // stays the command.
    EXPECT_EQ(RunTvTag(home, {"--padding", "268435455", "print", file}).status, 0);
    EXPECT_EQ(RunTvTag(home, {"set", file, "--padding", "0", "--v2", "title=One"}).status, 0);
    EXPECT_EQ(RunTvTag(home, {"set", file, "--v2", "title=Two", "--no-padding"}).status, 0);
    EXPECT_EQ(RunTvTag(home, {"set", file, "--no-padding", "--v2", "--padding", "5000", "artist=Three"}).status, 0);
    const std::string shown = RunTvTag(home, {"print", file}).output;
    EXPECT_NE(shown.find("\"title\":\"Two\",\"artist\":\"Three\""), std::string::npos) << shown;

    // A new tag: exactly the room asked for, or none.
    const auto newTagSize = [&](const std::string& name, const std::vector<std::string>& room) {
        const std::string song = dir.file(name);
        WriteFile(song, AudioBytes(1500));
        std::vector<std::string> args = {"set", song, "--v2", "title=Four"};
        args.insert(args.end(), room.begin(), room.end());
        EXPECT_EQ(RunTvTag(home, args).status, 0) << name;
        const std::string printed = RunTvTag(home, {"print", song}).output;
        const std::size_t at = printed.find("\"size\":");
        return at == std::string::npos ? -1 : std::stoll(printed.substr(at + 7));
    };
    const long long bare = newTagSize("bare.mp3", {"--no-padding"});
    EXPECT_GT(bare, 0);
    EXPECT_EQ(newTagSize("room.mp3", {"--padding", "5000"}), bare + 5000);
    EXPECT_EQ(newTagSize("last.mp3", {"--padding", "5000", "--no-padding"}), bare);
}

TEST(TvTagOptions, PrintGivesTheAudioAfterTheTagsWhenThereIsAny)
{
    TempDir dir;
    const std::string home = dir.file("home");
    MakeDir(home);
    // 100 frames of 418 bytes at 128 kbit/s: 2612 ms, the ID3v1 block not counted.
    const std::string song = dir.file("song.mp3");
    WriteFile(song, Id3v2Tag(3, "Artist", "Title") + AudioBytes(41800) + Id3v1Block("T", "A"));
    const std::string text = dir.file("text.mp3");
    WriteFile(text, Id3v2Tag(3, "Artist", "Title") + std::string(3000, 'x'));

    const Outcome outcome = RunTvTag(home, {"print", song, text});
    EXPECT_EQ(outcome.status, 0) << outcome.errors;
    const std::size_t newline = outcome.output.find('\n');
    ASSERT_NE(newline, std::string::npos);
    const std::string first = outcome.output.substr(0, newline);
    const std::string second = outcome.output.substr(newline + 1);
    EXPECT_NE(first.find("\"comment\":\"\",\"lyrics\":\"\"},\"audio\":{\"length_ms\":2612,\"bitrate_kbps\":128,\"sample_rate\":44100,"
                         "\"channels\":2,\"mode\":\"CBR\",\"estimated\":false}}"),
              std::string::npos)
        << first;
    EXPECT_EQ(second.find("audio"), std::string::npos) << second;
    EXPECT_NE(second.find("\"title\":\"Title\""), std::string::npos) << second;
}

TEST(TvTagOptions, FramesListsEachFrameAndLyricsAreSetPrintedAndRemoved)
{
    TempDir dir;
    const std::string home = dir.file("home");
    MakeDir(home);
    const std::string song = dir.file("song.mp3");
    WriteFile(song, Id3v2Tag(3, "Artist", "Title") + AudioBytes(1500));

    Outcome outcome = RunTvTag(home, {"set", song, "--v2", "lyrics=Erste Zeile\nzweite Zeile"});
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    outcome = RunTvTag(home, {"print", song});
    EXPECT_NE(outcome.output.find("\"lyrics\":\"Erste Zeile\\nzweite Zeile\"}"), std::string::npos) << outcome.output;
    outcome = RunTvTag(home, {"frames", song});
    EXPECT_EQ(outcome.status, 0) << outcome.errors;
    // Id, bytes after the frame header, value (lyrics: their first line).
    EXPECT_NE(outcome.output.find("TPE1\t7\tArtist\n"), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("USLT\t29\tErste Zeile ...\n"), std::string::npos) << outcome.output;

    ASSERT_EQ(RunTvTag(home, {"set", song, "--v2", "lyrics="}).status, 0);
    outcome = RunTvTag(home, {"frames", song});
    EXPECT_EQ(outcome.output.find("USLT"), std::string::npos) << outcome.output;
    EXPECT_NE(RunTvTag(home, {"frames", dir.file("missing.mp3")}).status, 0);
}

} // namespace
