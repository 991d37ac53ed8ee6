#include "id3v2frame.h"

namespace id3v2 {

std::size_t Frame::extraSize() const
{
    std::size_t size = 0;
    if (format & kCompressed)
        size += 4;
    if (format & kEncrypted)
        size += 1;
    if (format & kGrouped)
        size += 1;
    return size < data.size() ? size : data.size();
}

std::string_view Frame::content() const
{
    return std::string_view(data).substr(extraSize());
}

void Frame::setContent(std::string content)
{
    data.resize(extraSize());
    data += content;
}

Frame MakeFrame(std::string id, std::string content)
{
    Frame frame;
    frame.id = std::move(id);
    frame.data = std::move(content);
    return frame;
}

std::string FrameHeader(const Frame& frame, int major)
{
    std::string header = frame.id;
    header.resize(4, ' ');
    const auto size = static_cast<std::uint32_t>(frame.size() - kHeaderSize);
    if (major == 4)
        PutSyncsafe32(header, size);
    else
        PutBe32(header, size);
    header += static_cast<char>(frame.status);
    header += static_cast<char>(frame.format);
    return header;
}

std::string BuildTagHeader(std::uint32_t framesSize, int major, unsigned char flags)
{
    std::string header = "ID3";
    header += static_cast<char>(major);
    header += '\0';
    header += static_cast<char>(flags);
    PutSyncsafe32(header, framesSize);
    return header;
}

std::uint32_t Be32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint32_t Syncsafe32(const unsigned char* p)
{
    return (std::uint32_t(p[0] & 0x7F) << 21) | (std::uint32_t(p[1] & 0x7F) << 14)
        | (std::uint32_t(p[2] & 0x7F) << 7) | (p[3] & 0x7F);
}

void PutSyncsafe32(std::string& out, std::uint32_t value)
{
    out += static_cast<char>((value >> 21) & 0x7F);
    out += static_cast<char>((value >> 14) & 0x7F);
    out += static_cast<char>((value >> 7) & 0x7F);
    out += static_cast<char>(value & 0x7F);
}

void PutBe32(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value >> 24);
    out += static_cast<char>(value >> 16);
    out += static_cast<char>(value >> 8);
    out += static_cast<char>(value);
}

}  // namespace id3v2
