#pragma once
// What one run of "Tag actions" does: the action and its settings, kept with
// the program's settings as one text (a JSON object) so that the next run
// starts from the last one. A stored value that is missing or cannot be used
// keeps its default; the others are taken.

#include "tagtextedits.h"

#include <QString>

#include <string>
#include <vector>

struct TagActionSettings {
    enum class Action { Case = 0, Replace, Tidy, Copy, Swap, Number };

    Action action = Action::Case;
    // The fields the case, replace and tidy actions change (TagFieldTable keys).
    std::vector<std::string> fields {"title", "artist", "album"};
    bool v1 = false;
    bool v2 = true;

    TagTextEdits::Case letterCase = TagTextEdits::Case::Title;

    // Replace: `find` as text or as a regular expression, whose captured
    // groups the replacement names as \1, \2 ...
    QString find;
    QString replacement;
    bool regularExpression = false;
    bool caseSensitive = false;

    TagTextEdits::Tidy tidy;

    // Copy `from` into `to`, or swap the two.
    std::string from = "artist";
    std::string to = "albumartist";

    // Number tracks: 1..N within each folder (else over all rows), and
    // "n/N" in ID3v2 tags.
    bool perFolder = true;
    bool withTotal = false;

    QString ToText() const;
    // The settings a text gives; unusable values keep their defaults.
    static TagActionSettings FromText(const QString& text);
};
