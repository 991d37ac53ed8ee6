#pragma once
// A fixed set of threads that run posted tasks, first posted first started.
// The threads mostly wait for the disk, so their number is set by how many
// requests a disk serves at once, not by the number of cores. Tasks must not
// touch the toolkit's widgets, and share no mutable state unless they
// guard it themselves.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool final {
public:
    // More than the jobs a batch runs at once (a write batch runs 48, a
    // read batch 8), so that a second batch started meanwhile (from an
    // event handled during the first) gets threads too. Idle threads cost
    // next to nothing.
    static constexpr int kThreads = 64;

    explicit WorkerPool(int threads = kThreads);
    // Runs the tasks still queued, then ends the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void Post(std::function<void()> task);
    int Threads() const { return static_cast<int>(m_threads.size()); }

    // The program's pool for batches of file work, made at its first use.
    static WorkerPool& Shared();

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
