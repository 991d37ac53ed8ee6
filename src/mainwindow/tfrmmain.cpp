#include "tfrmmain.h"

#include "savejournal.h"

#include "tfilebrowserpane.h"
#include "musikplayer.h"
#include "tplayercontrols.h"
#include "tplayerstrip.h"
#include "tplaylistmodel.h"
#include "tplaylistcolumns.h"
#include "tplaylistpane.h"
#include "tsongslistview.h"
#include "ttagcommands.h"
#include "tundojournal.h"
#include "tvicons.h"

#include "browserentry.h"
#include "deletecommands.h"
#include "fileutils.h"
#include "m3uplaylist.h"
#include "makercontacts.h"
#include "optionvalues.h"
#include "playlistdeletion.h"
#include "progresswindows.h"
#include "prompts.h"
#include "skinmanager.h"
#include "tfrmabout.h"
#include "tfrmcopymoveconfirm.h"
#include "tfrmcopymoveprogress.h"
#include "tfrmoptions.h"
#include "tfileinfo.h"
#include "tfsearch.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QProcess>
#include <QUrl>

namespace {

// The desktop's mail program for a "mailto:" address. The desktop opener
// reports success once its helper has started, even when no program handles
// mail, so the handler is asked first where the desktop can tell.
bool OpenInMailProgram(const QUrl& address)
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                             QStringLiteral("x-scheme-handler/mailto")});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished();
    } else if (query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0
               && query.readAllStandardOutput().trimmed().isEmpty()) {
        return false;
    }
    return QDesktopServices::openUrl(address);
}

} // namespace

const QString TfrmMain::kTitle = QStringLiteral("Orvanel Soft - Tunevault v.1.0");
const QString TfrmMain::kFillHint = QStringLiteral(
    "To fill the playlist, drag songs or folders from the browser, or use File > Add single file or Add directory.");

TfrmMain::TfrmMain(Prompts& prompts, QWidget* parent)
    : QMainWindow(parent)
    , m_prompts(prompts)
    , m_skins(std::make_unique<SkinManager>())
{
    setObjectName(QStringLiteral("frmMain"));
    resize(834, 666);
    setMinimumSize(600, 400);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("splitter1"));
    m_splitter->setHandleWidth(kSplitterWidth);
    m_splitter->setChildrenCollapsible(false);
    m_playlist = new TPlaylistPane(m_prompts, this, m_splitter);
    m_browser = new TFileBrowserPane(m_prompts, m_splitter);
    m_splitter->addWidget(m_playlist);
    m_splitter->addWidget(m_browser);
    setCentralWidget(m_splitter);

    m_panStatus = new QStatusBar(this);
    m_panStatus->setObjectName(QStringLiteral("panStatus"));
    m_panStatus->setAccessibleName(QStringLiteral("Status"));
    auto* panel = new QLabel(m_panStatus);
    panel->setFixedWidth(50);
    m_panStatus->addWidget(panel);
    m_panStatus->setSizeGripEnabled(true);
    setStatusBar(m_panStatus);

    BuildMenus();
    BuildToolBar();
    FormCreate();

    m_closeWhenIdle.setInterval(50);
    connect(&m_closeWhenIdle, &QTimer::timeout, this, [this] {
        if (IsLongOperationRunning())
            return;
        m_closeWhenIdle.stop();
        close();
    });
}

TfrmMain::~TfrmMain()
{
    qApp->removeEventFilter(this);
    // The player and the volume control go while the widgets they drive are
    // still there.
    m_playerControls.reset();
}

void TfrmMain::CreatePlayerControls(std::unique_ptr<MediaBackend> media,
                                    const std::function<std::unique_ptr<MixerBackend>()>& mixer)
{
    m_playerControls = std::make_unique<TPlayerControls>(*m_playlist, m_prompts, std::move(media), mixer,
                                                         [this] { UpdateActions(); });
    connect(m_playerControls.get(), &TPlayerControls::songCaptionChanged, this, &TfrmMain::ShowSongCaption);
    // A status line, not a message box: a song that cannot be played is
    // said once, however many fail in a row, and nothing waits for an answer.
    // An empty text clears the line.
    connect(m_playerControls.get(), &TPlayerControls::playerMessage, this,
            [this](const QString& text) { m_panStatus->showMessage(text); });
}

void TfrmMain::ShowSongCaption(const QString& caption)
{
    // "[*]" in a title is the placeholder of the modified mark; doubled it
    // stands for itself, as the caption has it.
    QString shown = caption;
    shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(caption.isEmpty() ? kTitle : shown + QStringLiteral(" - ") + kTitle);
}

void TfrmMain::FormCreate()
{
    setWindowTitle(kTitle);
    setWindowIcon(TvIcons::AppIcon());

    // The window sees keys before its controls.
    qApp->installEventFilter(this);
    m_toolBar->installEventFilter(this);
    m_panStatus->installEventFilter(this);
    for (QToolButton* b : {btntbAdd, btntbRemove, btntbSearch})
        b->installEventFilter(this);

    // Skin: the folder "Skins" beside the program (and the installed one).
    m_skins->SetSkinName(QString::fromStdString(options::skinName));
    m_skins->Activate();

    m_browser->FillDriveList();
    m_browser->UpdateDiskInfo();

    // The dialogs that add files start in the folder the browser shows.
    m_playlist->SetDialogStartFolder([this] { return m_browser->CurrentDir(); });

    // The browser's deletion goes through the deletion window and the error box.
    m_browser->SetDeleteHandler([this](const std::string& folder,
                                       const std::vector<TFileBrowserPane::SelectedEntry>& entries) {
        std::vector<BrowserEntry> rows;
        rows.reserve(entries.size());
        for (const auto& e : entries) {
            BrowserEntry row;
            // The name as listed, so that the path is rebuilt exactly.
            row.caption = e.name;
            row.isFolder = e.isFolder;
            rows.push_back(row);
        }
        return DeleteSelectedEntries(m_prompts, folder, rows);
    });

    // The tag commands stop the player through its Stop command, which also
    // clears the now-playing marks.
    TPlayerHooks player;
    player.CurrentSongFile = [this] {
        return m_playerControls ? m_playerControls->player().CurrentSongFile() : std::string();
    };
    player.StopPlaying = [this] {
        if (m_playerControls)
            m_playerControls->butStopClick();
    };
    player.SongRenamed = [this](const std::string& from, const std::string& to) {
        if (m_playerControls)
            m_playerControls->player().SongFileRenamed(from, to);
    };
    m_tagCommands = std::make_unique<TTagCommands>(*m_playlist, m_prompts, std::move(player));
    connect(m_playlist->Changemp3tags1, &QAction::triggered, m_tagCommands.get(), &TTagCommands::Changemp3tags1Click);
    for (QAction* item : {m_playlist->ID3v11, m_playlist->ID3v12, m_playlist->Alltags1})
        connect(item, &QAction::triggered, m_tagCommands.get(), [this, item] { m_tagCommands->removeMp3TagFromFile(item); });
    connect(Undolastchange1, &QAction::triggered, m_tagCommands.get(), &TTagCommands::UndoLastChangeClick);
    connect(m_tagCommands.get(), &TTagCommands::UndoChanged, this, &TfrmMain::UpdateUndoAction);
    UpdateUndoAction();

    m_playlist->songsListView()->SetBrowserSource(m_browser->filesView());
    connect(m_playlist->songsListView(), &TSongsListView::BrowserRowsDropped, this, &TfrmMain::filesViewEndDrag);
    connect(m_playlist, &TPlaylistPane::MousePressed, this, &TfrmMain::hideVolumeControlMouseDown);
    connect(m_browser, &TFileBrowserPane::MousePressed, this, &TfrmMain::hideVolumeControlMouseDown);
    // Player hookup: the player controls connect to the strip's buttons
    // (m_playlist->playerStrip()), the volume popup (pVolumeControl) and the
    // playlist's TPlayerHooks; until then the buttons do nothing.

    TPlaylistModel* model = m_playlist->model();
    for (auto signal : {&TPlaylistModel::rowsInserted, &TPlaylistModel::rowsRemoved})
        connect(model, signal, this, &TfrmMain::UpdateActions);
    connect(model, &TPlaylistModel::modelReset, this, &TfrmMain::UpdateActions);
    connect(m_playlist->songsListView()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TfrmMain::UpdateActions);
    UpdateActions();
}

void TfrmMain::UpdateActions()
{
    const bool any = m_playlist->Count() > 0;
    if (any && m_panStatus->currentMessage() == kFillHint)
        m_panStatus->clearMessage();
    const bool selected = m_playlist->SelectedCount() > 0;
    btntbSearch->setEnabled(any);
    mnuSearchItem->setEnabled(any);
    BatchfilesRename1->setEnabled(any);
    BatchSetupmp3Tagsfromfilenames1->setEnabled(any);
    TagActions1->setEnabled(any);
    LookUpAlbumOnline1->setEnabled(selected);
    Clearplaylist1->setEnabled(any);
    removeselecteditems1->setEnabled(selected);
    Deleteselectedfilesphysicaly1->setEnabled(selected);
}

void TfrmMain::UpdateUndoAction()
{
    Undolastchange1->setText(QStringLiteral("&") + m_tagCommands->UndoCaption());
    Undolastchange1->setEnabled(m_tagCommands->CanUndo());
}

void TfrmMain::FormResize()
{
    // Each resize of the window splits it evenly again.
    const int left = (m_splitter->width() - m_splitter->handleWidth()) / 2;
    m_splitter->setSizes({left, m_splitter->width() - m_splitter->handleWidth() - left});
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // Never closed behind a progress, wait or deletion window: its operation
    // is cancelled first and the window closes as usual when it has ended.
    if (IsLongOperationRunning()) {
        CancelLongOperation();
        event->ignore();
        m_closeWhenIdle.start();
        return;
    }
    FormClose();
    QMainWindow::closeEvent(event);
}

void TfrmMain::ShowStartFolder(const std::string& lastFolder)
{
    std::string folder = lastFolder;
    if (folder.empty()) {
        const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        folder = QFile::encodeName(!music.isEmpty() && QFileInfo(music).isDir() ? music : QDir::homePath())
                     .toStdString();
    }
    m_browser->ShowStartFolder(folder);
}

void TfrmMain::RecoverInterruptedSaves()
{
    const std::shared_ptr<SaveJournal> journal = SaveJournal::Process();
    if (!journal->usable()) {
        m_prompts.showWarning(QStringLiteral("Save journal"),
                              QString::fromStdString(journal->OpenError()) + QStringLiteral("\r\nTags cannot be saved until it can be used."));
        return;
    }
    const auto display = [](const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); };
    if (!journal->SetAsideAs().empty())
        m_prompts.showWarning(QStringLiteral("Save journal"),
                              QStringLiteral("The save journal could not be read (%1). It was kept as\r\n%2\r\n"
                                             "and a new one was started; the undo history it held is lost.")
                                  .arg(QString::fromStdString(journal->SetAsideReason()), display(journal->SetAsideAs())));
    const SaveJournal::RecoveryReport report = journal->Recover();
    if (report.empty())
        return;
    QStringList lines;
    if (!report.recovered.empty()) {
        lines << QStringLiteral("%1 files whose saves were interrupted were completed:").arg(report.recovered.size());
        for (const std::string& path : report.recovered)
            lines << display(path);
    }
    if (!report.leftAlone.empty()) {
        lines << QStringLiteral("%1 files whose saves were interrupted changed since and were left alone:")
                     .arg(report.leftAlone.size());
        for (const auto& [path, why] : report.leftAlone)
            lines << display(path) + QStringLiteral(" (") + QString::fromStdString(why) + QStringLiteral(")");
    }
    if (report.refused > 0)
        lines << QStringLiteral("%1 damaged records of the save journal were not used.").arg(report.refused);
    m_prompts.showWarning(QStringLiteral("Interrupted saves"), lines.join(QStringLiteral("\r\n")));
}

void TfrmMain::LoadSavedPlaylist()
{
    if (m_savedPlaylist.file().empty())
        return;
    const M3uPlaylist saved = m_savedPlaylist.Load(m_prompts);
    m_playlist->AddFilesToPlaylist(saved.paths);
    if (saved.columnWidth >= 0)
        m_playlist->Columns().SetCaptionColumnWidth(saved.columnWidth);
    // A first start (or an empty playlist) says how to fill it, until it has rows.
    if (m_playlist->Count() == 0)
        m_panStatus->showMessage(kFillHint);
}

bool TfrmMain::SavePlaylist(std::string& reason) const
{
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(m_playlist->Count()));
    for (int row = 0; row < m_playlist->Count(); ++row)
        paths.push_back(m_playlist->FileAt(row)->FullPath());
    return m_savedPlaylist.Write(std::move(paths), m_playlist->Columns().CaptionColumnWidth(), reason);
}

void TfrmMain::FormClose()
{
    // The folder shown comes back at the next start, and so does the playlist.
    options::browserFolder = m_browser->CurrentDir();
    m_playlist->Columns().KeepChoices();
    std::string reason;
    if (m_settingsSaver && !m_settingsSaver(reason))
        m_prompts.showError(QStringLiteral("Error"), QStringLiteral("The settings could not be saved.\r\n")
                                                         + QString::fromStdString(reason));
    if (m_savedPlaylist.mayWrite() && !SavePlaylist(reason))
        m_prompts.showError(QStringLiteral("Error"), QStringLiteral("The playlist could not be saved.\r\n")
                                                         + QString::fromStdString(reason));
    if (m_closeHandler)
        m_closeHandler();
    if (m_playerControls)
        m_playerControls->player().StopPlaying();
}

void TfrmMain::Exit1Click()
{
    // Closes the window as its close button does, so that the settings, the
    // playlist and the folder of this session are kept.
    close();
}

void TfrmMain::Preferences1Click()
{
    // The window saves the settings when it closes.
    ShowOptions(*m_skins, *m_playlist->model(), *m_playlist->songsListView(), this,
                [this] { m_playlist->RereadAllTags(); });
}

void TfrmMain::About1Click()
{
    ShowAbout(this);
}

void TfrmMain::showSearchWindow()
{
    TPlaylistModel* model = m_playlist->model();
    if (model->Count() == 0)
        return;
    TSongsListView* view = m_playlist->songsListView();
    view->setFocus();
    const int row = ShowSearch(*model, this);
    if (row < 0 || row >= model->Count())
        return;
    // The chosen row becomes the only selected row and the current one, in
    // view, and plays as a double click on it does.
    const QModelIndex index = model->index(row);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
    if (m_playerControls)
        m_playerControls->songsListViewDblClick();
}

void TfrmMain::BatchfilesRename1Click()
{
    m_tagCommands->BatchfilesRename1Click();
}

void TfrmMain::BatchSetupmp3Tagsfromfilenames1Click()
{
    m_tagCommands->BatchSetupmp3Tagsfromfilenames1Click();
}

void TfrmMain::TagActions1Click()
{
    m_tagCommands->TagActions1Click();
}

void TfrmMain::LookUpAlbumOnline1Click()
{
    m_tagCommands->LookUpAlbumOnline1Click();
}

void TfrmMain::Deleteselectedfilesphysicaly1Click()
{
    DeleteSelectedPlaylistFiles(m_prompts, *m_playlist->model(), *m_playlist->songsListView()->selectionModel(),
                                [this](const std::string& path) {
                                    if (!m_playerControls)
                                        return;
                                    MusikPlayer& player = m_playerControls->player();
                                    if (player.CurrentSongFile() == path)
                                        player.StopPlaying();
                                });
}

void TfrmMain::mnuCopyselectedsongs1Click()
{
    CopyOrMoveSelected(false);
}

void TfrmMain::mnuMoveselectedsongs1Click()
{
    CopyOrMoveSelected(true);
}

void TfrmMain::CopyOrMoveSelected(bool isMove)
{
    const auto destination = ConfirmCopyMove(m_prompts, isMove, static_cast<int>(m_playlist->SelectedRows().size()),
                                             WithTrailingSeparator(m_browser->CurrentDir()));
    if (!destination)
        return;
    // An undo of tags follows the files moved.
    RunCopyMove(m_prompts, *m_playlist->model(), *m_playlist->songsListView()->selectionModel(), isMove,
                *destination, [this](const std::string& from, const std::string& to) {
                    m_tagCommands->journal().FileMoved(from, to);
                });
    m_browser->RefreshFolder();
}

void TfrmMain::Reportabug1Click()
{
    const QString address = QString::fromLatin1(maker::kSupportAddress);
    const QUrl mail(QStringLiteral("mailto:") + address + QStringLiteral("?subject=Tunevault%20bug%20report"));
    if ((m_mailOpener ? m_mailOpener : OpenInMailProgram)(mail))
        return;
    // Without a mail program the address is shown where it can be copied.
    m_prompts.showInformation(QStringLiteral("Report a bug"),
                              QStringLiteral("No mail program could be started.\r\n"
                                             "Please send your report to:\r\n\r\n")
                                  + address);
}

void TfrmMain::hideVolumeControlMouseDown()
{
    m_playlist->pVolumeControl()->hide();
}

void TfrmMain::filesViewEndDrag()
{
    std::vector<TPlaylistPane::DroppedEntry> entries;
    const std::string folder = WithTrailingSeparator(m_browser->CurrentDir());
    for (const auto& e : m_browser->SelectedEntries())
        entries.push_back(TPlaylistPane::DroppedEntry{folder + e.name, e.isFolder});
    m_playlist->filesViewEndDrag(entries);
}

bool TfrmMain::FormKeyDown(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const int key = event->key();
    if ((key == Qt::Key_F1 || key == Qt::Key_F2) && (mods & Qt::AltModifier)) {
        m_browser->OpenDriveBox();
        return true;
    }
    if (key == Qt::Key_F10 && mods == Qt::NoModifier && !menuBar()->actions().isEmpty()) {
        // Qt opens the menu bar by Alt and the access letters only; F10
        // opens its first menu, as in the other programs of the desktop.
        menuBar()->setActiveAction(menuBar()->actions().constFirst());
        return true;
    }
    if (key == Qt::Key_J && mods == Qt::NoModifier) {
        // Typing into a text field (the quick search) keeps its J.
        if (qobject_cast<QLineEdit*>(QApplication::focusWidget()))
            return false;
        showSearchWindow();
        return true;
    }
    const bool playlistFocused = QApplication::focusWidget() == m_playlist->songsListView();
    if (key == Qt::Key_Delete && playlistFocused) {
        if (mods == Qt::NoModifier) {
            m_playlist->removeselecteditems1Click();
            return true;
        }
        if (mods == Qt::ControlModifier) {
            Deleteselectedfilesphysicaly1Click();
            return true;
        }
    }
    return false;
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this) {
        if (FormKeyDown(static_cast<QKeyEvent*>(event)))
            return true;
    }
    if (event->type() == QEvent::MouseButtonPress
        && (watched == m_toolBar || watched == m_panStatus || watched == btntbAdd || watched == btntbRemove
            || watched == btntbSearch))
        hideVolumeControlMouseDown();
    return QMainWindow::eventFilter(watched, event);
}
