#pragma once
// The drive box of the file browser: reports when its drop-down list has
// closed (once the entry chosen in it is the box's entry), an entry chosen by
// key while the list is closed, Escape presses, and the box's getting the
// focus from another control.

#include <QComboBox>

class TDriveBox final : public QComboBox {
    Q_OBJECT
public:
    explicit TDriveBox(QWidget* parent = nullptr);
    void showPopup() override;
    void hidePopup() override;
    bool IsPopupOpen() const { return m_popupOpen; }
signals:
    void CloseUp();
    void KeyChosen();
    void EscapePressed();
    void Entered();
protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
private:
    bool m_popupOpen = false;
};
