#pragma once
// The playlist's rows. Each row owns the TFileInfo record of one MP3 file and
// holds its caption (DisplayName), its tag-state index and its now-playing
// mark. Rows are kept in caption order (locale-aware, case-sensitive) while
// sorting is on; a batch of additions switches sorting off and sorts once at
// the end. A full path is in the list at most once: paths that are equal
// after folding A to Z count as the same, answered by a hash set.
//
// By default the model has the one column of captions. With tag columns it
// is a table of the rows' tag values and file names (Column), and the rows
// may be kept in the order of a column (either way) or in album order
// instead of caption order; the rule of batches holds for every order.

#include <QAbstractTableModel>
#include <QCollator>
#include <QLocale>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class TFileInfo;

class TPlaylistModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        StateIndexRole = Qt::UserRole + 1, // int: 0 both tags, 1 none, 2 one
        CheckedRole,                       // bool: the now-playing mark
        FullPathRole,                      // QByteArray: the path bytes
    };
    // The columns of the table of tags, in their first order.
    enum Column {
        kNumber, kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kLength, kBitrate, kFileName, kFolder,
        // Hidden until the user shows them.
        kAlbumArtist, kDisc,
        kColumnCount
    };
    // The order rows are kept in.
    enum class Order {
        Caption, // the described order, by caption
        Column,  // by a column's values (numbers as numbers), then caption
        Album,   // album artist (else artist), album, disc, track, file name
    };

    explicit TPlaylistModel(QObject* parent = nullptr);
    ~TPlaylistModel() override;

    using QAbstractTableModel::index;
    QModelIndex index(int row) const { return index(row, 0); }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

    // Adds one file unless its path is already listed; creating the record
    // reads its tags. Returns whether a row was added.
    bool AddFile(const std::string& path);
    // Adds a row for a record whose tags were read elsewhere (on a worker),
    // unless its path is already listed. Returns whether a row was added.
    bool AddRecord(std::unique_ptr<TFileInfo> info);
    bool IsInPlaylist(const std::string& path) const;

    // Off: a batch begins; its rows are collected and appended in one step
    // when sorting is switched on again, which sorts the list once. On: the
    // list stays sorted. Rows of an open batch are already known to
    // IsInPlaylist but are not yet rows of the model.
    void SetSortingEnabled(bool on);
    bool SortingEnabled() const { return m_sorting; }

    // Rows collected by the open batch.
    int PendingCount() const { return static_cast<int>(m_pending.size()); }

    // Removes every row (the records are freed).
    void Clear();
    TFileInfo* FileAt(int row) const;
    int Count() const { return static_cast<int>(m_rows.size()); }

    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);

    // Takes the caption and state index from the row's record again (after a
    // tag change or a rename) and re-sorts while sorting is on.
    void RefreshRow(int row);
    // The same for every row (after the display settings changed).
    void RefreshAll();

    // The locale whose collation orders the rows (the user's by default).
    void SetCollationLocale(const QLocale& locale);

    // Switches between the one column of captions and the table of tags.
    void SetTagColumns(bool on);
    bool TagColumns() const { return m_tagColumns; }
    // The order of the rows from now on: `column` and `descending` count
    // for Order::Column. Sorts at once unless a batch is open.
    void SetOrder(Order order, int column = kNumber, bool descending = false);
    Order CurrentOrder() const { return m_order; }
    int OrderColumn() const { return m_orderColumn; }
    bool OrderDescending() const { return m_descending; }
    // The caption of a column of the table.
    static QString ColumnCaption(int column);

    // A-Z folded to a-z: the key of the uniqueness rule.
    static std::string FoldPath(const std::string& path);

private:
    struct Row;
    void FillFromRecord(Row& row);
    void Sort();
    int SortedInsertPosition(const Row& row) const;
    // The text of a row's cell in the table.
    QString CellText(const Row& row, int column) const;
    // Whether `a` comes before `b` in the current order (keys made as
    // needed).
    bool Before(const Row& a, const Row& b) const;
    const QCollatorSortKey& CaptionKey(const Row& row) const;
    void ForgetKey(const std::string& key);

    void CommitPending();

    std::vector<std::unique_ptr<Row>> m_rows;
    std::vector<std::unique_ptr<Row>> m_pending;
    std::unordered_map<std::string, int> m_keys; // folded path -> how many rows have it
    QCollator m_collator;
    bool m_sorting = true;
    bool m_tagColumns = false;
    Order m_order = Order::Caption;
    int m_orderColumn = kNumber;
    bool m_descending = false;
};
