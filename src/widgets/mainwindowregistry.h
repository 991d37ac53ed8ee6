#pragma once
// The top-level window the program registers as its main window. Windows
// centre themselves on it, dialogs take it as their parent, and long
// operations disable it while they run.

class QWidget;

// Registers `window` (nullptr clears it). The registry does not own it and
// forgets it by itself when it is destroyed.
void SetMainWindow(QWidget* window);
// The registered main window, or nullptr.
QWidget* MainWindow();
// Enables or disables the registered main window; nothing when there is none.
// Enabling it again activates it and gives the focus back to the control
// that had it, so that keys reach the window without a click.
void EnableMainWindow(bool enabled);
// Makes the main window the active one again (after a window of a long
// operation closed), with the focus where it was before it was disabled.
void ActivateMainWindow();
// Hides the window of a long operation, once the window manager has
// activated it (or after a short wait): the focus then goes back to the
// main window and does not arrive late at a window that is gone.
void HideOperationWindow(QWidget& window);
// Moves `window` so that it is centred on the main window (on the screen when
// there is no main window).
void CenterOnMainWindow(QWidget& window);
