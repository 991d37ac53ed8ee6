#pragma once
// The dialog that asks where the selected playlist files are to be copied or
// moved. The edit completes folder names as they are typed, and "..." opens
// the folder picker. The destination may be absolute, start with "~" (the
// home folder) or be relative to the initial folder.

#include <QDialog>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class Prompts;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmCopyMoveConfirm final : public QDialog {
    Q_OBJECT

public:
    // `folder` (bytes) is the initial text and the base of a relative one.
    TfrmCopyMoveConfirm(Prompts& prompts, bool isMove, int count, const std::string& folder,
                        QWidget* parent = nullptr);

    QLabel* lblCopyNFilesTo;
    QLineEdit* edtDestPath;
    QPushButton* btnBrowse;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // Trims the edit; an empty text keeps the dialog open. A folder that
    // does not exist is named, and made when the user agrees; else, or when
    // it cannot be made, the dialog stays open.
    void btnOKClick();
    void btnBrowseClick();

    // The folder the edit names, as bytes ending with "/".
    std::string DestPath() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool EnsureDestination();

    Prompts& m_prompts;
    std::string m_folder;
    // Texts shown for folders known as bytes (the initial one, picked ones):
    // a name that is not valid UTF-8 is kept while its text is not edited.
    std::vector<std::pair<QString, std::string>> m_known;
};

// Shows the dialog modally; the destination folder on OK, nullopt otherwise.
std::optional<std::string> ConfirmCopyMove(Prompts& prompts, bool isMove, int count,
                                           const std::string& folder);
