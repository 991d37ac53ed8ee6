#pragma once
// The main window: toolbar with its two drop-down menus, main menu, the
// playlist pane on the left, the file browser pane on the right, the status
// bar, the window-wide keys and the resizing rules. The panes implement their
// own commands; this class wires them together.

#include "savedplaylist.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class MediaBackend;
class MixerBackend;
class Prompts;
class SkinManager;
class TPlayerControls;
class TFileBrowserPane;
class TPlaylistPane;
class TTagCommands;
class QAction;
class QMenu;
class QSplitter;
class QStatusBar;
class QToolBar;
class QToolButton;
class QUrl;

class TfrmMain final : public QMainWindow {
    Q_OBJECT
public:
    // FormCreate runs in the constructor.
    explicit TfrmMain(Prompts& prompts, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Runs when the window is closed (FormClose), by its close button, by
    // Exit or by a termination signal: save the settings, stop the player.
    void SetCloseHandler(std::function<void()> handler) { m_closeHandler = std::move(handler); }
    // Saves the settings when the window is closed by the user, before the
    // close handler; false with the system's reason when they could not be
    // written, which is then shown.
    using SettingsSaver = std::function<bool(std::string& reason)>;
    void SetSettingsSaver(SettingsSaver saver) { m_settingsSaver = std::move(saver); }
    // Hands a "mailto:" address to the user's mail program; false when there
    // is none to start. The desktop's handler unless set.
    using MailOpener = std::function<bool(const QUrl& address)>;
    void SetMailOpener(MailOpener opener) { m_mailOpener = std::move(opener); }

    // FormCreate's last step: the player controls with the media player and
    // the mixer volume control (`VolumeControl`) on these back-ends. A mixer
    // that cannot be opened is reported once; the window runs on without it.
    // While a song is open its caption leads the window title; why a song
    // could not be played is shown in the status line.
    void CreatePlayerControls(std::unique_ptr<MediaBackend> media,
                              const std::function<std::unique_ptr<MixerBackend>()>& mixer);
    // The folder the browser shows at the start: the one it showed at the
    // last close (`lastFolder`, or its nearest existing parent); at the first
    // start (empty) the user's music folder, else the home folder.
    void ShowStartFolder(const std::string& lastFolder);

    // The playlist kept between runs (an M3U8 file): saved with the column
    // width when the window is closed, loaded by LoadSavedPlaylist. Nothing
    // is kept while no file is set.
    void SetPlaylistFile(std::string file) { m_savedPlaylist.SetFile(std::move(file)); }
    // Adds the saved rows (a file gone since keeps its row); entries that
    // cannot be read are left out and reported once. A file that exists but
    // cannot be read is reported and not saved at the close.
    void LoadSavedPlaylist();
    // Finishes the saves that an earlier run left interrupted (a crash, a
    // power loss) and tells the user once which files it finished or had
    // to leave alone.
    void RecoverInterruptedSaves();

    // Null until CreatePlayerControls.
    TPlayerControls* playerControls() const { return m_playerControls.get(); }

    TPlaylistPane* playlist() const { return m_playlist; }
    // "Change mp3 tag(s) ..." and "Remove mp3 tags" of the playlist, the
    // wizards and "Undo last change".
    TTagCommands* tagCommands() const { return m_tagCommands.get(); }
    TFileBrowserPane* browser() const { return m_browser; }
    SkinManager& skins() { return *m_skins; }
    QSplitter* splitter1() const { return m_splitter; }

    // Frame commands.
    void Exit1Click();
    void Preferences1Click();
    void About1Click();
    void Reportabug1Click();
    void showSearchWindow();
    void Deleteselectedfilesphysicaly1Click();
    void mnuCopyselectedsongs1Click();
    void mnuMoveselectedsongs1Click();
    void BatchfilesRename1Click();
    void BatchSetupmp3Tagsfromfilenames1Click();
    void TagActions1Click();
    void LookUpAlbumOnline1Click();
    // The end of a drag from the browser onto the playlist.
    void filesViewEndDrag();
    void hideVolumeControlMouseDown();
    // Recomputes the enabled state of the frame's commands.
    void UpdateActions();
    // The caption and enabled state of "Undo last change".
    void UpdateUndoAction();
    // The window title: the program's name, after the playing song's
    // caption while one is open (empty: none).
    void ShowSongCaption(const QString& caption);
    static const QString kTitle;
    // The status line of a start with an empty playlist.
    static const QString kFillHint;

    // Main menu and toolbar items.
    QAction* Addsinglefile1 = nullptr;
    QAction* Adddirectory1 = nullptr;
    QAction* Openplaylist1 = nullptr;
    QAction* Saveplaylistas1 = nullptr;
    QAction* mnuSearchItem = nullptr;
    QAction* Exit1 = nullptr;
    QAction* BatchfilesRename1 = nullptr;
    QAction* BatchSetupmp3Tagsfromfilenames1 = nullptr;
    QAction* TagActions1 = nullptr;
    QAction* LookUpAlbumOnline1 = nullptr;
    QAction* Undolastchange1 = nullptr;
    QAction* Preferences1 = nullptr;
    QAction* Reportabug1 = nullptr;
    QAction* About1 = nullptr;
    QAction* xxx1 = nullptr;
    QAction* zzz1 = nullptr;
    QAction* Clearplaylist1 = nullptr;
    QAction* removeselecteditems1 = nullptr;
    QAction* Deleteselectedfilesphysicaly1 = nullptr;
    QToolButton* btntbAdd = nullptr;
    QToolButton* btntbRemove = nullptr;
    QToolButton* btntbSearch = nullptr;
    QMenu* mnuAdd = nullptr;
    QMenu* mnuRemove = nullptr;

    static constexpr int kSplitterWidth = 7;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void FormResize();
    bool FormKeyDown(QKeyEvent* event);
    void BuildMenus();
    void BuildToolBar();
    // Asks for the destination, runs the copy or move and lists the
    // browser's folder again.
    void CopyOrMoveSelected(bool isMove);
    // Writes the playlist file; false with the system's reason.
    bool SavePlaylist(std::string& reason) const;

    Prompts& m_prompts;
    std::unique_ptr<SkinManager> m_skins;
    std::function<void()> m_closeHandler;
    SettingsSaver m_settingsSaver;
    MailOpener m_mailOpener;
    SavedPlaylist m_savedPlaylist;
    TPlaylistPane* m_playlist = nullptr;
    TFileBrowserPane* m_browser = nullptr;
    QSplitter* m_splitter = nullptr;
    QToolBar* m_toolBar = nullptr;
    QStatusBar* m_panStatus = nullptr;
    std::unique_ptr<TPlayerControls> m_playerControls;
    std::unique_ptr<TTagCommands> m_tagCommands;
    // A close asked for while a long operation ran: the operation was
    // cancelled, and the window closes once it has ended.
    QTimer m_closeWhenIdle;
};
