#include "workerpool.h"

#include <memory>
#include <system_error>
#include <utility>

#include <unistd.h>

WorkerPool::WorkerPool(int threads)
{
    const int count = threads > 0 ? threads : 1;
    m_threads.reserve(static_cast<std::size_t>(count));
    // Short of memory (or of threads) not every thread may start: the pool
    // works with those that did, and with none each task runs where it is
    // posted.
    try {
        for (int i = 0; i < count; ++i)
            m_threads.emplace_back(&WorkerPool::Run, this);
    } catch (const std::system_error&) {
    }
}

WorkerPool::~WorkerPool()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

void WorkerPool::Post(std::function<void()> task)
{
    if (m_threads.empty()) {
        task();
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void WorkerPool::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
        if (m_tasks.empty())
            return; // stopping, and nothing left to run
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
        task = nullptr; // what the task holds is released outside the lock
        lock.lock();
    }
}

WorkerPool& WorkerPool::Shared()
{
    static std::mutex mutex;
    static std::unique_ptr<WorkerPool> pool;
    static pid_t owner = 0;
    const std::lock_guard lock(mutex);
    if (pool && owner != ::getpid()) {
        // A forked child has none of its parent's threads: it makes a pool
        // of its own and leaves the copy of the parent's alone, as threads
        // that are not there cannot be joined.
        (void)pool.release();
    }
    if (!pool) {
        pool = std::make_unique<WorkerPool>();
        owner = ::getpid();
    }
    return *pool;
}
