#include "markedfields.h"

#include "tcoverpage.h"
#include "ttagpage.h"

#include "optionvalues.h"
#include "savetags.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <exception>

MarkedFields::MarkedFields(const TTagPage& v1Page, const TTagPage& v2Page, const TCoverPage& coverPage,
                           const TMorePage* morePage, const TLyricsPage* lyricsPage)
    : m_v1(Read(v1Page))
    , m_v2(Read(v2Page))
    , m_extras(morePage ? morePage->PendingChanges() : TMorePage::Changes())
    , m_cover(coverPage.PendingChange())
    , m_options(options::CurrentTagOptions())
{
    if (m_cover == TCoverPage::Change::Set && coverPage.NewCover())
        m_coverData = coverPage.NewCover()->data;
    if (lyricsPage) {
        m_lyrics = lyricsPage->PendingChange();
        m_newLyrics = lyricsPage->Lyrics();
    }
}

MarkedFields::Values MarkedFields::Read(const TTagPage& page)
{
    // Texts exactly as typed.
    Values values;
    const auto edits = page.TextEdits();
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (TTagPage::ChangedMark(edits[i]) == 1)
            values[i] = edits[i]->text().toStdString();
    }
    if (TTagPage::GenreChanged(page.cmbGenre))
        values[5] = page.cmbGenre->currentText().toStdString();
    return values;
}

bool MarkedFields::Any(const Values& values)
{
    return std::any_of(values.begin(), values.end(), [](const auto& value) { return value.has_value(); });
}

template <class Tag>
void MarkedFields::Apply(Tag& tag, const Values& values)
{
    void (Tag::*const setters[])(std::string_view) = {&Tag::SetTitle, &Tag::SetArtist, &Tag::SetAlbum,
                                                      &Tag::SetYear,  &Tag::SetComment, &Tag::SetGenre};
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i])
            (tag.*setters[i])(*values[i]);
    }
}

std::vector<std::string> MarkedFields::WriteInto(const std::string& path, FolderFlushes* laterFlushes) const
{
    std::vector<std::string> failures;
    // Fresh objects: nothing of another file (its track number) is carried
    // into this one.
    Tmp3TagV1 v1(m_options);
    bool saveV1 = Any(m_v1);
    if (saveV1) {
        try {
            v1.LoadFromFile(path);
            Apply(v1, m_v1);
        } catch (const std::exception& e) {
            failures.emplace_back(e.what());
            saveV1 = false;
        }
    }
    Tmp3TagV2 v2(m_options);
    const bool anyExtra = std::any_of(m_extras.begin(), m_extras.end(), [](const auto& e) { return e.has_value(); });
    bool saveV2 = Any(m_v2) || anyExtra || m_cover != TCoverPage::Change::Keep
        || m_lyrics != TLyricsPage::Change::Keep;
    if (saveV2) {
        // Without the file's values the save would drop them: a file that
        // cannot be read is not written.
        saveV2 = v2.LoadFromFile(path);
        if (!saveV2)
            failures.push_back(V2Failure("read", path, v2.LastError()));
        else if (!Any(m_v2) && !anyExtra)
            saveV2 = m_cover == TCoverPage::Change::Set || m_lyrics == TLyricsPage::Change::Set
                || (m_cover == TCoverPage::Change::Remove && HasFrontCover(v2, path))
                || (m_lyrics == TLyricsPage::Change::Remove && HasLyrics(v2, path));
        if (saveV2) {
            Apply(v2, m_v2);
            for (std::size_t i = 0; i < m_extras.size(); ++i)
                if (m_extras[i])
                    v2.SetExtra(static_cast<id3v2::ExtraField>(i), *m_extras[i]);
            if (m_cover == TCoverPage::Change::Set)
                v2.SetFrontCover(m_coverData);
            else if (m_cover == TCoverPage::Change::Remove)
                v2.RemoveFrontCover();  // the files' other pictures stay
            if (m_lyrics == TLyricsPage::Change::Set)
                v2.SetLyrics(m_newLyrics);
            else if (m_lyrics == TLyricsPage::Change::Remove)
                v2.RemoveLyrics();
        }
    }
    const TagSaveFailures saved = SaveTags(path, saveV1 ? &v1 : nullptr, saveV2 ? &v2 : nullptr, laterFlushes);
    if (!saved.v1.empty())
        failures.push_back(saved.v1);
    if (!saved.v2.empty())
        failures.push_back(V2Failure("save", path, saved.v2));
    return failures;
}

bool MarkedFields::HasFrontCover(Tmp3TagV2& v2, const std::string& path)
{
    // Removing a front cover the file does not have would only rewrite it
    // (or give it an empty tag).
    return v2.TagPresent() && v2.LoadCover(path) && v2.Cover() && v2.Cover()->type == TagPicture::kFrontCover;
}

bool MarkedFields::HasLyrics(Tmp3TagV2& v2, const std::string& path)
{
    if (!v2.TagPresent() || !v2.LoadFrames(path))
        return false;
    const auto& frames = v2.FrameList();
    return std::any_of(frames.begin(), frames.end(),
                       [](const id3v2::FrameEntry& entry) { return entry.kind == id3v2::FrameKind::Lyrics; });
}

std::string V2Failure(const char* what, const std::string& path, const std::string& reason)
{
    return std::string("Cannot ") + what + " the ID3v2 tag of file \"" + path + "\". " + reason;
}
