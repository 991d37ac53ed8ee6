#pragma once
// One run of "Tag actions" over files: for each file, what its tags say and
// what the action makes of them (the preview), and the write of just those
// changes. Neither touches a widget, so that many files are read and written
// at once on the worker pool; each call reads the file anew and keeps no
// file open.
//
// Only the tags a file has are changed: a missing tag is not created. A
// field's new text is what the tag will hold after the save (cut to an
// ID3v1 field's width, in its code page), so the preview shows what is
// written.

#include "tagactionsettings.h"
#include "tagoptions.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class FolderFlushes;
class QRegularExpression;

class TagAction final {
public:
    // What "Number tracks" gives one file: n of N.
    struct TrackNumber {
        int number = 0;
        int total = 0;
    };

    struct Change {
        std::size_t field = 0;  // in TagFieldTable::Fields()
        bool v1 = false;        // the ID3v1 tag, else the ID3v2 tag
        std::string before;     // what the tag says
        std::string text;       // what the action gives
        std::string after;      // what the tag says after the save
        bool v1Loses = false;   // characters the ID3v1 code page lacks become '?'
    };

    struct FilePlan {
        std::string path;
        std::vector<Change> changes;
        // Fields left as they are and why, and tags that could not be read.
        QStringList notes;
    };

    TagAction(TagActionSettings settings, const TagOptions& options);

    const TagActionSettings& Settings() const { return m_settings; }
    // What the settings lack to run, as a sentence for the user; empty when
    // they can.
    QString Problem() const;

    // The text of one field after a case, replace or tidy action (the text
    // itself for the other actions).
    QString Edited(const QString& text) const;

    // Reads the file's tags and works out its changes.
    FilePlan Plan(const std::string& path, TrackNumber number) const;
    // Writes the changes of a plan (only the tags that change, both in one
    // save) and returns what failed, none when all worked. A field that no
    // longer says what the plan found leaves the file alone.
    QStringList Write(const FilePlan& plan, FolderFlushes* laterFlushes = nullptr) const;

    // The numbers of files in list order: 1..N within each folder, or over
    // all of them.
    static std::vector<TrackNumber> Numbers(const std::vector<std::string>& paths, bool perFolder);

private:
    QRegularExpression Expression() const;

    TagActionSettings m_settings;
    TagOptions m_options;
};
