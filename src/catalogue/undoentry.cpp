#include "undoentry.h"

#include <cstring>
#include <map>
#include <string_view>

#include <sys/stat.h>

namespace {

template <typename Number>
void Append(std::string& out, Number value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof value);
}

void AppendText(std::string& out, std::string_view text)
{
    Append<std::uint64_t>(out, text.size());
    out += text;
}

void AppendState(std::string& out, const FileState& state)
{
    for (std::int64_t value : {state.size, state.mtimeSec, state.mtimeNsec, state.ctimeSec, state.ctimeNsec})
        Append(out, value);
    Append(out, state.inode);
}

// Reads what Append wrote; once anything is missing every later read fails.
class Reader final {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }

    template <typename Number>
    Number number()
    {
        Number value {};
        if (take(sizeof value))
            std::memcpy(&value, m_bytes.data() + m_pos - sizeof value, sizeof value);
        return value;
    }
    std::string text()
    {
        const auto size = number<std::uint64_t>();
        if (!m_ok || size > m_bytes.size() - m_pos || !take(static_cast<std::size_t>(size)))
            return {};
        return std::string(m_bytes.substr(m_pos - static_cast<std::size_t>(size), static_cast<std::size_t>(size)));
    }
    FileState state()
    {
        FileState s;
        s.size = number<std::int64_t>();
        s.mtimeSec = number<std::int64_t>();
        s.mtimeNsec = number<std::int64_t>();
        s.ctimeSec = number<std::int64_t>();
        s.ctimeNsec = number<std::int64_t>();
        s.inode = number<std::uint64_t>();
        return s;
    }

private:
    bool take(std::size_t size)
    {
        m_ok = m_ok && size <= m_bytes.size() - m_pos;
        if (m_ok)
            m_pos += size;
        return m_ok;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

} // namespace

bool ReadFileState(const std::string& path, bool followLinks, FileState& state)
{
    struct stat st {};
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return false;
    state.size = st.st_size;
    state.mtimeSec = st.st_mtim.tv_sec;
    state.mtimeNsec = st.st_mtim.tv_nsec;
    state.ctimeSec = st.st_ctim.tv_sec;
    state.ctimeNsec = st.st_ctim.tv_nsec;
    state.inode = st.st_ino;
    return true;
}

namespace undoformat {

std::string TagBeforeRecord(std::uint32_t index, const std::string& path, const RawTags& tags,
                            const FileState& state)
{
    std::string out(1, 'B');
    Append(out, index);
    AppendText(out, path);
    AppendText(out, tags.v2);
    AppendText(out, tags.v1);
    AppendState(out, state);
    return out;
}

std::string TagAfterRecord(std::uint32_t index, const FileState& state)
{
    std::string out(1, 'A');
    Append(out, index);
    AppendState(out, state);
    return out;
}

std::string RenameRecord(const UndoRename& rename)
{
    std::string out(1, 'R');
    AppendText(out, rename.from);
    AppendText(out, rename.to);
    Append(out, static_cast<std::uint32_t>(rename.createdFolders.size()));
    for (const std::string& folder : rename.createdFolders)
        AppendText(out, folder);
    AppendState(out, rename.after);
    return out;
}

bool ParseRecords(UndoKind kind, const std::vector<SaveJournal::StoredUndoRecord>& records, UndoEntry& entry)
{
    entry = {};
    entry.kind = kind;
    std::vector<UndoTagFile> written;
    std::vector<bool> hasAfter;
    std::map<std::uint32_t, std::size_t> byIndex;
    for (const SaveJournal::StoredUndoRecord& record : records) {
        Reader in(record.body);
        const auto bytes = static_cast<std::int64_t>(record.body.size());
        const char type = in.number<char>();
        if (type == 'B') {
            const auto index = in.number<std::uint32_t>();
            UndoTagFile file;
            file.path = in.text();
            file.before.v2 = in.text();
            file.before.v1 = in.text();
            file.beforeState = in.state();
            file.records.push_back(record.id);
            file.recordBytes = bytes;
            if (!byIndex.emplace(index, written.size()).second)
                return false;
            written.push_back(std::move(file));
            hasAfter.push_back(false);
        } else if (type == 'A') {
            const auto index = in.number<std::uint32_t>();
            const FileState after = in.state();
            const auto found = byIndex.find(index);
            if (found == byIndex.end())
                return false;
            // A file written twice by the command: its last state counts.
            UndoTagFile& file = written[found->second];
            file.after = after;
            file.records.push_back(record.id);
            file.recordBytes += bytes;
            hasAfter[found->second] = true;
        } else if (type == 'R') {
            UndoRename rename;
            rename.from = in.text();
            rename.to = in.text();
            const auto folders = in.number<std::uint32_t>();
            for (std::uint32_t i = 0; i < folders && in.ok(); ++i)
                rename.createdFolders.push_back(in.text());
            rename.after = in.state();
            rename.record = record.id;
            rename.recordBytes = bytes;
            entry.renames.push_back(std::move(rename));
        } else {
            return false;
        }
        // One record a row, nothing missing and nothing after it.
        if (!in.ok() || !in.atEnd())
            return false;
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (hasAfter[i] && !(written[i].after == written[i].beforeState))
            entry.tagFiles.push_back(std::move(written[i]));
    }
    return true;
}

} // namespace undoformat
