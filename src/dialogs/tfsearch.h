#pragma once
// The jump-to-file window: lists the playlist captions that contain the typed
// text and returns the playlist row the user chooses. It reads the playlist
// model it is given and never changes it.
//
// Matching folds only the letters A to Z to lower case. The folded captions
// are kept in one buffer built when the window is shown, so a
// keystroke costs one substring scan that stops at the 50th match, not a
// lower-casing of every caption.

#include <QDialog>
#include <QString>

#include <vector>

class QAbstractItemModel;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QPushButton;

class TfSearch final : public QDialog {
    Q_OBJECT
public:
    // At most this many lines are listed.
    static constexpr int kMaxLines = 50;

    // `playlist` gives the rows' captions (their display text) in playlist order.
    explicit TfSearch(const QAbstractItemModel& playlist, QWidget* parent = nullptr);

    QGroupBox* xSearch = nullptr;
    QLineEdit* eSearch = nullptr;
    QListWidget* List = nullptr;
    QPushButton* bCancel = nullptr;

    // The chosen playlist row; -1 until the user chooses one.
    int ChosenRow = -1;
    // For each line of List, its playlist row.
    std::vector<int> ResultRows;

    void FillResults();
    void ListDblClick();

    // The search text as matched: blanks (code 32 or less) trimmed at both
    // ends, A to Z lower-cased, every other character kept.
    static QString Needle(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void eSearchKeyDown(const QKeyEvent& event);
    void BuildIndex();
    void PlaylistChanged();

    const QAbstractItemModel& m_playlist;
    // The folded captions, each followed by a separator; m_starts[row] is
    // where a row's caption begins, with one more entry for the end.
    QString m_folded;
    std::vector<qsizetype> m_starts;
    bool m_indexValid = false;
};

// Shows the window modally; the chosen row when it closed with a choice,
// otherwise -1.
int ShowSearch(const QAbstractItemModel& playlist, QWidget* parent);
