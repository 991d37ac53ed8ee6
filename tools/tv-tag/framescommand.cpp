#include "framescommand.h"

#include "tmp3tagv2.h"

#include <iostream>

namespace {

// The value on one line: control characters become spaces.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 32)
            c = ' ';
    return text;
}

const id3v2::FrameEntry* firstLyrics(const Tmp3TagV2& tag)
{
    for (const id3v2::FrameEntry& entry : tag.FrameList())
        if (entry.kind == id3v2::FrameKind::Lyrics)
            return &entry;
    return nullptr;
}

}  // namespace

int PrintFrames(const std::string& file, const TagOptions& options)
{
    Tmp3TagV2 tag(options);
    if (!tag.LoadFrames(file)) {
        std::cerr << "tv-tag: could not read the ID3v2 tag of \"" << file << "\": " << tag.LastError() << '\n';
        return 1;
    }
    for (const id3v2::FrameEntry& entry : tag.FrameList()) {
        std::string value = entry.summary;
        if (!entry.description.empty() && entry.kind != id3v2::FrameKind::Picture)
            value = entry.description + ": " + value;
        std::cout << entry.id() << '\t' << entry.size << '\t' << oneLine(value) << '\n';
    }
    return 0;
}

std::string LyricsText(const std::string& file, const TagOptions& options)
{
    Tmp3TagV2 tag(options);
    tag.LoadFrames(file);
    const id3v2::FrameEntry* lyrics = firstLyrics(tag);
    return lyrics ? lyrics->text : std::string();
}

void SetLyricsText(Tmp3TagV2& tag, const std::string& file, const std::string& text)
{
    if (text.empty()) {
        tag.RemoveLyrics();
        return;
    }
    Tmp3TagV2 probe(tag.Options());
    probe.LoadFrames(file);
    id3v2::Lyrics lyrics;
    if (const id3v2::FrameEntry* old = firstLyrics(probe)) {
        lyrics.language = old->language;
        lyrics.description = old->description;
    }
    lyrics.text = text;
    tag.SetLyrics(std::move(lyrics));
}
