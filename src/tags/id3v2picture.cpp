#include "id3v2picture.h"

#include "id3v2text.h"

namespace id3v2 {

std::optional<TagPicture> ParsePicture(const Frame& frame)
{
    if (frame.id != "APIC" || frame.opaque())
        return std::nullopt;
    std::string_view rest = frame.content();
    if (rest.size() < 2)
        return std::nullopt;
    const auto encoding = static_cast<unsigned char>(rest[0]);
    rest.remove_prefix(1);
    const std::size_t mimeEnd = rest.find('\0');
    if (mimeEnd == std::string_view::npos || mimeEnd + 1 >= rest.size())
        return std::nullopt;
    TagPicture picture;
    picture.mimeType = DecodeString(rest.substr(0, mimeEnd), Latin1);
    picture.type = static_cast<unsigned char>(rest[mimeEnd + 1]);
    rest.remove_prefix(mimeEnd + 2);
    picture.description = DecodeString(TakeString(rest, encoding), encoding);
    picture.data = rest;
    return picture;
}

std::optional<std::size_t> FindFrontCover(const std::vector<Frame>& frames)
{
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const std::optional<TagPicture> picture = ParsePicture(frames[i]);
        if (picture && picture->type == TagPicture::kFrontCover)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindCover(const std::vector<Frame>& frames)
{
    if (const std::optional<std::size_t> front = FindFrontCover(frames))
        return front;
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (ParsePicture(frames[i]))
            return i;
    return std::nullopt;
}

std::string CheckPicture(std::string_view data, std::string& mimeType)
{
    if (data.size() > TagPicture::kMaxSize)
        return "The picture is larger than 16 MB";
    if (data.starts_with("\xFF\xD8\xFF")) {
        mimeType = "image/jpeg";
        return {};
    }
    if (data.starts_with("\x89PNG\r\n\x1A\n")) {
        mimeType = "image/png";
        return {};
    }
    return "The picture is neither a JPEG nor a PNG image";
}

Frame FrontCoverFrame(const std::string& mimeType, const std::string& data)
{
    std::string content(1, static_cast<char>(Latin1));
    content += mimeType;
    content += '\0';
    content += static_cast<char>(TagPicture::kFrontCover);
    content += '\0';  // an empty description
    content += data;
    return MakeFrame("APIC", std::move(content));
}

}  // namespace id3v2
