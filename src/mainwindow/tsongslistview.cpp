#include "tsongslistview.h"

#include "tfilesmodel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

TSongsListView::TSongsListView(QWidget* parent)
    : TtmtListView(parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
}

namespace {

// Adding to the playlist only reads the files: the drop is always a copy, so
// that a file manager offering a move never deletes what was dropped.
void AcceptAsCopy(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace

void TSongsListView::dragEnterEvent(QDragEnterEvent* event)
{
    // The playlist accepts a drag whatever its source (songsListViewDragOver).
    AcceptAsCopy(event);
}

void TSongsListView::dragMoveEvent(QDragMoveEvent* event)
{
    AcceptAsCopy(event);
}

void TSongsListView::dropEvent(QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    // The private type only says "the browser's selection": it means nothing
    // in a drag from another window or process.
    const bool fromBrowser = mime->hasFormat(TFilesModel::DragMimeType()) && m_browserSource
                             && event->source() == m_browserSource;
    if (fromBrowser) {
        AcceptAsCopy(event);
        QMetaObject::invokeMethod(this, &TSongsListView::BrowserRowsDropped, Qt::QueuedConnection);
    } else if (mime->hasUrls()) {
        AcceptAsCopy(event);
        QMetaObject::invokeMethod(
            this, [this, urls = mime->urls()] { emit UrlsDropped(urls); }, Qt::QueuedConnection);
    } else {
        event->ignore();
    }
}

void TSongsListView::focusOutEvent(QFocusEvent* event)
{
    TtmtListView::focusOutEvent(event);
    emit FocusLeft();
}
