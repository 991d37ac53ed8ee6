#include "mainwindowregistry.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

QPointer<QWidget>& Registered()
{
    static QPointer<QWidget> window;
    return window;
}

// The control that had the focus when the main window was disabled:
// disabling takes the focus from it.
QPointer<QWidget>& FocusBeforeDisabling()
{
    static QPointer<QWidget> widget;
    return widget;
}

} // namespace

void SetMainWindow(QWidget* window)
{
    Registered() = window;
}

QWidget* MainWindow()
{
    return Registered().data();
}

void EnableMainWindow(bool enabled)
{
    QWidget* window = MainWindow();
    if (!window)
        return;
    if (!enabled) {
        if (window->isEnabled())
            FocusBeforeDisabling() = window->focusWidget();
        window->setEnabled(false);
        return;
    }
    const bool wasDisabled = !window->isEnabled();
    window->setEnabled(true);
    if (wasDisabled)
        ActivateMainWindow();
}

void ActivateMainWindow()
{
    QWidget* window = MainWindow();
    if (!window || !window->isVisible() || !window->isEnabled())
        return;
    window->activateWindow();
    QWidget* focus = FocusBeforeDisabling();
    FocusBeforeDisabling() = nullptr;
    if (focus && focus->window() == window && focus->isVisible() && focus->isEnabled())
        focus->setFocus(Qt::OtherFocusReason);
}

void HideOperationWindow(QWidget& window)
{
    // The window manager activates a window some time after it is shown.
    // Hidden before that, the window would get the focus after it is gone,
    // and the main window, which looks active, would take no key until it
    // was clicked. So a window that is still waiting for its activation
    // gets a moment for it (user input waits meanwhile).
    const QDeadlineTimer deadline(300);
    while (window.isVisible() && window.windowHandle() && QGuiApplication::focusWindow() != window.windowHandle()
           && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    window.hide();
}

void CenterOnMainWindow(QWidget& window)
{
    QRect area;
    if (QWidget* main = MainWindow(); main && main->isVisible())
        area = main->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(area.center());
    window.move(frame.topLeft());
}
