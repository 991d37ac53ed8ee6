#pragma once
// Draws a playlist row: the selection colours, the row's state picture at its
// left, then "%3d %s" (row number and caption), bold for the playing row and
// underlined under the mouse; a text too long for the row ends in "…".

#include <QPixmap>
#include <QStyledItemDelegate>

#include <vector>

class TPlaylistDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TPlaylistDelegate(QObject* parent = nullptr);

    // Pictures by state index (0 both tags, 1 no tag, 2 one tag).
    void SetStateIcons(std::vector<QPixmap> icons) { m_stateIcons = std::move(icons); }
    // The row under the mouse, -1 for none.
    void SetHoverRow(int row) { m_hoverRow = row; }
    int HoverRow() const { return m_hoverRow; }

    // The colour of a selected row while the playlist has the focus.
    static QColor FocusedSelectionColor() { return QColor(0, 80, 176); }
    // What a row is painted with: selected rows in the fixed blue with white
    // text while the list has the focus, else in the list's unfocused
    // selection colours; other rows in the list's base and text colours.
    struct RowColours {
        QColor fill;
        QColor text;
    };
    static RowColours ColoursFor(const QStyleOptionViewItem& option, bool selected, bool focused);
    // The text drawn for a row (position is 0-based); cut with "…" where the
    // row is too narrow for it.
    static QString RowText(int position, const QString& caption);
    // The text drawn in the first cell of the row of `index`.
    static QString RowText(const QModelIndex& index);
    // Whether the text of the cell `index` is cut in `rowRect` (the cell's
    // rectangle) drawn in `listFont`.
    static bool IsCut(const QFont& listFont, const QRect& rowRect, const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    static QRect TextRect(const QRect& rowRect, bool checked);

    std::vector<QPixmap> m_stateIcons;
    int m_hoverRow = -1;
};
