#include "ttagcommands.h"

#include "tplaylistmodel.h"
#include "tvicons.h"

#include "progresswindows.h"
#include "prompts.h"
#include "savejournal.h"
#include "tagfailurelist.h"
#include "tfileinfo.h"
#include "tfrmalbumlookup.h"
#include "tfrmbatchrename.h"
#include "tfrmbatchtagsetter.h"
#include "tfrmmp3tag.h"
#include "tfrmtagactions.h"
#include "tundojournal.h"
#include "tundorecorder.h"
#include "writebatch.h"

#include <QAction>
#include <QCoreApplication>
#include <QPersistentModelIndex>

#include <unordered_map>
#include <unordered_set>

namespace {

QString Display(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString FileCount(int files)
{
    return files == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(files);
}

// "N files ...:" and the first of the lines, then how many more there are.
QString Listing(const QString& heading, const QStringList& lines)
{
    QStringList out{heading};
    for (qsizetype i = 0; i < lines.size() && i < TagFailureList::kListed; ++i)
        out << lines[i];
    if (lines.size() > TagFailureList::kListed)
        out << QStringLiteral("... and %1 more.").arg(lines.size() - TagFailureList::kListed);
    return out.join(QLatin1Char('\n'));
}

// The undo history lives in the save journal of the program's data folder.
std::string DefaultUndoFolder()
{
    return SaveJournal::DefaultFolder();
}

} // namespace

TTagCommands::TTagCommands(TPlaylistPane& playlist, Prompts& prompts, TPlayerHooks player, QObject* parent,
                           const std::string& undoFolder)
    : QObject(parent)
    , m_playlist(playlist)
    , m_prompts(prompts)
    , m_player(std::move(player))
    , m_journal(std::make_unique<TUndoJournal>(undoFolder.empty() ? DefaultUndoFolder() : undoFolder))
{
    // "Rename File" of the playlist is recorded as a rename of one file.
    TRenameUndoHooks undo;
    undo.Begin = [this] { return BeginUndo(UndoKind::Rename); };
    undo.Commit = [this](std::unique_ptr<TUndoRecorder> recorder) { CommitUndo(std::move(recorder)); };
    m_playlist.SetRenameUndoHooks(std::move(undo));
}

TTagCommands::~TTagCommands()
{
    m_playlist.SetRenameUndoHooks({});
}

std::unique_ptr<TUndoRecorder> TTagCommands::BeginUndo(UndoKind kind)
{
    return m_journal->Begin(kind);
}

void TTagCommands::CommitUndo(std::unique_ptr<TUndoRecorder> recorder)
{
    m_journal->Commit(std::move(recorder));
    emit UndoChanged();
}

bool TTagCommands::CanUndo() const
{
    return !m_undoing && m_journal->Last().has_value();
}

QString TTagCommands::UndoCaption() const
{
    const auto last = m_journal->Last();
    if (!last)
        return QStringLiteral("Undo last change");
    return (last->kind == UndoKind::Tags ? QStringLiteral("Undo: tags of ") : QStringLiteral("Undo: rename of "))
           + FileCount(last->files);
}

void TTagCommands::UndoLastChangeClick()
{
    const auto last = m_journal->Last();
    if (!last || m_undoing)
        return;
    const QString what = UndoCaption().mid(QStringLiteral("Undo: ").size());
    if (m_prompts.askYesNo(QStringLiteral("Confirm"),
                           QStringLiteral("Do you really want to undo the last change (%1)?").arg(what))
        != PromptAnswer::Yes)
        return;

    m_undoing = true;
    emit UndoChanged();
    // The player holds its file open: it stops before that file is rewritten.
    std::string playing = m_player.CurrentSongFile();
    TUndoJournal::Hooks hooks;
    hooks.beforeRewrite = [this, &playing](const std::string& path) {
        if (!playing.empty() && path == playing) {
            m_player.StopPlaying();
            playing.clear();
        }
    };
    hooks.progress = [](int done, int) {
        SetProgressPosition(done);
        QCoreApplication::processEvents();
        return !IsProgressCancelled();
    };
    TUndoJournal::Report report;
    {
        ProgressWindows::ProgressScope progress(last->files, QStringLiteral("Undoing ..."));
        report = m_journal->UndoLast(hooks);
    }
    m_undoing = false;

    // The rows of the files involved: renamed back to the paths they had, or
    // with the tags they had. A playing file renamed back plays on, as the
    // wizard's renames do. A file whose tags went back where another
    // program had renamed it: its row takes the path it has now, unless
    // the playlist holds that path already.
    std::unordered_map<std::string, std::string> renamed(report.renamedBack.begin(), report.renamedBack.end());
    for (const auto& [recorded, now] : report.followed) {
        if (!m_playlist.IsInPlaylist(now))
            renamed.emplace(recorded, now);
    }
    const std::unordered_set<std::string> restored(report.restored.begin(), report.restored.end());
    const std::string nowPlaying = m_player.CurrentSongFile();
    std::vector<int> renamedRows;
    for (int row = 0; row < m_playlist.Count(); ++row) {
        TFileInfo* info = m_playlist.FileAt(row);
        const std::string path = info->FullPath();
        if (const auto it = renamed.find(path); it != renamed.end()) {
            info->SetPath(it->second);
            if (!nowPlaying.empty() && path == nowPlaying)
                m_player.SongRenamed(path, it->second);
            renamedRows.push_back(row);
        }
    }
    m_playlist.ShowRenamedRows(renamedRows);
    // Found after that sort, which may have moved them.
    std::vector<int> rows;
    for (int row = 0; row < m_playlist.Count(); ++row) {
        if (restored.count(m_playlist.FileAt(row)->FullPath()) != 0)
            rows.push_back(row);
    }
    m_playlist.RefreshTagRows(rows);
    emit UndoChanged();

    QStringList message;
    if (!report.journalError.empty())
        message << QStringLiteral("The last change cannot be undone: the undo journal could not be read (%1).")
                       .arg(Display(report.journalError));
    if (!report.changed.empty()) {
        QStringList paths;
        for (const std::string& path : report.changed)
            paths << Display(path);
        message << Listing(paths.size() == 1 ? QStringLiteral("1 file changed since and was left as it is:")
                                             : QStringLiteral("%1 files changed since and were left as they are:")
                                                   .arg(paths.size()),
                           paths);
    }
    if (!report.failed.empty()) {
        QStringList reasons;
        for (const auto& [path, reason] : report.failed)
            reasons << Display(path) + QStringLiteral(": ") + Display(reason);
        message << Listing(FileCount(static_cast<int>(reasons.size()))
                               + (report.kind == UndoKind::Tags ? QStringLiteral(" could not be written:")
                                                                : QStringLiteral(" could not be renamed back:")),
                           reasons);
    }
    if (message.isEmpty())
        return;
    const QString text = message.join(QStringLiteral("\n\n"));
    if (report.failed.empty() && report.journalError.empty())
        m_prompts.showInformation(QStringLiteral("Undo"), text);
    else
        m_prompts.showError(QStringLiteral("Undo"), text);
}

bool TTagCommands::PlayingFileSelected() const
{
    const std::string playing = m_player.CurrentSongFile();
    for (int row : m_playlist.SelectedRows()) {
        const TFileInfo* info = m_playlist.FileAt(row);
        if (info && info->FullPath() == playing)
            return true;
    }
    return false;
}

void TTagCommands::EditSelectedTags(const std::function<bool(TUndoRecorder*)>& show)
{
    const std::vector<int> rows = m_playlist.SelectedRows();
    if (rows.empty())
        return;
    // The player holds its file open: a selected playing file stops first,
    // any other keeps playing.
    if (PlayingFileSelected())
        m_player.StopPlaying();
    std::unique_ptr<TUndoRecorder> undo = BeginUndo(UndoKind::Tags);
    const bool changed = show(undo.get());
    CommitUndo(std::move(undo));
    if (changed)
        m_playlist.RefreshTagRows(rows);
}

void TTagCommands::Changemp3tags1Click()
{
    EditSelectedTags([this](TUndoRecorder* undo) { return ShowTagEditor(m_playlist, m_prompts, undo); });
}

void TTagCommands::BatchfilesRename1Click()
{
    std::vector<std::string> before;
    before.reserve(static_cast<std::size_t>(m_playlist.Count()));
    for (int row = 0; row < m_playlist.Count(); ++row)
        before.push_back(m_playlist.FileAt(row)->FullPath());
    std::unique_ptr<TUndoRecorder> undo = BeginUndo(UndoKind::Rename);
    const bool renamedAny = ShowRenameWizard(m_playlist, m_prompts, TvIcons::StateImages(), nullptr, undo.get());
    CommitUndo(std::move(undo));
    if (!renamedAny)
        return;
    // The wizard is modal: the rows are where they were. A renamed playing
    // file plays on: the player learns its new path and its row keeps the
    // mark, so that the commands that rewrite it still stop the player.
    const std::string playing = m_player.CurrentSongFile();
    std::vector<int> renamed;
    for (int row = 0; row < m_playlist.Count(); ++row) {
        const std::string& old = before[static_cast<std::size_t>(row)];
        const std::string now = m_playlist.FileAt(row)->FullPath();
        if (now == old)
            continue;
        renamed.push_back(row);
        if (!playing.empty() && old == playing)
            m_player.SongRenamed(old, now);
    }
    m_playlist.ShowRenamedRows(renamed);
}

void TTagCommands::BatchSetupmp3Tagsfromfilenames1Click()
{
    std::unique_ptr<TUndoRecorder> undo = BeginUndo(UndoKind::Tags);
    const TagSetterResult result = ShowTagSetterWizard(m_playlist, m_prompts, nullptr, undo.get());
    CommitUndo(std::move(undo));
    if (!result.TagsSet)
        return;
    m_playlist.RefreshTagRows(TBatchWizard::RowsInScope(m_playlist, !result.AllItems), true);
}

void TTagCommands::TagActions1Click()
{
    std::unique_ptr<TUndoRecorder> undo = BeginUndo(UndoKind::Tags);
    const TagActionsResult result = ShowTagActionsWizard(m_playlist, m_prompts, nullptr, undo.get());
    CommitUndo(std::move(undo));
    if (!result.TagsSet)
        return;
    m_playlist.RefreshTagRows(result.rows, true);
}

void TTagCommands::LookUpAlbumOnline1Click()
{
    EditSelectedTags([this](TUndoRecorder* undo) { return ShowAlbumLookup(m_playlist, m_prompts, nullptr, undo); });
}

void TTagCommands::removeMp3TagFromFile(QObject* sender)
{
    const auto* item = qobject_cast<const QAction*>(sender);
    if (!item)
        return;
    const int tag = item->data().toInt();
    const bool v1 = tag == 1 || tag == 3;
    const bool v2 = tag == 2 || tag == 3;
    const QString word = tag == 1 ? QStringLiteral("ID3 v1") : tag == 2 ? QStringLiteral("ID3 v2") : QStringLiteral("all");
    const std::vector<int> rows = m_playlist.SelectedRows();
    const QString question = QStringLiteral("Do you really want to remove ") + word
                             + QStringLiteral("  tags from selected ") + QString::number(rows.size())
                             + QStringLiteral(" files?");
    if (m_prompts.askYesNo(QStringLiteral("Confirm"), question) != PromptAnswer::Yes)
        return;
    m_player.StopPlaying();

    // The files are written on the worker pool, many at once; the rows are
    // refreshed in list order as their files are done. The main window goes
    // on handling events meanwhile: rows are followed by persistent
    // indexes, so a row removed meanwhile is skipped.
    std::vector<QPersistentModelIndex> targets;
    targets.reserve(rows.size());
    std::unique_ptr<TUndoRecorder> undo = BeginUndo(UndoKind::Tags);
    // The file and what failed there.
    using Outcome = std::pair<std::string, std::vector<std::string>>;
    WriteBatch<Outcome> batch;
    for (int row : rows) {
        const TFileInfo* info = m_playlist.FileAt(row);
        if (!info)
            continue;
        targets.emplace_back(m_playlist.model()->index(row));
        batch.Add([v1, v2, recorder = undo.get(), path = info->FullPath()](FolderFlushes& flushes) {
            const TUndoRecorder::TagWrite recorded(recorder, path);
            return Outcome(path, TFileInfo::RemoveTagsFrom(path, v1, v2, &flushes));
        });
    }

    TagFailureList failures;
    {
        ProgressWindows::ProgressScope progress(static_cast<int>(rows.size()), QStringLiteral("Removing tags ..."));
        TPlaylistPane::SortingOff sorting(*m_playlist.model());
        int done = 0;
        batch.Drain(
            [&](Outcome outcome) {
                failures.Add(outcome.first, std::move(outcome.second));
                const QPersistentModelIndex& target = targets[static_cast<std::size_t>(done)];
                SetProgressPosition(++done);
                if (IsProgressCancelled())
                    batch.Cancel();
                if (target.isValid())
                    m_playlist.RefreshTagRow(target.row());
            },
            [] {
                QCoreApplication::processEvents();
                return !IsProgressCancelled();
            },
            kWriteBatchTick);
    }
    CommitUndo(std::move(undo));
    if (!failures.Empty())
        m_prompts.showError(QStringLiteral("Error removing mp3 tags"), failures.Message());
}
