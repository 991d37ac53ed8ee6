#include "tagtestutil.h"

#include <gtest/gtest.h>

const std::string& AudioBytes()
{
    static const std::string bytes = ReadFile(TV_TEST_DATA_DIR "/audio.mp3");
    return bytes;
}

std::string Be32(std::uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::string Syncsafe(std::uint32_t v)
{
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

std::string Id3Header(int major, unsigned char flags, std::uint32_t bodySize)
{
    std::string h = "ID3";
    h += static_cast<char>(major);
    h += '\0';
    h += static_cast<char>(flags);
    return h + Syncsafe(bodySize);
}

std::string Frame23(const std::string& id, const std::string& content, unsigned char flags2)
{
    return id + Be32(static_cast<std::uint32_t>(content.size())) + '\0' + static_cast<char>(flags2) + content;
}

std::string Frame24(const std::string& id, const std::string& content, unsigned char status, unsigned char format)
{
    return id + Syncsafe(static_cast<std::uint32_t>(content.size())) + static_cast<char>(status)
        + static_cast<char>(format) + content;
}

std::string Frame22(const std::string& id, const std::string& content)
{
    const auto n = static_cast<std::uint32_t>(content.size());
    return id + static_cast<char>(n >> 16) + static_cast<char>(n >> 8) + static_cast<char>(n) + content;
}

std::string Tag(int major, const std::string& frames, std::size_t padding, unsigned char flags)
{
    const std::string body = frames + std::string(padding, '\0');
    return Id3Header(major, flags, static_cast<std::uint32_t>(body.size())) + body;
}

std::vector<std::pair<std::string, std::string>> FramesOf(const std::string& bytes)
{
    std::vector<std::pair<std::string, std::string>> frames;
    EXPECT_EQ(bytes.substr(0, 4), "ID3\3");
    if (bytes.size() < 10)
        return frames;
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const std::size_t end = 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9));
    std::size_t pos = 10;
    while (pos + 10 <= end && bytes[pos] != '\0') {
        const std::size_t size = (b(pos + 4) << 24) | (b(pos + 5) << 16) | (b(pos + 6) << 8) | b(pos + 7);
        frames.emplace_back(bytes.substr(pos, 4), bytes.substr(pos + 10, size));
        pos += 10 + size;
    }
    // What follows the frames is padding.
    EXPECT_LE(pos, end);
    for (std::size_t i = pos; i < end && i < bytes.size(); ++i)
        if (bytes[i] != '\0') {
            ADD_FAILURE() << "no padding at " << i;
            break;
        }
    return frames;
}
