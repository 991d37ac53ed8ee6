// The saves of the tag editor: one file with both its tags in one change,
// or the marked fields into every selected file on the worker pool.

#include "tfrmmp3tag.h"

#include "markedfields.h"
#include "tagfailurelist.h"
#include "tcoverpage.h"
#include "tframespage.h"
#include "tlyricspage.h"
#include "tmorepage.h"
#include "ttagpage.h"
#include "v1losscheck.h"

#include "fileutils.h"
#include "playlistrows.h"
#include "progresswindows.h"
#include "prompts.h"
#include "tfileinfo.h"
#include "tundorecorder.h"
#include "writebatch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include <array>
#include <charconv>

namespace {

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

std::string Trimmed(const QLineEdit* edit)
{
    return TrimControls(Utf8(edit->text()));
}

// The number in a track edit: 0 for blanks only, -1 for anything that is
// not a whole number.
int TrackNumber(const QLineEdit* edit)
{
    const std::string text = Trimmed(edit);
    if (text.empty())
        return 0;
    std::string_view digits(text);
    if (digits.front() == '+')
        digits.remove_prefix(1);
    int value = -1;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        return -1;
    return value;
}

// The setters of the fields of TTagPage::TextEdits, in that order.
template <class Tag>
constexpr std::array<void (Tag::*)(std::string_view), 5> kTextSetters = {
    &Tag::SetTitle, &Tag::SetArtist, &Tag::SetAlbum, &Tag::SetYear, &Tag::SetComment};

// Single-file mode: the fields the user changed (`modif`), texts trimmed.
// The track goes first: in ID3v1 it decides the room left for the comment.
template <class Tag>
void SetChangedFields(Tag& tag, const TTagPage& page, const TMp3ModifInfo& modif, int track, const std::string& genre)
{
    if (modif.Track)
        tag.SetTrack(track);
    const bool changed[] = {modif.Title, modif.Artist, modif.Album, modif.Year, modif.Comment};
    const auto edits = page.TextEdits();
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (changed[i])
            (tag.*kTextSetters<Tag>[i])(Trimmed(edits[i]));
    }
    if (modif.Genre)
        tag.SetGenre(genre);
}

// A window busy with a save for a scope: disabled, and its flag set.
class BusyScope final {
public:
    BusyScope(QWidget& window, bool& busy)
        : m_window(window)
        , m_busy(busy)
    {
        m_window.setEnabled(false);
        m_busy = true;
    }
    ~BusyScope()
    {
        m_busy = false;
        m_window.setEnabled(true);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    QWidget& m_window;
    bool& m_busy;
};

} // namespace

bool TfrmMp3Tag::ConfirmV1Losses()
{
    // Only texts that go into the ID3v1 tag count: in single-file mode the
    // fields the user changed (the others keep the file's bytes), in
    // multi-file mode the fields that carry a value.
    const bool changed[] = {m_v1Modif.Title, m_v1Modif.Artist, m_v1Modif.Album, m_v1Modif.Year, m_v1Modif.Comment};
    const auto edits = page1->TextEdits();
    V1LossCheck check(options::CurrentTagOptions());
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (m_multiFileMode ? TTagPage::ChangedMark(edits[i]) == 1 : chkID3v1->isChecked() && changed[i])
            check.Add(static_cast<V1LossCheck::Field>(i), Utf8(edits[i]->text()));
    }
    check.EndFile();
    const bool v2Saved = m_multiFileMode
                             ? page2->AnyFieldChanged() || pageMore->AnyFieldChanged()
                                   || page3->PendingChange() != TCoverPage::Change::Keep
                                   || pageLyrics->PendingChange() != TLyricsPage::Change::Keep
                             : chkID3v2->isChecked();
    return check.Confirm(m_prompts, check.EditorQuestion(v2Saved));
}

bool TfrmMp3Tag::SaveSingleFile()
{
    int track1 = 0;
    int track2 = 0;
    // Only a number the user typed is checked: one read from the file is
    // written back as it was.
    if (chkID3v1->isChecked() && m_v1Modif.Track) {
        track1 = TrackNumber(edtID3v1_Track);
        if (track1 < 0 || track1 > 255) {
            m_prompts.showError(QStringLiteral("Error"), QStringLiteral("Invalid ID3v1 track number!"));
            return false;
        }
    }
    if (chkID3v2->isChecked() && m_v2Modif.Track) {
        track2 = TrackNumber(edtID3v2_Track);
        if (track2 < 0 || track2 > 999) {
            m_prompts.showError(QStringLiteral("Error"), QStringLiteral("Invalid ID3v2 track number!"));
            return false;
        }
    }
    const std::string path = FirstSelectedPath();
    const TUndoRecorder::TagWrite recorded(m_undo, path);

    // mp3tag1 and mp3Tag2 still hold what was read at opening: only the
    // fields the user changed are set. Both tags go into one change of the
    // file: either both are saved or neither.
    Tmp3TagV1* v1 = nullptr;
    try {
        if (chkID3v1->isChecked()) {
            SetChangedFields(mp3tag1, *page1, m_v1Modif, track1,
                             edtID3v1_Genre->currentIndex() < 0 ? std::string() : Utf8(edtID3v1_Genre->currentText()));
            v1 = &mp3tag1;
        }
    } catch (const std::exception& e) {
        m_prompts.showError(QStringLiteral("Error saving ID3v1 tag"), QString::fromStdString(e.what()));
        return false;
    }

    std::string failure;
    if (chkID3v2->isChecked()) {
        SetChangedFields(mp3Tag2, *page2, m_v2Modif, track2, Utf8(edtID3v2_Genre->currentText()));
        page3->ApplyTo(mp3Tag2);
        pageMore->ApplyTo(mp3Tag2);
        pageLyrics->ApplyTo(mp3Tag2);
        pageFrames->ApplyTo(mp3Tag2);
        if (!mp3Tag2.SaveToFile(path, nullptr, v1, v1 == nullptr))
            failure = V2Failure("save", path, mp3Tag2.LastError());
    } else {
        Tmp3TagV2 remover(mp3Tag2.Options());
        Tmp3TagV2 probe(mp3Tag2.Options());
        if (!probe.LoadFromFile(path)) {
            failure = "Cannot open file \"" + path + "\". " + probe.LastError();
        } else if (!probe.TagPresent()) {
            // No ID3v2 tag to remove: the ID3v1 tag alone changes.
            try {
                if (v1)
                    v1->SaveToFile(path);
                else
                    mp3tag1.RemoveFromFile(path);
            } catch (const std::exception& e) {
                m_prompts.showError(QStringLiteral("Error saving ID3v1 tag"), QString::fromStdString(e.what()));
                return false;
            }
        } else if (!remover.RemoveFromFile(path, nullptr, v1 == nullptr, v1)) {
            failure = "Cannot remove the ID3v2 tag from file \"" + path + "\". " + remover.LastError();
        }
    }
    if (!failure.empty()) {
        m_prompts.showError(QStringLiteral("Error saving ID3v2 tag"), QString::fromStdString(failure));
        return false;
    }
    return true;
}

bool TfrmMp3Tag::SaveManyFiles()
{
    const std::vector<int> rows = m_playlist.SelectedRows();
    const QString question = QStringLiteral("Do you really want to update mp3 tag information for selected ")
                             + QString::number(rows.size()) + QStringLiteral(" files?");
    if (m_prompts.askOkCancel(QStringLiteral("Confirm"), question) != PromptAnswer::Ok)
        return false;

    // The fields are taken from the pages here; the files are written on
    // the worker pool, many at once, and their failures taken in list order.
    const MarkedFields fields(*page1, *page2, *page3, pageMore, pageLyrics);
    TagFailureList failures;
    {
        ProgressWindows::ProgressScope progress(static_cast<int>(rows.size()), QStringLiteral("Saving tags ..."));
        BusyScope busy(*this, m_saving);
        using Outcome = std::pair<std::string, std::vector<std::string>>;
        WriteBatch<Outcome> batch;
        for (int row : rows) {
            if (const TFileInfo* info = m_playlist.FileAt(row)) {
                batch.Add([&fields, undo = m_undo, path = info->FullPath()](FolderFlushes& flushes) {
                    const TUndoRecorder::TagWrite recorded(undo, path);
                    return Outcome(path, fields.WriteInto(path, &flushes));
                });
            }
        }
        int done = 0;
        batch.Drain(
            [&](Outcome outcome) {
                failures.Add(outcome.first, std::move(outcome.second));
                SetProgressPosition(++done);
                if (IsProgressCancelled())
                    batch.Cancel();
            },
            [] {
                QCoreApplication::processEvents();
                return !IsProgressCancelled();
            },
            kWriteBatchTick);
    }
    // The files done keep their tags and the rows are refreshed all the
    // same; what failed is told once, at the end.
    if (!failures.Empty())
        m_prompts.showError(QStringLiteral("Error saving mp3 tags"), failures.Message());
    return true;
}
