#include "tdrivebox.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>

TDriveBox::TDriveBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
    view()->installEventFilter(this);
}

void TDriveBox::showPopup()
{
    m_popupOpen = true;
    QComboBox::showPopup();
}

void TDriveBox::hidePopup()
{
    QComboBox::hidePopup();
    if (m_popupOpen) {
        m_popupOpen = false;
        // The box takes the entry chosen in the list only after closing it:
        // report the close-up once that has happened.
        QMetaObject::invokeMethod(this, &TDriveBox::CloseUp, Qt::QueuedConnection);
    }
}

void TDriveBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    // Only the focus coming from another control enters the box: getting it
    // back from the box's own list, or with its window's activation (which
    // the window system may deliver after the list has closed), does not.
    if (!m_popupOpen && event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        emit Entered();
}

void TDriveBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        emit EscapePressed();
    const int before = currentIndex();
    QComboBox::keyPressEvent(event);
    // Arrow keys in the closed box choose another entry at once.
    if (!m_popupOpen && currentIndex() != before)
        emit KeyChosen();
}

bool TDriveBox::eventFilter(QObject* watched, QEvent* event)
{
    // Escape in the open list reaches the list's view, not the box.
    if (watched == view() && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
        emit EscapePressed();
    return QComboBox::eventFilter(watched, event);
}
