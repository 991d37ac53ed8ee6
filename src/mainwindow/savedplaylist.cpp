#include "savedplaylist.h"

#include "fileutils.h"
#include "prompts.h"
#include "systemerrortext.h"

#include <QDir>
#include <QFile>

namespace {

std::string Counted(std::uint64_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

std::string SavedPlaylist::WarningText(const std::string& file, const M3uPlaylist::ReadReport& report)
{
    if (report.error != 0)
        return "The saved playlist could not be read:\r\n" + file + "\r\n" + SystemErrorText(report.error).toStdString()
               + "\r\nIt is left as it is and will not be saved when the window closes.";
    std::string text;
    if (report.leftOut > 0)
        text = Counted(report.leftOut, "entry", "entries") + " of the saved playlist could not be read and "
               + (report.leftOut == 1 ? "was" : "were") + " left out:\r\n" + file;
    if (report.dropped > 0) {
        if (text.empty())
            text = "The saved playlist:\r\n" + file;
        text += "\r\n" + Counted(report.dropped, "line", "lines") + " of it (longer than "
                + std::to_string(M3uPlaylist::kMaxLineBytes) + " bytes, or past "
                + std::to_string(M3uPlaylist::kMaxKeptBytes >> 20)
                + " MB of unused lines) cannot be kept and will be dropped when the playlist is saved.";
    }
    return text;
}

M3uPlaylist SavedPlaylist::Load(Prompts& prompts)
{
    M3uPlaylist::ReadReport report;
    M3uPlaylist saved = M3uPlaylist::Read(m_file, report);
    m_unreadable = report.error != 0;
    m_kept = std::move(saved.kept);
    saved.kept.clear();
    const std::string warning = WarningText(m_file, report);
    if (!warning.empty())
        prompts.showWarning(QStringLiteral("Playlist"), QFile::decodeName(QByteArray::fromStdString(warning)));
    return saved;
}

bool SavedPlaylist::Write(std::vector<std::string> paths, int columnWidth, std::string& reason) const
{
    M3uPlaylist playlist;
    playlist.paths = std::move(paths);
    playlist.columnWidth = columnWidth;
    playlist.kept = m_kept;
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(FolderPart(m_file))));
    int error = 0;
    if (playlist.Write(m_file, error))
        return true;
    reason = SystemErrorText(error).toStdString();
    return false;
}
