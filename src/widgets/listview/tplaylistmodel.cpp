#include "tplaylistmodel.h"

#include "tfileinfo.h"

#include <algorithm>
#include <numeric>

struct TPlaylistModel::Row {
    std::unique_ptr<TFileInfo> info;
    std::string key; // folded FullPath at the time the row was filled
    QString caption;
    mutable std::optional<QCollatorSortKey> sortKey;
    int stateIndex = 1;
    bool checked = false;
};

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// The number a text starts with ("1999-03" gives 1999); 0 without one.
int LeadingNumber(const std::string& text)
{
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > 100'000'000)
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsNumberColumn(int column)
{
    return column == TPlaylistModel::kTrack || column == TPlaylistModel::kYear || column == TPlaylistModel::kLength
           || column == TPlaylistModel::kBitrate || column == TPlaylistModel::kDisc;
}

// A number column's value of a record, for its order.
std::int64_t NumberOf(const TFileInfo& info, int column)
{
    switch (column) {
    case TPlaylistModel::kTrack:
        return info.Tags().track;
    case TPlaylistModel::kDisc:
        return info.Tags().disc;
    case TPlaylistModel::kYear:
        return LeadingNumber(info.Tags().year);
    case TPlaylistModel::kLength:
        return info.Audio() ? info.Audio()->lengthMs : 0;
    case TPlaylistModel::kBitrate:
        return info.Audio() ? info.Audio()->bitrateKbps : 0;
    default:
        return 0;
    }
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

TPlaylistModel::TPlaylistModel(QObject* parent)
    : QAbstractTableModel(parent)
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

int TPlaylistModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_tagColumns ? kColumnCount : 1;
}

QString TPlaylistModel::ColumnCaption(int column)
{
    static const char* const captions[kColumnCount] = {"#",      "Title",  "Artist",  "Album",     "Track", "Year",
                                                       "Genre",  "Length", "Bitrate", "File name", "Folder",
                                                       "Album artist", "Disc"};
    return column >= 0 && column < kColumnCount ? QString::fromLatin1(captions[column]) : QString();
}

QString TPlaylistModel::CellText(const Row& row, int column) const
{
    const TFileInfo& info = *row.info;
    const SongTags& tags = info.Tags();
    switch (column) {
    case kTitle:
        return Text(tags.title);
    case kArtist:
        return Text(tags.artist);
    case kAlbum:
        return Text(tags.album);
    case kTrack:
        return tags.track > 0 ? QString::number(tags.track) : QString();
    case kYear:
        return Text(tags.year);
    case kGenre:
        return Text(tags.genre);
    case kLength:
        return Text(info.LengthText());
    case kBitrate:
        return Text(info.BitrateText());
    case kFileName:
        return Text(info.FileName());
    case kFolder:
        return Text(FolderOf(info.FullPath()));
    case kAlbumArtist:
        return Text(tags.albumArtist);
    case kDisc:
        return tags.disc > 0 ? QString::number(tags.disc) : QString();
    default:
        return {};
    }
}

QVariant TPlaylistModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= Count() || index.column() >= columnCount())
        return {};
    const Row& row = *m_rows[static_cast<std::size_t>(index.row())];
    if (index.column() > 0) {
        if (role == Qt::DisplayRole)
            return CellText(row, index.column());
        if (role == CheckedRole)
            return row.checked;
        if (role == Qt::TextAlignmentRole && IsNumberColumn(index.column()))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return m_tagColumns ? QString::number(index.row() + 1) : row.caption;
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
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (m_tagColumns)
        return ColumnCaption(section);
    return section == 0 ? QVariant(QStringLiteral("Song")) : QVariant();
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
    if (m_sorting && m_order == Order::Caption)
        row.sortKey = m_collator.sortKey(row.caption);
}

const QCollatorSortKey& TPlaylistModel::CaptionKey(const Row& row) const
{
    if (!row.sortKey)
        row.sortKey = m_collator.sortKey(row.caption);
    return *row.sortKey;
}

bool TPlaylistModel::Before(const Row& a, const Row& b) const
{
    if (m_order == Order::Caption || (m_order == Order::Column && m_orderColumn == kNumber))
        return CaptionKey(a).compare(CaptionKey(b)) < 0;
    if (m_order == Order::Album) {
        const SongTags& x = a.info->Tags();
        const SongTags& y = b.info->Tags();
        const auto artist = [](const SongTags& t) { return Text(t.albumArtist.empty() ? t.artist : t.albumArtist); };
        if (const int c = m_collator.compare(artist(x), artist(y)))
            return c < 0;
        if (const int c = m_collator.compare(Text(x.album), Text(y.album)))
            return c < 0;
        if (x.disc != y.disc)
            return x.disc < y.disc;
        if (x.track != y.track)
            return x.track < y.track;
        return m_collator.compare(Text(a.info->FileName()), Text(b.info->FileName())) < 0;
    }
    // A column, either way; rows of equal values stay in caption order.
    const Row& first = m_descending ? b : a;
    const Row& second = m_descending ? a : b;
    int c = 0;
    if (IsNumberColumn(m_orderColumn)) {
        const std::int64_t x = NumberOf(*first.info, m_orderColumn);
        const std::int64_t y = NumberOf(*second.info, m_orderColumn);
        c = x < y ? -1 : x > y ? 1 : 0;
    } else {
        c = m_collator.compare(CellText(first, m_orderColumn), CellText(second, m_orderColumn));
    }
    if (c != 0)
        return c < 0;
    return CaptionKey(a).compare(CaptionKey(b)) < 0;
}

void TPlaylistModel::SetTagColumns(bool on)
{
    if (on == m_tagColumns)
        return;
    beginResetModel();
    m_tagColumns = on;
    endResetModel();
}

void TPlaylistModel::SetOrder(Order order, int column, bool descending)
{
    m_order = order;
    m_orderColumn = std::clamp(column, 0, kColumnCount - 1);
    m_descending = order == Order::Column && descending;
    if (m_sorting)
        Sort();
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
        [this](const Row* a, const std::unique_ptr<Row>& b) { return Before(*a, *b); });
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
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {CheckedRole});
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
    std::vector<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return Before(*m_rows[static_cast<std::size_t>(a)], *m_rows[static_cast<std::size_t>(b)]);
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
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    if (m_sorting)
        Sort();
}

void TPlaylistModel::RefreshAll()
{
    for (auto& r : m_rows)
        FillFromRecord(*r);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(Count() - 1, columnCount() - 1));
    if (m_sorting)
        Sort();
}
