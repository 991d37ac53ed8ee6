#include "tfrmbatchtagsetter.h"

#include "tpreviewmodel.h"
#include "v1losscheck.h"

#include "codepage.h"
#include "fileutils.h"
#include "mainwindowregistry.h"
#include "optionvalues.h"
#include "playlistrows.h"
#include "savetags.h"
#include "tagerror.h"
#include "tfileinfo.h"
#include "tmp3tagv1.h"
#include "tmp3tagv2.h"
#include "tundorecorder.h"
#include "unicodeutils.h"
#include "writebatch.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>

#include <charconv>
#include <type_traits>

namespace {

// The largest track number each tag version holds.
constexpr long long kMaxV1Track = 255;
constexpr long long kMaxV2Track = 65535;

QString Display(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The position of ".mp3" in `text`, in any letter case.
std::size_t FindMp3Extension(std::string_view text)
{
    static constexpr std::string_view kExtension = ".mp3";
    for (std::size_t i = 0; i + kExtension.size() <= text.size(); ++i) {
        std::size_t k = 0;
        for (; k < kExtension.size(); ++k) {
            char c = text[i + k];
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
            if (c != kExtension[k])
                break;
        }
        if (k == kExtension.size())
            return i;
    }
    return std::string_view::npos;
}

bool InRange(std::optional<long long> number, long long max)
{
    return number && *number >= 0 && *number <= max;
}

// Sets the given texts and the track on a loaded tag of either version.
template <typename Tag>
void SetTexts(Tag& tag, const TfrmBatchTagSetter::TagTexts& texts, long long maxTrack)
{
    if (texts.artist)
        tag.SetArtist(*texts.artist);
    if (texts.title)
        tag.SetTitle(*texts.title);
    if (texts.album)
        tag.SetAlbum(*texts.album);
    if (texts.year)
        tag.SetYear(*texts.year);
    if (texts.genre)
        tag.SetGenre(*texts.genre);
    if (InRange(texts.track, maxTrack))
        tag.SetTrack(static_cast<int>(*texts.track));
    if constexpr (std::is_same_v<Tag, Tmp3TagV2>) {
        for (const auto& [text, field] : {std::pair{&texts.albumArtist, id3v2::kAlbumArtist},
                                          std::pair{&texts.disc, id3v2::kDisc}, std::pair{&texts.composer, id3v2::kComposer},
                                          std::pair{&texts.bpm, id3v2::kBpm}})
            if (*text)
                tag.SetExtra(field, **text);
    }
}

} // namespace

TfrmBatchTagSetter::TfrmBatchTagSetter(PlaylistRows& playlist, Prompts& prompts, QWidget* parent)
    : TBatchWizard(prompts, QStringLiteral("Tag setup"),
                   {QStringLiteral("Multi tags changer wizard"), QStringLiteral("Settings"),
                    QStringLiteral("Preview before upplying"), QStringLiteral("Setting in process ..."),
                    QStringLiteral("Multi tags setting finished")},
                   parent)
    , m_playlist(playlist)
    , m_customPattern(options::customTagPattern)
{
    setObjectName(QStringLiteral("frmBatchTagSetter"));
    SetIntroduction({
        QStringLiteral("Welcome to the tag setup wizard of Tunevault!"),
        QString(),
        QStringLiteral("This wizard will change tags of your mp3 according to their name."),
        QString(),
        QStringLiteral("For example you have the following files without tag information:"),
        QStringLiteral("  Nina Vale - Morning River.mp3"),
        QStringLiteral("  The Glass Hours - Silver Road.mp3"),
        QStringLiteral("  Otto Brandt - Falling Light.mp3"),
        QString(),
        QStringLiteral("Use this wizard to setup automatically tags for them !"),
    });
    m_preview = new TPreviewModel({QStringLiteral("File Name"), QStringLiteral("Artist"), QStringLiteral("Title"),
                                   QStringLiteral("Track"), QStringLiteral("Album"), QStringLiteral("Year"),
                                   QStringLiteral("Genre"), QStringLiteral("Album artist"), QStringLiteral("Disc"),
                                   QStringLiteral("Composer"), QStringLiteral("BPM")},
                                  true, {}, this);
    BuildSettingsPage();
    BuildPreviewPage();
    // "Go !" asks first when ID3v1 texts would lose characters.
    disconnect(actNext, &QAction::triggered, this, &TBatchWizard::actNextExecute);
    connect(actNext, &QAction::triggered, this, &TfrmBatchTagSetter::actNextClick);
    FormCreate();
}

TfrmBatchTagSetter::~TfrmBatchTagSetter() = default;

void TfrmBatchTagSetter::BuildSettingsPage()
{
    cbSetV1 = new QCheckBox(QStringLiteral("Set tag ID3 v&1"), tsSettings);
    cbSetV1->setObjectName(QStringLiteral("cbSetV1"));
    cbSetV2 = new QCheckBox(QStringLiteral("Set tag ID3 v&2"), tsSettings);
    cbSetV2->setObjectName(QStringLiteral("cbSetV2"));
    cbFileFormat = new QComboBox(tsSettings);
    cbFileFormat->setObjectName(QStringLiteral("cbFileFormat"));
    cbFileFormat->addItems(
        {QStringLiteral("Artist - Title"), QStringLiteral("Artist - Track - Title"), QStringLiteral("Custom ...")});
    auto* format = new QLabel(QStringLiteral("&File name format:"), tsSettings);
    format->setBuddy(cbFileFormat);
    edtCustomPattern = new QLineEdit(QString::fromStdString(options::customTagPattern), tsSettings);
    edtCustomPattern->setObjectName(QStringLiteral("edtCustomPattern"));
    auto* patternHelp = new QLabel(QStringLiteral("%artist% %title% %album% %track% %year% %genre% "
                                                  "%albumartist% %disc% %composer% %bpm% (ID3v2), separated by the text between them"),
                                   tsSettings);
    patternHelp->setTextFormat(Qt::PlainText);
    patternHelp->setWordWrap(true);
    cbSelectedItems = new QComboBox(tsSettings);
    cbSelectedItems->setObjectName(QStringLiteral("cbSelectedItems"));
    cbSelectedItems->addItems({QStringLiteral("Selected items"), QStringLiteral("All items in the list")});
    cbSelectedItems->setCurrentIndex(AllItems);
    auto* scope = new QLabel(QStringLiteral("Change mp3 &tags for:"), tsSettings);
    scope->setBuddy(cbSelectedItems);

    auto* grid = new QGridLayout(tsSettings);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setVerticalSpacing(10);
    grid->addWidget(cbSetV1, 0, 0, 1, 2);
    grid->addWidget(cbSetV2, 1, 0, 1, 2);
    grid->addWidget(format, 2, 0);
    grid->addWidget(cbFileFormat, 2, 1);
    grid->addWidget(edtCustomPattern, 3, 1, 1, 2);
    grid->addWidget(patternHelp, 4, 1, 1, 2);
    grid->addWidget(scope, 5, 0);
    grid->addWidget(cbSelectedItems, 5, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);

    // Next follows the settings at once, not only when the application is idle.
    for (QCheckBox* box : {cbSetV1, cbSetV2})
        connect(box, &QCheckBox::toggled, this, &TfrmBatchTagSetter::UpdateWizardButtons);
    connect(cbSelectedItems, &QComboBox::currentIndexChanged, this, &TfrmBatchTagSetter::UpdateWizardButtons);
    FollowCustomPattern(cbFileFormat, edtCustomPattern, &m_customPattern);
}

void TfrmBatchTagSetter::BuildPreviewPage()
{
    lvFiles = NewPreviewList(m_preview, false, {210, 125, 160});

    mnuFileList = new QMenu(lvFiles);
    mnuFileList->setObjectName(QStringLiteral("mnuFileList"));
    SelectAll1 = mnuFileList->addAction(QStringLiteral("Select &All"));
    SelectAll1->setObjectName(QStringLiteral("SelectAll1"));
    SelectAll1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    SelectNone1 = mnuFileList->addAction(QStringLiteral("Select &None"));
    SelectNone1->setObjectName(QStringLiteral("SelectNone1"));
    SelectNone1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    for (QAction* action : {SelectAll1, SelectNone1}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        lvFiles->addAction(action);
    }
    connect(m_preview, &TPreviewModel::dataChanged, this, &TfrmBatchTagSetter::UpdateWizardButtons);
    connect(SelectAll1, &QAction::triggered, this, &TfrmBatchTagSetter::SelectAll1Click);
    connect(SelectNone1, &QAction::triggered, this, &TfrmBatchTagSetter::SelectNone1Click);
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFiles, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { mnuFileList->popup(lvFiles->viewport()->mapToGlobal(pos)); });
}

void TfrmBatchTagSetter::FormCreate()
{
    m_tagsSet = false;
    // The playlist cannot change while the wizard is open.
    m_hadSelection = !m_playlist.SelectedRows().empty();
    // Rows the user selected before opening the wizard are the ones meant.
    cbSelectedItems->setCurrentIndex(m_hadSelection ? SelectedItems : AllItems);
    CustomFormatChanged();
    ShowFirstPage();
}

bool TfrmBatchTagSetter::AllItemsChosen() const
{
    return cbSelectedItems->currentIndex() == AllItems;
}

QString TfrmBatchTagSetter::SettingsMissing() const
{
    if (!cbSetV1->isChecked() && !cbSetV2->isChecked())
        return QStringLiteral("Choose at least one tag to set: ID3 v1, ID3 v2 or both.");
    if (!AllItemsChosen() && !m_hadSelection)
        return QStringLiteral("No playlist rows were selected: choose \"All items in the list\".");
    if (CustomChosen() && !m_customPattern.HasFields())
        return QStringLiteral("The pattern needs at least one field, such as %artist% or %title%.");
    return {};
}

bool TfrmBatchTagSetter::PreviewComplete() const
{
    return AnyPreviewRowChecked();
}

int TfrmBatchTagSetter::BuildPreview()
{
    return BuildTagPreview();
}

QString TfrmBatchTagSetter::NothingToDoMessage() const
{
    return QStringLiteral("No files meets the specified search criteria!");
}

void TfrmBatchTagSetter::actNextClick()
{
    // A shortcut or a queued click may come after the button was disabled.
    actNextUpdate();
    if (CurrentPage() == PreviewPage && actNext->isEnabled() && !ConfirmV1Losses())
        return;
    actNextExecute();
}

bool TfrmBatchTagSetter::ConfirmV1Losses() const
{
    if (!cbSetV1->isChecked())
        return true;
    V1LossCheck check(options::CurrentTagOptions());
    for (int r = 0; r < m_preview->Count(); ++r) {
        const TPreviewModel::Row& row = m_preview->RowAt(r);
        if (!row.checked)
            continue;
        // The genre is no text in ID3v1: a name outside its list is lost whole.
        const TagTexts texts = RowTexts(row.texts);
        for (const auto& [field, text] : {std::pair{V1LossCheck::Title, &texts.title},
                                          std::pair{V1LossCheck::Artist, &texts.artist},
                                          std::pair{V1LossCheck::Album, &texts.album},
                                          std::pair{V1LossCheck::Year, &texts.year}}) {
            if (*text)
                check.Add(field, **text);
        }
        check.EndFile();
    }
    return check.Confirm(m_prompts, check.BatchQuestion(cbSetV2->isChecked()));
}

void TfrmBatchTagSetter::RunStep()
{
    WriteTags();
    m_tagsSet = true;
}

bool TfrmBatchTagSetter::SplitCaption(std::string_view text, bool withTrack, std::string& artist,
                                      std::string& middle, std::string& last)
{
    artist.clear();
    middle.clear();
    last.clear();
    const std::size_t hyphen = text.find('-');
    if (hyphen == std::string_view::npos)
        return false;
    artist = TrimControls(text.substr(0, hyphen));
    std::string rest = TrimControls(text.substr(hyphen + 1));
    const std::size_t extension = FindMp3Extension(rest);
    if (extension != std::string_view::npos)
        rest = TrimControls(std::string_view(rest).substr(0, extension));
    const std::size_t second = withTrack ? rest.find('-') : std::string::npos;
    if (second != std::string::npos) {
        last = TrimControls(std::string_view(rest).substr(second + 1));
        middle = TrimControls(std::string_view(rest).substr(0, second));
    } else {
        middle = std::move(rest);
    }
    return true;
}

std::optional<long long> TfrmBatchTagSetter::WholeNumber(std::string_view text)
{
    const std::string trimmed = TrimControls(text);
    std::string_view digits(trimmed);
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

int TfrmBatchTagSetter::BuildTagPreview()
{
    m_preview->Clear();
    const std::vector<int> scope = RowsInScope(m_playlist, !AllItemsChosen());
    const bool withTrack = cbFileFormat->currentIndex() == ArtistTrackTitle;
    m_previewCustom = CustomChosen();
    if (m_previewCustom)
        options::customTagPattern = edtCustomPattern->text().toStdString();
    for (const auto& [column, field] :
         {std::pair{AlbumColumn, TNamePattern::Album}, std::pair{YearColumn, TNamePattern::Year},
          std::pair{GenreColumn, TNamePattern::Genre}, std::pair{AlbumArtistColumn, TNamePattern::AlbumArtist},
          std::pair{DiscColumn, TNamePattern::Disc}, std::pair{ComposerColumn, TNamePattern::Composer},
          std::pair{BpmColumn, TNamePattern::Bpm}})
        lvFiles->setColumnHidden(column, !m_previewCustom || !m_customPattern.Uses(field));

    const bool usesId3v2Fields = m_previewCustom
        && (m_customPattern.Uses(TNamePattern::AlbumArtist) || m_customPattern.Uses(TNamePattern::Disc)
            || m_customPattern.Uses(TNamePattern::Composer) || m_customPattern.Uses(TNamePattern::Bpm));
    const TagOptions tagOptions = options::CurrentTagOptions();
    std::vector<TPreviewModel::Row> rows;
    int count = 0;
    std::string artist, middle, last;
    for (std::size_t i = 0; i < scope.size(); ++i) {
        if (!PreviewProgress(static_cast<int>(i), static_cast<int>(scope.size())))
            return -1;
        TFileInfo* record = m_playlist.FileAt(scope[i]);
        if (!record)
            continue;
        TPreviewModel::Row row;
        row.record = record;
        row.texts = {Display(record->FileName())};
        const std::string caption = CaptionText(record->DisplayName(), tagOptions);
        if (m_previewCustom) {
            TNamePattern::Mismatch why;
            const std::optional<TNamePattern::Values> values = m_customPattern.Match(caption, &why);
            using P = TNamePattern;
            if (!values && why.emptyField)
                row.leftOutBecause = QStringLiteral("Left out: no text for %1")
                                         .arg(Display(TNamePattern::FieldPlaceholder(why.field)));
            else if (!values)
                row.leftOutBecause = QStringLiteral("Left out: does not match the pattern");
            for (const P::Field field : {P::Artist, P::Title, P::Track, P::Album, P::Year, P::Genre})
                row.texts << (values ? Display((*values)[field]) : QString());
            // The ID3v2 fields only where the pattern has one.
            if (usesId3v2Fields)
                for (const P::Field field : {P::AlbumArtist, P::Disc, P::Composer, P::Bpm})
                    row.texts << (values ? Display((*values)[field]) : QString());
        } else if (!SplitCaption(caption, withTrack, artist, middle, last)) {
            row.leftOutBecause = QStringLiteral("Left out: no hyphen to split at");
            row.texts << QString() << QString() << QString();
        } else if (!last.empty()) {
            row.texts << Display(artist) << Display(last) << Display(middle);
        } else {
            row.texts << Display(artist) << Display(middle) << QString();
        }
        row.checked = row.leftOutBecause.isEmpty();
        count += row.checked ? 1 : 0;
        rows.push_back(std::move(row));
    }
    m_preview->SetRows(std::move(rows));
    // The reason of a row that is left out takes the room of its texts.
    lvFiles->clearSpans();
    for (int r = 0; r < m_preview->Count(); ++r) {
        if (!m_preview->RowAt(r).leftOutBecause.isEmpty())
            lvFiles->setSpan(r, ArtistColumn, 1, m_preview->columnCount() - ArtistColumn);
    }
    return count;
}

std::string TfrmBatchTagSetter::CaptionText(const std::string& caption, const TagOptions& options)
{
    if (SanitizeUtf8(caption) == caption)
        return caption;
    const CodePage* page = CodePage::Find(options.codePage);
    return (page ? *page : CodePage::Default()).ToUtf8(caption);
}

void TfrmBatchTagSetter::SetAllPreviewChecks(bool checked)
{
    m_preview->SetAllChecked(checked);
}

bool TfrmBatchTagSetter::AnyPreviewRowChecked() const
{
    return m_preview->AnyChecked();
}

void TfrmBatchTagSetter::WriteTags()
{
    const int count = m_preview->CheckedCount();
    StartGauge(count);
    const bool setV1 = cbSetV1->isChecked();
    const bool setV2 = cbSetV2->isChecked();
    // The rows' texts are taken here; the files are written on the worker
    // pool, many at once, and their outcomes taken in list order.
    using Outcome = WriteOutcome;
    WriteBatch<Outcome> batch;
    for (int r = 0; r < m_preview->Count(); ++r) {
        const TPreviewModel::Row& row = m_preview->RowAt(r);
        if (!row.checked)
            continue;
        batch.Add([setV1, setV2, undo = m_undo, fileName = row.texts[FileNameColumn], path = row.record->FullPath(),
                   texts = RowTexts(row.texts)](FolderFlushes& flushes) {
            const TUndoRecorder::TagWrite recorded(undo, path);
            return Outcome {fileName, WriteTexts(path, texts, setV1, setV2, &flushes)};
        });
    }
    FinishWrites(batch, count, QStringLiteral("Tags set in %1 of %2 files."));
}

TfrmBatchTagSetter::TagTexts TfrmBatchTagSetter::RowTexts(const QStringList& texts) const
{
    auto text = [&texts](int column) { return column < texts.size() ? texts[column].toStdString() : std::string(); };
    TagTexts result;
    // The fixed formats always write the artist and the title, empty or not.
    const bool custom = m_previewCustom;
    auto uses = [this, custom](TNamePattern::Field field) { return !custom || m_customPattern.Uses(field); };
    if (uses(TNamePattern::Artist))
        result.artist = text(ArtistColumn);
    if (uses(TNamePattern::Title))
        result.title = text(TitleColumn);
    if (uses(TNamePattern::Track))
        result.track = WholeNumber(text(TrackColumn));
    if (custom && uses(TNamePattern::Album))
        result.album = text(AlbumColumn);
    if (custom && uses(TNamePattern::Year))
        result.year = text(YearColumn);
    if (custom && uses(TNamePattern::Genre))
        result.genre = text(GenreColumn);
    if (custom && uses(TNamePattern::AlbumArtist))
        result.albumArtist = text(AlbumArtistColumn);
    if (custom && uses(TNamePattern::Disc))
        result.disc = text(DiscColumn);
    if (custom && uses(TNamePattern::Composer))
        result.composer = text(ComposerColumn);
    if (custom && uses(TNamePattern::Bpm))
        result.bpm = text(BpmColumn);
    return result;
}

QStringList TfrmBatchTagSetter::WriteTexts(const std::string& path, const TagTexts& texts, bool setV1, bool setV2,
                                           FolderFlushes* laterFlushes)
{
    QStringList reasons;
    const TagOptions options = options::CurrentTagOptions();
    Tmp3TagV1 v1(options);
    if (setV1) {
        try {
            // A file without the tag loads as an empty one; a file that
            // cannot be read is not written blindly.
            v1.LoadFromFile(path);
            SetTexts(v1, texts, kMaxV1Track);
        } catch (const TagError& error) {
            reasons << QStringLiteral("ID3v1: ") + Display(error.what());
            setV1 = false;
        }
    }
    Tmp3TagV2 v2(options);
    if (setV2) {
        setV2 = v2.LoadFromFile(path);
        if (setV2)
            SetTexts(v2, texts, kMaxV2Track);
        else
            reasons << QStringLiteral("ID3v2: ") + Display(v2.LastError());
    }
    const TagSaveFailures saved = SaveTags(path, setV1 ? &v1 : nullptr, setV2 ? &v2 : nullptr, laterFlushes);
    if (!saved.v1.empty())
        reasons << QStringLiteral("ID3v1: ") + Display(saved.v1);
    if (!saved.v2.empty())
        reasons << QStringLiteral("ID3v2: ") + Display(saved.v2);
    return reasons;
}

TagSetterResult ShowTagSetterWizard(PlaylistRows& playlist, Prompts& prompts, QWidget* parent, TUndoRecorder* undo)
{
    TfrmBatchTagSetter wizard(playlist, prompts, parent ? parent : MainWindow());
    wizard.SetUndoRecorder(undo);
    CenterOnMainWindow(wizard);
    wizard.exec();
    return {wizard.TagsSet(), wizard.AllItemsChosen()};
}
