#include "tagfieldtable.h"

#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <array>
#include <charconv>
#include <string>
#include <utility>

namespace {

// A whole number in 0..max written in decimal, with blanks around it.
std::optional<int> Number(std::string_view text, int max)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0 || value > max)
        return std::nullopt;
    return value;
}

std::string V1Track(const Tmp3TagV1& tag)
{
    return tag.Track() != 0 ? std::to_string(tag.Track()) : std::string();
}

bool SetV1Track(Tmp3TagV1& tag, const std::string& text)
{
    const std::optional<int> track = text.empty() ? 0 : Number(text, 255);
    if (!track)
        return false;
    tag.SetTrack(*track);
    return true;
}

// The track text as it stands ("3/12").
std::string V2Track(const Tmp3TagV2& tag)
{
    return tag.TrackText();
}

// "n" or "n/N", each 0..65535, or nothing.
bool SetV2Track(Tmp3TagV2& tag, const std::string& text)
{
    const std::size_t slash = text.find('/');
    if (!text.empty()
        && (!Number(std::string_view(text).substr(0, slash), 65535)
            || (slash != std::string::npos && !Number(std::string_view(text).substr(slash + 1), 65535))))
        return false;
    tag.SetTrackText(text);
    return true;
}

// The genre the tag's number stands for; a name outside the list is saved
// as no genre.
std::string V1Genre(const Tmp3TagV1& tag)
{
    const auto& genres = Tmp3TagV1::Genres();
    const int id = tag.GenreID();
    return id >= 0 && id < static_cast<int>(genres.size()) ? genres[static_cast<std::size_t>(id)] : std::string();
}

bool SetV1Genre(Tmp3TagV1& tag, const std::string& text)
{
    tag.SetGenre(text);
    return true;
}

template <auto Get>
std::string V1Get(const Tmp3TagV1& tag)
{
    return (tag.*Get)();
}
template <auto Set>
bool V1Set(Tmp3TagV1& tag, const std::string& text)
{
    (tag.*Set)(text);
    return true;
}
template <auto Get>
std::string V2Get(const Tmp3TagV2& tag)
{
    return (tag.*Get)();
}
template <auto Set>
bool V2Set(Tmp3TagV2& tag, const std::string& text)
{
    (tag.*Set)(text);
    return true;
}

template <id3v2::ExtraField Field>
std::string ExtraGet(const Tmp3TagV2& tag)
{
    return tag.Extra(Field);
}
template <id3v2::ExtraField Field>
bool ExtraSet(Tmp3TagV2& tag, const std::string& text)
{
    tag.SetExtra(Field, text);
    return true;
}

// The caption of a field beyond the seven without its access letter mark,
// as the actions name it in lists and messages.
const char* PlainCaption(std::size_t field)
{
    static const std::array<std::string, id3v2::kExtraFieldCount> captions = [] {
        std::array<std::string, id3v2::kExtraFieldCount> plain;
        for (std::size_t i = 0; i < plain.size(); ++i) {
            plain[i] = id3v2::kExtraFields[i].caption;
            std::erase(plain[i], '&');
        }
        return plain;
    }();
    return captions[field].c_str();
}

// The ID3v2 fields beyond the seven, which ID3v1 lacks.
template <std::size_t... I>
void AddExtraFields(std::vector<TagField>& fields, std::index_sequence<I...>)
{
    (fields.push_back({id3v2::kExtraFields[I].name, PlainCaption(I), nullptr, nullptr, std::nullopt,
                       ExtraGet<static_cast<id3v2::ExtraField>(I)>, ExtraSet<static_cast<id3v2::ExtraField>(I)>}),
     ...);
}

using V1 = Tmp3TagV1;
using V2 = Tmp3TagV2;
using L = V1LossCheck;

} // namespace

const std::vector<TagField>& TagFieldTable::Fields()
{
    static const std::vector<TagField> fields = [] {
        std::vector<TagField> table = {
        {"title", "Title", V1Get<&V1::Title>, V1Set<&V1::SetTitle>, L::Title, V2Get<&V2::Title>, V2Set<&V2::SetTitle>},
        {"artist", "Artist", V1Get<&V1::Artist>, V1Set<&V1::SetArtist>, L::Artist, V2Get<&V2::Artist>,
         V2Set<&V2::SetArtist>},
        {"album", "Album", V1Get<&V1::Album>, V1Set<&V1::SetAlbum>, L::Album, V2Get<&V2::Album>, V2Set<&V2::SetAlbum>},
        {"track", "Track", V1Track, SetV1Track, std::nullopt, V2Track, SetV2Track, true},
        {"year", "Year", V1Get<&V1::Year>, V1Set<&V1::SetYear>, L::Year, V2Get<&V2::Year>, V2Set<&V2::SetYear>},
        {"genre", "Genre", V1Genre, SetV1Genre, std::nullopt, V2Get<&V2::Genre>, V2Set<&V2::SetGenre>},
        {"comment", "Comment", V1Get<&V1::Comment>, V1Set<&V1::SetComment>, L::Comment, V2Get<&V2::Comment>,
         V2Set<&V2::SetComment>},
        };
        AddExtraFields(table, std::make_index_sequence<id3v2::kExtraFieldCount>());
        return table;
    }();
    return fields;
}

std::optional<std::size_t> TagFieldTable::IndexOf(const std::string& key)
{
    const std::vector<TagField>& fields = Fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (key == fields[i].key)
            return i;
    }
    return std::nullopt;
}

const TagField& TagFieldTable::Track()
{
    return Fields()[*IndexOf("track")];
}
