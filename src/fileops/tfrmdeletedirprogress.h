#pragma once
// The deletion window shown while files and folder trees are deleted: the
// folder being removed and Cancel. Cancel raises the stop flag, which the
// deleting code also raises on its first failure.

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmDeleteDirProgress final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmDeleteDirProgress(QWidget* parent = nullptr);

    QLabel* lbl1;
    QLabel* lblDirectoryName;
    QPushButton* btnCancel;

    // Clears the stop flag, shows the window and disables the main window.
    void BeginDeleteProgress();
    // Shows `text` and lets pending events run.
    void SetDeletePath(const QString& text);
    bool IsDeleteStopped() const { return m_stopped; }
    void StopDelete() { m_stopped = true; }
    // Hides the window and enables the main window.
    void EndDeleteProgress();

    bool AllowClose() const { return m_allowClose; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Esc presses Cancel.
    void reject() override;

private:
    void btnCancelClick();

    bool m_stopped = false;
    bool m_allowClose = true;
};
