#include "tundorecorder.h"

#include "savejournal.h"

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

TUndoRecorder::TUndoRecorder(UndoKind kind, std::shared_ptr<SaveJournal> store, std::int64_t command,
                             std::int64_t maxBytes)
    : m_kind(kind)
    , m_store(std::move(store))
    , m_command(command)
    , m_maxBytes(maxBytes)
{
}

TUndoRecorder::~TUndoRecorder()
{
    if (!m_finished)
        m_store->DeleteCommand(m_command);
}

bool TUndoRecorder::Write(const std::string& body)
{
    if (m_failed)
        return false;
    if (m_written + static_cast<std::int64_t>(body.size()) > m_maxBytes
        || m_store->AddUndoRecord(m_command, body) == 0) {
        m_failed = true;
        return false;
    }
    m_written += static_cast<std::int64_t>(body.size());
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
        file.saved = !m_failed && ReadRawTags(path, tags, m_maxBytes - m_written, error)
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
    if (!file.touched) {
        file.touched = true;
        ++m_touched;
    }
    if (!file.saved || !Write(undoformat::TagAfterRecord(it->second, after)))
        m_failed = true;
}

void TUndoRecorder::Renamed(const std::string& from, const std::string& to,
                            const std::vector<std::string>& createdFolders)
{
    {
        const std::lock_guard lock(m_mutex);
        UndoRename rename {from, to, createdFolders, {}, 0, 0};
        if (!ReadFileState(to, false, rename.after) || !Write(undoformat::RenameRecord(rename)))
            m_failed = true;
        ++m_renames;
    }
    if (m_renameHook)
        m_renameHook(from, to);
}

int TUndoRecorder::FileCountLocked() const
{
    return m_renames + m_touched;
}

int TUndoRecorder::FileCount() const
{
    const std::lock_guard lock(m_mutex);
    return FileCountLocked();
}

bool TUndoRecorder::Failed() const
{
    const std::lock_guard lock(m_mutex);
    return m_failed;
}

std::int64_t TUndoRecorder::Bytes() const
{
    const std::lock_guard lock(m_mutex);
    return m_written;
}

bool TUndoRecorder::Finish()
{
    const std::lock_guard lock(m_mutex);
    m_finished = !m_failed && m_store->FinishCommand(m_command, FileCountLocked());
    return m_finished;
}
