#pragma once
// The page "More" of the tag editor: the ID3v2 fields beyond the seven
// (album artist, disc, composer, sort orders, ...; see id3v2::ExtraField),
// one edit each and a check box for the compilation, in two columns. In
// single-file mode it shows the file's values and gives the fields the user
// edited; in multi-file mode every edit starts at "<don't change>" (the
// dialog runs the focus rules of its edits, as on the other pages) and the
// compilation box at its third state, and it gives the fields that carry a
// value.

#include "id3v2extrafields.h"

#include <QWidget>

#include <array>
#include <bitset>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class Tmp3TagV2;

class TMorePage final : public QWidget {
    Q_OBJECT
public:
    using Changes = std::array<std::optional<std::string>, id3v2::kExtraFieldCount>;

    explicit TMorePage(QWidget* parent = nullptr);

    // The edit of a field (named "edtID3v2_" and the field's name); nullptr
    // for the compilation, which has its check box.
    QLineEdit* Edit(id3v2::ExtraField field) const { return m_edits[field]; }
    // Every edit, in the order of the fields.
    std::vector<QLineEdit*> Edits() const;
    QCheckBox* chkCompilation = nullptr;

    // Single-file mode: the values of the tag; nothing counts as edited.
    void ShowTag(const Tmp3TagV2& tag);
    // Single-file mode: the fields the user has not edited show these texts
    // (what edited frames of the tag say); nothing counts as edited.
    void ShowFrameTexts(const std::array<std::string, id3v2::kExtraFieldCount>& texts);
    // Multi-file mode: every field keeps the files' values until changed.
    void ShowPlaceholders();
    // Multi-file mode: an edit has the changed mark 1 or the compilation
    // box left its third state.
    bool AnyFieldChanged() const;
    // What a save sets: single-file mode the fields the user edited,
    // multi-file mode the fields that carry a value.
    Changes PendingChanges() const;
    void ApplyTo(Tmp3TagV2& tag) const;

signals:
    // Multi-file mode: the compilation box changed its state.
    void changed();

private:
    bool m_multiFileMode = false;
    std::array<QLineEdit*, id3v2::kExtraFieldCount> m_edits {};
    std::bitset<id3v2::kExtraFieldCount> m_edited;
};
