// No tag makes the ID3v2 object hold more than a bounded amount of memory:
// large frames that stay as they are get copied from the file, a tag that
// would need more is a failed save with the file untouched, and running out
// of memory is a failure, never an exception. Each case runs in a child
// process whose data segment may grow by a fixed amount only.

#include "tagtestutil.h"
#include "tmp3tagv2.h"
#include "unicodeutils.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace std::string_literals;

namespace {

constexpr std::size_t MB = 1 << 20;
constexpr std::size_t kPictureSize = 3 * MB / 2;

// Saves a new title into the file; 0 when that worked, 1 when it failed with
// `expectedError` (when one is given), 2 otherwise.
int SaveTitleExitCode(const std::string& path, const std::string& expectedError = {})
{
    Tmp3TagV2 tag;
    if (!tag.LoadFromFile(path))
        return 2;
    tag.SetTitle("Big");
    if (tag.SaveToFile(path))
        return expectedError.empty() ? 0 : 2;
    return tag.LastError() == expectedError ? 1 : 2;
}

// A picture frame of `size` bytes whose bytes differ from frame to frame.
std::string Picture(int number, std::size_t size, bool version4)
{
    std::string content = version4 ? "\x03image/png\0\x03"s + "Bild " + std::to_string(number) + "\0"s
                                   : "\0image/png\0\x03"s + "Pic " + std::to_string(number) + "\0"s;
    content.resize(size, static_cast<char>('a' + number % 26));
    return version4 ? Frame24("APIC", content) : Frame23("APIC", content);
}

}  // namespace

TEST(TagMemory, LargeFramesAreCopiedNotHeld)
{
    TempDir dir;
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        const std::string path = dir.file("pictures.mp3");
        std::string frames = version == 3 ? Frame23("TIT2", "\0Old"s) : Frame24("TIT2", "\0Old"s);
        for (int i = 0; i < 24; ++i)
            frames += Picture(i, kPictureSize, version == 4);  // 36 MB of pictures
        WriteFile(path, Tag(version, frames) + AudioBytes());
        std::string().swap(frames);

        EXPECT_EQ(WithMemoryLimit(32, [&] { return SaveTitleExitCode(path); }), 0);
        const std::string bytes = ReadFile(path);
        EXPECT_EQ(bytes.substr(bytes.size() - AudioBytes().size()), AudioBytes());
        const auto out = FramesOf(bytes);
        ASSERT_EQ(out.size(), 25u);
        EXPECT_EQ(out[0].second, "\0Big"s);
        for (int i = 0; i < 24; ++i) {
            // Version 4 descriptions are UTF-8: they become UTF-16, the picture stays.
            const std::string name = (version == 3 ? "Pic " : "Bild ") + std::to_string(i);
            const std::string picture(kPictureSize - 13 - name.size(), static_cast<char>('a' + i % 26));
            const std::string expected = version == 3
                ? "\0image/png\0\x03"s + name + "\0"s + picture
                : "\x01image/png\0\x03\xFF\xFE"s + Utf8ToUtf16(name, false) + "\0\0"s + picture;
            EXPECT_TRUE(out[static_cast<std::size_t>(i) + 1].second == expected) << i;
        }
    }
}

TEST(TagMemory, TagsThatNeedTooMuchFailAndLeaveTheFile)
{
    TempDir dir;
    const std::string path = dir.file("huge.mp3");
    const std::string tooLarge = "The ID3v2 tag is too large to be rewritten";

    // Whole-tag unsynchronisation must be undone in memory: 34 MB is too much.
    std::string frames = Frame23("TIT2", "\0Old"s) + Frame23("PRIV", "owner\0"s + std::string(34 * MB, '\xFF'));
    std::string original = Tag(3, frames, 0, 0x80) + AudioBytes();
    WriteFile(path, original);
    EXPECT_EQ(WithMemoryLimit(256, [&] { return SaveTitleExitCode(path, tooLarge); }), 1);
    EXPECT_TRUE(ReadFile(path) == original);

    // So must the unsynchronisation of 34 frames of 1 MB each.
    frames = Frame24("TIT2", "\0Old"s);
    for (int i = 0; i < 34; ++i)
        frames += Frame24("PRIV", "owner\0"s + std::string(MB, static_cast<char>(i)), 0, 0x02);
    original = Tag(4, frames) + AudioBytes();
    WriteFile(path, original);
    EXPECT_EQ(WithMemoryLimit(256, [&] { return SaveTitleExitCode(path, tooLarge); }), 1);
    EXPECT_TRUE(ReadFile(path) == original);

    // Less memory than even that: a failure, not an exception.
    frames = Frame23("TIT2", "\0Old"s);
    for (int i = 0; i < 24; ++i)
        frames += Frame23("TXXX", "\0Key "s + std::to_string(i) + "\0"s + std::string(MB, 'v'));
    original = Tag(3, frames) + AudioBytes();
    WriteFile(path, original);
    EXPECT_EQ(WithMemoryLimit(8, [&] { return SaveTitleExitCode(path, "Not enough memory"); }), 1);
    EXPECT_TRUE(ReadFile(path) == original);
}

TEST(TagMemory, CompressedFramesCannotBlowUp)
{
    TempDir dir;
    const std::string path = dir.file("bomb.mp3");
    // 300 MB of text in a few hundred KB, claiming to be 2 GB.
    z_stream stream {};
    deflateInit(&stream, 9);
    std::string packed(1 * MB, '\0');
    const std::string chunk(MB, 'A');
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    for (int i = 0; i < 300; ++i) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
        stream.avail_in = static_cast<uInt>(chunk.size());
        deflate(&stream, i == 299 ? Z_FINISH : Z_NO_FLUSH);
    }
    packed.resize(packed.size() - stream.avail_out);
    deflateEnd(&stream);
    const std::string bomb = Frame23("TXXX", Be32(0x7FFFFFFF) + packed, 0x80);
    const std::string liar = Frame23("TIT3", Be32(1000) + packed, 0x80);
    WriteFile(path, Tag(3, Frame23("TIT2", "\0Old"s) + bomb + liar) + AudioBytes());
    EXPECT_EQ(WithMemoryLimit(96, [&] { return SaveTitleExitCode(path); }), 0);
    const std::string bytes = ReadFile(path);
    EXPECT_NE(bytes.find(bomb), std::string::npos);
    EXPECT_NE(bytes.find(liar), std::string::npos);
}
