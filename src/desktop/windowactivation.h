#pragma once
// What the desktop may do with the main window from outside: bring it to the
// front, and whether it takes commands now.

class QWidget;

// Shows the window (restoring it when minimised), raises it and asks the
// window system for the focus.
void BringToFront(QWidget& window);
// False while a modal window is open or the window is disabled by a long
// operation: the user's own controls do not work then either.
bool AcceptsCommands(const QWidget& window);
