#include "tfrmmp3tag.h"

#include "tagfailurelist.h"
#include "ttagpage.h"

#include "fileutils.h"
#include "fixeddialog.h"
#include "mainwindowregistry.h"
#include "playlistrows.h"
#include "progresswindows.h"
#include "prompts.h"
#include "tfileinfo.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <charconv>

const QString TfrmMp3Tag::kDontChange = QStringLiteral("<don't change>");

namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

std::string Trimmed(const QLineEdit* edit)
{
    return TrimControls(Utf8(edit->text()));
}

void SetFontStyle(QWidget* widget, bool italic, bool bold)
{
    QFont font = widget->font();
    font.setItalic(italic);
    font.setBold(bold);
    widget->setFont(font);
}

void SetMark(QLineEdit* edit, int mark)
{
    edit->setProperty("Tag", mark);
}

// The number in a track edit: 0 for blanks only, -1 for anything that is
// not a whole number.
int TrackNumber(const QLineEdit* edit)
{
    std::string text = Trimmed(edit);
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

// A genre combo box of multi-file mode carries a value unless its
// placeholder is showing (typed text in the editable one counts as a value).
bool GenreChanged(const QComboBox* combo)
{
    return combo->currentIndex() != 0 || combo->currentText() != TfrmMp3Tag::kDontChange;
}

std::string V2Failure(const char* what, const std::string& path, const std::string& reason)
{
    return std::string("Cannot ") + what + " the ID3v2 tag of file \"" + path + "\". " + reason;
}

// Disables a widget for a scope.
class DisabledScope final {
public:
    explicit DisabledScope(QWidget& widget)
        : m_widget(widget)
    {
        m_widget.setEnabled(false);
    }
    ~DisabledScope() { m_widget.setEnabled(true); }
    DisabledScope(const DisabledScope&) = delete;
    DisabledScope& operator=(const DisabledScope&) = delete;

private:
    QWidget& m_widget;
};

} // namespace

TfrmMp3Tag::TfrmMp3Tag(PlaylistRows& playlist, Prompts& prompts, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
    , m_playlist(playlist)
    , m_prompts(prompts)
{
    BuildControls();
    FormCreate();
}

TfrmMp3Tag::~TfrmMp3Tag() = default;

void TfrmMp3Tag::BuildControls()
{
    setObjectName(QStringLiteral("frmMp3Tag"));
    setWindowTitle(QStringLiteral("Change mp3 tag"));

    edtFileName = new QLineEdit(this);
    edtFileName->setObjectName(QStringLiteral("edtFileName"));
    edtFileName->setReadOnly(true);
    edtFileName->setFocusPolicy(Qt::ClickFocus);

    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    // ID3v1 holds 30 bytes per text; ID3v2 frames hold long texts.
    page1 = new TTagPage(1, {30, 0}, pages);
    page2 = new TTagPage(2, {0, 0}, pages);
    pages->addTab(page1, QStringLiteral("ID3v1"));
    pages->addTab(page2, QStringLiteral("ID3v2"));

    chkID3v1 = page1->chkStore;
    edtID3v1_Track = page1->edtTrack;
    edtID3v1_Title = page1->edtTitle;
    edtID3v1_Artist = page1->edtArtist;
    edtID3v1_Album = page1->edtAlbum;
    edtID3v1_Year = page1->edtYear;
    edtID3v1_Genre = page1->cmbGenre;
    edtID3v1_Comment = page1->edtComment;
    chkID3v2 = page2->chkStore;
    edtID3v2_Track = page2->edtTrack;
    edtID3v2_Title = page2->edtTitle;
    edtID3v2_Artist = page2->edtArtist;
    edtID3v2_Album = page2->edtAlbum;
    edtID3v2_Year = page2->edtYear;
    edtID3v2_Genre = page2->cmbGenre;
    edtID3v2_Comment = page2->edtComment;
    TagFields = {edtID3v1_Title, edtID3v1_Artist, edtID3v1_Album, edtID3v1_Year, edtID3v1_Comment, edtID3v1_Genre,
                 edtID3v2_Title, edtID3v2_Artist, edtID3v2_Album, edtID3v2_Year, edtID3v2_Comment, edtID3v2_Genre};

    actUpdate = new QAction(QStringLiteral("Update"), this);
    actUpdate->setObjectName(QStringLiteral("actUpdate"));
    btnUpdate = new QPushButton(actUpdate->text(), this);
    btnUpdate->setObjectName(QStringLiteral("btnUpdate"));
    btnUpdate->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnUpdate, &QPushButton::clicked, actUpdate, &QAction::trigger);
    connect(actUpdate, &QAction::triggered, this, &TfrmMp3Tag::actUpdateExecute);
    connect(actUpdate, &QAction::changed, this, [this] { btnUpdate->setEnabled(actUpdate->isEnabled()); });
    connect(btnCancel, &QPushButton::clicked, this, &TfrmMp3Tag::reject);
    connect(chkID3v1, &QCheckBox::clicked, this, &TfrmMp3Tag::chkID3v1Click);
    connect(chkID3v2, &QCheckBox::clicked, this, &TfrmMp3Tag::chkID3v2Click);
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TfrmMp3Tag::actUpdateUpdate);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnUpdate);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(edtFileName);
    layout->addWidget(pages);
    layout->addLayout(buttons);

    page1->installEventFilter(this);
    page2->installEventFilter(this);
}

void TfrmMp3Tag::FormCreate()
{
    for (QComboBox* combo : {edtID3v1_Genre, edtID3v2_Genre}) {
        combo->clear();
        combo->addItem(QString());
        for (const std::string& name : Tmp3TagV1::Genres()) {
            if (!TrimControls(name).empty())
                combo->addItem(FromUtf8(name));
        }
    }
    m_v1Info.Clear();
    m_v2Info.Clear();

    const std::size_t selected = m_playlist.SelectedRows().size();
    m_multiFileMode = selected > 1;
    if (!m_multiFileMode) {
        LoadSingleFile();
        // Display only: a name that is not UTF-8 shows replacement characters.
        edtFileName->setText(FromUtf8(FirstSelectedPath()));
        TrackUserEdits();
    } else {
        setWindowTitle(QStringLiteral("Change mp3 tag - %1 files").arg(selected));
        edtFileName->hide();
        edtID3v1_Track->setEnabled(false);
        edtID3v2_Track->setEnabled(false);
        chkID3v1->hide();
        chkID3v2->hide();
        for (QWidget* field : TagFields) {
            if (auto* edit = qobject_cast<QLineEdit*>(field)) {
                SetMark(edit, 0);
                TTagPage::SetProgramText(edit, kDontChange);
                SetFontStyle(edit, true, false);
                connect(edit, &QLineEdit::textChanged, this, [this, edit] { edtChange(edit); });
            } else if (auto* combo = qobject_cast<QComboBox*>(field)) {
                combo->insertItem(0, kDontChange);
                combo->setCurrentIndex(0);
                SetFontStyle(combo, true, false);
                connect(combo, &QComboBox::currentTextChanged, this, &TfrmMp3Tag::actUpdateUpdate);
            }
            field->installEventFilter(this);
        }
        // The first field would lose its placeholder on opening: the page
        // tabs take the focus instead.
        pages->tabBar()->setFocus();
    }
    actUpdateUpdate();
    layout()->activate();
    setFixedSize(sizeHint().expandedTo(minimumSizeHint()).expandedTo(QSize(480, 0)));
}

std::string TfrmMp3Tag::FirstSelectedPath() const
{
    const std::vector<int> rows = m_playlist.SelectedRows();
    const TFileInfo* info = rows.empty() ? nullptr : m_playlist.FileAt(rows.front());
    return info ? info->FullPath() : std::string();
}

void TfrmMp3Tag::LoadSingleFile()
{
    const std::string path = FirstSelectedPath();
    auto trackText = [](int track) { return track == 0 ? std::string() : std::to_string(track); };

    try {
        mp3tag1.LoadFromFile(path);
        if (mp3tag1.TagPresent()) {
            m_v1Info.Track = trackText(mp3tag1.Track());
            m_v1Info.Title = mp3tag1.Title();
            m_v1Info.Artist = mp3tag1.Artist();
            m_v1Info.Album = mp3tag1.Album();
            m_v1Info.Year = mp3tag1.Year();
            m_v1Info.Genre = mp3tag1.Genre();
            m_v1Info.Comment = mp3tag1.Comment();
            m_v1Info.Present = true;
        }
    } catch (const std::exception&) {
        // An unreadable file counts as one without the tag.
        m_v1Info.Clear();
    }
    if (mp3Tag2.LoadFromFile(path) && mp3Tag2.TagPresent()) {
        m_v2Info.Track = trackText(mp3Tag2.Track());
        m_v2Info.Title = mp3Tag2.Title();
        m_v2Info.Artist = mp3Tag2.Artist();
        m_v2Info.Album = mp3Tag2.Album();
        m_v2Info.Year = mp3Tag2.Year();
        m_v2Info.Genre = mp3Tag2.Genre();
        m_v2Info.Comment = mp3Tag2.Comment();
        m_v2Info.Present = true;
    } else {
        m_v2Info.Clear();
    }

    chkID3v1->setChecked(m_v1Info.Present);
    chkID3v2->setChecked(m_v2Info.Present);
    const struct {
        TTagPage* page;
        const TMp3TagInfo& info;
    } versions[] = {{page1, m_v1Info}, {page2, m_v2Info}};
    for (const auto& [page, info] : versions) {
        if (!info.Present)
            continue;
        TTagPage::SetProgramText(page->edtTrack, FromUtf8(info.Track));
        TTagPage::SetProgramText(page->edtTitle, FromUtf8(info.Title));
        TTagPage::SetProgramText(page->edtArtist, FromUtf8(info.Artist));
        TTagPage::SetProgramText(page->edtAlbum, FromUtf8(info.Album));
        TTagPage::SetProgramText(page->edtYear, FromUtf8(info.Year));
        TTagPage::SetProgramText(page->edtComment, FromUtf8(info.Comment));
    }
    if (m_v1Info.Present)
        edtID3v1_Genre->setCurrentIndex(edtID3v1_Genre->findText(FromUtf8(m_v1Info.Genre), Qt::MatchFixedString));
    if (m_v2Info.Present)
        edtID3v2_Genre->setEditText(FromUtf8(m_v2Info.Genre));
    EnableV1Fields();
    EnableV2Fields();
    pages->setCurrentWidget(m_v2Info.Present && !m_v1Info.Present ? page2 : page1);
}

void TfrmMp3Tag::TrackUserEdits()
{
    const struct {
        TTagPage* page;
        TMp3ModifInfo& modif;
    } versions[] = {{page1, m_v1Modif}, {page2, m_v2Modif}};
    for (const auto& [page, modif] : versions) {
        TMp3ModifInfo* m = &modif;
        connect(page->edtTrack, &QLineEdit::textEdited, this, [m] { m->Track = true; });
        connect(page->edtTitle, &QLineEdit::textEdited, this, [m] { m->Title = true; });
        connect(page->edtArtist, &QLineEdit::textEdited, this, [m] { m->Artist = true; });
        connect(page->edtAlbum, &QLineEdit::textEdited, this, [m] { m->Album = true; });
        connect(page->edtYear, &QLineEdit::textEdited, this, [m] { m->Year = true; });
        connect(page->edtComment, &QLineEdit::textEdited, this, [m] { m->Comment = true; });
        connect(page->cmbGenre, &QComboBox::activated, this, [m] { m->Genre = true; });
        if (QLineEdit* typed = page->cmbGenre->lineEdit())
            connect(typed, &QLineEdit::textEdited, this, [m] { m->Genre = true; });
    }
}

void TfrmMp3Tag::EnableV1Fields()
{
    page1->EnableFields(chkID3v1->isChecked());
}

void TfrmMp3Tag::EnableV2Fields()
{
    page2->EnableFields(chkID3v2->isChecked());
}

void TfrmMp3Tag::chkID3v1Click()
{
    EnableV1Fields();
}

void TfrmMp3Tag::chkID3v2Click()
{
    EnableV2Fields();
}

int TfrmMp3Tag::ChangedMark(const QLineEdit* edit)
{
    return edit->property("Tag").toInt();
}

void TfrmMp3Tag::edtEnter(QLineEdit* edit)
{
    if (!m_multiFileMode)
        return;
    if (ChangedMark(edit) == 0) {
        edit->clear();
        TTagPage::RestoreLimit(edit);
    }
    SetFontStyle(edit, false, true);
}

void TfrmMp3Tag::edtChange(QLineEdit* edit)
{
    // Text the program sets while the edit has no focus leaves the mark alone.
    if (!m_multiFileMode || !edit->hasFocus())
        return;
    SetMark(edit, edit->text().isEmpty() ? 0 : 1);
    actUpdateUpdate();
}

void TfrmMp3Tag::edtExit(QLineEdit* edit)
{
    if (!m_multiFileMode)
        return;
    if (!Trimmed(edit).empty()) {
        SetFontStyle(edit, false, true);
        SetMark(edit, 1);
    } else {
        SetFontStyle(edit, true, false);
        TTagPage::SetProgramText(edit, kDontChange);
        SetMark(edit, 0);
    }
    actUpdateUpdate();
}

void TfrmMp3Tag::comboEnter(QComboBox* combo)
{
    if (!m_multiFileMode)
        return;
    SetFontStyle(combo, false, false);
}

void TfrmMp3Tag::comboExit(QComboBox* combo)
{
    if (!m_multiFileMode)
        return;
    const bool placeholder = !GenreChanged(combo);
    SetFontStyle(combo, placeholder, !placeholder);
    combo->update();
    actUpdateUpdate();
}

void TfrmMp3Tag::FormMouseDown()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused))
        focused->clearFocus();
}

void TfrmMp3Tag::mousePressEvent(QMouseEvent* event)
{
    FormMouseDown();
    QDialog::mousePressEvent(event);
}

bool TfrmMp3Tag::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((watched == page1 || watched == page2) && type == QEvent::MouseButtonPress) {
        FormMouseDown();
    } else if (type == QEvent::FocusIn || type == QEvent::FocusOut) {
        // A context menu or the genre list taking the focus for a moment is
        // not leaving the field.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
            const bool in = type == QEvent::FocusIn;
            if (auto* edit = qobject_cast<QLineEdit*>(watched))
                in ? edtEnter(edit) : edtExit(edit);
            else if (auto* combo = qobject_cast<QComboBox*>(watched))
                in ? comboEnter(combo) : comboExit(combo);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TfrmMp3Tag::AnyV1FieldChanged() const
{
    for (const QLineEdit* edit : {edtID3v1_Title, edtID3v1_Artist, edtID3v1_Album, edtID3v1_Year, edtID3v1_Comment}) {
        if (ChangedMark(edit) == 1)
            return true;
    }
    return GenreChanged(edtID3v1_Genre);
}

bool TfrmMp3Tag::AnyV2FieldChanged() const
{
    for (const QLineEdit* edit : {edtID3v2_Title, edtID3v2_Artist, edtID3v2_Album, edtID3v2_Year, edtID3v2_Comment}) {
        if (ChangedMark(edit) == 1)
            return true;
    }
    return GenreChanged(edtID3v2_Genre);
}

void TfrmMp3Tag::actUpdateUpdate()
{
    actUpdate->setEnabled(!m_multiFileMode || AnyV1FieldChanged() || AnyV2FieldChanged());
}

void TfrmMp3Tag::actUpdateExecute()
{
    if (m_saving)
        return;
    if (m_multiFileMode) {
        // Enter in a field: that field's exit rule runs first, as for a
        // click on Update, so that blanks typed there write nothing.
        FormMouseDown();
        actUpdateUpdate();
        if (!actUpdate->isEnabled())
            return;
    }
    if (m_multiFileMode ? SaveManyFiles() : SaveSingleFile())
        accept();
}

void TfrmMp3Tag::reject()
{
    if (!m_saving)
        QDialog::reject();
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

    // mp3tag1 and mp3Tag2 still hold what was read at opening: only the
    // fields the user changed are set.
    try {
        if (chkID3v1->isChecked()) {
            if (m_v1Modif.Track)
                mp3tag1.SetTrack(track1);
            if (m_v1Modif.Title)
                mp3tag1.SetTitle(Trimmed(edtID3v1_Title));
            if (m_v1Modif.Artist)
                mp3tag1.SetArtist(Trimmed(edtID3v1_Artist));
            if (m_v1Modif.Album)
                mp3tag1.SetAlbum(Trimmed(edtID3v1_Album));
            if (m_v1Modif.Year)
                mp3tag1.SetYear(Trimmed(edtID3v1_Year));
            if (m_v1Modif.Genre)
                mp3tag1.SetGenre(edtID3v1_Genre->currentIndex() < 0 ? std::string()
                                                                     : Utf8(edtID3v1_Genre->currentText()));
            if (m_v1Modif.Comment)
                mp3tag1.SetComment(Trimmed(edtID3v1_Comment));
            mp3tag1.SaveToFile(path);
        } else {
            mp3tag1.RemoveFromFile(path);
        }
    } catch (const std::exception& e) {
        m_prompts.showError(QStringLiteral("Error saving ID3v1 tag"), FromUtf8(e.what()));
        return false;
    }

    std::string failure;
    if (chkID3v2->isChecked()) {
        if (m_v2Modif.Track)
            mp3Tag2.SetTrack(track2);
        if (m_v2Modif.Title)
            mp3Tag2.SetTitle(Trimmed(edtID3v2_Title));
        if (m_v2Modif.Artist)
            mp3Tag2.SetArtist(Trimmed(edtID3v2_Artist));
        if (m_v2Modif.Album)
            mp3Tag2.SetAlbum(Trimmed(edtID3v2_Album));
        if (m_v2Modif.Year)
            mp3Tag2.SetYear(Trimmed(edtID3v2_Year));
        if (m_v2Modif.Genre)
            mp3Tag2.SetGenre(Utf8(edtID3v2_Genre->currentText()));
        if (m_v2Modif.Comment)
            mp3Tag2.SetComment(Trimmed(edtID3v2_Comment));
        if (!mp3Tag2.SaveToFile(path))
            failure = V2Failure("save", path, mp3Tag2.LastError());
    } else {
        failure = TFileInfo::RemoveV2TagFrom(path);
    }
    if (!failure.empty()) {
        m_prompts.showError(QStringLiteral("Error saving ID3v2 tag"), FromUtf8(failure));
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

    TagFailureList failures;
    {
        ProgressWindows::ProgressScope progress(2 * m_playlist.Count(), QStringLiteral("Saving tags ..."));
        DisabledScope disabled(*this);
        m_saving = true;
        for (int row : rows) {
            const TFileInfo* info = m_playlist.FileAt(row);
            if (!info)
                continue;
            const std::string path = info->FullPath();
            UpdateV1OfFile(path, failures);
            SetProgressPosition(2 * row);
            QCoreApplication::processEvents();
            if (IsProgressCancelled())
                break;
            UpdateV2OfFile(path, failures);
            SetProgressPosition(2 * row + 1);
            QCoreApplication::processEvents();
            if (IsProgressCancelled())
                break;
        }
        m_saving = false;
    }
    // The files done keep their tags and the rows are refreshed all the
    // same; what failed is told once, at the end.
    if (!failures.Empty())
        m_prompts.showError(QStringLiteral("Error saving mp3 tags"), failures.Message());
    return true;
}

void TfrmMp3Tag::UpdateV1OfFile(const std::string& path, TagFailureList& failures)
{
    if (!AnyV1FieldChanged())
        return;
    // A fresh object: nothing of the previous file (its track number) is
    // carried into this one.
    mp3tag1 = Tmp3TagV1();
    try {
        mp3tag1.LoadFromFile(path);
        const struct {
            QLineEdit* edit;
            int index;
        } texts[] = {{edtID3v1_Title, 1}, {edtID3v1_Artist, 2}, {edtID3v1_Year, 3}, {edtID3v1_Album, 4},
                     {edtID3v1_Comment, 5}};
        for (const auto& [edit, index] : texts) {
            if (ChangedMark(edit) == 1)
                mp3tag1.SetTextField(index, Utf8(edit->text()));
        }
        if (GenreChanged(edtID3v1_Genre))
            mp3tag1.SetGenre(Utf8(edtID3v1_Genre->currentText()));
        mp3tag1.SaveToFile(path);
    } catch (const std::exception& e) {
        failures.Add(path, e.what());
    }
}

void TfrmMp3Tag::UpdateV2OfFile(const std::string& path, TagFailureList& failures)
{
    if (!AnyV2FieldChanged())
        return;
    // Without the file's values the save would drop them: a file that cannot
    // be read is not written.
    if (!mp3Tag2.LoadFromFile(path)) {
        failures.Add(path, V2Failure("read", path, mp3Tag2.LastError()));
        return;
    }
    const struct {
        QLineEdit* edit;
        void (Tmp3TagV2::*set)(std::string_view);
    } texts[] = {{edtID3v2_Title, &Tmp3TagV2::SetTitle}, {edtID3v2_Artist, &Tmp3TagV2::SetArtist},
                 {edtID3v2_Album, &Tmp3TagV2::SetAlbum}, {edtID3v2_Year, &Tmp3TagV2::SetYear},
                 {edtID3v2_Comment, &Tmp3TagV2::SetComment}};
    for (const auto& [edit, set] : texts) {
        if (ChangedMark(edit) == 1)
            (mp3Tag2.*set)(Utf8(edit->text()));
    }
    if (GenreChanged(edtID3v2_Genre))
        mp3Tag2.SetGenre(Utf8(edtID3v2_Genre->currentText()));
    if (!mp3Tag2.SaveToFile(path))
        failures.Add(path, V2Failure("save", path, mp3Tag2.LastError()));
}

bool ShowTagEditor(PlaylistRows& playlist, Prompts& prompts)
{
    if (playlist.SelectedRows().empty())
        return false;
    TfrmMp3Tag dialog(playlist, prompts, MainWindow());
    return dialog.exec() == QDialog::Accepted;
}
