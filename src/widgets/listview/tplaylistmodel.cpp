#include "tplaylistmodel.h"

#include "tfileinfo.h"

#include <algorithm>
#include <numeric>

struct TPlaylistModel::Row {
    std::unique_ptr<TFileInfo> info;
    std::string key; // folded FullPath at the time the row was filled
    QString caption;
    std::optional<QCollatorSortKey> sortKey;
    int stateIndex = 1;
    bool checked = false;
};

TPlaylistModel::TPlaylistModel(QObject* parent)
    : QAbstractListModel(parent)
{
    m_collator.setCaseSensitivity(Qt::CaseSensitive);
}

TPlaylistModel::~TPlaylistModel() = default;

void TPlaylistModel::SetCollationLocale(const QLocale& locale)
{
    m_collator = QCollator(locale);
    m_collator.setCaseSensitivity(Qt::CaseSensitive);
    for (auto& r : m_rows)
        r->sortKey.reset();
    if (m_sorting)
        Sort();
}

std::string TPlaylistModel::FoldPath(const std::string& path)
{
    std::string folded = path;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

int TPlaylistModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant TPlaylistModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= Count() || index.column() != 0)
        return {};
    const Row& row = *m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.caption;
    case StateIndexRole:
        return row.stateIndex;
    case CheckedRole:
        return row.checked;
    case FullPathRole:
        return QByteArray::fromStdString(row.info->FullPath());
    default:
        return {};
    }
}

QVariant TPlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return QStringLiteral("Song");
    return {};
}

Qt::ItemFlags TPlaylistModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TPlaylistModel::FillFromRecord(Row& row)
{
    row.caption = QString::fromStdString(row.info->DisplayName());
    row.stateIndex = row.info->TagStateIndex();
    row.sortKey.reset();
    if (m_sorting)
        row.sortKey = m_collator.sortKey(row.caption);
}

bool TPlaylistModel::IsInPlaylist(const std::string& path) const
{
    return m_keys.count(FoldPath(path)) != 0;
}

void TPlaylistModel::ForgetKey(const std::string& key)
{
    const auto it = m_keys.find(key);
    if (it != m_keys.end() && --it->second <= 0)
        m_keys.erase(it);
}

int TPlaylistModel::SortedInsertPosition(const Row& row) const
{
    // After the last row whose caption is not greater, as a stable sort would.
    const auto it = std::upper_bound(m_rows.begin(), m_rows.end(), &row,
        [](const Row* a, const std::unique_ptr<Row>& b) { return a->sortKey->compare(*b->sortKey) < 0; });
    return static_cast<int>(it - m_rows.begin());
}

bool TPlaylistModel::AddFile(const std::string& path)
{
    // The uniqueness test comes first: a listed file is not read again.
    return !IsInPlaylist(path) && AddRecord(std::make_unique<TFileInfo>(path));
}

bool TPlaylistModel::AddRecord(std::unique_ptr<TFileInfo> info)
{
    std::string key = FoldPath(info->FullPath());
    if (m_keys.count(key))
        return false;
    auto row = std::make_unique<Row>();
    row->info = std::move(info);
    ++m_keys[key];
    row->key = std::move(key);
    FillFromRecord(*row);
    if (!m_sorting) {
        // A batch: the view is told once, at its end.
        m_pending.push_back(std::move(row));
        return true;
    }
    const int pos = SortedInsertPosition(*row);
    beginInsertRows(QModelIndex(), pos, pos);
    m_rows.insert(m_rows.begin() + pos, std::move(row));
    endInsertRows();
    return true;
}

bool TPlaylistModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > Count())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    for (int i = row; i < row + count; ++i)
        ForgetKey(m_rows[static_cast<std::size_t>(i)]->key);
    m_rows.erase(m_rows.begin() + row, m_rows.begin() + row + count);
    endRemoveRows();
    return true;
}

void TPlaylistModel::Clear()
{
    for (const auto& r : m_pending)
        ForgetKey(r->key);
    m_pending.clear();
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_keys.clear();
    endResetModel();
}

TFileInfo* TPlaylistModel::FileAt(int row) const
{
    if (row < 0 || row >= Count())
        return nullptr;
    return m_rows[static_cast<std::size_t>(row)]->info.get();
}

bool TPlaylistModel::IsChecked(int row) const
{
    return row >= 0 && row < Count() && m_rows[static_cast<std::size_t>(row)]->checked;
}

void TPlaylistModel::SetChecked(int row, bool checked)
{
    if (row < 0 || row >= Count())
        return;
    m_rows[static_cast<std::size_t>(row)]->checked = checked;
    const QModelIndex i = index(row);
    emit dataChanged(i, i, {CheckedRole});
}

void TPlaylistModel::SetSortingEnabled(bool on)
{
    if (on == m_sorting)
        return;
    m_sorting = on;
    if (on) {
        CommitPending();
        Sort();
    }
}

void TPlaylistModel::CommitPending()
{
    if (m_pending.empty())
        return;
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(m_pending.size()) - 1);
    for (auto& r : m_pending)
        m_rows.push_back(std::move(r));
    m_pending.clear();
    endInsertRows();
}

void TPlaylistModel::Sort()
{
    if (m_rows.empty())
        return;
    for (auto& r : m_rows) {
        if (!r->sortKey)
            r->sortKey = m_collator.sortKey(r->caption);
    }
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return m_rows[static_cast<std::size_t>(a)]->sortKey->compare(*m_rows[static_cast<std::size_t>(b)]->sortKey) < 0;
    });
    if (std::is_sorted(order.begin(), order.end()))
        return;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosOf(order.size());
    std::vector<std::unique_ptr<Row>> sorted(m_rows.size());
    for (std::size_t newPos = 0; newPos < order.size(); ++newPos) {
        const auto oldPos = static_cast<std::size_t>(order[newPos]);
        newPosOf[oldPos] = static_cast<int>(newPos);
        sorted[newPos] = std::move(m_rows[oldPos]);
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from)
        to << index(newPosOf[static_cast<std::size_t>(i.row())], i.column());
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TPlaylistModel::RefreshRow(int row)
{
    if (row < 0 || row >= Count())
        return;
    Row& r = *m_rows[static_cast<std::size_t>(row)];
    const std::string newKey = FoldPath(r.info->FullPath());
    if (newKey != r.key) {
        ForgetKey(r.key);
        r.key = newKey;
        ++m_keys[newKey];
    }
    FillFromRecord(r);
    const QModelIndex i = index(row);
    emit dataChanged(i, i);
    if (m_sorting)
        Sort();
}

void TPlaylistModel::RefreshAll()
{
    for (auto& r : m_rows)
        FillFromRecord(*r);
    if (!m_rows.empty())
        emit dataChanged(index(0), index(Count() - 1));
    if (m_sorting)
        Sort();
}
