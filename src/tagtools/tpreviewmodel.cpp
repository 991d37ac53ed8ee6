#include "tpreviewmodel.h"

#include <algorithm>

TPreviewModel::TPreviewModel(QStringList headers, bool checkable, std::vector<QPixmap> stateImages,
                             QObject* parent)
    : QAbstractTableModel(parent)
    , m_headers(std::move(headers))
    , m_checkable(checkable)
    , m_stateImages(std::move(stateImages))
{
}

int TPreviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TPreviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant TPreviewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const Row& row = RowAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (!row.leftOutBecause.isEmpty() && index.column() == 1)
            return row.leftOutBecause;
        return index.column() < row.texts.size() ? row.texts[index.column()] : QString();
    case Qt::DecorationRole:
        if (index.column() == 0 && row.stateImage >= 0
            && row.stateImage < static_cast<int>(m_stateImages.size()))
            return m_stateImages[static_cast<std::size_t>(row.stateImage)];
        return {};
    case Qt::CheckStateRole:
        if (m_checkable && index.column() == 0)
            return row.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

bool TPreviewModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_checkable || role != Qt::CheckStateRole || index.column() != 0 || index.row() >= Count()
        || !RowAt(index.row()).leftOutBecause.isEmpty())
        return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

QVariant TPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_headers.size())
        return m_headers[section];
    return {};
}

Qt::ItemFlags TPreviewModel::flags(const QModelIndex& index) const
{
    // A row that is left out shows greyed and cannot be checked.
    if (index.isValid() && index.row() < Count() && !RowAt(index.row()).leftOutBecause.isEmpty())
        return Qt::ItemNeverHasChildren;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_checkable && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

void TPreviewModel::SetRows(std::vector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void TPreviewModel::SetTexts(int row, QStringList texts)
{
    m_rows[static_cast<std::size_t>(row)].texts = std::move(texts);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole});
}

void TPreviewModel::SetChecked(int row, bool checked)
{
    Row& r = m_rows[static_cast<std::size_t>(row)];
    if (r.checked == checked)
        return;
    r.checked = checked;
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

void TPreviewModel::SetAllChecked(bool checked)
{
    for (Row& r : m_rows)
        r.checked = checked && r.leftOutBecause.isEmpty();
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(Count() - 1, 0), {Qt::CheckStateRole});
}

bool TPreviewModel::AnyChecked() const
{
    return std::any_of(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.checked; });
}

int TPreviewModel::CheckedCount() const
{
    return static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [](const Row& r) { return r.checked; }));
}
