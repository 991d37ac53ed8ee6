#pragma once
// A report-style list view with column-resize events (begin, during, end) and
// mouse enter/leave notifications. Column borders are dragged as a tracking
// line; the width changes when the mouse button is released.

#include <QColor>
#include <QTreeView>

class QRubberBand;

class TtmtListView : public QTreeView {
    Q_OBJECT
    // The fill and text colours of a selected row while the list does not
    // have the focus. Skins set them (qproperty-unfocusedSelectionColor);
    // unset, they are the application's button face and button text.
    Q_PROPERTY(QColor unfocusedSelectionColor READ UnfocusedSelectionColor WRITE SetUnfocusedSelectionColor)
    Q_PROPERTY(QColor unfocusedSelectionTextColor READ UnfocusedSelectionTextColor WRITE SetUnfocusedSelectionTextColor)
public:
    explicit TtmtListView(QWidget* parent = nullptr);

    QColor UnfocusedSelectionColor() const;
    void SetUnfocusedSelectionColor(const QColor& colour) { m_unfocusedSelection = colour; }
    QColor UnfocusedSelectionTextColor() const;
    void SetUnfocusedSelectionTextColor(const QColor& colour) { m_unfocusedSelectionText = colour; }

    // The column index for a header item: its own index when that column
    // carries the header item's caption, else the first column with that
    // caption, else -1.
    int ColumnIndexForSection(int section) const;

    // The row under a point of the viewport, -1 when none.
    int RowAt(const QPoint& viewportPos) const;

signals:
    void OnBeginColumnResize(TtmtListView* sender, int columnIndex, int columnWidth);
    void OnColumnResize(TtmtListView* sender, int columnIndex, int columnWidth);
    void OnEndColumnResize(TtmtListView* sender, int columnIndex, int columnWidth);
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int SectionBorderAt(int x) const;
    int TrackedWidth(int x) const;

    QColor m_unfocusedSelection;
    QColor m_unfocusedSelectionText;
    QRubberBand* m_trackLine = nullptr;
    int m_resizeSection = -1;
};
