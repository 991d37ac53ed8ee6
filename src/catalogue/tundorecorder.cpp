#include "tundorecorder.h"

#include "filedescriptor.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

TUndoRecorder::TagWrite::TagWrite(TUndoRecorder* recorder, std::string path)
    : m_recorder(recorder)
    , m_path(std::move(path))
{
    if (m_recorder)
        m_recorder->BeforeTagWrite(m_path);
}

TUndoRecorder::TagWrite::~TagWrite()
{
    if (m_recorder)
        m_recorder->AfterTagWrite(m_path);
}

TUndoRecorder::TUndoRecorder(UndoKind kind, std::string partFile, std::int64_t maxBytes)
    : m_kind(kind)
    , m_partFile(std::move(partFile))
    , m_maxBytes(maxBytes)
{
}

TUndoRecorder::~TUndoRecorder()
{
    if (m_file)
        m_file->close();
    if (m_file && !m_finished)
        ::unlink(m_partFile.c_str());
}

bool TUndoRecorder::Write(const std::string& bytes)
{
    if (m_failed)
        return false;
    if (m_written + static_cast<std::int64_t>(bytes.size() + undoformat::kTrailerSize) > m_maxBytes) {
        m_failed = true;
        return false;
    }
    if (!m_file) {
        ::unlink(m_partFile.c_str()); // a leftover of a command that never ended
        m_file = std::make_unique<FileDescriptor>(
            ::open(m_partFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600));
    }
    if (!m_file->valid() || !WriteAll(m_file->get(), bytes.data(), bytes.size())) {
        m_failed = true;
        return false;
    }
    m_written += static_cast<std::int64_t>(bytes.size());
    return true;
}

void TUndoRecorder::BeforeTagWrite(const std::string& path)
{
    const std::lock_guard lock(m_mutex);
    const auto [it, added] = m_indexes.try_emplace(path, static_cast<std::uint32_t>(m_files.size()));
    if (!added)
        return;
    Recorded file;
    // A file that cannot be looked at or read will not be written either;
    // should it change all the same, the command cannot be undone.
    RawTags tags;
    std::string error;
    if (ReadFileState(path, true, file.before)) {
        const std::int64_t room = m_maxBytes - m_written - static_cast<std::int64_t>(undoformat::kTrailerSize);
        file.saved = !m_failed && ReadRawTags(path, tags, room, error)
                     && Write(undoformat::TagBeforeRecord(it->second, path, tags, file.before));
    }
    m_files.push_back(file);
}

void TUndoRecorder::AfterTagWrite(const std::string& path)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_indexes.find(path);
    if (it == m_indexes.end())
        return;
    Recorded& file = m_files[it->second];
    FileState after;
    // A file that is gone was not written by the command.
    if (!ReadFileState(path, true, after) || after == file.before)
        return;
    file.touched = true;
    if (!file.saved || !Write(undoformat::TagAfterRecord(it->second, after)))
        m_failed = true;
}

void TUndoRecorder::Renamed(const std::string& from, const std::string& to,
                            const std::vector<std::string>& createdFolders)
{
    const std::lock_guard lock(m_mutex);
    UndoRename rename{from, to, createdFolders, {}};
    if (!ReadFileState(to, false, rename.after) || !Write(undoformat::RenameRecord(rename)))
        m_failed = true;
    ++m_renames;
}

int TUndoRecorder::FileCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_renames + static_cast<int>(std::count_if(m_files.begin(), m_files.end(),
                                                      [](const Recorded& file) { return file.touched; }));
}

bool TUndoRecorder::Failed() const
{
    const std::lock_guard lock(m_mutex);
    return m_failed;
}

bool TUndoRecorder::Finish(const std::string& entryFile)
{
    const int files = FileCount();
    const std::lock_guard lock(m_mutex);
    // The trailer always has room: Write keeps it free.
    const std::string trailer = undoformat::Trailer(m_kind, static_cast<std::uint32_t>(files));
    m_finished = !m_failed && m_file && WriteAll(m_file->get(), trailer.data(), trailer.size())
                 && ::fsync(m_file->get()) == 0 && m_file->close()
                 && ::rename(m_partFile.c_str(), entryFile.c_str()) == 0;
    return m_finished;
}
