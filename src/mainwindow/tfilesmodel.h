#pragma once
// The rows of the file browser's list: caption, extension column and state
// index (0 "..", 1 folder, 2 MP3 file, 3 other file). Each row keeps the name
// exactly as listed, and commands rebuild the path from it: file names on
// Linux distinguish case, and the extension column shows lower case.

#include "folderlisting.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <string>
#include <vector>

class TFilesModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role { StateIndexRole = Qt::UserRole + 1 };

    struct Row {
        QString caption;
        QString extension;
        int stateIndex = 3;
        std::string name; // as listed, bytes
    };

    explicit TFilesModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    // Replaces every row by those of the (already ordered) entries.
    void SetEntries(const std::vector<XFileEntry>& entries);
    const Row& RowAt(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    int Count() const { return static_cast<int>(m_rows.size()); }

    void SetStatePictures(std::vector<QIcon> pictures) { m_pictures = std::move(pictures); }

    // The row an entry becomes.
    static Row MakeRow(const XFileEntry& entry);

    // Mime type of a drag from this list (the rows' positions).
    static QString DragMimeType() { return QStringLiteral("application/x-tunevault-browser-rows"); }

private:
    std::vector<Row> m_rows;
    std::vector<QIcon> m_pictures;
};
