#include "tplaylistdelegate.h"

#include "tplaylistmodel.h"
#include "ttmtlistview.h"

#include <QApplication>
#include <QPainter>

TPlaylistDelegate::TPlaylistDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
{
}

QString TPlaylistDelegate::RowText(int position, const QString& caption)
{
    return QString::asprintf("%3d ", position + 1) + caption;
}

QString TPlaylistDelegate::RowText(const QModelIndex& index)
{
    // In the table the first column holds the number alone.
    if (const auto* model = qobject_cast<const TPlaylistModel*>(index.model()); model && model->TagColumns())
        return index.data(Qt::DisplayRole).toString();
    return RowText(index.row(), index.data(Qt::DisplayRole).toString());
}

void TPlaylistDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    const QRect rect = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const bool focused = option.widget && option.widget->hasFocus();
    const bool checked = index.data(TPlaylistModel::CheckedRole).toBool();
    const bool hover = index.row() == m_hoverRow;

    painter->save();
    const RowColours colours = ColoursFor(option, selected, focused);
    if (selected) {
        painter->setPen(colours.fill);
        painter->setBrush(colours.fill);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    } else {
        painter->fillRect(rect, option.palette.brush(QPalette::Base));
    }

    QFont font = option.font;
    font.setBold(checked);
    font.setUnderline(hover);
    if (index.column() > 0) {
        // A cell of the table of tags: its text only.
        painter->setFont(font);
        painter->setPen(colours.text);
        const QRect textRect = rect.adjusted(4, 1, -4, 0);
        const auto align = index.data(Qt::TextAlignmentRole);
        painter->drawText(textRect,
                          (align.isValid() ? Qt::Alignment(align.toInt()) : Qt::AlignLeft | Qt::AlignVCenter)
                              | Qt::TextSingleLine,
                          QFontMetrics(font).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                                        textRect.width()));
        painter->restore();
        return;
    }

    const int state = index.data(TPlaylistModel::StateIndexRole).toInt();
    if (state >= 0 && static_cast<std::size_t>(state) < m_stateIcons.size()) {
        const QPixmap& pm = m_stateIcons[static_cast<std::size_t>(state)];
        const int y = rect.top() + std::max(0, (rect.height() - pm.height()) / 2);
        painter->drawPixmap(rect.left(), y, pm);
    }

    painter->setFont(font);
    painter->setPen(colours.text);
    painter->setClipRect(rect.adjusted(17, 0, 0, 0));
    const QRect textRect = TextRect(rect, checked);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      QFontMetrics(font).elidedText(RowText(index), Qt::ElideRight, textRect.width()));
    painter->restore();
}

QRect TPlaylistDelegate::TextRect(const QRect& rowRect, bool checked)
{
    const int x = rowRect.left() + (checked ? 15 : 17);
    return QRect(x, rowRect.top() + 1, rowRect.right() - x, rowRect.height() - 1);
}

bool TPlaylistDelegate::IsCut(const QFont& listFont, const QRect& rowRect, const QModelIndex& index)
{
    const bool checked = index.data(TPlaylistModel::CheckedRole).toBool();
    QFont font = listFont;
    font.setBold(checked);
    if (index.column() > 0)
        return QFontMetrics(font).horizontalAdvance(index.data(Qt::DisplayRole).toString()) > rowRect.width() - 8;
    return QFontMetrics(font).horizontalAdvance(RowText(index)) > TextRect(rowRect, checked).width();
}

TPlaylistDelegate::RowColours TPlaylistDelegate::ColoursFor(const QStyleOptionViewItem& option, bool selected,
                                                            bool focused)
{
    if (!selected)
        return {option.palette.brush(QPalette::Base).color(), option.palette.color(QPalette::Text)};
    if (focused)
        return {FocusedSelectionColor(), QColor(Qt::white)};
    // Without the focus the selection stays visible in the button face,
    // with a text colour that the skin keeps readable on it.
    if (const auto* view = qobject_cast<const TtmtListView*>(option.widget))
        return {view->UnfocusedSelectionColor(), view->UnfocusedSelectionTextColor()};
    return {option.palette.color(QPalette::Button), option.palette.color(QPalette::ButtonText)};
}

QSize TPlaylistDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(std::max(s.height(), 18));
    return s;
}
