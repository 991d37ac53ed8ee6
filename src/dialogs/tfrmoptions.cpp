#include "tfrmoptions.h"

#include "codepage.h"
#include "fixeddialog.h"
#include "optionvalues.h"
#include "poptions.h"
#include "skinmanager.h"
#include "tplaylistmodel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

const char* const kFileNamesItem = "File Name in playlist";
const char* const kTagInfoItem = "Mp3 tag Info in playlist";

// The entries of the version box, in its order.
constexpr Id3v2WriteVersion kVersions[] = {Id3v2WriteVersion::V23, Id3v2WriteVersion::V24, Id3v2WriteVersion::Keep};

} // namespace

TfrmOptions::TfrmOptions(SkinManager& skins, TPlaylistModel& playlist, QAbstractItemView& playlistView,
                         QWidget* parent, TagRereader rereadTags)
    : QDialog(parent, kFixedDialogFlags)
    , m_skins(skins)
    , m_playlist(playlist)
    , m_playlistView(playlistView)
    , m_rereadTags(std::move(rereadTags))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setFixedSize(464, 277);

    ctrlpages = new QTabWidget(this);
    ctrlpages->setObjectName(QStringLiteral("ctrlpages"));
    page1 = new QWidget(ctrlpages);
    page1->setObjectName(QStringLiteral("page1"));
    // The doubled ampersand shows as one.
    ctrlpages->addTab(page1, QStringLiteral(" &Application Look && Feel "));

    grpGlobal = new QGroupBox(QStringLiteral("  Global  "), page1);
    grpGlobal->setObjectName(QStringLiteral("grpGlobal"));
    Label1 = new QLabel(QStringLiteral("Application &Skin:"), grpGlobal);
    Label1->setObjectName(QStringLiteral("Label1"));
    cbSkinsList = new QComboBox(grpGlobal);
    cbSkinsList->setObjectName(QStringLiteral("cbSkinsList"));
    Label1->setBuddy(cbSkinsList);
    auto* global = new QHBoxLayout(grpGlobal);
    global->addWidget(Label1);
    global->addWidget(cbSkinsList, 1);

    grpPlayList = new QGroupBox(QStringLiteral("  Playlist options  "), page1);
    grpPlayList->setObjectName(QStringLiteral("grpPlayList"));
    cbReplaceUrlSpaces = new QCheckBox(QStringLiteral("Co&nvert %20 in titles"), grpPlayList);
    cbReplaceUrlSpaces->setObjectName(QStringLiteral("cbReplaceUrlSpaces"));
    Label2 = new QLabel(QStringLiteral("&Display:"), grpPlayList);
    Label2->setObjectName(QStringLiteral("Label2"));
    cbShowFileNames = new QComboBox(grpPlayList);
    cbShowFileNames->setObjectName(QStringLiteral("cbShowFileNames"));
    cbShowFileNames->addItems({QString::fromLatin1(kFileNamesItem), QString::fromLatin1(kTagInfoItem)});
    Label2->setBuddy(cbShowFileNames);
    cbPlayNextAtEnd = new QCheckBox(QStringLiteral("&Play the next song when one ends"), grpPlayList);
    cbPlayNextAtEnd->setObjectName(QStringLiteral("cbPlayNextAtEnd"));
    auto* list = new QGridLayout(grpPlayList);
    list->addWidget(cbReplaceUrlSpaces, 0, 0, 1, 2);
    list->addWidget(Label2, 1, 0);
    list->addWidget(cbShowFileNames, 1, 1);
    list->addWidget(cbPlayNextAtEnd, 2, 0, 1, 2);
    list->setColumnStretch(1, 1);

    // Margins as close as on the Tags page, so that the page fits the
    // window's fixed size unsqueezed.
    auto* page = new QVBoxLayout(page1);
    page->setContentsMargins(6, 2, 6, 2);
    page->setSpacing(2);
    page->addWidget(grpGlobal);
    page->addWidget(grpPlayList);
    page->addStretch(1);
    BuildTagsPage();
    BuildServicesPage();

    butClose = MakeCloseButton(*this, QStringLiteral("&Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(butClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ctrlpages, 1);
    layout->addLayout(buttons);

    FormCreate();
}

void TfrmOptions::BuildTagsPage()
{
    page2 = new QWidget(ctrlpages);
    page2->setObjectName(QStringLiteral("page2"));
    ctrlpages->addTab(page2, QStringLiteral("&Tags"));

    grpWriting = new QGroupBox(QStringLiteral("  Writing  "), page2);
    grpWriting->setObjectName(QStringLiteral("grpWriting"));
    Label3 = new QLabel(QStringLiteral("ID3v2 &version to write:"), grpWriting);
    Label3->setObjectName(QStringLiteral("Label3"));
    cbId3v2Version = new QComboBox(grpWriting);
    cbId3v2Version->setObjectName(QStringLiteral("cbId3v2Version"));
    cbId3v2Version->addItems(
        {QStringLiteral("ID3v2.3"), QStringLiteral("ID3v2.4"), QStringLiteral("Keep each file's version")});
    Label3->setBuddy(cbId3v2Version);
    cbKeepFileTime = new QCheckBox(QStringLiteral("&Keep the files' modification time"), grpWriting);
    cbKeepFileTime->setObjectName(QStringLiteral("cbKeepFileTime"));
    // Made after the boxes above it, so that Tab reaches it after them.
    cbLeaveRoom = new QCheckBox(QStringLiteral("&Leave room in tags for later edits"), grpWriting);
    cbLeaveRoom->setObjectName(QStringLiteral("cbLeaveRoom"));
    auto* writing = new QGridLayout(grpWriting);
    writing->addWidget(Label3, 0, 0);
    writing->addWidget(cbId3v2Version, 0, 1);
    writing->addWidget(cbKeepFileTime, 1, 0, 1, 2);
    writing->addWidget(cbLeaveRoom, 2, 0, 1, 2);
    writing->setColumnStretch(1, 1);
    writing->setVerticalSpacing(0);

    grpCodePage = new QGroupBox(QStringLiteral("  Code page of ID3v1 tags (reading and writing)  "), page2);
    grpCodePage->setObjectName(QStringLiteral("grpCodePage"));
    Label4 = new QLabel(QStringLiteral("C&ode page of ID3v1 tags:"), grpCodePage);
    Label4->setObjectName(QStringLiteral("Label4"));
    cbCodePage = new QComboBox(grpCodePage);
    cbCodePage->setObjectName(QStringLiteral("cbCodePage"));
    for (const auto& [name, caption] : CodePage::Offered())
        cbCodePage->addItem(QString::fromStdString(caption), QString::fromStdString(name));
    Label4->setBuddy(cbCodePage);
    cbCodePageForId3v2 = new QCheckBox(QStringLiteral("&Use it for ID3v2 texts in encoding 0 too"), grpCodePage);
    cbCodePageForId3v2->setObjectName(QStringLiteral("cbCodePageForId3v2"));
    auto* reading = new QGridLayout(grpCodePage);
    reading->addWidget(Label4, 0, 0);
    reading->addWidget(cbCodePage, 0, 1);
    reading->addWidget(cbCodePageForId3v2, 1, 0, 1, 2);
    reading->setColumnStretch(1, 1);
    reading->setVerticalSpacing(0);

    // Rows, groups and margins closer than the defaults (in both groups too),
    // so that the page fits the window's fixed size unsqueezed.
    auto* page = new QVBoxLayout(page2);
    page->setContentsMargins(6, 2, 6, 2);
    page->setSpacing(2);
    page->addWidget(grpWriting);
    page->addWidget(grpCodePage);
    page->addStretch(1);
}

void TfrmOptions::BuildServicesPage()
{
    page3 = new QWidget(ctrlpages);
    page3->setObjectName(QStringLiteral("page3"));
    ctrlpages->addTab(page3, QStringLiteral("&Web services"));
    Label5 = new QLabel(QStringLiteral("&MusicBrainz server:"), page3);
    Label5->setObjectName(QStringLiteral("Label5"));
    edtMusicBrainzServer = new QLineEdit(QString::fromStdString(options::musicBrainzServer), page3);
    edtMusicBrainzServer->setObjectName(QStringLiteral("edtMusicBrainzServer"));
    edtMusicBrainzServer->setPlaceholderText(QString::fromLatin1(options::kDefaultMusicBrainzServer));
    Label5->setBuddy(edtMusicBrainzServer);
    Label6 = new QLabel(QStringLiteral("Cover art arc&hive server:"), page3);
    Label6->setObjectName(QStringLiteral("Label6"));
    edtCoverArtServer = new QLineEdit(QString::fromStdString(options::coverArtServer), page3);
    edtCoverArtServer->setObjectName(QStringLiteral("edtCoverArtServer"));
    edtCoverArtServer->setPlaceholderText(QString::fromLatin1(options::kDefaultCoverArtServer));
    Label6->setBuddy(edtCoverArtServer);
    auto* grid = new QGridLayout(page3);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->addWidget(Label5, 0, 0);
    grid->addWidget(edtMusicBrainzServer, 0, 1);
    grid->addWidget(Label6, 1, 0);
    grid->addWidget(edtCoverArtServer, 1, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);
    for (QLineEdit* edit : {edtMusicBrainzServer, edtCoverArtServer})
        connect(edit, &QLineEdit::textChanged, this, &TfrmOptions::edtServersChange);
}

void TfrmOptions::edtServersChange()
{
    const auto take = [](const QLineEdit* edit, const char* fallback) {
        const QString text = edit->text().trimmed();
        return text.isEmpty() ? std::string(fallback) : text.toStdString();
    };
    options::musicBrainzServer = take(edtMusicBrainzServer, options::kDefaultMusicBrainzServer);
    options::coverArtServer = take(edtCoverArtServer, options::kDefaultCoverArtServer);
}

void TfrmOptions::FormCreate()
{
    // The skins found in the skin manager's folders, sorted; no selection
    // when the current skin is not among them.
    cbSkinsList->addItems(m_skins.AvailableSkins());
    cbSkinsList->setCurrentIndex(cbSkinsList->findText(QString::fromStdString(options::skinName)));
    cbShowFileNames->setCurrentIndex(options::FNIOMP3INFO ? 0 : 1);
    cbReplaceUrlSpaces->setChecked(options::REPLURLSPACES);
    cbPlayNextAtEnd->setChecked(options::playNextAtEnd);
    const TagOptions tagOptions = options::CurrentTagOptions();
    cbId3v2Version->setCurrentIndex(
        static_cast<int>(std::find(std::begin(kVersions), std::end(kVersions), tagOptions.writeVersion)
                         - std::begin(kVersions)));
    cbKeepFileTime->setChecked(tagOptions.keepModificationTime);
    cbLeaveRoom->setChecked(tagOptions.leaveRoom);
    cbCodePage->setCurrentIndex(cbCodePage->findData(QString::fromStdString(tagOptions.codePage)));
    cbCodePageForId3v2->setChecked(tagOptions.codePageForId3v2);

    // Connected after filling in, so that only the user's changes act.
    connect(cbSkinsList, &QComboBox::currentIndexChanged, this, &TfrmOptions::cbSkinsListChange);
    connect(cbShowFileNames, &QComboBox::currentIndexChanged, this, &TfrmOptions::cbShowFileNamesChange);
    connect(cbReplaceUrlSpaces, &QCheckBox::toggled, this, &TfrmOptions::cbReplaceUrlSpacesClick);
    connect(cbPlayNextAtEnd, &QCheckBox::toggled, this, &TfrmOptions::cbPlayNextAtEndClick);
    connect(cbId3v2Version, &QComboBox::currentIndexChanged, this, &TfrmOptions::cbId3v2VersionChange);
    connect(cbKeepFileTime, &QCheckBox::toggled, this, &TfrmOptions::cbKeepFileTimeClick);
    connect(cbLeaveRoom, &QCheckBox::toggled, this, &TfrmOptions::cbLeaveRoomClick);
    connect(cbCodePage, &QComboBox::currentIndexChanged, this, &TfrmOptions::cbCodePageChange);
    connect(cbCodePageForId3v2, &QCheckBox::toggled, this, &TfrmOptions::cbCodePageChange);
}

void TfrmOptions::cbId3v2VersionChange()
{
    const int index = cbId3v2Version->currentIndex();
    if (index < 0)
        return;
    TagOptions tagOptions = options::CurrentTagOptions();
    tagOptions.writeVersion = kVersions[index];
    options::SetTagOptions(tagOptions);
}

void TfrmOptions::cbKeepFileTimeClick()
{
    TagOptions tagOptions = options::CurrentTagOptions();
    tagOptions.keepModificationTime = cbKeepFileTime->isChecked();
    options::SetTagOptions(tagOptions);
}

void TfrmOptions::cbLeaveRoomClick()
{
    TagOptions tagOptions = options::CurrentTagOptions();
    tagOptions.leaveRoom = cbLeaveRoom->isChecked();
    options::SetTagOptions(tagOptions);
}

void TfrmOptions::cbCodePageChange()
{
    TagOptions tagOptions = options::CurrentTagOptions();
    const TagOptions before = tagOptions;
    if (cbCodePage->currentIndex() >= 0)
        tagOptions.codePage = cbCodePage->currentData().toString().toStdString();
    tagOptions.codePageForId3v2 = cbCodePageForId3v2->isChecked();
    if (tagOptions == before)
        return;
    options::SetTagOptions(tagOptions);
    // The captions come from the tags, which now read differently.
    if (m_rereadTags) {
        setEnabled(false);
        const auto enable = qScopeGuard([this] { setEnabled(true); });
        m_rereadTags();
    }
    RefreshPlaylistCaptions();
}

void TfrmOptions::cbSkinsListChange()
{
    if (cbSkinsList->currentIndex() < 0)
        return;
    // The application's style sheet paints every open window at once.
    m_skins.SetSkinName(cbSkinsList->currentText());
    m_skins.Activate();
    options::skinName = m_skins.SkinName().toStdString();
}

void TfrmOptions::cbShowFileNamesChange()
{
    options::FNIOMP3INFO = cbShowFileNames->currentIndex() == 0;
    RefreshPlaylistCaptions();
}

void TfrmOptions::cbReplaceUrlSpacesClick()
{
    if (cbReplaceUrlSpaces->isChecked() == options::REPLURLSPACES)
        return;
    options::REPLURLSPACES = cbReplaceUrlSpaces->isChecked();
    RefreshPlaylistCaptions();
}

void TfrmOptions::cbPlayNextAtEndClick()
{
    // The player reads it at the end of each song.
    options::playNextAtEnd = cbPlayNextAtEnd->isChecked();
}

void TfrmOptions::RefreshPlaylistCaptions()
{
    // One repaint at the end, also when refreshing fails.
    m_playlistView.setUpdatesEnabled(false);
    const auto release = qScopeGuard([this] {
        m_playlistView.setUpdatesEnabled(true);
        m_playlistView.viewport()->update();
    });
    m_playlist.RefreshAll();
}

void TfrmOptions::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TfrmOptions::FormClose()
{
    // A store that cannot be written keeps the values in memory; the main
    // window saves them again when it closes.
    SaveOptions();
}

void ShowOptions(SkinManager& skins, TPlaylistModel& playlist, QAbstractItemView& playlistView, QWidget* parent,
                 TfrmOptions::TagRereader rereadTags)
{
    TfrmOptions form(skins, playlist, playlistView, parent, std::move(rereadTags));
    form.exec();
}
