#pragma once
// The preferences window: the skin, what the playlist rows show, whether
// "%20" in them becomes a blank and whether the player goes on to the next
// row when a song ends; on a second page "Tags", how tags are
// written and read (the ID3v2 version written, the code page of ID3v1 tags,
// keeping the files' modification time, leaving room in tags for later
// edits); on a third page "Web services", the addresses of the MusicBrainz
// server and the Cover Art Archive that the online lookup asks (a blank
// address stands for the default). Every change takes effect at once (the skin on every open window,
// the options on the playlist captions); there is no Cancel. The settings
// are saved when the window closes, however it closes.

#include <QDialog>

#include <functional>

class SkinManager;
class TPlaylistModel;
class QAbstractItemView;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TfrmOptions final : public QDialog {
    Q_OBJECT
public:
    // Makes every playlist record read its tags again.
    using TagRereader = std::function<void()>;

    // `playlist` and `playlistView` are the playlist whose captions follow
    // the options; `skins` applies the chosen skin to the application;
    // `rereadTags` runs when the code page of the tags changed.
    TfrmOptions(SkinManager& skins, TPlaylistModel& playlist, QAbstractItemView& playlistView,
                QWidget* parent = nullptr, TagRereader rereadTags = {});

    QTabWidget* ctrlpages = nullptr;
    QWidget* page1 = nullptr;
    QGroupBox* grpGlobal = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cbSkinsList = nullptr;
    QGroupBox* grpPlayList = nullptr;
    QCheckBox* cbReplaceUrlSpaces = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cbShowFileNames = nullptr;
    QCheckBox* cbPlayNextAtEnd = nullptr;
    QWidget* page2 = nullptr;
    QGroupBox* grpWriting = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cbId3v2Version = nullptr;
    QCheckBox* cbKeepFileTime = nullptr;
    QCheckBox* cbLeaveRoom = nullptr;
    QGroupBox* grpCodePage = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cbCodePage = nullptr;
    QCheckBox* cbCodePageForId3v2 = nullptr;
    QWidget* page3 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* edtMusicBrainzServer = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* edtCoverArtServer = nullptr;
    QPushButton* butClose = nullptr;

    void cbSkinsListChange();
    void cbShowFileNamesChange();
    void cbReplaceUrlSpacesClick();
    void cbPlayNextAtEndClick();
    void cbId3v2VersionChange();
    void cbKeepFileTimeClick();
    void cbLeaveRoomClick();
    // The code page and its use for ID3v2: the playlist reads its tags again.
    void cbCodePageChange();
    void edtServersChange();
    // Every playlist row takes its caption from its record again.
    void RefreshPlaylistCaptions();

protected:
    // Every way of closing (Close, Enter, Esc, the close box) ends here.
    void done(int result) override;

private:
    void BuildTagsPage();
    void BuildServicesPage();
    void FormCreate();
    void FormClose();

    SkinManager& m_skins;
    TPlaylistModel& m_playlist;
    QAbstractItemView& m_playlistView;
    TagRereader m_rereadTags;
};

// Creates the window, shows it modally and disposes it.
void ShowOptions(SkinManager& skins, TPlaylistModel& playlist, QAbstractItemView& playlistView,
                 QWidget* parent, TfrmOptions::TagRereader rereadTags = {});
