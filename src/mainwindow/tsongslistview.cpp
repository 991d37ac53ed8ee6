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

void TSongsListView::dragEnterEvent(QDragEnterEvent* event)
{
    // The playlist accepts a drag whatever its source (songsListViewDragOver).
    event->acceptProposedAction();
}

void TSongsListView::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void TSongsListView::dropEvent(QDropEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (mime->hasFormat(TFilesModel::DragMimeType())) {
        event->acceptProposedAction();
        emit BrowserRowsDropped();
    } else if (mime->hasUrls()) {
        event->acceptProposedAction();
        emit UrlsDropped(mime->urls());
    } else {
        event->ignore();
    }
}

void TSongsListView::focusOutEvent(QFocusEvent* event)
{
    TtmtListView::focusOutEvent(event);
    emit FocusLeft();
}
