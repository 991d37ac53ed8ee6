#pragma once
// The generic progress window: a caption, a percentage gauge and Cancel. Tag
// writing and tag removal on many files show it; cancelling hides it.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class TfrmProgress final : public QDialog {
    Q_OBJECT

public:
    explicit TfrmProgress(QWidget* parent = nullptr);

    QLabel* lblDescription;
    QProgressBar* sGauge1;
    QPushButton* sButton1;

    // Shows the window (not modal) with the gauge at 0 of `count`; the window
    // refuses to close until CloseProgress or Cancel.
    void ShowProgress(int count, const QString& caption);
    // The gauge holds the position within 0..count.
    void SetProgressPosition(int position);
    // True when the window is not visible (Cancel hides it).
    bool IsProgressCancelled() const;
    void CloseProgress();

    bool AllowClose() const { return m_allowClose; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Esc presses Cancel.
    void reject() override;

private:
    void sButton1Click();

    bool m_allowClose = true;
    int m_count = 0;
};
