#pragma once
// Writes to many files on the worker pool: the commands that save or strip
// the tags of many files, and the flushes after renames. The file system
// commits flushes that are in flight together, so files written side by
// side cost far less than one after another.
//
// Each file's job runs as in an OrderedBatch: at most kInFlight at once,
// results handed back in list order, and a cancel lets the running jobs
// finish and starts no new one. A job rewrites its file completely and
// flushes it before the rename, as a single save does, but leaves the flush
// of the folder to the batch (FolderFlushes): when the jobs are done, each
// folder they changed is flushed once, several at once. Only then does
// Drain return, so that what the caller reports as written is on disk.

#include "folderflushes.h"
#include "orderedbatch.h"

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <utility>

// How often the UI thread serves its events and looks for a cancel while a
// batch runs: often enough to answer Cancel within a tenth of a second.
inline constexpr std::chrono::milliseconds kWriteBatchTick {50};

// Flushes every folder in `flushes` once, several at once. `tick` is called
// as by OrderedBatch::Drain, but what it returns cannot stop the flushes:
// the renames they make durable are done.
template <typename Tick>
void FlushFolders(FolderFlushes& flushes, Tick&& tick, std::chrono::milliseconds interval)
{
    // A flush that fails is not told: the renames are done either way, as
    // after a single save.
    OrderedBatch<int> batch;
    for (std::string& folder : flushes.Take())
        batch.Add([folder = std::move(folder)] { return FlushFolder(folder) ? 0 : errno; });
    batch.Drain([](int) {},
                [&] {
                    tick();
                    return true;
                },
                interval);
    flushes.RunSettlements();
}

template <typename Result>
class WriteBatch final {
public:
    // Files written at once. A write mostly waits for its flush, and the
    // file system commits the flushes in flight together: on small files
    // 8 at once gave half the throughput of a plain copy and a sync, 48 as
    // much (more measured no faster).
    static constexpr int kInFlight = 48;

    // A job gets the folder flushes to hand to its rewrite.
    using Job = std::function<Result(FolderFlushes&)>;

    void Add(Job job)
    {
        m_files.Add([this, job = std::move(job)] { return job(m_flushes); });
    }
    // Starts no new job (see OrderedBatch::Cancel).
    void Cancel() { m_files.Cancel(); }

    // Runs the jobs as OrderedBatch::Drain does, then flushes the folders
    // they changed. Returns false when the batch was cancelled.
    template <typename Consume, typename Tick>
    bool Drain(Consume&& consume, Tick&& tick, std::chrono::milliseconds interval)
    {
        const bool complete = m_files.Drain(std::forward<Consume>(consume), tick, interval);
        FlushFolders(m_flushes, tick, interval);
        return complete;
    }

private:
    FolderFlushes m_flushes;
    // Declared after the flushes: its end waits for the jobs that use them.
    OrderedBatch<Result> m_files {kInFlight};
};
