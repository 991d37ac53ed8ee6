#pragma once
// The preferences window: the skin, what the playlist rows show and whether
// "%20" in them becomes a blank. Every change takes effect at once (the skin
// on every open window, the options on the playlist captions); there is no
// Cancel. The settings are saved when the window closes, however it closes.

#include <QDialog>

class SkinManager;
class TPlaylistModel;
class QAbstractItemView;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

class TfrmOptions final : public QDialog {
    Q_OBJECT
public:
    // `playlist` and `playlistView` are the playlist whose captions follow
    // the options; `skins` applies the chosen skin to the application.
    TfrmOptions(SkinManager& skins, TPlaylistModel& playlist, QAbstractItemView& playlistView,
                QWidget* parent = nullptr);

    QTabWidget* ctrlpages = nullptr;
    QWidget* page1 = nullptr;
    QGroupBox* grpGlobal = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cbSkinsList = nullptr;
    QGroupBox* grpPlayList = nullptr;
    QCheckBox* cbReplaceUrlSpaces = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* cbShowFileNames = nullptr;
    QPushButton* butClose = nullptr;

    void cbSkinsListChange();
    void cbShowFileNamesChange();
    void cbReplaceUrlSpacesClick();
    // Every playlist row takes its caption from its record again.
    void RefreshPlaylistCaptions();

protected:
    // Every way of closing (Close, Enter, Esc, the close box) ends here.
    void done(int result) override;

private:
    void FormCreate();
    void FormClose();

    SkinManager& m_skins;
    TPlaylistModel& m_playlist;
    QAbstractItemView& m_playlistView;
};

// Creates the window, shows it modally and disposes it.
void ShowOptions(SkinManager& skins, TPlaylistModel& playlist, QAbstractItemView& playlistView,
                 QWidget* parent);
