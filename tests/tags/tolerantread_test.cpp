// Tags that other programs wrote slightly wrong are read as they were meant,
// and a save of one field carries every other frame: nothing of such a tag
// is lost, or the save is refused and the file left as it was.

#include "tagtestutil.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

std::string Text(const std::string& latin1) { return "\0"s + latin1; }

// The frames of the ID3v2.3 or ID3v2.4 tag our save wrote at the start of
// `file`, each whole (header and content), in order; the rest of the tag
// must be zeros and the audio must follow it.
std::vector<std::string> SavedFrames(const std::string& file)
{
    std::vector<std::string> frames;
    EXPECT_EQ(file.substr(0, 3), "ID3");
    if (file.size() < 10)
        return frames;
    const auto b = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(file[i])); };
    const bool version4 = file[3] == 4;
    const std::size_t end = 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9));
    std::size_t pos = 10;
    while (pos + 10 <= end && file[pos] != '\0') {
        const std::size_t size = version4
            ? (b(pos + 4) << 21) | (b(pos + 5) << 14) | (b(pos + 6) << 7) | b(pos + 7)
            : (b(pos + 4) << 24) | (b(pos + 5) << 16) | (b(pos + 6) << 8) | b(pos + 7);
        frames.push_back(file.substr(pos, 10 + size));
        pos += 10 + size;
    }
    EXPECT_LE(pos, end);
    EXPECT_EQ(file.find_first_not_of('\0', pos), end) << "no padding after the frames";
    EXPECT_EQ(file.substr(end), AudioBytes());
    return frames;
}

// Loads the file, checks its artist, sets another title and saves (an
// ID3v2.4 tag as ID3v2.3, or with `keep` as ID3v2.4); then the title reads
// back and the saved frames other than the title are `others`.
void ExpectTitleSaveKeeps(const std::string& path, const std::string& artist,
                          const std::vector<std::string>& others, bool keep = false)
{
    TagOptions options;
    if (keep)
        options.writeVersion = Id3v2WriteVersion::Keep;
    Tmp3TagV2 tag(options);
    ASSERT_TRUE(tag.LoadFromFile(path));
    EXPECT_EQ(tag.Artist(), artist);
    tag.SetTitle("New");
    ASSERT_TRUE(tag.SaveToFile(path)) << tag.LastError();
    std::vector<std::string> frames = SavedFrames(ReadFile(path));
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(ReadFile(path)[3], keep && tag.MajorVersion() == 4 ? 4 : 3);
    EXPECT_EQ(frames[0].substr(0, 4), "TIT2");
    frames.erase(frames.begin());
    EXPECT_EQ(frames, others);
    Tmp3TagV2 after;
    ASSERT_TRUE(after.LoadFromFile(path));
    EXPECT_EQ(after.Title(), "New");
    EXPECT_EQ(after.Artist(), artist);
}

// A save of another title is refused with `reason`, the file untouched.
void ExpectSaveRefused(const std::string& path, const std::string& reason)
{
    const std::string before = ReadFile(path);
    Tmp3TagV2 tag;
    ASSERT_TRUE(tag.LoadFromFile(path));
    tag.SetTitle("New");
    EXPECT_FALSE(tag.SaveToFile(path));
    EXPECT_EQ(tag.LastError(), reason);
    EXPECT_EQ(ReadFile(path), before);
}

const std::string kNotFrames = "The ID3v2 tag holds bytes that are not frames; saving would lose them";

}  // namespace

TEST(TolerantRead, ExtendedHeaderFlagWithoutExtendedHeader)
{
    TempDir dir;
    // Frames under 128 bytes: their headers are alike in both versions.
    for (const int major : {3, 4}) {
        for (const bool keep : {false, true}) {
            SCOPED_TRACE(major * 10 + keep);
            const std::string path = dir.file("ext" + std::to_string(major) + ".mp3");
            const std::string artist = Frame23("TPE1", Text("Artist"));
            const std::string priv = Frame23("PRIV", "owner\0\x01\x02\x03"s);
            const std::string txxx = Frame23("TXXX", Text("Key") + '\0' + "Value");
            const std::string frames = Frame23("TIT2", Text("Old title")) + artist + priv + txxx;
            WriteFile(path, Tag(major, frames, 64, 0x40) + AudioBytes());
            ExpectTitleSaveKeeps(path, "Artist", {artist, priv, txxx}, keep);
        }
    }
    // Where the first frame's id breaks the rule, the extended header's size
    // would run past the tag: there is none either.
    const std::string path = dir.file("past.mp3");
    const std::string blank = Frame23("TXX ", Text("x"));
    const std::string artist = Frame23("TPE1", Text("Artist"));
    WriteFile(path, Tag(3, blank + artist, 0, 0x40) + AudioBytes());
    ExpectTitleSaveKeeps(path, "Artist", {artist, blank});
}

TEST(TolerantRead, FramesWithIdsOutsideTheRuleAreKeptAsTheyAre)
{
    TempDir dir;
    // Lower case, a blank, an ID3v2.2 id padded with a zero; one with both
    // flag bytes set (grouped and compressed): kept byte for byte, never
    // decompressed, and the frames after them are read.
    const std::string lower = Frame23("tAlb", Text("lower"));
    const std::string blank = Frame23("TXX ", Text("blank"));
    const std::string padded = Frame23("TT2\0"s, Text("padded"));
    const std::string flagged = "Ab1 "s + Be32(6) + "\x40\xA0"s + "\x01\x02\x03\x04\x07z";
    const std::string artist = Frame23("TPE1", Text("Artist"));
    const std::string priv = Frame23("PRIV", "owner\0\x05"s);
    const std::string path = dir.file("ids3.mp3");
    WriteFile(path, Tag(3, Frame23("TIT2", Text("Old")) + lower + blank + padded + flagged + artist + priv, 32)
                        + AudioBytes());
    ExpectTitleSaveKeeps(path, "Artist", {artist, lower, blank, padded, flagged, priv});

    // The same in an ID3v2.4 tag, written as ID3v2.3 or again as ID3v2.4.
    for (const bool keep : {false, true}) {
        const std::string path4 = dir.file("ids4.mp3");
        WriteFile(path4, Tag(4, Frame24("TIT2", Text("Old")) + lower + artist + padded, 32) + AudioBytes());
        ExpectTitleSaveKeeps(path4, "Artist", {artist, lower, padded}, keep);
    }

    // Bytes after the frames that are neither frames nor padding, or a frame
    // id outside the rule whose size runs past the tag: the save is refused.
    const std::string junk = dir.file("junk.mp3");
    WriteFile(junk, Tag(3, Frame23("TIT2", Text("Old")) + artist + "\xFF\xFB\x90\x64junk", 16) + AudioBytes());
    ExpectSaveRefused(junk, kNotFrames);
    const std::string runsPast = dir.file("runspast.mp3");
    WriteFile(runsPast, Tag(3, artist + "tAlb"s + Be32(50) + "\0\0"s + Text("cut")) + AudioBytes());
    ExpectSaveRefused(runsPast, kNotFrames);
    // An ID3v2.2 tag cannot carry such a frame into the ID3v2.3 tag written.
    const std::string v22 = dir.file("v22.mp3");
    WriteFile(v22, Tag(2, Frame22("TT2", Text("Old")) + Frame22("tal", Text("x")) + Frame22("TP1", Text("A")))
                       + AudioBytes());
    ExpectSaveRefused(v22, kNotFrames);
}

TEST(TolerantRead, Version4FrameSizesWrittenAsPlainIntegers)
{
    TempDir dir;
    const auto plainFrame = [](const std::string& id, const std::string& content) {
        return id + Be32(static_cast<std::uint32_t>(content.size())) + "\0\0"s + content;
    };
    // Read as syncsafe, the size of the first ends inside its capitals,
    // which look like a frame id; that of the second on a zero byte.
    std::string capitals = "\0"s + "Key" + '\0';
    while (capitals.size() < 256)
        capitals += static_cast<char>('A' + capitals.size() % 26);
    std::string alternating;
    for (std::size_t i = 0; i < 301; ++i)
        alternating += i % 2 ? '\0' : static_cast<char>('A' + (i / 2) % 26);
    const std::string artist = Frame24("TPE1", Text("Artist"));
    const std::string terms = "\0eng"s + std::string(200, 'u');
    const std::string frames = Frame24("TIT2", Text("Old")) + plainFrame("TXXX", capitals)
        + plainFrame("PRIV", alternating) + artist + Frame24("USER", terms) + plainFrame("TPE2", Text("Band"));
    // Written with the sizes of the version saved, their contents unchanged.
    for (const bool keep : {false, true}) {
        const std::string path = dir.file("plain.mp3");
        WriteFile(path, Tag(4, frames, 0) + AudioBytes());
        const auto frame = [keep](const std::string& id, const std::string& content) {
            return keep ? Frame24(id, content) : Frame23(id, content);
        };
        ExpectTitleSaveKeeps(path, "Artist",
                             {artist, frame("TXXX", capitals), frame("PRIV", alternating), frame("USER", terms),
                              frame("TPE2", Text("Band"))},
                             keep);
    }
}

TEST(TolerantRead, LastFrameRunningPastTheTagKeepsWhatTheTagHolds)
{
    TempDir dir;
    for (const int major : {3, 4}) {
        SCOPED_TRACE(major);
        const auto frame = [major](const std::string& id, const std::string& content) {
            return major == 3 ? Frame23(id, content) : Frame24(id, content);
        };
        const std::string path = dir.file("cut" + std::to_string(major) + ".mp3");
        const std::string artist = frame("TPE1", Text("Artist"));
        const std::string held = "owner\0"s + std::string(34, 'p');
        // The PRIV frame declares 100 bytes; the tag ends after 40 of them.
        const std::string cut = "PRIV"s + (major == 3 ? Be32(100) : Syncsafe(100)) + "\0\0"s + held;
        WriteFile(path, Tag(major, frame("TIT2", Text("Old title")) + artist + cut) + AudioBytes());
        ExpectTitleSaveKeeps(path, "Artist", {artist, frame("PRIV", held)}, true);
    }
}

TEST(TolerantRead, UnknownVersionIsLeftAlone)
{
    TempDir dir;
    for (const int major : {5, 255}) {
        SCOPED_TRACE(major);
        const std::string path = dir.file("v" + std::to_string(major) + ".mp3");
        const std::string original = Tag(major, Frame24("TIT2", Text("Future")), 20) + AudioBytes();
        WriteFile(path, original);
        const std::string reason = "The ID3v2 tag's version (2." + std::to_string(major) + ") is not supported";
        ExpectSaveRefused(path, reason);
        Tmp3TagV2 tag;
        EXPECT_FALSE(tag.RemoveFromFile(path));
        EXPECT_EQ(tag.LastError(), reason);
        EXPECT_EQ(ReadFile(path), original);

        // The ID3v1 block alone can still be written.
        Tmp3TagV1 v1;
        v1.LoadFromFile(path);
        v1.SetTitle("Title");
        v1.SaveToFile(path);
        const std::string saved = ReadFile(path);
        ASSERT_EQ(saved.size(), original.size() + 128);
        EXPECT_EQ(saved.substr(0, original.size()), original);
        EXPECT_EQ(saved.substr(original.size(), 3), "TAG");
    }
}
