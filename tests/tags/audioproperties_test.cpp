#include "audioproperties.h"
#include "tagtestutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <tuple>

namespace {

// Little-endian bytes of `value`, `count` of them.
std::string Le(std::uint32_t value, int count)
{
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// A 16-bit stereo WAV file of `seconds` of a tone at 44.1 kHz.
std::string ToneWav(int seconds)
{
    constexpr std::uint32_t kRate = 44100;
    const std::uint32_t frames = kRate * static_cast<std::uint32_t>(seconds);
    std::string samples;
    for (std::uint32_t i = 0; i < frames * 2; ++i)
        samples += Le(static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * std::sin(0.03 * i))), 2);
    return "RIFF" + Le(36 + static_cast<std::uint32_t>(samples.size()), 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2)
        + Le(2, 2) + Le(kRate, 4) + Le(kRate * 4, 4) + Le(4, 2) + Le(16, 2) + "data"
        + Le(static_cast<std::uint32_t>(samples.size()), 4) + samples;
}

class LameFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("command -v lame >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "lame is not installed (tools/deps.sh installs it)";
        WriteFile(m_dir.file("tone.wav"), ToneWav(kSeconds));
    }

    // The MP3 file lame makes of the tone with `options`.
    std::string encode(const std::string& name, const std::string& options)
    {
        const std::string out = m_dir.file(name);
        const std::string command =
            "lame --quiet " + options + " '" + m_dir.file("tone.wav") + "' '" + out + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return out;
    }

    static constexpr int kSeconds = 5;
    TempDir m_dir;
};

// The length a frame of `samples` at `rate` takes, in ms, rounded up.
std::int64_t FrameMs(int samples, int rate) { return (samples * 1000 + rate - 1) / rate; }

TEST_F(LameFiles, FiguresFollowTheEncoderSettings)
{
    // bitrate 0: VBR, whose average must agree with the file's size.
    struct Case {
        const char* name;
        std::string options;
        int bitrate, rate, channels, version, samples;
    };
    const Case cases[] = {
        {"cbr128.mp3", "-b 128", 128, 44100, 2, 10, 1152},
        {"cbr320.mp3", "-b 320", 320, 44100, 2, 10, 1152},
        {"vbr.mp3", "-V 2", 0, 44100, 2, 10, 1152},
        {"mono22.mp3", "--resample 22.05 -m m -b 64", 64, 22050, 1, 20, 576},
        {"tagged.mp3", "-b 128 --id3v2-only --tt Title --ta Artist --pad-id3v2-size 3000", 128, 44100, 2, 10, 1152},
        {"tagged-v1.mp3", "-V 5 --add-id3v2 --tt Title", 0, 44100, 2, 10, 1152},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<AudioProperties> audio = ReadAudioPropertiesOf(encode(c.name, c.options));
        ASSERT_TRUE(audio);
        // The LAME header gives the encoder's delay and padding: the length
        // is the input's, within one frame.
        EXPECT_NEAR(audio->lengthMs, kSeconds * 1000, FrameMs(c.samples, c.rate));
        EXPECT_EQ(std::tie(audio->sampleRate, audio->channels, audio->mpegVersion, audio->layer, audio->vbr),
                  std::make_tuple(c.rate, c.channels, c.version, 3, c.bitrate == 0));
        EXPECT_FALSE(audio->estimated);
        if (c.bitrate != 0) {
            EXPECT_EQ(audio->bitrateKbps, c.bitrate);
        } else {
            const auto bytes = static_cast<std::int64_t>(ReadFile(m_dir.file(c.name)).size());
            EXPECT_NEAR(audio->bitrateKbps, bytes * 8 / audio->lengthMs, 4);
        }
    }
}

TEST_F(LameFiles, WithoutHeaderOrCutOffTheLengthComesFromTheSize)
{
    // No Xing/Info header (-t): CBR from the size, which holds the encoder's
    // delay and padding too (up to two frames more than the input).
    const std::string cbr = encode("cbr.mp3", "-t -b 128");
    const std::optional<AudioProperties> plain = ReadAudioPropertiesOf(cbr);
    ASSERT_TRUE(plain);
    EXPECT_NEAR(plain->lengthMs, kSeconds * 1000 + FrameMs(1152, 44100), FrameMs(1152, 44100));
    EXPECT_FALSE(plain->vbr || plain->estimated);

    // VBR without a header: the frames' bitrates differ, the length is a guess.
    const std::optional<AudioProperties> vbr = ReadAudioPropertiesOf(encode("vbr.mp3", "-t -V 2"));
    ASSERT_TRUE(vbr);
    EXPECT_TRUE(vbr->vbr && vbr->estimated);

    // Cut in half behind its header: about half the length, as a guess.
    for (const std::string options : {"-b 128", "-V 2"}) {
        SCOPED_TRACE(options);
        const std::string whole = ReadFile(encode("whole.mp3", options));
        const std::string cut = m_dir.file("cut.mp3");
        WriteFile(cut, whole.substr(0, whole.size() / 2));
        const std::optional<AudioProperties> half = ReadAudioPropertiesOf(cut);
        ASSERT_TRUE(half);
        EXPECT_TRUE(half->estimated);
        EXPECT_NEAR(half->lengthMs, kSeconds * 500, 3 * FrameMs(1152, 44100));
    }
}

}  // namespace

TEST(AudioProperties, TagsAtTheEndAreNoAudioAndOtherFilesHaveNone)
{
    TempDir dir;
    const auto read = [&](const std::string& bytes) {
        const std::string path = dir.file("song.mp3");
        WriteFile(path, bytes);
        return ReadAudioPropertiesOf(path);
    };
    // 100 frames of 418 bytes at 128 kbit/s, CBR without a header.
    const std::string audio = AudioBytes(41800);
    const std::optional<AudioProperties> plain = read(Tag(3, Frame23("TIT2", std::string(1, '\0') + "T")) + audio);
    const AudioProperties expected {41800 * 8 / 128, 128, 44100, 2, 10, 3, false, false};
    EXPECT_EQ(plain, expected);

    // An APE tag (with its header) and a Lyrics3 v2 block before the ID3v1
    // trailer do not lengthen the song.
    const std::string apeItems = Le(5, 4) + Le(0, 4) + "Title" + '\0' + "Hello";
    const std::string apeFooter = "APETAGEX" + Le(2000, 4) + Le(static_cast<std::uint32_t>(apeItems.size()) + 32, 4)
        + Le(1, 4) + Le(0x80000000u, 4) + std::string(8, '\0');
    std::string apeHeader = apeFooter;
    apeHeader[23] = '\xA0';  // the header's flags: a header, this is it
    const std::string ape = apeHeader + apeItems + apeFooter;
    const std::string lyrics = "LYRICSBEGININD0000210000021LYRICS200";
    const std::string v1 = Id3v1Block("Title", "Artist");
    EXPECT_EQ(read(audio + ape + v1), plain);
    EXPECT_EQ(read(audio + lyrics + v1), plain);
    EXPECT_EQ(read(audio + ape), plain);
    EXPECT_EQ(read(audio + v1), plain);

    // No MPEG frame: nothing, tags only, text, zeros, another format, a
    // lone frame header whose frame does not line up with another one.
    for (const std::string& bytes :
         {std::string(), Tag(3, Frame23("TIT2", std::string(1, '\0') + "T")) + v1, v1,
          std::string(5000, 'a'), std::string(70000, '\0'), "\x89PNG\r\n\x1A\n" + audio,
          std::string("\xFF\xFB\x92\x55") + std::string(500, '\0')}) {
        EXPECT_FALSE(read(bytes)) << bytes.size();
    }

    // A header that claims more frames than any file holds and no bytes:
    // a finite length, and no bitrate from a division by zero.
    std::string xing = AudioBytes(4180);
    xing.replace(4 + 32, 16, "Xing" + Be32(3) + Be32(0xFFFFFFFFu) + Be32(0));
    const std::optional<AudioProperties> huge = read(xing);
    ASSERT_TRUE(huge);
    EXPECT_TRUE(huge->vbr && huge->lengthMs > 0 && huge->bitrateKbps >= 0);
}
