#pragma once
// The "Cover" page of the tag editor: the cover picture of the ID3v2 tag.
// Single-file mode shows the file's cover (the first front cover, else the
// first picture) with its type, format, size in pixels and bytes; "Add ..."
// (or "Replace ...") takes a JPEG or PNG file as the front cover, "Save to
// file ..." writes the picture shown into a file, "Remove" removes it. In
// multi-file mode the page starts at "<don't change>"; the same buttons set
// or remove the cover in every selected file, and "Don't change" goes back.
// Nothing is written before Update: the page only keeps the change, which
// ApplyTo hands to the tag object of each file.

#include "tagpicture.h"

#include <QWidget>

#include <optional>
#include <string>

class Prompts;
class Tmp3TagV2;
class QLabel;
class QPushButton;

class TCoverPage final : public QWidget {
    Q_OBJECT
public:
    enum class Change { Keep, Set, Remove };

    TCoverPage(Prompts& prompts, QWidget* parent = nullptr);

    QLabel* imgCover = nullptr;
    QLabel* labCoverInfo = nullptr;
    QPushButton* btnCoverSet = nullptr;
    QPushButton* btnCoverSave = nullptr;
    QPushButton* btnCoverRemove = nullptr;
    QPushButton* btnCoverKeep = nullptr;

    // Single-file mode: the cover the file has (none: no picture). Dialogs
    // open in `folder`.
    void ShowFileCover(const std::optional<TagPicture>& cover, const std::string& folder);
    // Multi-file mode: "<don't change>".
    void ShowPlaceholder();

    Change PendingChange() const { return m_change; }
    // The picture chosen to set, if any.
    const std::optional<TagPicture>& NewCover() const { return m_newCover; }
    // Hands the change (if any) to the tag object before its save.
    void ApplyTo(Tmp3TagV2& tag) const;

    void btnCoverSetClick();
    void btnCoverSaveClick();
    void btnCoverRemoveClick();
    void btnCoverKeepClick();

signals:
    // The change to write was set or taken back.
    void changed();

private:
    void showPicture(const TagPicture& picture);
    void showText(const QString& text, bool italic);
    void updateButtons();
    // The bytes of a picture file, checked; nothing (after an error box) when
    // they cannot be used.
    std::optional<std::string> readPictureFile(const std::string& path);

    Prompts& m_prompts;
    bool m_multiFileMode = false;
    std::string m_folder;
    // The file's cover (single-file mode), and the picture chosen to set.
    std::optional<TagPicture> m_fileCover;
    std::optional<TagPicture> m_newCover;
    Change m_change = Change::Keep;
};
