#include "tmp3taginfo.h"

#include "fileutils.h"

void TMp3TagInfo::Clear()
{
    *this = TMp3TagInfo{};
}

void TMp3TagInfo::CopyTagInfo(TMp3TagInfo& destination, const TMp3TagInfo& source)
{
    destination = source;
}

void TMp3TagInfo::Merge(const TMp3TagInfo& first, const TMp3TagInfo& second)
{
    // Copies first: `first` or `second` may be this very record.
    const TMp3TagInfo a = first;
    const TMp3TagInfo b = second;
    Clear();
    Present = a.Present || b.Present;
    if (!Present)
        return;
    Track = FirstNonEmpty(a.Track, b.Track);
    Title = FirstNonEmpty(a.Title, b.Title);
    Artist = FirstNonEmpty(a.Artist, b.Artist);
    Album = FirstNonEmpty(a.Album, b.Album);
    Year = FirstNonEmpty(a.Year, b.Year);
    Genre = FirstNonEmpty(a.Genre, b.Genre);
    Comment = FirstNonEmpty(a.Comment, b.Comment);
    AlbumArtist = FirstNonEmpty(a.AlbumArtist, b.AlbumArtist);
    Disc = FirstNonEmpty(a.Disc, b.Disc);
    Composer = FirstNonEmpty(a.Composer, b.Composer);
    Bpm = FirstNonEmpty(a.Bpm, b.Bpm);
}

std::string TMp3TagInfo::FirstNonEmpty(std::string_view a, std::string_view b)
{
    std::string trimmed = TrimControls(a);
    if (!trimmed.empty())
        return trimmed;
    return TrimControls(b);
}
