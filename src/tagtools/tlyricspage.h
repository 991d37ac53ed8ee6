#pragma once
// The "Lyrics" page of the tag editor: the unsynchronised lyrics of the
// ID3v2 tag (its first USLT frame: language, description and text; when the
// tag has several, the page says so and the others stay as they are) and,
// read only, its synchronised lyrics with their time stamps, which every
// save keeps. "Load from file ..." takes a UTF-8 text file, "Save to file
// ..." writes the text into one, "Remove" removes the lyrics. In multi-file
// mode the page starts at "<don't change>"; typed or loaded lyrics are set
// in every selected file, "Remove" removes them from every file, and "Don't
// change" goes back. Nothing is written before Update: ApplyTo hands the
// change to the tag object of each file.

#include "id3v2framelist.h"
#include "id3v2lyrics.h"

#include <QString>
#include <QWidget>

#include <array>
#include <string>
#include <vector>

class Prompts;
class Tmp3TagV2;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TLyricsPage final : public QWidget {
    Q_OBJECT
public:
    enum class Change { Keep, Set, Remove };

    // Lyrics files larger than this are refused.
    static constexpr std::size_t kMaxFileSize = std::size_t(1) << 20;

    TLyricsPage(Prompts& prompts, QWidget* parent = nullptr);

    QLabel* labLyricsInfo = nullptr;
    QLineEdit* edtLyricsLanguage = nullptr;
    QLineEdit* edtLyricsDescription = nullptr;
    QPlainTextEdit* memLyrics = nullptr;
    QPushButton* btnLyricsLoad = nullptr;
    QPushButton* btnLyricsSave = nullptr;
    QPushButton* btnLyricsRemove = nullptr;
    QPushButton* btnLyricsKeep = nullptr;
    QLabel* labSyncedLyrics = nullptr;
    QPlainTextEdit* memSyncedLyrics = nullptr;

    // Single-file mode: the lyrics among the file's frames (FrameList).
    // Dialogs open in `folder`.
    void ShowFileLyrics(const std::vector<id3v2::FrameEntry>& frames, const std::string& folder);
    // Multi-file mode: "<don't change>".
    void ShowPlaceholder();

    Change PendingChange() const;
    // The lyrics the page holds now.
    id3v2::Lyrics Lyrics() const;
    // Hands the change (if any) to the tag object before its save.
    void ApplyTo(Tmp3TagV2& tag) const;

    // Takes the text of a lyrics file; false (after an error box) when it is
    // too large, not UTF-8 text, or cannot be read.
    bool LoadFile(const std::string& path);

    void btnLyricsLoadClick();
    void btnLyricsSaveClick();
    void btnLyricsRemoveClick();
    void btnLyricsKeepClick();

signals:
    // The change to write was made or taken back.
    void changed();

private:
    void setLyrics(const id3v2::Lyrics& lyrics);
    void textEdited();
    void updateButtons();

    Prompts& m_prompts;
    bool m_multiFileMode = false;
    std::string m_folder;
    // What the file had (single-file mode).
    bool m_hadLyrics = false;
    id3v2::Lyrics m_fileLyrics;
    // The language, description and text of the file as the edits show them.
    std::array<QString, 3> m_shown;
    // Multi-file mode: the user typed or loaded lyrics, or chose Remove.
    bool m_edited = false;
    bool m_removed = false;
    // The page sets its edits itself: no user edit.
    bool m_settingText = false;
};
