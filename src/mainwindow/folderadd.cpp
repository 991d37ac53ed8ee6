#include "folderadd.h"

#include "folderscanner.h"
#include "tplaylistmodel.h"

#include "filedescriptor.h"
#include "mp3content.h"
#include "orderedbatch.h"
#include "systemerror.h"
#include "tfileinfo.h"

#include <chrono>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
// The record of a file read on the pool; none for a file whose content is
// another format than MP3, which is not added.
struct Record {
    std::string notMp3;
    std::unique_ptr<TFileInfo> info;
};

// The records of the files met so far, read on the pool, and the rows they
// become, in the order the files were met.
class RecordReads final {
public:
    RecordReads(TPlaylistModel& model, const FolderAdd::Callbacks& callbacks, std::string shown)
        : m_model(model)
        , m_callbacks(callbacks)
        , m_shown(std::move(shown))
    {
    }

    // Adds the rows ready, then shows `path` and lets pending events run.
    void Show(const std::string& path)
    {
        AddReady();
        m_shown = path;
        m_callbacks.showPath(path);
    }
    // Shows the path of the file added last (or the one shown last).
    void ShowAdded() { Show(m_shown); }

    // Reads `file` unless it is listed or was met before; then waits while
    // the files met are kLead or more ahead of the rows, so that a cancel
    // still adds every file met, and does so promptly.
    void Meet(const std::string& file)
    {
        if (m_model.IsInPlaylist(file) || !m_keys.insert(TPlaylistModel::FoldPath(file)).second)
            return;
        // The worker gets its own copy of the path and makes its own record
        // (and tag objects); the record is handed over whole. The content
        // check costs one small read of the file's first bytes (and one
        // after an ID3v2 tag longer than those); a file that cannot be read
        // gets its row as before, without tags.
        m_reads.Add([file] {
            // A FIFO, socket or device named like a song gets no row.
            if (NotRegularReason(file) == kNotRegularFile)
                return Record{};
            if (Mp3Content::OfPath(file) == Mp3Content::Verdict::NotMp3)
                return Record{file, nullptr};
            return Record{{}, std::make_unique<TFileInfo>(file)};
        });
        ++m_met;
        auto due = Clock::now() + kTick;
        while (m_met - m_added >= FolderAdd::kLead && !m_callbacks.cancelled()) {
            m_reads.WaitNext(kTick);
            AddReady();
            if (Clock::now() >= due) {
                m_callbacks.showPath(m_shown);
                due = Clock::now() + kTick;
            }
        }
    }

    // The files met whose content is not MP3, in the order met.
    std::vector<std::string> TakeNotMp3() { return std::exchange(m_notMp3, {}); }

    // Adds the rows of every file met.
    void Finish()
    {
        m_reads.Drain([this](Record record) { Add(std::move(record)); },
                      [this] {
                          m_callbacks.showPath(m_shown);
                          return true;
                      },
                      kTick);
    }

private:
    static constexpr std::chrono::milliseconds kTick{FolderAdd::kTickMs};

    // The model checks uniqueness once more: a file may have been added
    // meanwhile by another way in (a second start of the program).
    void Add(Record record)
    {
        ++m_added;
        if (!record.info) {
            if (!record.notMp3.empty())
                m_notMp3.push_back(std::move(record.notMp3));
            return;
        }
        m_shown = record.info->FullPath();
        m_model.AddRecord(std::move(record.info));
    }
    void AddReady()
    {
        for (Record& record : m_reads.TakeReady())
            Add(std::move(record));
    }

    TPlaylistModel& m_model;
    const FolderAdd::Callbacks& m_callbacks;
    OrderedBatch<Record> m_reads;
    std::size_t m_met = 0;
    std::size_t m_added = 0;
    // The path in the wait window: the folder being walked, then the file
    // added last.
    std::string m_shown;
    // Folded paths of the files met.
    std::unordered_set<std::string> m_keys;
    std::vector<std::string> m_notMp3;
};

} // namespace

FolderAdd::FolderAdd(TPlaylistModel& model, Callbacks callbacks)
    : m_model(model)
    , m_callbacks(std::move(callbacks))
{
}

void FolderAdd::Run(const std::string& folder)
{
    RecordReads reads(m_model, m_callbacks, folder);
    FolderScanner scanner({
        [&](const std::string& path) { reads.Show(path); },
        m_callbacks.cancelled,
        [&](const std::string& file) { reads.Meet(file); },
    });
    scanner.Scan(folder);
    reads.Finish();
}

std::vector<std::string> FolderAdd::RunFiles(const std::vector<std::string>& files)
{
    RecordReads reads(m_model, m_callbacks, files.empty() ? std::string() : files.front());
    // The window shows the list's first file at once, then the file added
    // last about every tick.
    auto due = Clock::now();
    for (const std::string& file : files) {
        if (Clock::now() >= due) {
            reads.ShowAdded();
            due = Clock::now() + std::chrono::milliseconds(kTickMs);
        }
        if (m_callbacks.cancelled())
            break;
        reads.Meet(file);
    }
    reads.Finish();
    return reads.TakeNotMp3();
}
