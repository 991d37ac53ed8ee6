#include "tframesmodel.h"

#include <QFont>

namespace {

QString Display(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

void TFramesModel::Load(std::vector<id3v2::FrameEntry> frames)
{
    beginResetModel();
    m_listed = std::move(frames);
    m_rows.clear();
    m_removed.clear();
    for (std::size_t i = 0; i < m_listed.size(); ++i)
        m_rows.push_back({i, m_listed[i], false});
    endResetModel();
}

int TFramesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TFramesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TFramesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::FontRole && (row.changed || !row.listed)) {
        QFont font;
        font.setBold(true);
        return font;
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    const id3v2::FrameEntry& entry = row.entry;
    switch (index.column()) {
    case ColId:
        return Display(entry.id());
    case ColName:
        return Display(std::string(id3v2::FrameName(entry.id())));
    case ColDetail: {
        QString detail = Display(entry.language);
        if (!entry.description.empty())
            detail += (detail.isEmpty() ? QString() : QStringLiteral(": ")) + Display(entry.description);
        return detail;
    }
    case ColValue:
        return role == Qt::ToolTipRole && !entry.text.empty() ? Display(entry.text) : Display(entry.summary);
    case ColFlags:
        return Display(id3v2::FrameFlagsText(entry.key.status, entry.key.format));
    default:
        return {};
    }
}

QVariant TFramesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const kHeaders[] = {"Frame", "Name", "Description", "Value", "Flags"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(kHeaders[section]) : QVariant();
}

id3v2::FrameEntry TFramesModel::entryFor(const id3v2::FrameValue& value)
{
    // Shown as the frame that will be written reads.
    return id3v2::DescribeFrame(id3v2::BuildFrame(value));
}

void TFramesModel::SetValue(int row, const id3v2::FrameValue& value)
{
    Row& r = m_rows[static_cast<std::size_t>(row)];
    if (!r.entry.editable())
        return;
    r.entry = entryFor(value);
    r.changed = true;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void TFramesModel::Remove(int row)
{
    beginRemoveRows({}, row, row);
    const auto at = m_rows.begin() + row;
    if (at->listed)
        m_removed.push_back(*at->listed);
    m_rows.erase(at);
    endRemoveRows();
}

int TFramesModel::Add(const id3v2::FrameValue& value)
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_rows.push_back({std::nullopt, entryFor(value), true});
    endInsertRows();
    return row;
}

bool TFramesModel::Changed() const
{
    if (!m_removed.empty())
        return true;
    for (const Row& row : m_rows)
        if (row.changed)
            return true;
    return false;
}

std::vector<id3v2::FrameEntry> TFramesModel::Entries() const
{
    std::vector<id3v2::FrameEntry> entries;
    entries.reserve(m_rows.size());
    for (const Row& row : m_rows)
        entries.push_back(row.entry);
    return entries;
}

id3v2::FrameEdits TFramesModel::Edits() const
{
    id3v2::FrameEdits edits(m_listed);
    for (const std::size_t removed : m_removed)
        edits.Remove(removed);
    for (const Row& row : m_rows) {
        if (!row.changed)
            continue;
        if (row.listed)
            edits.Replace(*row.listed, id3v2::ValueOf(row.entry));
        else
            edits.Add(id3v2::ValueOf(row.entry));
    }
    return edits;
}
