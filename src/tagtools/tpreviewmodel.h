#pragma once
// The preview list of the batch wizards: one row per playlist file with its
// column texts, an optional state picture in the first column, an optional
// check box and the playlist row's file record (not owned). A row may be one
// that the wizard leaves out: it shows why in its second column, and its check
// box stays unchecked and disabled. Rows are built in one batch and handed
// over at once, so a long list is laid out once.

#include <QAbstractTableModel>
#include <QPixmap>
#include <QStringList>

#include <string>
#include <vector>

class TFileInfo;

class TPreviewModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Row {
        QStringList texts;       // one per column
        int stateImage = -1;     // index into the state pictures; -1 none
        bool checked = false;    // shown only when the list has check boxes
        TFileInfo* record = nullptr;
        std::string newName;     // the rename wizard's new name, as bytes
        QString leftOutBecause;  // not empty: the row is left out, and why
    };

    TPreviewModel(QStringList headers, bool checkable, std::vector<QPixmap> stateImages,
                  QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Replaces every row in one step.
    void SetRows(std::vector<Row> rows);
    void Clear() { SetRows({}); }
    int Count() const { return static_cast<int>(m_rows.size()); }
    const Row& RowAt(int row) const { return m_rows[static_cast<std::size_t>(row)]; }

    // New texts for one row, in place (the view keeps its selection).
    void SetTexts(int row, QStringList texts);
    void SetChecked(int row, bool checked);
    // Every row that is not left out.
    void SetAllChecked(bool checked);
    bool AnyChecked() const;
    int CheckedCount() const;

private:
    QStringList m_headers;
    bool m_checkable;
    std::vector<QPixmap> m_stateImages;
    std::vector<Row> m_rows;
};
