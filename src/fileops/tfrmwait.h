#pragma once
// The wait window shown while folders are scanned for MP3 files: the path
// being scanned and Cancel. Cancel only raises a flag; the window stays until
// the scan ends.

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmWait final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmWait(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* lPath;
    QPushButton* bCancel;

    // Shows the window and disables the main window.
    void BeginWait();
    // Shows `text` and lets pending events run.
    void SetWaitPath(const QString& text);
    bool IsWaitCancelled() const { return m_cancelled; }
    // Enables the main window and hides this one.
    void EndWait();

    bool Cancelled() const { return m_cancelled; }
    bool AllowClose() const { return m_allowClose; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Esc presses Cancel.
    void reject() override;

private:
    void bCancelClick();

    bool m_cancelled = false;
    bool m_allowClose = true;
};
