#include "id3v2tagedits.h"

#include <algorithm>

namespace id3v2 {

FrameEdits::FrameEdits(const std::vector<FrameEntry>& entries)
{
    m_keys.reserve(entries.size());
    for (const FrameEntry& entry : entries)
        m_keys.push_back(entry.key);
}

void FrameEdits::Replace(std::size_t index, FrameValue value)
{
    m_changes[index] = std::move(value);
}

void FrameEdits::Remove(std::size_t index)
{
    m_changes[index] = std::nullopt;
}

void FrameEdits::Add(FrameValue value)
{
    m_added.push_back(std::move(value));
}

bool FrameEdits::ApplyTo(std::vector<Frame>& frames, int writtenMajor, std::string& error) const
{
    if (Empty())
        return true;
    bool same = frames.size() == m_keys.size();
    for (std::size_t i = 0; same && i < frames.size(); ++i)
        same = KeyOf(frames[i]) == m_keys[i];
    if (!same || (!m_changes.empty() && m_changes.rbegin()->first >= frames.size())) {
        error = "The file's ID3v2 tag changed since its frames were listed; nothing was saved. "
                "Open the tag editor again to see the frames it has now";
        return false;
    }
    std::vector<Frame> out;
    out.reserve(frames.size() + m_added.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto change = m_changes.find(i);
        if (change == m_changes.end())
            out.push_back(std::move(frames[i]));
        else if (change->second)
            out.push_back(BuildFrame(*change->second, writtenMajor));
    }
    for (const FrameValue& value : m_added)
        out.push_back(BuildFrame(value, writtenMajor));
    frames = std::move(out);
    return true;
}

namespace {

void applyLyrics(const LyricsChange& change, std::vector<Frame>& frames, int writtenMajor)
{
    if (change.kind == LyricsChange::Kind::Keep)
        return;
    const std::optional<std::size_t> first = FindLyrics(frames);
    if (change.kind == LyricsChange::Kind::Remove) {
        if (first)
            frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(*first));
    } else if (first) {
        frames[*first] = LyricsFrame(change.lyrics, writtenMajor);
    } else {
        frames.push_back(LyricsFrame(change.lyrics, writtenMajor));
    }
}

}  // namespace

bool ApplyTagEdits(const TagEdits& edits, std::vector<Frame>& frames, int framesMajor, int writtenMajor,
                   FieldValues& fields, std::string& error)
{
    if (edits.Empty())
        return true;
    if (edits.frames.Empty()) {
        applyLyrics(edits.lyrics, frames, writtenMajor);
        return true;
    }
    const Fields before = FindFields(frames, framesMajor);
    if (!edits.frames.ApplyTo(frames, writtenMajor, error))
        return false;
    const Fields after = FindFields(frames, framesMajor);
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        if (field == kTrack && fields.trackText) {
            if (before.texts[kTrack] == *fields.trackText)
                fields.trackText = after.texts[kTrack];
        } else if (field == kTrack) {
            if (ParseTrackNumber(before.texts[kTrack]) == fields.track)
                fields.track = ParseTrackNumber(after.texts[kTrack]);
        } else if (before.texts[field] == fields.texts[field]) {
            fields.texts[field] = after.texts[field];
        }
    }
    applyLyrics(edits.lyrics, frames, writtenMajor);
    return true;
}

namespace {

// The frames of the listed entries that `wanted` picks, as a load would read
// them: edited frames as the save writes them, a frame that cannot be read
// holding its place unread.
template <typename Wanted>
std::vector<Frame> FramesOf(const std::vector<FrameEntry>& entries, int major, Wanted wanted)
{
    std::vector<Frame> frames;
    for (const FrameEntry& entry : entries) {
        if (!wanted(entry.id()))
            continue;
        if (entry.editable()) {
            frames.push_back(BuildFrame(ValueOf(entry), major));
        } else {
            Frame unread = MakeFrame(entry.id(), {});
            unread.format = Frame::kEncrypted;
            frames.push_back(std::move(unread));
        }
    }
    return frames;
}

}  // namespace

std::array<std::string, kFieldCount> FieldTextsOf(const std::vector<FrameEntry>& entries, int major)
{
    const auto field = [](const std::string& id) {
        return id == "COMM" || id == "TDRC" || std::find(kFieldIds.begin(), kFieldIds.end(), id) != kFieldIds.end();
    };
    return FindFields(FramesOf(entries, major, field), major).texts;
}

std::array<std::string, kExtraFieldCount> ExtraTextsOf(const std::vector<FrameEntry>& entries, int major)
{
    const auto field = [major](const std::string& id) { return IsExtraFieldSource(major, id); };
    return FindExtraFields(FramesOf(entries, major, field), major).texts;
}

}  // namespace id3v2
