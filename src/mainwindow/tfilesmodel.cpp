#include "tfilesmodel.h"

#include <QMimeData>

namespace {

// Blanks trimmed at both ends.
QString TrimBlanks(const QString& s)
{
    int b = 0;
    int e = static_cast<int>(s.size());
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

QString Display(const std::string& bytes)
{
    // Names that are not valid UTF-8 show replacement characters; the row
    // keeps the bytes for every command.
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

TFilesModel::TFilesModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

TFilesModel::Row TFilesModel::MakeRow(const XFileEntry& entry)
{
    Row row;
    row.name = entry.Name;
    if (entry.Name == "..") {
        row.caption = QStringLiteral("..");
        row.stateIndex = 0;
    } else if (entry.IsDir) {
        row.caption = TrimBlanks(Display(entry.Name));
        row.stateIndex = 1;
    } else {
        // The last extension; a name whose only dot leads it (a hidden file
        // such as ".profile") has none.
        const auto dot = entry.Name.rfind('.');
        if (dot == std::string::npos || dot == 0) {
            row.caption = TrimBlanks(Display(entry.Name));
        } else {
            row.caption = TrimBlanks(Display(entry.Name.substr(0, dot)));
            std::string ext = entry.Name.substr(dot + 1);
            for (char& c : ext) {
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            }
            row.extension = Display(ext);
        }
        row.stateIndex = row.extension == QLatin1String("mp3") ? 2 : 3;
    }
    return row;
}

int TFilesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TFilesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant TFilesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const Row& row = RowAt(index.row());
    if (role == Qt::DisplayRole)
        return index.column() == 0 ? row.caption : row.extension;
    if (role == StateIndexRole)
        return row.stateIndex;
    if (role == Qt::DecorationRole && index.column() == 0
        && static_cast<std::size_t>(row.stateIndex) < m_pictures.size())
        return m_pictures[static_cast<std::size_t>(row.stateIndex)];
    return {};
}

QVariant TFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return section == 0 ? QStringLiteral("Name") : QString();
    return {};
}

Qt::ItemFlags TFilesModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList TFilesModel::mimeTypes() const
{
    return {DragMimeType()};
}

QMimeData* TFilesModel::mimeData(const QModelIndexList& indexes) const
{
    // The drop takes the browser's selection itself; the payload only marks
    // where the drag came from.
    auto* mime = new QMimeData;
    mime->setData(DragMimeType(), QByteArray::number(indexes.size()));
    return mime;
}

void TFilesModel::SetEntries(const std::vector<XFileEntry>& entries)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(entries.size());
    for (const auto& e : entries)
        m_rows.push_back(MakeRow(e));
    endResetModel();
}
