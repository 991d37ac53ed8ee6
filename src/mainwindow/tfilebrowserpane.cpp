#include "tfilebrowserpane.h"

#include "boundedcall.h"
#include "systemerrortext.h"
#include "tfilesmodel.h"
#include "tvicons.h"

#include "fileutils.h"
#include "prompts.h"

#include <QAbstractItemView>
#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>
#include <QTreeView>
#include <QVBoxLayout>

#include <cerrno>

#include <sys/stat.h>

namespace {

QString DisplayPath(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool IsAsciiLetterOrDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

QString FoldAZ(const QString& s)
{
    QString out = s;
    for (auto& ch : out) {
        if (ch.unicode() >= 'A' && ch.unicode() <= 'Z')
            ch = QChar(ch.unicode() - 'A' + 'a');
    }
    return out;
}

} // namespace

TFileBrowserPane::TFileBrowserPane(Prompts& prompts, QWidget* parent)
    : QWidget(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("panRight"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* sPanel1 = new QFrame(this);
    sPanel1->setObjectName(QStringLiteral("sPanel1"));
    sPanel1->setFixedHeight(33);
    auto* topLayout = new QHBoxLayout(sPanel1);
    topLayout->setContentsMargins(4, 4, 4, 4);
    m_driveBox = new TDriveBox(sPanel1);
    m_driveBox->setObjectName(QStringLiteral("driveBox"));
    m_driveBox->setAccessibleName(QStringLiteral("Drive"));
    topLayout->addWidget(m_driveBox);
    layout->addWidget(sPanel1);

    m_panCurrDirectory = new QLabel(this);
    m_panCurrDirectory->setObjectName(QStringLiteral("panCurrDirectory"));
    m_panCurrDirectory->setAccessibleName(QStringLiteral("Current folder"));
    m_panCurrDirectory->setFixedHeight(27);
    m_panCurrDirectory->setIndent(6);
    m_panCurrDirectory->setTextFormat(Qt::PlainText);
    QFont small = m_panCurrDirectory->font();
    small.setBold(true);
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_panCurrDirectory->setFont(small);
    layout->addWidget(m_panCurrDirectory);

    m_model = new TFilesModel(this);
    m_model->SetStatePictures(TvIcons::FilesImages());
    m_filesView = new QTreeView(this);
    m_filesView->setObjectName(QStringLiteral("filesView"));
    m_filesView->setAccessibleName(QStringLiteral("Files"));
    m_filesView->setModel(m_model);
    m_filesView->setRootIsDecorated(false);
    m_filesView->setUniformRowHeights(true);
    m_filesView->setItemsExpandable(false);
    m_filesView->setAllColumnsShowFocus(true);
    m_filesView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_filesView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_filesView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_filesView->setDragEnabled(true);
    m_filesView->setDragDropMode(QAbstractItemView::DragOnly);
    m_filesView->setSortingEnabled(false);
    m_filesView->header()->setSectionsClickable(false);
    m_filesView->header()->setStretchLastSection(false);
    m_filesView->header()->resizeSection(0, 246);
    m_filesView->header()->resizeSection(1, 62);
    // The names take the width the pane has, so that the rows and their
    // selection span the whole list; the extensions keep theirs.
    m_filesView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_filesView->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    m_filesView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_filesView->installEventFilter(this);
    m_filesView->viewport()->installEventFilter(this);
    layout->addWidget(m_filesView, 1);

    m_panDiscInfo = new QFrame(this);
    m_panDiscInfo->setObjectName(QStringLiteral("panDiscInfo"));
    m_panDiscInfo->setFixedHeight(51);
    m_labTotalCaption = new QLabel(QStringLiteral("Total Bytes:"), m_panDiscInfo);
    m_labTotalCaption->move(8, 6);
    auto* freeCaption = new QLabel(QStringLiteral("Free Bytes:"), m_panDiscInfo);
    freeCaption->move(8, 27);
    QFont bold = m_labTotalCaption->font();
    bold.setBold(true);
    m_labTotalCaption->setFont(bold);
    freeCaption->setFont(bold);
    m_labTotalCaption->adjustSize();
    freeCaption->adjustSize();
    m_labTotalBytes = new QLabel(m_panDiscInfo);
    m_labTotalBytes->setObjectName(QStringLiteral("labTotalBytes"));
    m_labTotalBytes->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_labTotalBytes->setGeometry(100, 6, 100, m_labTotalCaption->height());
    m_labFreeBytes = new QLabel(m_panDiscInfo);
    m_labFreeBytes->setObjectName(QStringLiteral("labFreeBytes"));
    m_labFreeBytes->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_labFreeBytes->setGeometry(100, 27, 100, freeCaption->height());
    m_panSearch = new QFrame(m_panDiscInfo);
    m_panSearch->setObjectName(QStringLiteral("panSearch"));
    m_panSearch->setAutoFillBackground(true);
    auto* searchLayout = new QHBoxLayout(m_panSearch);
    searchLayout->setContentsMargins(8, 8, 8, 8);
    auto* searchCaption = new QLabel(QStringLiteral("Search:"), m_panSearch);
    searchCaption->setFont(bold);
    m_edtSearchFiles = new QLineEdit(m_panSearch);
    m_edtSearchFiles->setObjectName(QStringLiteral("edtSearchFiles"));
    m_edtSearchFiles->setAccessibleName(QStringLiteral("Search files"));
    m_edtSearchFiles->installEventFilter(this);
    searchLayout->addWidget(searchCaption);
    searchLayout->addWidget(m_edtSearchFiles, 1);
    m_panSearch->hide();
    m_panDiscInfo->installEventFilter(this);
    layout->addWidget(m_panDiscInfo);

    for (QWidget* w : {static_cast<QWidget*>(sPanel1), static_cast<QWidget*>(m_panCurrDirectory),
                       static_cast<QWidget*>(m_panDiscInfo), static_cast<QWidget*>(m_labTotalCaption),
                       static_cast<QWidget*>(freeCaption), static_cast<QWidget*>(m_labTotalBytes),
                       static_cast<QWidget*>(m_labFreeBytes), static_cast<QWidget*>(m_driveBox)})
        w->installEventFilter(this);

    BuildMenu();

    connect(m_filesView, &QTreeView::doubleClicked, this, [this] { filesViewDblClick(); });
    connect(m_filesView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        mnuFilesPopup();
        m_mnuFiles->popup(m_filesView->viewport()->mapToGlobal(pos));
    });
    connect(m_driveBox, &TDriveBox::Entered, this, &TFileBrowserPane::driveBoxEnter);
    connect(m_driveBox, &TDriveBox::EscapePressed, this, [this] { m_driveBoxCancelled = true; });
    connect(m_driveBox, &TDriveBox::CloseUp, this, &TFileBrowserPane::driveBoxCloseUp);
    connect(m_driveBox, &TDriveBox::KeyChosen, this, &TFileBrowserPane::driveBoxChange);
}

TFileBrowserPane::~TFileBrowserPane() = default;

void TFileBrowserPane::BuildMenu()
{
    m_mnuFiles = new QMenu(this);
    m_mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    m_createnewdirectory1 = m_mnuFiles->addAction(QStringLiteral("&Create new directory"));
    m_createnewdirectory1->setObjectName(QStringLiteral("Createnewdirectory1"));
    m_createnewdirectory1->setShortcut(QKeySequence(Qt::Key_F7));
    m_mnuDeleteFiles = m_mnuFiles->addAction(QStringLiteral("&Delete"));
    m_mnuDeleteFiles->setObjectName(QStringLiteral("mnuDeleteFiles"));
    m_mnuDeleteFiles->setShortcut(QKeySequence(Qt::Key_Delete));
    m_mnuFiles->addSeparator();
    m_quicksearch1 = m_mnuFiles->addAction(QStringLiteral("&Quick search"));
    m_quicksearch1->setObjectName(QStringLiteral("Quicksearch1"));
    m_quicksearch1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_S));
    // The context menu's shortcuts act while the list has the focus.
    for (QAction* a : m_mnuFiles->actions()) {
        a->setShortcutContext(Qt::WidgetShortcut);
        m_filesView->addAction(a);
    }
    // "Delete" follows the selection: the menu's rule is applied whenever
    // the selection or the listing changes, not only when the menu opens.
    mnuFilesPopup();
    connect(m_filesView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFileBrowserPane::mnuFilesPopup);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TFileBrowserPane::mnuFilesPopup);
    connect(m_createnewdirectory1, &QAction::triggered, this, &TFileBrowserPane::Createnewdirectory1Click);
    connect(m_mnuDeleteFiles, &QAction::triggered, this, &TFileBrowserPane::mnuDeleteFilesClick);
    connect(m_quicksearch1, &QAction::triggered, this, &TFileBrowserPane::Quicksearch1Click);
}

void TFileBrowserPane::FillDriveList()
{
    m_driveBox->clear();
    for (const MountedVolume& v : MountedVolumes::List()) {
        m_driveBox->addItem(DisplayPath(MountedVolumes::EntryText(v)),
                            QByteArray::fromStdString(v.mountPath));
    }
    if (m_driveBox->count() == 0)
        return;
    m_currentDir = m_driveBox->itemData(0).toByteArray().toStdString();
    m_driveBox->setCurrentIndex(0);
    ShowFolder(m_currentDir);
    if (m_model->Count() > 0)
        SelectAndFocusRow(0);
}

bool TFileBrowserPane::ShowFolder(const std::string& folder)
{
    struct Listing {
        bool ok = false;
        int error = 0;
        std::vector<XFileEntry> entries;
    };
    const auto listing = CallWithTimeout<Listing>(
        [read = m_fileSystem.ReadFolder, folder] {
            Listing l;
            l.ok = read(folder, l.entries, l.error);
            return l;
        },
        m_fileSystem.timeout);
    // A folder that does not answer in time counts as one that cannot be listed.
    const int error = !listing ? ETIMEDOUT : listing->ok ? 0 : listing->error;
    if (!listing || !listing->ok) {
        m_prompts.showError(QStringLiteral("Error"), SystemErrorText(error) + QStringLiteral("\r\n") + DisplayPath(folder));
        return false;
    }
    std::vector<XFileEntry> entries = std::move(listing->entries);
    FolderListing::AddParentEntry(folder, entries);
    m_currentDir = folder;
    m_panCurrDirectory->setText(DisplayPath(folder));
    UpdateDiskInfo();
    FolderListing::SortEntries(entries);

    const bool hadFocus = m_filesView->hasFocus();
    m_filesView->setUpdatesEnabled(false);
    m_model->SetEntries(entries);
    m_filesView->setUpdatesEnabled(true);
    if (hadFocus)
        m_filesView->setFocus();
    return true;
}

void TFileBrowserPane::ShowStartFolder(const std::string& folder)
{
    if (folder.empty() || folder[0] != '/')
        return;
    // Looked for on a worker thread: a mount that does not answer gives up
    // the search instead of freezing the start.
    const auto existing = CallWithTimeout<std::string>(
        [folder] {
            std::string path = WithTrailingSeparator(folder);
            struct stat st {};
            while (path.size() > 1 && !(stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
                path = FolderPart(path.substr(0, path.size() - 1));
            return path;
        },
        m_fileSystem.timeout);
    if (!existing || *existing == m_currentDir)
        return;
    // The drive box names the volume with the longest mount path above it.
    int drive = -1;
    std::size_t longest = 0;
    for (int i = 0; i < m_driveBox->count(); ++i) {
        const std::string mount = WithTrailingSeparator(m_driveBox->itemData(i).toByteArray().toStdString());
        if (existing->compare(0, mount.size(), mount) == 0 && mount.size() >= longest) {
            drive = i;
            longest = mount.size();
        }
    }
    if (!ShowFolder(*existing))
        return;
    if (drive >= 0)
        m_driveBox->setCurrentIndex(drive);
    if (m_model->Count() > 0)
        SelectAndFocusRow(0);
}

void TFileBrowserPane::UpdateDiskInfo()
{
    // The volume that holds the folder shown: on Linux a folder reached by
    // going up from a mount lies on another volume than the drive box shows.
    std::string where = m_currentDir;
    if (where.empty())
        where = m_driveBox->currentData().toByteArray().toStdString();
    std::optional<VolumeSpace> space;
    if (!where.empty()) {
        space = CallWithTimeout<std::optional<VolumeSpace>>(
                    [query = m_fileSystem.Space, where] { return query(where); }, m_fileSystem.timeout)
                    .value_or(std::nullopt);
    }
    if (space) {
        m_labTotalBytes->setText(QString::fromStdString(FormatByteSize(space->totalBytes)));
        m_labFreeBytes->setText(QString::fromStdString(FormatByteSize(space->freeBytes)));
    } else {
        m_labTotalBytes->setText(QStringLiteral("not available"));
        m_labFreeBytes->setText(QStringLiteral("not available"));
    }
}

void TFileBrowserPane::OpenFolderEntry(const std::string& name)
{
    m_filesView->setUpdatesEnabled(false);
    std::string target;
    std::string leftName;
    const bool goingUp = name == "..";
    if (!goingUp) {
        target = m_currentDir + name + "/";
    } else {
        // Cut after the second-to-last separator; remember the folder left.
        const auto last = m_currentDir.size() - 1;
        const auto prev = m_currentDir.rfind('/', last - 1);
        if (prev == std::string::npos) {
            m_filesView->setUpdatesEnabled(true);
            return;
        }
        target = m_currentDir.substr(0, prev + 1);
        leftName = m_currentDir.substr(prev + 1, last - prev - 1);
    }
    ShowFolder(target);
    if (m_currentDir == target) {
        if (goingUp) {
            for (int r = 0; r < m_model->Count(); ++r) {
                if (m_model->RowAt(r).name == leftName) {
                    SelectAndFocusRow(r);
                    break;
                }
            }
        } else if (m_model->Count() > 0) {
            SelectAndFocusRow(0);
        }
    }
    m_filesView->setUpdatesEnabled(true);
}

void TFileBrowserPane::RefreshFolder()
{
    ShowFolder(m_currentDir);
    UpdateDiskInfo();
}

void TFileBrowserPane::filesViewDblClick()
{
    const QModelIndexList rows = m_filesView->selectionModel()->selectedRows();
    if (rows.size() != 1)
        return;
    const auto& row = m_model->RowAt(rows.first().row());
    if (row.stateIndex == 0 || row.stateIndex == 1)
        OpenFolderEntry(row.name);
}

void TFileBrowserPane::filesViewKeyDown(QKeyEvent* event, bool& handled)
{
    handled = false;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        filesViewDblClick();
        handled = true;
    } else if (event->key() == Qt::Key_Backspace) {
        if (m_model->Count() > 0 && m_model->RowAt(0).caption == QLatin1String("..")) {
            ClearSelection();
            SelectAndFocusRow(0);
            filesViewDblClick();
        }
        handled = true;
    }
}

void TFileBrowserPane::filesViewEnter()
{
    if (m_model->Count() > 0 && !m_filesView->selectionModel()->hasSelection())
        SelectAndFocusRow(0);
}

void TFileBrowserPane::driveBoxEnter()
{
    m_savedDriveIndex = m_driveBox->currentIndex();
    m_driveBoxCancelled = false;
}

void TFileBrowserPane::driveBoxCloseUp()
{
    // The list has closed: its window is the active one again.
    window()->activateWindow();
    if (m_driveBoxCancelled) {
        m_driveBox->setCurrentIndex(m_savedDriveIndex);
        m_filesView->setFocus();
        return;
    }
    m_filesView->setFocus();
    driveBoxChange();
}

void TFileBrowserPane::driveBoxChange()
{
    const std::string mount = m_driveBox->currentData().toByteArray().toStdString();
    if (!mount.empty())
        ShowFolder(mount);
    UpdateDiskInfo();
}

void TFileBrowserPane::OpenDriveBox()
{
    m_driveBox->setFocus();
    m_driveBox->showPopup();
}

void TFileBrowserPane::mnuFilesPopup()
{
    const bool any = m_filesView->selectionModel()->hasSelection();
    m_mnuDeleteFiles->setEnabled(any);
    m_mnuDeleteFiles->setVisible(any);
}

void TFileBrowserPane::Createnewdirectory1Click()
{
    m_filesView->setFocus();
    const auto value = m_prompts.inputText(QStringLiteral("new directory"), QStringLiteral("Enter"),
                                           QStringLiteral("new directory"));
    if (!value)
        return;
    const std::string path = WithTrailingSeparator(m_currentDir) + QFile::encodeName(*value).toStdString();
    if (mkdir(path.c_str(), 0777) != 0) {
        m_prompts.showError(QStringLiteral("Error"), SystemErrorText(errno));
        return;
    }
    QString typed = *value;
    if (typed.endsWith(QLatin1Char('/')))
        typed.chop(1);
    ShowFolder(m_currentDir);
    const QString wanted = typed.trimmed();
    for (int r = 0; r < m_model->Count(); ++r) {
        if (m_model->RowAt(r).caption.trimmed() == wanted) {
            SelectAndFocusRow(r);
            break;
        }
    }
}

std::vector<TFileBrowserPane::SelectedEntry> TFileBrowserPane::SelectedEntries(bool withParentRow) const
{
    std::vector<SelectedEntry> out;
    const QItemSelectionModel* sel = m_filesView->selectionModel();
    for (int r = 0; r < m_model->Count(); ++r) {
        if (!sel->isRowSelected(r, QModelIndex()))
            continue;
        const auto& row = m_model->RowAt(r);
        if (row.caption == QLatin1String("..") && !withParentRow)
            continue;
        out.push_back(SelectedEntry{row.name, row.stateIndex == 1});
    }
    return out;
}

void TFileBrowserPane::mnuDeleteFilesClick()
{
    const QModelIndexList rows = m_filesView->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    int first = rows.first().row();
    for (const QModelIndex& i : rows)
        first = std::min(first, i.row());
    if (!m_deleteHandler || !m_deleteHandler(WithTrailingSeparator(m_currentDir), SelectedEntries(true)))
        return;
    RefreshFolder();
    UpdateDiskInfo();
    ClearSelection();
    if (first >= m_model->Count())
        first = m_model->Count() - 1;
    if (first >= 0)
        SelectAndFocusRow(first);
    // The keys go on to the list, on the row that took the deleted one's
    // place, whichever window had the focus before.
    m_filesView->setFocus(Qt::OtherFocusReason);
}

void TFileBrowserPane::Quicksearch1Click()
{
    m_edtSearchFiles->clear();
    m_panSearch->setGeometry(m_panDiscInfo->rect());
    m_panSearch->show();
    m_panSearch->raise();
    m_edtSearchFiles->setFocus();
}

bool TFileBrowserPane::edtSearchFilesKeyPress(QChar c)
{
    if (!IsAsciiLetterOrDigit(c))
        return false;
    const QString s = FoldAZ(m_edtSearchFiles->text() + c);
    ClearSelection();
    for (int r = 0; r < m_model->Count(); ++r) {
        if (FoldAZ(m_model->RowAt(r).caption.left(s.size())) == s) {
            SelectAndFocusRow(r);
            return true;
        }
    }
    return false;
}

void TFileBrowserPane::SelectAndFocusRow(int row)
{
    const QModelIndex i = m_model->index(row, 0);
    m_filesView->selectionModel()->setCurrentIndex(
        i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_filesView->scrollTo(i);
}

void TFileBrowserPane::ClearSelection()
{
    m_filesView->selectionModel()->clearSelection();
    m_filesView->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void TFileBrowserPane::panDiscInfoResize()
{
    const int width = m_panDiscInfo->width() - (m_labTotalBytes->x() + 5);
    m_labTotalBytes->resize(width, m_labTotalBytes->height());
    m_labFreeBytes->resize(width, m_labFreeBytes->height());
    if (m_panSearch->isVisible())
        m_panSearch->setGeometry(m_panDiscInfo->rect());
}

void TFileBrowserPane::filesViewToolTip(const QHelpEvent& event)
{
    // A name the column cuts with "…" is shown whole; others need no tip.
    const QModelIndex index = m_filesView->indexAt(event.pos());
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect rect = m_filesView->visualRect(index);
    const int iconRoom = index.column() == 0 ? m_filesView->iconSize().width() + 12 : 8;
    if (!index.isValid() || m_filesView->fontMetrics().horizontalAdvance(text) + iconRoom <= rect.width()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(event.globalPos(), text, m_filesView->viewport(), rect);
}

bool TFileBrowserPane::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        emit MousePressed();
    if (watched == m_panDiscInfo && event->type() == QEvent::Resize) {
        panDiscInfoResize();
    } else if (watched == m_filesView->viewport() && event->type() == QEvent::ToolTip) {
        filesViewToolTip(*static_cast<QHelpEvent*>(event));
        return true;
    } else if (watched == m_filesView) {
        if (event->type() == QEvent::FocusIn) {
            filesViewEnter();
        } else if (event->type() == QEvent::KeyPress) {
            bool handled = false;
            filesViewKeyDown(static_cast<QKeyEvent*>(event), handled);
            if (handled)
                return true;
        }
    } else if (watched == m_edtSearchFiles) {
        if (event->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(event);
            if (ke->key() == Qt::Key_Escape || ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
                m_panSearch->hide();
                m_filesView->setFocus();
                return true;
            }
            if (ke->key() == Qt::Key_Backspace)
                return false;
            const QString text = ke->text();
            if (text.size() == 1 && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                if (text[0].unicode() < 32)
                    return false;
                return !edtSearchFilesKeyPress(text[0]);
            }
            if (text.size() > 1)
                return true;
        } else if (event->type() == QEvent::FocusOut) {
            m_panSearch->hide();
        }
    }
    return QWidget::eventFilter(watched, event);
}
