#include "tfrmmp3tag.h"

#include "tcoverpage.h"
#include "tmorepage.h"
#include "tframespage.h"
#include "tlyricspage.h"
#include "ttagpage.h"

#include "fileutils.h"
#include "fixeddialog.h"
#include "mainwindowregistry.h"
#include "playlistrows.h"
#include "prompts.h"
#include "tfileinfo.h"
#include "tundorecorder.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>


namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What a tag of either version holds, as the dialog shows it: the track as
// decimal text, empty for none.
template <class Tag>
void FillTagInfo(const Tag& tag, TMp3TagInfo& info)
{
    info.Present = true;
    info.Track = tag.Track() == 0 ? std::string() : std::to_string(tag.Track());
    info.Title = tag.Title();
    info.Artist = tag.Artist();
    info.Album = tag.Album();
    info.Year = tag.Year();
    info.Genre = tag.Genre();
    info.Comment = tag.Comment();
}

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
    // The file's length, bitrate and format, below its name.
    lblAudio = new QLabel(this);
    lblAudio->setObjectName(QStringLiteral("lblAudio"));

    pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    // ID3v1 holds 30 bytes per text; ID3v2 frames hold long texts.
    page1 = new TTagPage(1, {30, 0}, pages);
    page2 = new TTagPage(2, {0, 0}, pages);
    pages->addTab(page1, QStringLiteral("ID3v&1"));
    pages->addTab(page2, QStringLiteral("ID3v&2"));
    page3 = new TCoverPage(m_prompts, pages);
    pages->addTab(page3, QStringLiteral("Co&ver"));
    connect(page3, &TCoverPage::changed, this, &TfrmMp3Tag::actUpdateUpdate);
    pageMore = new TMorePage(pages);
    pages->addTab(pageMore, QStringLiteral("M&ore"));
    connect(pageMore, &TMorePage::changed, this, &TfrmMp3Tag::actUpdateUpdate);
    pageLyrics = new TLyricsPage(m_prompts, pages);
    pages->addTab(pageLyrics, QStringLiteral("&Lyrics"));
    connect(pageLyrics, &TLyricsPage::changed, this, &TfrmMp3Tag::actUpdateUpdate);
    pageFrames = new TFramesPage(pages);
    pages->addTab(pageFrames, QStringLiteral("All &frames"));
    connect(pageFrames, &TFramesPage::changed, this, &TfrmMp3Tag::FramesEdited);

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

    actUpdate = new QAction(QStringLiteral("&Update"), this);
    actUpdate->setObjectName(QStringLiteral("actUpdate"));
    btnUpdate = new QPushButton(actUpdate->text(), this);
    btnUpdate->setObjectName(QStringLiteral("btnUpdate"));
    btnUpdate->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
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
    layout->addWidget(lblAudio);
    layout->addWidget(pages);
    layout->addLayout(buttons);

    page1->installEventFilter(this);
    page2->installEventFilter(this);
    pageMore->installEventFilter(this);
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
        const std::vector<int> rows = m_playlist.SelectedRows();
        const TFileInfo* info = rows.empty() ? nullptr : m_playlist.FileAt(rows.front());
        lblAudio->setText(info ? QString::fromStdString(info->AudioSummary()) : QString());
        lblAudio->setVisible(!lblAudio->text().isEmpty());
        TrackUserEdits();
    } else {
        setWindowTitle(QStringLiteral("Change mp3 tag - %1 files").arg(selected));
        edtFileName->hide();
        lblAudio->hide();
        edtID3v1_Track->setEnabled(false);
        edtID3v2_Track->setEnabled(false);
        chkID3v1->hide();
        chkID3v2->hide();
        page1->ShowPlaceholders();
        page2->ShowPlaceholders();
        page3->ShowPlaceholder();
        pageMore->ShowPlaceholders();
        pageLyrics->ShowPlaceholder();
        pages->setTabVisible(pages->indexOf(pageFrames), false);
        std::vector<QWidget*> fields = TagFields;
        for (QLineEdit* edit : pageMore->Edits())
            fields.push_back(edit);
        for (QWidget* field : fields) {
            if (auto* edit = qobject_cast<QLineEdit*>(field))
                connect(edit, &QLineEdit::textChanged, this, [this, edit] { edtChange(edit); });
            else if (auto* combo = qobject_cast<QComboBox*>(field))
                connect(combo, &QComboBox::currentTextChanged, this, &TfrmMp3Tag::actUpdateUpdate);
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
    try {
        mp3tag1.LoadFromFile(path);
        if (mp3tag1.TagPresent())
            FillTagInfo(mp3tag1, m_v1Info);
    } catch (const std::exception&) {
        // An unreadable file counts as one without the tag.
        m_v1Info.Clear();
    }
    if (mp3Tag2.LoadFromFile(path) && mp3Tag2.TagPresent())
        FillTagInfo(mp3Tag2, m_v2Info);
    else
        m_v2Info.Clear();
    if (m_v2Info.Present) {
        mp3Tag2.LoadCover(path);
        pageMore->ShowTag(mp3Tag2);
    }
    page3->ShowFileCover(mp3Tag2.Cover(), FolderPart(path));
    // Lyrics and the other frames are read only for the single file shown.
    const bool framesRead = !m_v2Info.Present || mp3Tag2.LoadFrames(path);
    pageLyrics->ShowFileLyrics(mp3Tag2.FrameList(), FolderPart(path));
    pageFrames->ShowFrames(mp3Tag2.FrameList(), mp3Tag2.FrameListMajor(),
                           framesRead ? QString() : FromUtf8(mp3Tag2.LastError()));

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

void TfrmMp3Tag::FramesEdited()
{
    // The fields the user has not changed show what the edited frames say,
    // as the save writes them; a changed field wins over the frame edit.
    const auto texts = pageFrames->FieldTexts();
    const int track = id3v2::ParseTrackNumber(texts[id3v2::kTrack]);
    const struct {
        QLineEdit* edit;
        bool changed;
        std::string text;
    } fields[] = {{edtID3v2_Track, m_v2Modif.Track, track == 0 ? std::string() : std::to_string(track)},
                  {edtID3v2_Title, m_v2Modif.Title, texts[id3v2::kTitle]},
                  {edtID3v2_Artist, m_v2Modif.Artist, texts[id3v2::kArtist]},
                  {edtID3v2_Album, m_v2Modif.Album, texts[id3v2::kAlbum]},
                  {edtID3v2_Year, m_v2Modif.Year, texts[id3v2::kYear]},
                  {edtID3v2_Comment, m_v2Modif.Comment, texts[id3v2::kComment]}};
    for (const auto& [edit, changed, text] : fields)
        if (!changed)
            TTagPage::SetProgramText(edit, FromUtf8(text));
    if (!m_v2Modif.Genre)
        edtID3v2_Genre->setEditText(FromUtf8(texts[id3v2::kGenre]));
    pageMore->ShowFrameTexts(pageFrames->ExtraTexts());
    if (pageLyrics->PendingChange() == TLyricsPage::Change::Keep)
        pageLyrics->ShowFileLyrics(pageFrames->Model().Entries(), FolderPart(FirstSelectedPath()));
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
    page3->setEnabled(chkID3v2->isChecked());
    pageMore->setEnabled(chkID3v2->isChecked());
    pageLyrics->setEnabled(chkID3v2->isChecked());
    pageFrames->setEnabled(chkID3v2->isChecked());
}

void TfrmMp3Tag::chkID3v1Click()
{
    EnableV1Fields();
}

void TfrmMp3Tag::chkID3v2Click()
{
    EnableV2Fields();
}

void TfrmMp3Tag::edtEnter(QLineEdit* edit)
{
    if (!m_multiFileMode)
        return;
    if (TTagPage::ChangedMark(edit) == 0) {
        edit->clear();
        TTagPage::RestoreLimit(edit);
    }
    TTagPage::SetFontStyle(edit, false, true);
}

void TfrmMp3Tag::edtChange(QLineEdit* edit)
{
    // Text the program sets while the edit has no focus leaves the mark alone.
    if (!m_multiFileMode || !edit->hasFocus())
        return;
    TTagPage::SetMark(edit, edit->text().isEmpty() ? 0 : 1);
    actUpdateUpdate();
}

void TfrmMp3Tag::edtExit(QLineEdit* edit)
{
    if (!m_multiFileMode)
        return;
    if (!TrimControls(edit->text().toStdString()).empty()) {
        TTagPage::SetFontStyle(edit, false, true);
        TTagPage::SetMark(edit, 1);
    } else {
        TTagPage::SetFontStyle(edit, true, false);
        TTagPage::SetProgramText(edit, TTagPage::kDontChange);
        TTagPage::SetMark(edit, 0);
    }
    actUpdateUpdate();
}

void TfrmMp3Tag::comboEnter(QComboBox* combo)
{
    if (!m_multiFileMode)
        return;
    TTagPage::SetFontStyle(combo, false, false);
}

void TfrmMp3Tag::comboExit(QComboBox* combo)
{
    if (!m_multiFileMode)
        return;
    const bool placeholder = !TTagPage::GenreChanged(combo);
    TTagPage::SetFontStyle(combo, placeholder, !placeholder);
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
    if ((watched == page1 || watched == page2 || watched == pageMore) && type == QEvent::MouseButtonPress) {
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

void TfrmMp3Tag::actUpdateUpdate()
{
    actUpdate->setEnabled(!m_multiFileMode || page1->AnyFieldChanged() || page2->AnyFieldChanged()
                          || pageMore->AnyFieldChanged() || page3->PendingChange() != TCoverPage::Change::Keep
                          || pageLyrics->PendingChange() != TLyricsPage::Change::Keep);
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
    if (!ConfirmV1Losses())
        return;
    if (m_multiFileMode ? SaveManyFiles() : SaveSingleFile())
        accept();
}

void TfrmMp3Tag::reject()
{
    if (!m_saving)
        QDialog::reject();
}

bool ShowTagEditor(PlaylistRows& playlist, Prompts& prompts, TUndoRecorder* undo)
{
    if (playlist.SelectedRows().empty())
        return false;
    TfrmMp3Tag dialog(playlist, prompts, MainWindow());
    dialog.SetUndoRecorder(undo);
    return dialog.exec() == QDialog::Accepted;
}
