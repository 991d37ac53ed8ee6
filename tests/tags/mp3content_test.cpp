#include "mp3content.h"
#include "tagerror.h"
#include "tagtestutil.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace std::string_literals;

namespace {

std::string Text(const std::string& latin1) { return std::string(1, '\0') + latin1; }

std::size_t LengthOf(const std::string& header)
{
    return Mp3Content::FrameLength(reinterpret_cast<const unsigned char*>(header.data()));
}

// Where the audio after the ID3v2 tag at the start of `bytes` begins.
std::size_t TagEnd(const std::string& bytes)
{
    if (bytes.rfind("ID3", 0) != 0)
        return 0;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i)
        size = size << 7 | (static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]) & 0x7F);
    return 10 + size;
}

// The frames every file of these tests carries in its ID3v2 tag.
const std::string& KeptFrames()
{
    static const std::string frames = Frame23("TPE1", Text("Artist")) + Frame23("TALB", Text("Album"))
        + Frame23("PRIV", "owner\0"s + "\x01\x02\xFF\xFB\x92"s);
    return frames;
}

// Saves a new title into `path`; true when the save worked, else the file
// must be as it was and the reason the refusal of a file that is no MP3.
::testing::AssertionResult SavesTitle(const std::string& path)
{
    const std::string before = ReadFile(path);
    Tmp3TagV2 tag;
    if (!tag.LoadFromFile(path))
        return ::testing::AssertionFailure() << "load: " << tag.LastError();
    tag.SetTitle("New title");
    if (tag.SaveToFile(path))
        return ::testing::AssertionSuccess();
    if (tag.LastError() != "not an MP3 file")
        return ::testing::AssertionFailure() << "refused for another reason: " << tag.LastError();
    if (ReadFile(path) != before)
        return ::testing::AssertionFailure() << "refused but changed";
    return ::testing::AssertionFailure() << "refused as not an MP3 file";
}

}  // namespace

TEST(Mp3Content, FrameHeaders)
{
    // The real audio: each frame's length leads to the next header.
    const std::string& audio = AudioBytes();
    std::size_t at = 0;
    int frames = 0;
    while (at + 4 <= audio.size()) {
        const std::size_t length = LengthOf(audio.substr(at, 4));
        ASSERT_GT(length, 0u) << "no header at " << at;
        at += length;
        ++frames;
    }
    EXPECT_EQ(at, audio.size());
    EXPECT_GE(frames, 3);

    EXPECT_EQ(LengthOf("\xFF\xFB\x92\x00"s), 418u);  // MPEG 1 layer III, 128 kbit/s, 44.1 kHz, padded
    EXPECT_EQ(LengthOf("\xFF\xF3\x80\x00"s), 208u);  // MPEG 2 layer III, 64 kbit/s, 22.05 kHz
    EXPECT_EQ(LengthOf("\xFF\xFF\x10\x00"s), 32u);   // MPEG 1 layer I, 32 kbit/s, 44.1 kHz
    EXPECT_EQ(LengthOf("\xFF\xE3\x18\x00"s), 72u);   // MPEG 2.5 layer III, 8 kbit/s, 8 kHz
    EXPECT_EQ(LengthOf("\xFF\xEB\x92\x00"s), 0u);    // reserved version
    EXPECT_EQ(LengthOf("\xFF\xF9\x92\x00"s), 0u);    // reserved layer
    EXPECT_EQ(LengthOf("\xFF\xFB\x02\x00"s), 0u);    // free bitrate
    EXPECT_EQ(LengthOf("\xFF\xFB\xF2\x00"s), 0u);    // bad bitrate
    EXPECT_EQ(LengthOf("\xFF\xFB\x9E\x00"s), 0u);    // reserved sample rate
    EXPECT_EQ(LengthOf("\xFF\xDB\x92\x00"s), 0u);    // 10 sync bits only
}

TEST(Mp3Content, OtherFormatsAreNeverWritten)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string tag = Tag(3, KeptFrames(), 64);
    // Each signature is followed by real frames, which must not make it an MP3.
    const std::vector<std::pair<std::string, std::string>> others {
        {"png", "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR"s},
        {"jpeg", "\xFF\xD8\xFF\xE0\0\x10JFIF\0"s},
        {"gif", "GIF89a\x01\0\x01\0"s},
        {"flac", "fLaC\0\0\0\x22"s},
        {"flac after a tag", tag + "fLaC\0\0\0\x22"s},
        {"ogg", "OggS\0\x02"s},
        {"wave", "RIFF\x24\0\0\0WAVEfmt "s},
        {"m4a", "\0\0\0\x20" "ftypM4A \0\0\0\0"s},
        {"zip", "PK\x03\x04\x14\0"s},
        {"pdf", "%PDF-1.7\n"s},
    };
    for (const auto& [name, head] : others) {
        WriteFile(path, head + AudioBytes());
        EXPECT_FALSE(SavesTitle(path)) << name;
        EXPECT_EQ(ReadFile(path), head + AudioBytes()) << name;
    }

    // No frame header whose next frame confirms it within the first 64 KB
    // after the tag: text, a lone header, audio that starts too late.
    const std::string lone = "\xFF\xFB\x92\x44"s + std::string(2000, 'z');
    for (const std::string& content : {std::string(70000, 'a'), lone, tag + lone,
                                        tag + std::string(Mp3Content::kWindow, '\0') + AudioBytes()}) {
        WriteFile(path, content);
        EXPECT_FALSE(SavesTitle(path)) << content.size();
        EXPECT_EQ(ReadFile(path), content);
    }

    // The ID3v1 trailer is refused the same way, in its own message style.
    const std::string picture = "\x89PNG\r\n\x1A\n"s + std::string(300, 'p');
    WriteFile(path, picture);
    Tmp3TagV1 v1;
    v1.SetTitle("Title");
    try {
        v1.SaveToFile(path);
        ADD_FAILURE() << "no refusal";
    } catch (const TagError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file \"" + path + "\". It is not an MP3 file");
    }
    EXPECT_EQ(ReadFile(path), picture);
    // Together with the ID3v2 tag neither is written.
    Tmp3TagV2 both;
    both.SetTitle("Title");
    EXPECT_FALSE(both.SaveToFile(path, nullptr, &v1));
    EXPECT_EQ(both.LastError(), "not an MP3 file");
    EXPECT_EQ(ReadFile(path), picture);
    // Nor are tags removed from it: what looks like them belongs to the picture.
    const std::string tagged = tag + picture + Id3v1Block("Title", "Artist");
    WriteFile(path, tagged);
    EXPECT_FALSE(both.RemoveFromFile(path, nullptr, true));
    EXPECT_EQ(both.LastError(), "not an MP3 file");
    EXPECT_THROW(v1.RemoveFromFile(path), TagError);
    EXPECT_EQ(ReadFile(path), tagged);
}

TEST(Mp3Content, AudioAndTagsOnlyStillTaggable)
{
    TempDir dir;
    const std::string path = dir.file("song.mp3");
    const std::string v1Block = Id3v1Block("T", "A");
    const std::string smallTag = Tag(3, KeptFrames(), 16);
    // A tag longer than the first read, so that the content is read after it.
    const std::string largeTag = Tag(3, KeptFrames(), 3 * Mp3Content::kFirstRead);
    const std::size_t firstFrame = LengthOf(AudioBytes().substr(0, 4));
    const std::vector<std::pair<std::string, std::string>> taggable {
        {"bare audio", AudioBytes()},
        {"audio after a small tag", smallTag + AudioBytes()},
        {"audio after a large tag", largeTag + AudioBytes() + v1Block},
        {"a tag only", smallTag},
        {"both tags only", smallTag + v1Block},
        {"junk before the first frame", smallTag + std::string(20000, '\0') + AudioBytes()},
        {"one frame then the trailer", smallTag + AudioBytes().substr(0, firstFrame) + v1Block},
        {"frames of the shared fixture", AudioBytes(5000)},
    };
    for (const auto& [name, content] : taggable) {
        WriteFile(path, content);
        ASSERT_TRUE(SavesTitle(path)) << name;
        const std::string after = ReadFile(path);
        const auto frames = FramesOf(after);
        ASSERT_GE(frames.size(), 1u) << name;
        EXPECT_EQ(frames[0], std::make_pair("TIT2"s, Text("New title"))) << name;
        // Every frame of the old tag is kept as it was, the audio too.
        const auto old = content.rfind("ID3", 0) == 0 ? FramesOf(content) : decltype(frames) {};
        EXPECT_EQ(std::vector(frames.begin() + 1, frames.end()), old) << name;
        EXPECT_EQ(after.substr(TagEnd(after)), content.substr(TagEnd(content))) << name;
    }

    // An empty file still takes an ID3v1 trailer.
    WriteFile(path, "");
    Tmp3TagV1 v1;
    v1.SetTitle("Title");
    v1.SaveToFile(path);
    EXPECT_EQ(ReadFile(path).size(), Tmp3TagV1::kBlockSize);

    // What cannot be read is left to the caller's own open to report.
    EXPECT_EQ(Mp3Content::OfPath(dir.file("missing.mp3")), Mp3Content::Verdict::Unknown);
    EXPECT_EQ(Mp3Content::OfPath(dir.path()), Mp3Content::Verdict::Unknown);
}
