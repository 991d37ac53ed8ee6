// The setters of Tmp3TagV2: what the next save changes.

#include "tmp3tagv2.h"

#include "id3v2extrafields.h"
#include "id3v2fields.h"
#include "id3v2picture.h"
#include "id3v2text.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

void assignTrimmed(std::string& field, std::string_view text) noexcept
{
    try {
        field = id3v2::TrimRight(text);
    } catch (...) {
        // No memory for the new text: the old one stays.
    }
}

}  // namespace

void Tmp3TagV2::SetFrontCover(std::string data)
{
    m_coverChange = CoverChange::Set;
    m_newCover = std::move(data);
}

void Tmp3TagV2::RemoveCover()
{
    m_coverChange = CoverChange::Remove;
    m_newCover.clear();
}

void Tmp3TagV2::RemoveFrontCover()
{
    m_coverChange = CoverChange::RemoveFront;
    m_newCover.clear();
}

std::string Tmp3TagV2::CheckPicture(std::string_view data, std::string* mimeType)
{
    std::string type;
    std::string refused = id3v2::CheckPicture(data, type);
    if (mimeType)
        *mimeType = std::move(type);
    return refused;
}

void Tmp3TagV2::SetTitle(std::string_view text) { assignTrimmed(m_title, text); }
void Tmp3TagV2::SetArtist(std::string_view text) { assignTrimmed(m_artist, text); }
void Tmp3TagV2::SetAlbum(std::string_view text) { assignTrimmed(m_album, text); }
void Tmp3TagV2::SetYear(std::string_view text) { assignTrimmed(m_year, text); }
void Tmp3TagV2::SetGenre(std::string_view text) { assignTrimmed(m_genre, text); }
void Tmp3TagV2::SetComment(std::string_view text) { assignTrimmed(m_comment, text); }

void Tmp3TagV2::SetTrack(int track)
{
    if (track < 0 || track > 65535)
        track = 0;
    if (track == m_track)
        return;
    m_track = track;
    m_trackText = track == 0 ? std::string() : std::to_string(track);
    m_trackTextSet = false;
}

void Tmp3TagV2::SetTrackText(std::string_view text)
{
    try {
        m_trackText = id3v2::Trim(text);
        m_track = id3v2::ParseTrackNumber(m_trackText);
        m_trackTextSet = true;
    } catch (...) {
        // No memory for the new text: the old one stays.
    }
}

int Tmp3TagV2::Disc() const
{
    return id3v2::ParseTrackNumber(Extra(id3v2::kDisc));
}

std::string Tmp3TagV2::UserText(std::string_view description) const
{
    return id3v2::FindUserText(m_userTexts, description);
}

void Tmp3TagV2::SetExtra(id3v2::ExtraField field, std::string_view text)
{
    if (field >= id3v2::kExtraFieldCount)
        return;
    try {
        std::string value = id3v2::NormalizedExtra(field, text);
        m_extraChanges.fields[field] = value;
        m_extras[field] = std::move(value);
    } catch (...) {
        // No memory for the new text: the old one stays.
    }
}

namespace {

// Puts `value` under `key` in a list of changes, in place of an earlier one.
void setChange(std::vector<std::pair<std::string, std::string>>& changes, std::string_view key, std::string value)
{
    const auto earlier = std::find_if(changes.begin(), changes.end(), [&](const auto& c) { return c.first == key; });
    if (earlier != changes.end())
        earlier->second = std::move(value);
    else
        changes.emplace_back(std::string(key), std::move(value));
}

}  // namespace

void Tmp3TagV2::SetUserText(std::string_view description, std::string_view text)
{
    try {
        std::string value = id3v2::TrimRight(text);
        std::erase_if(m_userTexts, [&](const id3v2::UserText& t) { return t.description == description; });
        if (!value.empty())
            m_userTexts.push_back({std::string(description), value});
        setChange(m_extraChanges.userTexts, description, std::move(value));
    } catch (...) {
        // No memory: the change is not made.
    }
}

void Tmp3TagV2::SetUniqueFileId(std::string_view owner, std::string_view identifier)
{
    try {
        setChange(m_extraChanges.uniqueFileIds, owner, std::string(identifier));
    } catch (...) {
        // No memory: the change is not made.
    }
}
