#pragma once
// Checks of the access letters ("&" in a caption) that a user reaches with
// Alt in a window and with a letter in an open menu.

#include <QChar>
#include <QList>
#include <QString>

#include <string>
#include <vector>

class QAction;
class QWidget;

// Faults found, each said in a line.
using AccessFaults = std::vector<std::string>;

// The caption as shown: the access marker taken out, "&&" shown as "&".
QString WithoutAccessMarker(const QString& caption);
// The access letter in lower case; a null QChar when the caption has none.
QChar AccessLetter(const QString& caption);
// The faults of the items of one menu (or menu bar): an item without an
// access letter, two items with the same one.
AccessFaults AccessLetterFaults(const QList<QAction*>& items);
// The faults of what a window shows at once (its visible buttons, tabs,
// group boxes and labels): a caption with letters but no access letter, a
// label naming an input (ending in ':') without a buddy, a letter on a label
// without a buddy, two captions with the same letter.
AccessFaults AccessLetterFaults(const QWidget& window);
