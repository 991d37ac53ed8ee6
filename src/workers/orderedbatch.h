#pragma once
// A list of per-file jobs run on a WorkerPool with at most `inFlight` of them
// at once, started in list order; their results are handed back in that same
// order, whatever order they finish in. Jobs may be added while earlier ones
// run (a folder walk adds the files it finds). Cancel starts no new job: the
// jobs already running finish and their results are still handed back, so
// the results taken are always those of the first jobs of the list.
//
// One thread (the UI thread) adds, takes and cancels; the jobs run on the
// pool's threads and must share no mutable state with it or with each other:
// each job works on its own copies and objects and returns what it made.
// A job that throws hands the exception to the taking thread, which gets it
// in list order from TakeReady.

#include "workerpool.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

template <typename Result>
class OrderedBatch final {
public:
    using Job = std::function<Result()>;
    // Enough requests at once for a disk to serve them side by side; more
    // (up to 16) measured no faster on a cold cache, as the threads then
    // wait for the cores.
    static constexpr int kInFlight = 8;
    // The waiting thread is woken for runs of this many results, not for
    // each one: a wake-up costs about as much as reading a small file.
    static constexpr std::size_t kWakeRun = 64;

    explicit OrderedBatch(int inFlight = kInFlight, WorkerPool& pool = WorkerPool::Shared())
        : m_pool(pool)
        , m_state(std::make_shared<State>())
    {
        m_state->inFlight = std::max(1, inFlight);
    }
    // Cancels and waits for the running jobs; results not taken are dropped.
    ~OrderedBatch()
    {
        Cancel();
        std::unique_lock lock(m_state->mutex);
        m_state->changed.wait(lock, [this] { return m_state->running == 0; });
    }
    OrderedBatch(const OrderedBatch&) = delete;
    OrderedBatch& operator=(const OrderedBatch&) = delete;

    // Appends a job; it starts when the jobs before it have started and
    // fewer than `inFlight` run. Ignored after Cancel or Close.
    void Add(Job job)
    {
        State& s = *m_state;
        {
            const std::lock_guard lock(s.mutex);
            if (s.cancelled || s.closed)
                return;
            s.entries.emplace_back();
            s.entries.back().job = std::move(job);
            if (s.running >= s.inFlight)
                return;
            ++s.running;
        }
        m_pool.Post([state = m_state] { RunJobs(*state); });
    }

    // The list is complete: no job is added after this.
    void Close()
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->closed = true;
    }

    // Starts no new job; running jobs finish and their results can be taken.
    void Cancel()
    {
        std::vector<Job> dropped;
        {
            const std::lock_guard lock(m_state->mutex);
            m_state->cancelled = true;
            // The jobs never started are released here, on this thread.
            for (std::size_t i = m_state->nextStart; i < m_state->entries.size(); ++i)
                dropped.push_back(std::move(m_state->entries[i].job));
        }
        m_state->changed.notify_all();
    }

    bool Cancelled() const
    {
        const std::lock_guard lock(m_state->mutex);
        return m_state->cancelled;
    }

    // Waits at most `timeout` for a run of results in list order: kWakeRun
    // of them, or the last ones of the jobs added so far. Returns whether
    // the next result is ready; returns at once when nothing more can come.
    bool WaitNext(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_state->mutex);
        m_state->changed.wait_for(lock, timeout, [this] { return RunReady() || Idle(); });
        return NextReady();
    }

    // The results that are ready in list order from the first one not yet
    // taken (at most `most` of them), without waiting. A job that threw is
    // rethrown when its turn comes (after the results before it were taken).
    std::vector<Result> TakeReady(std::size_t most = SIZE_MAX)
    {
        std::vector<Result> results;
        const std::lock_guard lock(m_state->mutex);
        State& s = *m_state;
        while (results.size() < most && NextReady()) {
            Slot& slot = s.entries[s.nextTake];
            if (slot.error) {
                if (!results.empty())
                    break;
                ++s.nextTake;
                std::rethrow_exception(std::exchange(slot.error, nullptr));
            }
            results.push_back(std::move(*slot.result));
            slot.result.reset();
            ++s.nextTake;
        }
        return results;
    }

    // Nothing more can come: the list is closed or the batch cancelled, no
    // job runs, and every result was taken.
    bool Finished() const
    {
        const std::lock_guard lock(m_state->mutex);
        return Idle() && !NextReady();
    }

    // Closes the list and runs the batch to its end on the calling thread:
    // every result goes to `consume` in list order, in batches as they get
    // ready; `tick` is called about every `interval` (also while waiting for
    // a slow job) and cancels the batch by returning false. After a cancel
    // the running jobs finish and their results are still consumed. Returns
    // false when the batch was cancelled.
    template <typename Consume, typename Tick>
    bool Drain(Consume&& consume, Tick&& tick, std::chrono::milliseconds interval)
    {
        using Clock = std::chrono::steady_clock;
        Close();
        auto due = Clock::now() + interval;
        for (;;) {
            // A few runs at a time, so that a long backlog still ticks.
            std::vector<Result> ready = TakeReady(4 * kWakeRun);
            for (Result& result : ready)
                consume(std::move(result));
            if (ready.empty() && Finished())
                break;
            const auto now = Clock::now();
            if (now >= due) {
                if (!tick())
                    Cancel();
                due = Clock::now() + interval;
            } else if (ready.empty()) {
                WaitNext(std::chrono::duration_cast<std::chrono::milliseconds>(due - now)
                         + std::chrono::milliseconds(1));
            }
        }
        return !Cancelled();
    }

private:
    struct Slot {
        Job job;
        std::optional<Result> result;
        std::exception_ptr error;
        bool done = false;
    };

    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        std::deque<Slot> entries;
        std::size_t nextStart = 0; // the next job to start
        std::size_t nextTake = 0;  // the next result to hand back
        std::size_t readyEnd = 0;  // the first job from nextTake on not done
        int running = 0;           // runners posted and not yet ended
        int inFlight = 1;
        bool closed = false;
        bool cancelled = false;
    };

    // One of at most `inFlight` runners of a batch: starts the next job
    // while there is one, then ends.
    static void RunJobs(State& s)
    {
        std::unique_lock lock(s.mutex);
        while (!s.cancelled && s.nextStart < s.entries.size()) {
            const std::size_t index = s.nextStart++;
            Job job = std::move(s.entries[index].job);
            lock.unlock();
            std::optional<Result> result;
            std::exception_ptr error;
            try {
                result.emplace(job());
            } catch (...) {
                error = std::current_exception();
            }
            job = nullptr;
            lock.lock();
            Slot& slot = s.entries[index];
            slot.result = std::move(result);
            slot.error = error;
            slot.done = true;
            while (s.readyEnd < s.entries.size() && s.entries[s.readyEnd].done)
                ++s.readyEnd;
            if (RunReady(s))
                s.changed.notify_all();
        }
        --s.running;
        s.changed.notify_all();
    }

    // Callers hold the mutex.
    bool NextReady() const
    {
        const State& s = *m_state;
        return s.nextTake < s.entries.size() && s.entries[s.nextTake].done;
    }
    static bool RunReady(const State& s)
    {
        return s.readyEnd - s.nextTake >= kWakeRun || (s.readyEnd > s.nextTake && s.readyEnd == s.entries.size());
    }
    bool RunReady() const { return RunReady(*m_state); }
    bool Idle() const
    {
        const State& s = *m_state;
        return s.running == 0 && (s.closed || s.cancelled);
    }

    WorkerPool& m_pool;
    std::shared_ptr<State> m_state;
};
