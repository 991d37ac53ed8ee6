#include "folderadd.h"

#include "folderscanner.h"
#include "tplaylistmodel.h"

#include "orderedbatch.h"
#include "tfileinfo.h"

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
    using Record = std::unique_ptr<TFileInfo>;
    OrderedBatch<Record> reads;
    std::string lastAdded;
    // The model checks uniqueness once more: a file may have been added
    // meanwhile by another way in (a second start of the program).
    const auto add = [&](Record record) {
        lastAdded = record->FullPath();
        m_model.AddRecord(std::move(record));
    };
    const auto addReady = [&] {
        for (Record& record : reads.TakeReady())
            add(std::move(record));
    };

    // Folded paths of the files found by this walk.
    std::unordered_set<std::string> found;
    FolderScanner scanner({
        [&](const std::string& path) {
            addReady();
            m_callbacks.showPath(path);
        },
        m_callbacks.cancelled,
        [&](const std::string& file) {
            if (m_model.IsInPlaylist(file) || !found.insert(TPlaylistModel::FoldPath(file)).second)
                return;
            // The worker gets its own copy of the path and makes its own
            // record (and tag objects); the record is handed over whole.
            reads.Add([file] { return std::make_unique<TFileInfo>(file); });
        },
    });
    scanner.Scan(folder);

    if (m_callbacks.cancelled())
        reads.Cancel();
    reads.Drain(add,
                [&] {
                    if (!lastAdded.empty())
                        m_callbacks.showPath(lastAdded);
                    return !m_callbacks.cancelled();
                },
                std::chrono::milliseconds(kTickMs));
}
