#pragma once
// Multi-file mode of the tag editor: the fields that carry a value on its
// ID3v1, ID3v2 and "More" pages, the cover change of its cover page and
// the lyrics change of its lyrics page, taken from
// the pages on the UI thread with the tag options of the moment, and their
// save into one file. The save touches no widget, so that many files can be
// saved at once on the worker pool.

#include "tagoptions.h"
#include "tcoverpage.h"
#include "tmorepage.h"
#include "tlyricspage.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class FolderFlushes;
class Tmp3TagV2;
class TTagPage;

class MarkedFields final {
public:
    MarkedFields(const TTagPage& v1Page, const TTagPage& v2Page, const TCoverPage& coverPage,
                 const TMorePage* morePage = nullptr, const TLyricsPage* lyricsPage = nullptr);

    // Loads the tags of `path` that have marked fields (the ID3v2 tag also
    // for a cover change), sets those fields and saves them in one rewrite
    // (see SaveTags and Tmp3TagV2::SaveToFile for `laterFlushes`). A cover
    // removal alone leaves a file without a front cover untouched, a lyrics
    // removal alone one without lyrics. Returns
    // what failed, each reason naming the file; empty when all worked.
    std::vector<std::string> WriteInto(const std::string& path, FolderFlushes* laterFlushes) const;

private:
    // Title, artist, album, year, comment (TTagPage::TextEdits), then genre.
    using Values = std::array<std::optional<std::string>, 6>;

    static Values Read(const TTagPage& page);
    static bool Any(const Values& values);
    template <class Tag>
    static void Apply(Tag& tag, const Values& values);
    static bool HasFrontCover(Tmp3TagV2& v2, const std::string& path);
    static bool HasLyrics(Tmp3TagV2& v2, const std::string& path);

    Values m_v1;
    Values m_v2;
    TMorePage::Changes m_extras;
    TCoverPage::Change m_cover;
    std::string m_coverData;  // the picture to set
    TLyricsPage::Change m_lyrics = TLyricsPage::Change::Keep;
    id3v2::Lyrics m_newLyrics;
    TagOptions m_options;
};

// "Cannot WHAT the ID3v2 tag of file "PATH". REASON"
std::string V2Failure(const char* what, const std::string& path, const std::string& reason);
