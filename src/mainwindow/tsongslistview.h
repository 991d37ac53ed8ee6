#pragma once
// The playlist's list view: accepts drops from the file browser and from the
// desktop's file manager (text/uri-list) and reports them.

#include "ttmtlistview.h"

#include <QList>
#include <QUrl>

class TSongsListView final : public TtmtListView {
    Q_OBJECT
public:
    explicit TSongsListView(QWidget* parent = nullptr);

signals:
    // A drag from the file browser's list ended on the playlist.
    void BrowserRowsDropped();
    // Files or folders dropped from outside the program.
    void UrlsDropped(const QList<QUrl>& urls);
    void FocusLeft();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
