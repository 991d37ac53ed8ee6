#include "mainwindowregistry.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace {

QPointer<QWidget>& Registered()
{
    static QPointer<QWidget> window;
    return window;
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
    if (QWidget* window = MainWindow())
        window->setEnabled(enabled);
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
