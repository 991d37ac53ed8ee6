#pragma once
// The "All frames" page of the tag editor (single-file mode): a table of
// every frame of the file's ID3v2 tag in the tag's order. Text frames, user
// texts (TXXX), comments (COMM), user links (WXXX) and lyrics (USLT) can be
// added, edited and deleted; any other frame can only be deleted; a frame
// the program cannot interpret is listed as "kept as it is". Nothing is
// written before Update: ApplyTo hands the edits to the tag object, whose
// save applies them to the tag as it reads it again (and refuses a tag that
// changed on disk meanwhile). Where a field of another page names the same
// frame, a change typed into that field wins over the edit here.

#include "tframesmodel.h"

#include <QWidget>

#include <array>
#include <optional>
#include <string>
#include <vector>

class Tmp3TagV2;
class QLabel;
class QPushButton;
class QTableView;

class TFramesPage final : public QWidget {
    Q_OBJECT
public:
    explicit TFramesPage(QWidget* parent = nullptr);

    QLabel* labFramesInfo = nullptr;
    QTableView* tblFrames = nullptr;
    QPushButton* btnFrameAdd = nullptr;
    QPushButton* btnFrameEdit = nullptr;
    QPushButton* btnFrameDelete = nullptr;

    // The frames the file's tag has (Tmp3TagV2::FrameList, in the form of
    // version `major`); with a `failure` (why they could not be read) the
    // page only says that.
    void ShowFrames(const std::vector<id3v2::FrameEntry>& frames, int major, const QString& failure = {});
    // What the seven fields of the ID3v2 page say with the frames as edited.
    std::array<std::string, id3v2::kFieldCount> FieldTexts() const;
    // The same for the fields of the page "More".
    std::array<std::string, id3v2::kExtraFieldCount> ExtraTexts() const;

    TFramesModel& Model() { return m_model; }
    bool Changed() const { return m_model.Changed(); }
    // Hands the edits (if any) to the tag object before its save.
    void ApplyTo(Tmp3TagV2& tag) const;

    // The edits themselves, as the buttons make them after their dialog.
    void AddFrame(const id3v2::FrameValue& value);
    void EditFrame(int row, const id3v2::FrameValue& value);
    void DeleteFrame(int row);

    void btnFrameAddClick();
    void btnFrameEditClick();
    void btnFrameDeleteClick();

signals:
    // An edit was made.
    void changed();

private:
    int currentRow() const;
    void updateButtons();

    TFramesModel m_model;
    bool m_readable = true;
    int m_major = 3;
};
