#pragma once
// The playlist's view choices: the "View" menu (shown in the main menu and
// in the playlist's menu) with "Tag columns", "Sort by caption" and "Sort by
// album", and, with tag columns, the table's header: a click on a column
// sorts by it (again: the other way), its menu shows and hides columns, and
// the columns can be dragged into another order and resized. The choices
// are kept in the settings values (options::playlistView...) and taken from
// them when made.

#include <QByteArray>
#include <QObject>

class QAction;
class QMenu;
class QPoint;
class TPlaylistModel;
class TtmtListView;

class TPlaylistColumns final : public QObject {
    Q_OBJECT
public:
    TPlaylistColumns(TPlaylistModel& model, TtmtListView& view, QWidget* menuParent);

    QMenu* ViewMenu() const { return m_viewMenu; }
    QAction* TagColumnsAction() const { return m_tagColumns; }
    QAction* SortByCaptionAction() const { return m_sortByCaption; }
    QAction* SortByAlbumAction() const { return m_sortByAlbum; }
    // The menu of the table's header (the columns shown).
    QMenu* HeaderMenu() const { return m_headerMenu; }

    // Tag columns on or off; the table keeps its columns' widths and order
    // while it is off.
    void SetTagColumns(bool on);
    // The sort a click on the header of `column` makes.
    void HeaderClicked(int column);
    // Writes the choices into the settings values, to be saved with them.
    void KeepChoices() const;
    // The width of the one column of captions, also while the table shows.
    int CaptionColumnWidth() const;
    void SetCaptionColumnWidth(int width);

private:
    void ApplyStoredChoices();
    void ShowOrderInHeader();
    void ShowHeaderMenu(const QPoint& pos);

    TPlaylistModel& m_model;
    TtmtListView& m_view;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_headerMenu = nullptr;
    QAction* m_tagColumns = nullptr;
    QAction* m_sortByCaption = nullptr;
    QAction* m_sortByAlbum = nullptr;
    // The table's header state while the one column shows, and that
    // column's width while the table shows.
    QByteArray m_tableState;
    int m_captionWidth = -1;
};
