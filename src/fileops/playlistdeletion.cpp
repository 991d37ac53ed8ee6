#include "playlistdeletion.h"

#include "fileutils.h"
#include "prompts.h"
#include "tfileinfo.h"
#include "tplaylistmodel.h"

#include <QFile>
#include <QItemSelectionModel>

#include <cerrno>
#include <vector>

namespace {

struct Failure {
    std::string path;
    int code;
};

// "N file(s) could not be deleted:" and a line per file (the first ten).
QString FailureText(const std::vector<Failure>& failures)
{
    constexpr std::size_t kListed = 10;
    QString text = QString::number(failures.size()) + QStringLiteral(" file(s) could not be deleted:");
    for (std::size_t i = 0; i < failures.size() && i < kListed; ++i) {
        text += QLatin1Char('\n') + QFile::decodeName(QByteArray::fromStdString(failures[i].path))
                + QStringLiteral(" - ") + QString::fromStdString(OsErrorMessage(failures[i].code));
    }
    if (failures.size() > kListed)
        text += QStringLiteral("\nand %1 more").arg(failures.size() - kListed);
    return text;
}

} // namespace

void DeleteSelectedPlaylistFiles(Prompts& prompts, TPlaylistModel& rows, QItemSelectionModel& selection,
                                 const std::function<void(const std::string& path)>& releaseFile)
{
    const qsizetype count = selection.selectedRows().size();
    if (count == 0)
        return;
    const QString question = QStringLiteral("Warning: You are going to delete %1 files. Are you sure?").arg(count);
    if (prompts.askYesNo(QStringLiteral("Confirm"), question, PromptIcon::Warning) != PromptAnswer::Yes)
        return;

    // No events run in the loop, so the list repaints once at the end.
    std::vector<Failure> failures;
    int row = 0;
    while (row < rows.Count()) {
        if (!selection.isRowSelected(row, QModelIndex())) {
            ++row;
            continue;
        }
        if (const TFileInfo* info = rows.FileAt(row)) {
            const std::string path = info->FullPath();
            releaseFile(path);
            int code = 0;
            // A file that is gone already is what the user asked for.
            if (!DeleteFileLong(path, code) && code != ENOENT) {
                failures.push_back(Failure{path, code});
                ++row;
                continue;
            }
        }
        rows.removeRows(row, 1);
    }
    if (!failures.empty())
        prompts.showError(QStringLiteral("Error"), FailureText(failures));
}
