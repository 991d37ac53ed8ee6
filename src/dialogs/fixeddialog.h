#pragma once
// What the fixed-size windows with a single closing button share: a border
// with only the close box, and the button that is both default and cancel.

#include <QDialog>

class QPushButton;

// A title and the close box; no minimise, maximise or resizing.
inline constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint
    | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// `butClose` of `dialog`: Enter presses it and it closes the window with OK;
// Esc and the close box close the window through the dialog.
QPushButton* MakeCloseButton(QDialog& dialog, const QString& caption);
