#include "folderadd.h"

#include "folderscanner.h"
#include "tplaylistmodel.h"

#include "orderedbatch.h"
#include "tfileinfo.h"

#include <chrono>
#include <memory>
#include <unordered_set>
#include <utility>

FolderAdd::FolderAdd(TPlaylistModel& model, Callbacks callbacks)
    : m_model(model)
    , m_callbacks(std::move(callbacks))
{
}

void FolderAdd::Run(const std::string& folder)
{
    using Clock = std::chrono::steady_clock;
    const auto tick = std::chrono::milliseconds(kTickMs);
    using Record = std::unique_ptr<TFileInfo>;
    OrderedBatch<Record> reads;
    std::size_t found = 0;
    std::size_t added = 0;
    // The path in the wait window: the folder being walked, then the file
    // added last.
    std::string shown = folder;
    // The model checks uniqueness once more: a file may have been added
    // meanwhile by another way in (a second start of the program).
    const auto add = [&](Record record) {
        ++added;
        shown = record->FullPath();
        m_model.AddRecord(std::move(record));
    };
    const auto addReady = [&] {
        for (Record& record : reads.TakeReady())
            add(std::move(record));
    };
    // The walk goes on while it is less than kLead files ahead of the rows,
    // so that a cancel still adds every file found, and does so promptly.
    const auto keepUp = [&] {
        auto due = Clock::now() + tick;
        while (found - added >= kLead && !m_callbacks.cancelled()) {
            reads.WaitNext(tick);
            addReady();
            if (Clock::now() >= due) {
                m_callbacks.showPath(shown);
                due = Clock::now() + tick;
            }
        }
    };

    // Folded paths of the files found by this walk.
    std::unordered_set<std::string> keys;
    FolderScanner scanner({
        [&](const std::string& path) {
            addReady();
            shown = path;
            m_callbacks.showPath(path);
        },
        m_callbacks.cancelled,
        [&](const std::string& file) {
            if (m_model.IsInPlaylist(file) || !keys.insert(TPlaylistModel::FoldPath(file)).second)
                return;
            // The worker gets its own copy of the path and makes its own
            // record (and tag objects); the record is handed over whole.
            reads.Add([file] { return std::make_unique<TFileInfo>(file); });
            ++found;
            keepUp();
        },
    });
    scanner.Scan(folder);

    reads.Drain(add,
                [&] {
                    m_callbacks.showPath(shown);
                    return true;
                },
                tick);
}
