#include "windowactivation.h"

#include <QApplication>
#include <QWidget>

void BringToFront(QWidget& window)
{
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
}

bool AcceptsCommands(const QWidget& window)
{
    return window.isEnabled() && QApplication::activeModalWidget() == nullptr;
}
