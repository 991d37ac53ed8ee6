#pragma once
// The table of the "All frames" page: every frame of the ID3v2 tag in the
// tag's order (id, name, description or language, value, flags), with the
// edits the user made since it was read: changed and new frames are shown
// in bold, removed ones are gone. Edits() turns them into the frame edits
// of the next save.

#include "id3v2framelist.h"
#include "id3v2tagedits.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

class TFramesModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColId, ColName, ColDetail, ColValue, ColFlags, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // The frames as read (Tmp3TagV2::FrameList); forgets earlier edits.
    void Load(std::vector<id3v2::FrameEntry> frames);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const id3v2::FrameEntry& EntryAt(int row) const { return m_rows[static_cast<std::size_t>(row)].entry; }
    bool Editable(int row) const { return EntryAt(row).editable(); }
    // What the frame says, for its edit.
    id3v2::FrameValue ValueAt(int row) const { return id3v2::ValueOf(EntryAt(row)); }

    // The row's frame (editable) gets `value`.
    void SetValue(int row, const id3v2::FrameValue& value);
    void Remove(int row);
    // A new frame after the others; its row.
    int Add(const id3v2::FrameValue& value);

    bool Changed() const;
    // The frames as the rows show them now, in order.
    std::vector<id3v2::FrameEntry> Entries() const;
    id3v2::FrameEdits Edits() const;

private:
    struct Row {
        std::optional<std::size_t> listed;  // its place in the tag read; none for a new frame
        id3v2::FrameEntry entry;
        bool changed = false;
    };

    static id3v2::FrameEntry entryFor(const id3v2::FrameValue& value);

    std::vector<id3v2::FrameEntry> m_listed;
    std::vector<Row> m_rows;
    std::vector<std::size_t> m_removed;
};
