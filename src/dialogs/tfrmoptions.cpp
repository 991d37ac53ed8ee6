#include "tfrmoptions.h"

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
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

const char* const kFileNamesItem = "File Name in playlist";
const char* const kTagInfoItem = "Mp3 tag Info in playlist";

} // namespace

TfrmOptions::TfrmOptions(SkinManager& skins, TPlaylistModel& playlist, QAbstractItemView& playlistView,
                         QWidget* parent)
    : QDialog(parent, kFixedDialogFlags)
    , m_skins(skins)
    , m_playlist(playlist)
    , m_playlistView(playlistView)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setFixedSize(464, 277);

    ctrlpages = new QTabWidget(this);
    ctrlpages->setObjectName(QStringLiteral("ctrlpages"));
    page1 = new QWidget(ctrlpages);
    page1->setObjectName(QStringLiteral("page1"));
    // The doubled ampersand shows as one.
    ctrlpages->addTab(page1, QStringLiteral(" Application Look && Feel "));

    grpGlobal = new QGroupBox(QStringLiteral("  Global  "), page1);
    grpGlobal->setObjectName(QStringLiteral("grpGlobal"));
    Label1 = new QLabel(QStringLiteral("Application Skin:"), grpGlobal);
    Label1->setObjectName(QStringLiteral("Label1"));
    cbSkinsList = new QComboBox(grpGlobal);
    cbSkinsList->setObjectName(QStringLiteral("cbSkinsList"));
    Label1->setBuddy(cbSkinsList);
    auto* global = new QHBoxLayout(grpGlobal);
    global->addWidget(Label1);
    global->addWidget(cbSkinsList, 1);

    grpPlayList = new QGroupBox(QStringLiteral("  Playlist options  "), page1);
    grpPlayList->setObjectName(QStringLiteral("grpPlayList"));
    cbReplaceUrlSpaces = new QCheckBox(QStringLiteral("Convert %20 in titles"), grpPlayList);
    cbReplaceUrlSpaces->setObjectName(QStringLiteral("cbReplaceUrlSpaces"));
    Label2 = new QLabel(QStringLiteral("Display:"), grpPlayList);
    Label2->setObjectName(QStringLiteral("Label2"));
    cbShowFileNames = new QComboBox(grpPlayList);
    cbShowFileNames->setObjectName(QStringLiteral("cbShowFileNames"));
    cbShowFileNames->addItems({QString::fromLatin1(kFileNamesItem), QString::fromLatin1(kTagInfoItem)});
    Label2->setBuddy(cbShowFileNames);
    auto* list = new QGridLayout(grpPlayList);
    list->addWidget(cbReplaceUrlSpaces, 0, 0, 1, 2);
    list->addWidget(Label2, 1, 0);
    list->addWidget(cbShowFileNames, 1, 1);
    list->setColumnStretch(1, 1);

    auto* page = new QVBoxLayout(page1);
    page->addWidget(grpGlobal);
    page->addWidget(grpPlayList);
    page->addStretch(1);

    butClose = MakeCloseButton(*this, QStringLiteral("Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(butClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ctrlpages, 1);
    layout->addLayout(buttons);

    FormCreate();
}

void TfrmOptions::FormCreate()
{
    // The skins found in the skin manager's folders, sorted; no selection
    // when the current skin is not among them.
    cbSkinsList->addItems(m_skins.AvailableSkins());
    cbSkinsList->setCurrentIndex(cbSkinsList->findText(QString::fromStdString(options::skinName)));
    cbShowFileNames->setCurrentIndex(options::FNIOMP3INFO ? 0 : 1);
    cbReplaceUrlSpaces->setChecked(options::REPLURLSPACES);

    // Connected after filling in, so that only the user's changes act.
    connect(cbSkinsList, &QComboBox::currentIndexChanged, this, &TfrmOptions::cbSkinsListChange);
    connect(cbShowFileNames, &QComboBox::currentIndexChanged, this, &TfrmOptions::cbShowFileNamesChange);
    connect(cbReplaceUrlSpaces, &QCheckBox::toggled, this, &TfrmOptions::cbReplaceUrlSpacesClick);
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

void ShowOptions(SkinManager& skins, TPlaylistModel& playlist, QAbstractItemView& playlistView, QWidget* parent)
{
    TfrmOptions form(skins, playlist, playlistView, parent);
    form.exec();
}
