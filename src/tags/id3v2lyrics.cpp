#include "id3v2lyrics.h"

#include "id3v2text.h"

#include <algorithm>
#include <cstdio>

namespace id3v2 {

namespace {

// The encoding byte and language at the start of USLT and SYLT contents.
constexpr std::size_t kLanguageEnd = 4;

std::string languageOf(std::string_view content)
{
    return DecodeString(content.substr(1, 3), Latin1);
}

// A time stamp of a synchronised line: `format` 2 milliseconds, 1 MPEG frames.
std::string timeStamp(std::uint32_t value, unsigned char format)
{
    char text[32];
    if (format == 2) {
        const std::uint32_t centis = value / 10;
        std::snprintf(text, sizeof text, "[%02u:%02u.%02u]", centis / 6000, centis / 100 % 60, centis % 100);
    } else {
        std::snprintf(text, sizeof text, "[frame %u]", value);
    }
    return text;
}

}  // namespace

bool IsLanguageCode(std::string_view language)
{
    return language.size() == 3 && std::all_of(language.begin(), language.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

std::optional<Lyrics> ParseLyrics(const Frame& frame)
{
    if (frame.id != "USLT" || frame.opaque())
        return std::nullopt;
    const std::string_view content = frame.content();
    if (content.size() < kLanguageEnd)
        return std::nullopt;
    const auto encoding = static_cast<unsigned char>(content[0]);
    std::string_view rest = content.substr(kLanguageEnd);
    Lyrics lyrics;
    lyrics.language = languageOf(content);
    lyrics.description = DecodeString(TakeString(rest, encoding), encoding);
    lyrics.text = DecodeString(TakeString(rest, encoding), encoding);
    return lyrics;
}

Frame LyricsFrame(const Lyrics& lyrics, int major)
{
    const unsigned char encoding = EncodingFor(lyrics.description + lyrics.text, major);
    std::string content(1, static_cast<char>(encoding));
    content += IsLanguageCode(lyrics.language) ? lyrics.language : std::string("XXX");
    content += EncodeStrings({lyrics.description, lyrics.text}, encoding);
    return MakeFrame("USLT", std::move(content));
}

std::optional<std::size_t> FindLyrics(const std::vector<Frame>& frames)
{
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (ParseLyrics(frames[i]))
            return i;
    return std::nullopt;
}

std::optional<SyncedLyrics> ParseSyncedLyrics(const Frame& frame)
{
    if (frame.id != "SYLT" || frame.opaque())
        return std::nullopt;
    const std::string_view content = frame.content();
    if (content.size() < kLanguageEnd + 2)
        return std::nullopt;
    const auto encoding = static_cast<unsigned char>(content[0]);
    const auto format = static_cast<unsigned char>(content[kLanguageEnd]);
    std::string_view rest = content.substr(kLanguageEnd + 2);
    SyncedLyrics synced;
    synced.language = languageOf(content);
    synced.description = DecodeString(TakeString(rest, encoding), encoding);
    // Each line: its text, a terminator, a 32-bit time stamp. A line cut
    // short ends the list.
    while (!rest.empty()) {
        std::string text = DecodeString(TakeString(rest, encoding), encoding);
        if (rest.size() < 4)
            break;
        const auto* stamp = reinterpret_cast<const unsigned char*>(rest.data());
        const std::uint32_t value = Be32(stamp);
        rest.remove_prefix(4);
        // Writers start a new line of the song with a line break.
        text.erase(0, text.find_first_not_of("\r\n"));
        synced.lines.push_back(timeStamp(value, format) + " " + text);
    }
    return synced;
}

}  // namespace id3v2
