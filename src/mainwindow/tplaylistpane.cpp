#include "tplaylistpane.h"

#include "folderadd.h"
#include "repaintoff.h"
#include "tplayerstrip.h"
#include "tplaylistcolumns.h"
#include "tplaylistdelegate.h"
#include "tplaylistmodel.h"
#include "tsonghintpanel.h"
#include "tsongslistview.h"
#include "tvicons.h"

#include "fileutils.h"
#include "orderedbatch.h"
#include "progresswindows.h"
#include "prompts.h"
#include "tfileinfo.h"
#include "tundorecorder.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>
#include <QVBoxLayout>

#include <numeric>
#include <optional>


namespace {

QString Display(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string WithoutExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

} // namespace

TPlaylistPane::SortingOff::SortingOff(TPlaylistModel& model)
    : m_model(model)
{
    m_model.SetSortingEnabled(false);
}

TPlaylistPane::SortingOff::~SortingOff()
{
    m_model.SetSortingEnabled(true);
}

TPlaylistPane::TPlaylistPane(Prompts& prompts, QWidget* hintParent, QWidget* parent)
    : QWidget(parent)
    , m_prompts(prompts)
{
    setObjectName(QStringLiteral("panLeft"));
    setMinimumWidth(250);
    m_clock.start();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_model = new TPlaylistModel(this);
    m_delegate = new TPlaylistDelegate(this);
    m_delegate->SetStateIcons(TvIcons::StateImages());
    m_view = new TSongsListView(this);
    m_view->setObjectName(QStringLiteral("songsListView"));
    m_view->setAccessibleName(QStringLiteral("Playlist"));
    m_view->setModel(m_model);
    m_view->setItemDelegate(m_delegate);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->header()->setStretchLastSection(false);
    QPalette pal = m_view->palette();
    pal.setColor(QPalette::Base, Qt::white);
    m_view->setPalette(pal);
    m_view->viewport()->installEventFilter(this);
    m_view->installEventFilter(this);
    layout->addWidget(m_view, 1);

    m_strip = new TPlayerStrip(this);
    m_strip->installEventFilter(this);
    for (QWidget* child : m_strip->findChildren<QWidget*>())
        child->installEventFilter(this);
    layout->addWidget(m_strip);

    m_volume = new TVolumePopup(this);
    m_hint = new TSongHintPanel(hintParent ? hintParent : this);

    m_columns = new TPlaylistColumns(*m_model, *m_view, this);
    BuildMenu();

    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        mnuSongPopup();
        m_mnuSong->popup(m_view->viewport()->mapToGlobal(pos));
    });
    connect(m_view, &TtmtListView::OnEndColumnResize, this, &TPlaylistPane::songsListViewEndColumnResize);
    connect(m_view, &TtmtListView::OnMouseLeave, this, &TPlaylistPane::songsListViewMouseLeave);
    connect(m_view, &TSongsListView::FocusLeft, this, [this] { m_view->viewport()->update(); });
    connect(m_view, &TSongsListView::UrlsDropped, this, &TPlaylistPane::AddDroppedUrls);

    // The selected count is counted again only after the selection or the
    // rows changed.
    const auto recount = [this] { m_selectedCount = -1; };
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, recount);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, recount);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, recount);
    connect(m_model, &QAbstractItemModel::modelReset, this, recount);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, recount);
    // The context menu's keys follow the selection: its rules are applied
    // again whenever the selection or the rows change (after the recount
    // above), not only when the menu opens.
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TPlaylistPane::mnuSongPopup);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &TPlaylistPane::mnuSongPopup);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TPlaylistPane::mnuSongPopup);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TPlaylistPane::mnuSongPopup);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &TPlaylistPane::mnuSongPopup);
    mnuSongPopup();
}

TPlaylistPane::~TPlaylistPane() = default;

void TPlaylistPane::BuildMenu()
{
    m_mnuSong = new QMenu(this);
    m_mnuSong->setObjectName(QStringLiteral("mnuSong"));
    // The separators stay where they are when the items around them hide.
    m_mnuSong->setSeparatorsCollapsible(false);
    auto add = [this](QMenu* menu, const char* name, const char* caption, const QKeySequence& key) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        if (!key.isEmpty())
            m_view->addAction(a);
        return a;
    };
    PlayFile1 = add(m_mnuSong, "PlayFile1", "&Play File", QKeySequence(Qt::Key_Return));
    // The keypad's Enter plays like Return.
    PlayFile1->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter),
                             QKeySequence(Qt::KeypadModifier | Qt::Key_Enter)});
    m_mnuSong->setDefaultAction(PlayFile1);
    m_mnuSong->addSeparator();
    mnuCopyselectedsongs1 = add(m_mnuSong, "mnuCopyselectedsongs1", "&Copy selected songs to ...", QKeySequence(Qt::Key_F5));
    mnuMoveselectedsongs1 = add(m_mnuSong, "mnuMoveselectedsongs1", "&Move selected songs to ...", QKeySequence(Qt::Key_F6));
    m_mnuSong->addSeparator();
    mnuSelectAll1 = add(m_mnuSong, "mnuSelectAll1", "&Select All", QKeySequence(Qt::CTRL | Qt::Key_A));
    m_mnuSong->addSeparator();
    mnuRenameFile1 = add(m_mnuSong, "mnuRenameFile1", "&Rename File", QKeySequence(Qt::SHIFT | Qt::Key_F6));
    Changemp3tags1 = add(m_mnuSong, "Changemp3tags1", "Change mp3 &tag(s) ...", QKeySequence(Qt::CTRL | Qt::Key_T));
    auto* removeMenu = new QMenu(QStringLiteral("R&emove mp3 tags"), m_mnuSong);
    Removemp3tags1 = m_mnuSong->addMenu(removeMenu);
    Removemp3tags1->setObjectName(QStringLiteral("Removemp3tags1"));
    ID3v11 = add(removeMenu, "ID3v11", "ID3 v&1", QKeySequence());
    ID3v11->setData(1);
    ID3v12 = add(removeMenu, "ID3v12", "ID3 v&2", QKeySequence());
    ID3v12->setData(2);
    Alltags1 = add(removeMenu, "Alltags1", "&All Tags", QKeySequence());
    Alltags1->setData(3);
    m_mnuSong->addSeparator();
    m_mnuSong->addMenu(m_columns->ViewMenu());

    connect(mnuSelectAll1, &QAction::triggered, this, &TPlaylistPane::mnuSelectAll1Click);
    connect(mnuRenameFile1, &QAction::triggered, this, &TPlaylistPane::mnuRenameFile1Click);
    // Play File, copy, move and the tag commands are connected by the parts
    // that implement them.
}

int TPlaylistPane::Count() const
{
    return m_model->Count();
}

TFileInfo* TPlaylistPane::FileAt(int row) const
{
    return m_model->FileAt(row);
}

std::vector<int> TPlaylistPane::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& i : m_view->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TPlaylistPane::RefreshTagRow(int row)
{
    TFileInfo* info = m_model->FileAt(row);
    if (!info)
        return;
    info->ReadTags();
    ShowReadTags(row);
}

void TPlaylistPane::ShowReadTags(int row)
{
    if (m_model->IsChecked(row))
        m_model->SetChecked(row, false);
    m_model->RefreshRow(row);
}

void TPlaylistPane::RefreshTagRows(const std::vector<int>& rows, bool hideList)
{
    SortingOff sorting(*m_model);
    RepaintOff repaint(*m_view);
    // Hidden, the list hands its focus on: it gets it back when shown again.
    const bool focused = m_view->hasFocus();
    if (hideList)
        m_view->hide();
    // No events run meanwhile, so the rows stay where they are.
    ReadRowsTags(
        rows, [this](int row) { ShowReadTags(row); }, [](int) { return true; }, std::chrono::seconds(1));
    if (hideList) {
        m_view->show();
        if (focused)
            m_view->setFocus();
    }
}

void TPlaylistPane::ShowRenamedRows(const std::vector<int>& rows)
{
    SortingOff sorting(*m_model);
    for (int row : rows)
        m_model->RefreshRow(row);
}

void TPlaylistPane::ReadRowsTags(const std::vector<int>& rows, const std::function<void(int row)>& taken,
                                 const std::function<bool(int done)>& tick, std::chrono::milliseconds interval)
{
    using Fresh = std::pair<int, TFileInfo>;
    OrderedBatch<Fresh> reads;
    for (int row : rows) {
        if (const TFileInfo* info = m_model->FileAt(row)) {
            reads.Add([row, copy = *info]() mutable {
                copy.ReadTags();
                return Fresh(row, std::move(copy));
            });
        }
    }
    int done = 0;
    reads.Drain(
        [&](Fresh fresh) {
            *m_model->FileAt(fresh.first) = std::move(fresh.second);
            taken(fresh.first);
            ++done;
        },
        [&] { return tick(done); }, interval);
}

void TPlaylistPane::RereadAllTags()
{
    // Sorting is held while events run, so the rows keep their places (rows
    // can only be added meanwhile: the preferences window is modal).
    SortingOff sorting(*m_model);
    std::vector<int> rows(static_cast<std::size_t>(m_model->Count()));
    std::iota(rows.begin(), rows.end(), 0);
    ProgressWindows::ProgressScope progress(static_cast<int>(rows.size()), QStringLiteral("Reading tags ..."));
    ReadRowsTags(
        rows, [](int) {},
        [](int done) {
            SetProgressPosition(done);
            QCoreApplication::processEvents();
            return !IsProgressCancelled();
        },
        std::chrono::milliseconds(100));
}

std::vector<std::pair<int, int>> TPlaylistPane::SelectedRanges() const
{
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& r : m_view->selectionModel()->selection())
        ranges.emplace_back(r.top(), r.bottom());
    std::sort(ranges.begin(), ranges.end());
    // Ranges of a selection may overlap or touch: merge them.
    std::vector<std::pair<int, int>> merged;
    for (const auto& r : ranges) {
        if (!merged.empty() && r.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, r.second);
        else
            merged.push_back(r);
    }
    return merged;
}

int TPlaylistPane::SelectedCount() const
{
    if (m_selectedCount < 0) {
        int count = 0;
        for (const auto& [first, last] : SelectedRanges())
            count += last - first + 1;
        m_selectedCount = count;
    }
    return m_selectedCount;
}

void TPlaylistPane::Clearplaylist1Click()
{
    if (m_model->Count() == 0)
        return;
    if (m_prompts.askYesNo(QStringLiteral("Confirm"), QStringLiteral("Are you sure to clear playlist?"))
        != PromptAnswer::Yes)
        return;
    {
        RepaintOff repaint(*m_view);
        m_view->hide();
        m_model->Clear();
        m_view->show();
    }
    m_player.StopPlaying();
}

void TPlaylistPane::removeselecteditems1Click()
{
    const std::vector<std::pair<int, int>> ranges = SelectedRanges();
    if (ranges.empty())
        return;
    RepaintOff repaint(*m_view);
    const std::string playing = m_player.CurrentSongFile();
    // One step per run of adjacent rows, from the last run up, so that the
    // positions of the others hold.
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
        const auto [first, last] = *it;
        for (int row = first; !playing.empty() && row <= last; ++row) {
            const TFileInfo* info = m_model->FileAt(row);
            if (info && info->FullPath() == playing) {
                m_player.StopPlaying();
                break;
            }
        }
        m_model->removeRows(first, last - first + 1);
    }
}

void TPlaylistPane::mnuSelectAll1Click()
{
    m_view->selectAll();
}

void TPlaylistPane::mnuSongPopup()
{
    const int n = SelectedCount();
    auto set = [](QAction* a, bool on) {
        a->setEnabled(on);
        a->setVisible(on);
    };
    set(PlayFile1, n == 1);
    set(mnuCopyselectedsongs1, n > 0);
    set(mnuMoveselectedsongs1, n > 0);
    set(mnuRenameFile1, n == 1);
    set(Changemp3tags1, n > 0);
    set(Removemp3tags1, n > 0);
}

void TPlaylistPane::mnuRenameFile1Click()
{
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1)
        return;
    const int row = rows.front();
    TFileInfo* info = m_model->FileAt(row);
    const std::string fileName = info->FileName();
    QString proposed = Display(WithoutExtension(fileName));
    for (;;) {
        const auto value = m_prompts.inputText(
            QStringLiteral("Rename file"),
            QStringLiteral("File '") + Display(fileName) + QStringLiteral("'\rPlease type new name without extension"),
            proposed);
        if (!value)
            return;
        const std::string trimmed = TrimControls(QFile::encodeName(*value).toStdString());
        if (trimmed.empty())
            return;
        const std::string newName = WithoutExtension(trimmed) + ".mp3";
        if (IsValidFileName(newName)) {
            // A rename does not disturb a file that the player holds open:
            // the song plays on, its row keeps the mark, and the player
            // learns the new path, so that the commands that rewrite or
            // remove files still know it is playing. A failed move leaves
            // the record, and so the row, as it was.
            const std::string oldPath = info->FullPath();
            std::unique_ptr<TUndoRecorder> undo = m_renameUndo.Begin ? m_renameUndo.Begin() : nullptr;
            if (info->Rename(newName)) {
                if (undo && info->FullPath() != oldPath)
                    undo->Renamed(oldPath, info->FullPath(), {});
                if (m_player.CurrentSongFile() == oldPath)
                    m_player.SongRenamed(oldPath, info->FullPath());
                m_model->RefreshRow(row);
            }
            if (m_renameUndo.Commit)
                m_renameUndo.Commit(std::move(undo));
            return;
        }
        m_prompts.showError(QStringLiteral("Error"),
                            QStringLiteral("Invalid file name!\rDon't use special characters / \\ : * <> \" ? | "));
        proposed = Display(WithoutExtension(newName));
    }
}

void TPlaylistPane::songsListViewInfoTip(const QPoint& globalPos)
{
    m_hint->hide();
    const int row = m_view->RowAt(m_view->viewport()->mapFromGlobal(globalPos));
    if (row < 0)
        return;
    const TFileInfo* info = m_model->FileAt(row);
    QWidget* window = m_hint->parentWidget();
    const QPoint p = window->mapFromGlobal(globalPos);
    const std::string full = info->FullPath();
    const auto slash = full.rfind('/');
    m_hint->SetSong(Display(info->FileName()),
                    Display(slash == std::string::npos ? std::string() : full.substr(0, slash + 1)),
                    QString::fromStdString(info->FileSizeText()), QString::fromStdString(info->LengthText()),
                    QString::fromStdString(info->BitrateText()), Display(info->Tags().albumArtist),
                    info->Tags().disc > 0 ? QString::number(info->Tags().disc) : QString());
    m_hint->ShowCoverOf(full);
    // A caption cut with "…" is shown whole in a tip above its row, clear
    // of the panel below the mouse.
    QModelIndex index = m_view->indexAt(m_view->viewport()->mapFromGlobal(globalPos));
    if (!index.isValid())
        index = m_model->index(row, 0);
    const QRect rowRect = m_view->visualRect(index);
    if (TPlaylistDelegate::IsCut(m_view->font(), rowRect, index)) {
        const int rowTop = m_view->viewport()->mapToGlobal(rowRect.topLeft()).y();
        const QPoint above(globalPos.x(), rowTop - 2 * rowRect.height());
        const QString whole = index.column() > 0 ? index.data(Qt::DisplayRole).toString()
                                                 : TPlaylistDelegate::RowText(index);
        QToolTip::showText(above, whole, m_view->viewport(), rowRect);
    } else {
        QToolTip::hideText();
    }
    int top = p.y() + 10;
    if (top + m_hint->height() >= window->height() - 50)
        top = p.y() - m_hint->height() - 20;
    m_hint->MoveInside(QPoint(p.x(), top));
    m_hintTick = m_clock.elapsed();
    m_hint->raise();
    m_hint->show();
}

void TPlaylistPane::songsListViewMouseMove(const QPoint& viewportPos)
{
    if (m_clock.elapsed() - m_hintTick > 10)
        m_hint->hide();
    const int row = m_view->RowAt(viewportPos);
    if (row != m_delegate->HoverRow()) {
        m_delegate->SetHoverRow(row);
        m_view->viewport()->update();
    }
}

void TPlaylistPane::songsListViewMouseLeave()
{
    m_hint->hide();
    if (m_delegate->HoverRow() >= 0) {
        m_delegate->SetHoverRow(-1);
        m_view->viewport()->update();
    }
}

void TPlaylistPane::songsListViewEndColumnResize(TtmtListView*, int columnIndex, int columnWidth)
{
    if (columnIndex >= 0 && columnWidth >= 0)
        m_view->header()->resizeSection(columnIndex, columnWidth);
    m_view->viewport()->update();
}

void TPlaylistPane::songsListViewResize()
{
    // The one column of captions follows the list's width; the table's
    // columns keep the widths the user gave them.
    if (!m_model->TagColumns())
        m_view->header()->resizeSection(0, std::max(0, m_view->width() - 16));
}

void TPlaylistPane::panLeftResize()
{
    m_volume->move(m_view->width() - m_volume->width() - 2, m_view->height() - m_volume->height() - 2);
}

void TPlaylistPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    panLeftResize();
}

bool TPlaylistPane::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress)
        emit MousePressed();
    if (watched == m_view->viewport()) {
        if (event->type() == QEvent::ToolTip) {
            songsListViewInfoTip(static_cast<QHelpEvent*>(event)->globalPos());
            return true; // no system tip
        }
        if (event->type() == QEvent::MouseMove)
            songsListViewMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    } else if (watched == m_view && event->type() == QEvent::Resize) {
        songsListViewResize();
    }
    return QWidget::eventFilter(watched, event);
}
