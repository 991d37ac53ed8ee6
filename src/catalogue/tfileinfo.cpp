#include "tfileinfo.h"

#include "filedescriptor.h"
#include "fileutils.h"
#include "optionvalues.h"
#include "renamenoreplace.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string NamePart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to)
{
    // Built anew rather than replaced in place: an in-place replace makes
    // GCC 12 at -O3 warn about overlapping copies that cannot happen.
    std::string result;
    std::size_t start = 0;
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, start)) {
        result.append(text, start, pos - start).append(to);
        start = pos + from.size();
    }
    result.append(text, start);
    return result;
}

} // namespace

TFileInfo::TFileInfo(const std::string& path)
{
    SetPath(path);
}

void TFileInfo::SetPath(const std::string& path)
{
    m_fileName = NamePart(path);
    m_fullPath = path;
    m_tagCaption.reset();
    ReadTags();
}

void TFileInfo::ReadTags()
{
    m_hasV1Tag = false;
    m_hasV2Tag = false;
    m_tagCaption.reset();
    m_tags = SongTags();
    m_audio.reset();
    const TagOptions tagOptions = options::CurrentTagOptions();
    // Opened without blocking, and only a regular file: a FIFO is no song.
    const FileDescriptor file = OpenRegularFile(m_fullPath, O_RDONLY);
    if (!file.valid())
        return;

    try {
        Tmp3TagV2 v2(tagOptions);
        if (v2.LoadFromOpenFile(file.get()) && v2.TagPresent()) {
            m_tagCaption = v2.Artist() + " - " + v2.Title();
            m_hasV2Tag = true;
            m_tags = {v2.Title(), v2.Artist(), v2.Album(), v2.AlbumArtist(), v2.Year(), v2.Genre(), v2.Track(),
                      v2.Disc()};
        }
    } catch (...) {
        // An unreadable tag counts as no tag.
    }

    try {
        Tmp3TagV1 v1(tagOptions);
        v1.LoadFromOpenFile(file.get(), m_fullPath);
        if (v1.TagPresent()) {
            if (!m_hasV2Tag)
                m_tagCaption = v1.Artist() + " - " + v1.Title();
            m_hasV1Tag = true;
            // The ID3v1 values fill in what the ID3v2 tag lacks.
            const auto fill = [](std::string& value, const std::string& fallback) {
                if (TrimControls(value).empty())
                    value = TrimControls(fallback);
            };
            fill(m_tags.title, v1.Title());
            fill(m_tags.artist, v1.Artist());
            fill(m_tags.album, v1.Album());
            fill(m_tags.year, v1.Year());
            fill(m_tags.genre, v1.Genre());
            if (m_tags.track == 0)
                m_tags.track = v1.Track();
        }
    } catch (...) {
        // As above.
    }

    try {
        m_audio = ReadAudioProperties(file.get());
    } catch (...) {
        // Out of memory: no properties, as for a file without audio.
    }
}

bool TFileInfo::IsBlankCaption(const std::string& caption)
{
    // artist + " - " + title trims to the lone hyphen exactly when both are
    // blank.
    return TrimControls(caption) == "-";
}

std::string TFileInfo::DisplayName() const
{
    // A tag whose artist and title are both blank would show as a bare
    // " - ": the file name tells more.
    const bool blankTag = m_tagCaption && IsBlankCaption(*m_tagCaption);
    std::string name = options::FNIOMP3INFO || !m_tagCaption || blankTag ? m_fileName : *m_tagCaption;
    if (options::REPLURLSPACES)
        name = ReplaceAll(name, "%20", " ");
    return name;
}

std::string TFileInfo::RemoveV1Tag()
{
    return RemoveV1TagFrom(m_fullPath);
}

std::string TFileInfo::RemoveV2Tag()
{
    return RemoveV2TagFrom(m_fullPath);
}

std::string TFileInfo::RemoveV1TagFrom(const std::string& path)
{
    try {
        Tmp3TagV1 v1(options::CurrentTagOptions());
        v1.RemoveFromFile(path);
        return {};
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Cannot remove the ID3v1 tag from file \"" + path + "\"";
    }
}

std::string TFileInfo::RemoveV2TagFrom(const std::string& path)
{
    bool removed = false;
    return RemoveV2TagFrom(path, nullptr, false, removed);
}

std::string TFileInfo::RemoveV2TagFrom(const std::string& path, FolderFlushes* laterFlushes, bool withV1,
                                       bool& removed)
{
    Tmp3TagV2 v2(options::CurrentTagOptions());
    removed = v2.RemoveFromFile(path, laterFlushes, withV1);
    if (removed)
        return {};
    std::string reason = v2.LastError();
    // A file without an ID3v2 tag has nothing to remove, which is no failure.
    Tmp3TagV2 probe(options::CurrentTagOptions());
    if (probe.LoadFromFile(path) && !probe.TagPresent())
        return {};
    return "Cannot remove the ID3v2 tag from file \"" + path + "\". " + reason;
}

std::vector<std::string> TFileInfo::RemoveTagsFrom(const std::string& path, bool v1, bool v2,
                                                   FolderFlushes* laterFlushes)
{
    // Both go in one rewrite, so that the file is either as it was or
    // without both tags. Where the file has no ID3v2 tag or that rewrite
    // failed, the ID3v1 trailer is cut in place, as when it alone goes.
    bool removed = false;
    const std::string v2Reason = v2 ? RemoveV2TagFrom(path, laterFlushes, v1, removed) : std::string();
    const std::string v1Reason = v1 && !removed ? RemoveV1TagFrom(path) : std::string();
    std::vector<std::string> reasons;
    for (const std::string& reason : {v1Reason, v2Reason}) {
        if (!reason.empty())
            reasons.push_back(reason);
    }
    return reasons;
}

bool TFileInfo::Rename(const std::string& newName)
{
    const std::string validName = MakeValidFileName(newName);
    if (validName.empty() || validName == "." || validName == "..")
        return false; // the target would be the folder itself or the one above
    const std::string newPath = FolderPart(m_fullPath) + validName;
    if (newPath == m_fullPath) {
        // Nothing to move; it worked when the file is still there.
        struct stat st {};
        if (lstat(m_fullPath.c_str(), &st) != 0)
            return false;
    } else if (!RenameNoReplace(m_fullPath, newPath)) {
        return false;
    }
    SetPath(newPath);
    return true;
}

std::string TFileInfo::MakeValidFileName(std::string_view name)
{
    std::string result(name);
    for (char& c : result) {
        const auto code = static_cast<unsigned char>(c);
        // The zero byte ends a name at the system call; control characters
        // make names that other programs cannot show or type.
        if (kRefusedFileNameChars.find(c) != std::string_view::npos || code < 32 || code == 127)
            c = ' ';
    }
    return TrimControls(result);
}

std::int64_t TFileInfo::FileSize() const
{
    struct stat st {};
    if (stat(m_fullPath.c_str(), &st) != 0)
        return 0;
    return static_cast<std::int64_t>(st.st_size);
}

std::string TFileInfo::FileSizeText() const
{
    return FormatByteSize(FileSize());
}

std::string TFileInfo::LengthText() const
{
    if (!m_audio)
        return {};
    const std::int64_t seconds = m_audio->lengthMs / 1000;
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    return (m_audio->estimated ? "~" : "") + std::string(text);
}

std::string TFileInfo::BitrateText() const
{
    if (!m_audio)
        return {};
    return std::to_string(m_audio->bitrateKbps) + " kbps" + (m_audio->vbr ? " VBR" : "");
}

std::string TFileInfo::AudioSummary() const
{
    if (!m_audio)
        return {};
    const AudioProperties& a = *m_audio;
    const std::string version = a.mpegVersion == 25 ? "2.5" : std::to_string(a.mpegVersion / 10);
    static const char* const layers[] = {"", "I", "II", "III"};
    return LengthText() + ", " + BitrateText() + ", " + std::to_string(a.sampleRate) + " Hz, "
           + (a.channels == 1 ? "mono" : "stereo") + ", MPEG " + version + " Layer "
           + layers[std::clamp(a.layer, 0, 3)];
}

int TFileInfo::TagStateIndex() const
{
    if (!HasAnyTag())
        return 1;
    return HasOneTag() ? 2 : 0;
}
