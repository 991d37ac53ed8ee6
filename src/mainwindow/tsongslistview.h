#pragma once
// The playlist's list view: accepts drops from the file browser and from the
// desktop's file manager (text/uri-list) and reports them once the drop
// event has returned, so that the program that started the drag is not held
// while the folders are scanned.

#include "ttmtlistview.h"

#include <QList>
#include <QPointer>
#include <QUrl>

class TSongsListView final : public TtmtListView {
    Q_OBJECT
public:
    explicit TSongsListView(QWidget* parent = nullptr);

    // The browser list whose drags carry the private row type; that type is
    // taken only from drags this very widget started.
    void SetBrowserSource(QObject* source) { m_browserSource = source; }

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

private:
    QPointer<QObject> m_browserSource;
};
