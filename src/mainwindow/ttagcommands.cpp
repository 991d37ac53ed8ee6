#include "ttagcommands.h"

#include "tplaylistmodel.h"
#include "tvicons.h"

#include "progresswindows.h"
#include "prompts.h"
#include "tagfailurelist.h"
#include "tfileinfo.h"
#include "tfrmbatchrename.h"
#include "tfrmbatchtagsetter.h"
#include "tfrmmp3tag.h"

#include <QAction>
#include <QCoreApplication>
#include <QPersistentModelIndex>

TTagCommands::TTagCommands(TPlaylistPane& playlist, Prompts& prompts, TPlayerHooks player, QObject* parent)
    : QObject(parent)
    , m_playlist(playlist)
    , m_prompts(prompts)
    , m_player(std::move(player))
{
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

void TTagCommands::Changemp3tags1Click()
{
    const std::vector<int> rows = m_playlist.SelectedRows();
    if (rows.empty())
        return;
    // The player holds its file open: a selected playing file stops first,
    // any other keeps playing.
    if (PlayingFileSelected())
        m_player.StopPlaying();
    if (!ShowTagEditor(m_playlist, m_prompts))
        return;
    m_playlist.RefreshTagRows(rows);
}

void TTagCommands::BatchfilesRename1Click()
{
    std::vector<std::string> before;
    before.reserve(static_cast<std::size_t>(m_playlist.Count()));
    for (int row = 0; row < m_playlist.Count(); ++row)
        before.push_back(m_playlist.FileAt(row)->FullPath());
    if (!ShowRenameWizard(m_playlist, m_prompts, TvIcons::StateImages()))
        return;
    // The wizard is modal: the rows are where they were.
    std::vector<int> renamed;
    for (int row = 0; row < m_playlist.Count(); ++row) {
        if (m_playlist.FileAt(row)->FullPath() != before[static_cast<std::size_t>(row)])
            renamed.push_back(row);
    }
    m_playlist.RefreshTagRows(renamed);
}

void TTagCommands::BatchSetupmp3Tagsfromfilenames1Click()
{
    const TagSetterResult result = ShowTagSetterWizard(m_playlist, m_prompts);
    if (!result.TagsSet)
        return;
    m_playlist.RefreshTagRows(TBatchWizard::RowsInScope(m_playlist, !result.AllItems), true);
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

    // The main window goes on handling events between the files: rows are
    // followed by persistent indexes, so a row removed meanwhile is skipped.
    std::vector<QPersistentModelIndex> targets;
    targets.reserve(rows.size());
    for (int row : rows)
        targets.emplace_back(m_playlist.model()->index(row));

    TagFailureList failures;
    {
        ProgressWindows::ProgressScope progress(static_cast<int>(rows.size()), QStringLiteral("Removing tags ..."));
        TPlaylistPane::SortingOff sorting(*m_playlist.model());
        int done = 0;
        for (const QPersistentModelIndex& target : targets) {
            if (!target.isValid())
                continue;
            const int row = target.row();
            if (TFileInfo* info = m_playlist.FileAt(row)) {
                // ID3v1 first: its trailer is cut in place, then the ID3v2
                // removal rewrites the file.
                std::string reason = v1 ? info->RemoveV1Tag() : std::string();
                if (!reason.empty())
                    failures.Add(info->FullPath(), std::move(reason));
                reason = v2 ? info->RemoveV2Tag() : std::string();
                if (!reason.empty())
                    failures.Add(info->FullPath(), std::move(reason));
            }
            m_playlist.RefreshTagRow(row);
            SetProgressPosition(++done);
            QCoreApplication::processEvents();
            if (IsProgressCancelled())
                break;
        }
    }
    if (!failures.Empty())
        m_prompts.showError(QStringLiteral("Error removing mp3 tags"), failures.Message());
}
