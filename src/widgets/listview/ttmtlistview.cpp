#include "ttmtlistview.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QRubberBand>

namespace {
constexpr int kBorderGrip = 4;
}

TtmtListView::TtmtListView(QWidget* parent)
    : QTreeView(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setMouseTracking(true);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->viewport()->installEventFilter(this);
    m_trackLine = new QRubberBand(QRubberBand::Line, this);
}

QColor TtmtListView::UnfocusedSelectionColor() const
{
    return m_unfocusedSelection.isValid() ? m_unfocusedSelection : QApplication::palette().color(QPalette::Button);
}

QColor TtmtListView::UnfocusedSelectionTextColor() const
{
    return m_unfocusedSelectionText.isValid() ? m_unfocusedSelectionText
                                              : QApplication::palette().color(QPalette::ButtonText);
}

int TtmtListView::ColumnIndexForSection(int section) const
{
    // A header section is its column here; the caption search of list views
    // whose header items can differ from their columns is not needed.
    if (!model() || section < 0 || section >= model()->columnCount())
        return -1;
    return section;
}

int TtmtListView::RowAt(const QPoint& viewportPos) const
{
    const QModelIndex i = indexAt(viewportPos);
    return i.isValid() ? i.row() : -1;
}

void TtmtListView::enterEvent(QEnterEvent* event)
{
    QTreeView::enterEvent(event);
    emit OnMouseEnter();
}

void TtmtListView::leaveEvent(QEvent* event)
{
    QTreeView::leaveEvent(event);
    emit OnMouseLeave();
}

int TtmtListView::SectionBorderAt(int x) const
{
    const QHeaderView* h = header();
    for (int v = 0; v < h->count(); ++v) {
        const int logical = h->logicalIndex(v);
        if (h->isSectionHidden(logical))
            continue;
        const int right = h->sectionViewportPosition(logical) + h->sectionSize(logical);
        if (std::abs(x - right) <= kBorderGrip)
            return logical;
    }
    return -1;
}

int TtmtListView::TrackedWidth(int x) const
{
    const int left = header()->sectionViewportPosition(m_resizeSection);
    return std::max(header()->minimumSectionSize(), x - left);
}

bool TtmtListView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != header()->viewport())
        return QTreeView::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        const int x = me->position().toPoint().x();
        const int section = me->button() == Qt::LeftButton ? SectionBorderAt(x) : -1;
        if (section < 0)
            break;
        m_resizeSection = section;
        emit OnBeginColumnResize(this, ColumnIndexForSection(section), header()->sectionSize(section));
        const int lineX = header()->sectionViewportPosition(section) + header()->sectionSize(section);
        m_trackLine->setGeometry(viewport()->x() + lineX, 0, 2, height());
        m_trackLine->show();
        return true; // the header itself must not resize live
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        const int x = me->position().toPoint().x();
        if (m_resizeSection < 0) {
            header()->viewport()->setCursor(SectionBorderAt(x) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
            break;
        }
        const int width = TrackedWidth(x);
        const int lineX = header()->sectionViewportPosition(m_resizeSection) + width;
        m_trackLine->setGeometry(viewport()->x() + lineX, 0, 2, height());
        emit OnColumnResize(this, ColumnIndexForSection(m_resizeSection), width);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (m_resizeSection < 0)
            break;
        auto* me = static_cast<QMouseEvent*>(event);
        const int width = TrackedWidth(me->position().toPoint().x());
        const int section = m_resizeSection;
        m_resizeSection = -1;
        m_trackLine->hide();
        header()->resizeSection(section, width);
        emit OnEndColumnResize(this, ColumnIndexForSection(section), width);
        return true;
    }
    default:
        break;
    }
    return QTreeView::eventFilter(watched, event);
}
