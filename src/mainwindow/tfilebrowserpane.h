#pragma once
// The right pane of the main window: drive box, current folder strip, the
// folder's list and the disk strip with the quick search. Folders are listed
// in the browser order (folders first, byte order, ".." on top).

#include "folderlisting.h"
#include "mountedvolumes.h"
#include "tdrivebox.h"

#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Prompts;
class TFilesModel;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QTreeView;
class QFrame;
class QHelpEvent;

// What the browser asks of the file system. Each call runs on a worker thread
// and is given up after `timeout`, so that a mount that does not answer (a
// network server gone away) never freezes the window.
struct TBrowserFileSystem {
    std::function<bool(const std::string& folder, std::vector<XFileEntry>& entries, int& error)> ReadFolder =
        &FolderListing::Read;
    std::function<std::optional<VolumeSpace>(const std::string& path)> Space = &MountedVolumes::Space;
    std::chrono::milliseconds timeout{4000};
};

class TFileBrowserPane final : public QWidget {
    Q_OBJECT
public:
    // A selected row as the playlist drop and the deletion need it.
    struct SelectedEntry {
        std::string name; // as listed
        bool isFolder = false;
    };

    TFileBrowserPane(Prompts& prompts, QWidget* parent = nullptr);
    ~TFileBrowserPane() override;

    // Operations of the pane.
    void FillDriveList();
    bool ShowFolder(const std::string& folder);
    // Shows `folder`, or its nearest parent that still exists, with the drive
    // box on the volume that holds it; "/" stays shown when none can be listed.
    void ShowStartFolder(const std::string& folder);
    void UpdateDiskInfo();
    void OpenFolderEntry(const std::string& name);
    void RefreshFolder();
    void filesViewDblClick();
    void filesViewEnter();
    void driveBoxEnter();
    void driveBoxCloseUp();
    // An entry chosen by key in the closed box: its root is listed.
    void driveBoxChange();
    void mnuFilesPopup();
    void Createnewdirectory1Click();
    void mnuDeleteFilesClick();
    void Quicksearch1Click();
    // Handles one typed character of the quick search; returns whether the
    // character goes into the edit.
    bool edtSearchFilesKeyPress(QChar c);

    // Alt+F1 / Alt+F2: focus the drive box and drop its list.
    void OpenDriveBox();

    const std::string& CurrentDir() const { return m_currentDir; }
    // The selected rows, top to bottom; the ".." row only when asked for.
    std::vector<SelectedEntry> SelectedEntries(bool withParentRow = false) const;

    QTreeView* filesView() const { return m_filesView; }
    TFilesModel* filesModel() const { return m_model; }
    TDriveBox* driveBox() const { return m_driveBox; }
    QLabel* panCurrDirectory() const { return m_panCurrDirectory; }
    QLabel* labTotalBytes() const { return m_labTotalBytes; }
    QLabel* labFreeBytes() const { return m_labFreeBytes; }
    QWidget* panSearch() const { return m_panSearch; }
    QLineEdit* edtSearchFiles() const { return m_edtSearchFiles; }
    QMenu* mnuFiles() const { return m_mnuFiles; }
    QAction* actCreateDirectory() const { return m_createnewdirectory1; }
    QAction* actDelete() const { return m_mnuDeleteFiles; }
    QAction* actQuickSearch() const { return m_quicksearch1; }
    QFrame* panDiscInfo() const { return m_panDiscInfo; }

    // The deletion of the selected rows (confirmation, deletion window,
    // errors); returns false when the user declined. Wired by the main window.
    using DeleteHandler = std::function<bool(const std::string& folder,
                                             const std::vector<SelectedEntry>& entries)>;
    void SetDeleteHandler(DeleteHandler handler) { m_deleteHandler = std::move(handler); }

    void SetFileSystem(TBrowserFileSystem fileSystem) { m_fileSystem = std::move(fileSystem); }

signals:
    // The volume popup is hidden by any mouse press on the pane's controls.
    void MousePressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void filesViewToolTip(const QHelpEvent& event);
    void BuildMenu();
    void SelectAndFocusRow(int row);
    void ClearSelection();
    void panDiscInfoResize();
    void filesViewKeyDown(QKeyEvent* event, bool& handled);

    Prompts& m_prompts;
    DeleteHandler m_deleteHandler;
    TBrowserFileSystem m_fileSystem;
    std::string m_currentDir;
    int m_savedDriveIndex = 0;
    bool m_driveBoxCancelled = false;

    TDriveBox* m_driveBox = nullptr;
    QLabel* m_panCurrDirectory = nullptr;
    QTreeView* m_filesView = nullptr;
    TFilesModel* m_model = nullptr;
    QFrame* m_panDiscInfo = nullptr;
    QLabel* m_labTotalCaption = nullptr;
    QLabel* m_labTotalBytes = nullptr;
    QLabel* m_labFreeBytes = nullptr;
    QWidget* m_panSearch = nullptr;
    QLineEdit* m_edtSearchFiles = nullptr;
    QMenu* m_mnuFiles = nullptr;
    QAction* m_createnewdirectory1 = nullptr;
    QAction* m_mnuDeleteFiles = nullptr;
    QAction* m_quicksearch1 = nullptr;
};
