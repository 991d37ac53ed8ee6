// Batches of jobs on the worker pool: list order, the bound on jobs in
// flight, jobs added while others run, cancel and errors.

#include "orderedbatch.h"
#include "workerpool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Counts the jobs running at once and the most there ever were.
struct Concurrency {
    std::atomic<int> now{0};
    std::atomic<int> most{0};
    void Enter()
    {
        const int n = ++now;
        int seen = most.load();
        while (n > seen && !most.compare_exchange_weak(seen, n)) {
        }
    }
    void Leave() { --now; }
};

} // namespace

TEST(OrderedBatchTest, ResultsComeInListOrderWithBoundedJobsInFlight)
{
    WorkerPool pool(8);
    Concurrency running;
    OrderedBatch<int> batch(3, pool);
    // Later jobs finish first: the early ones sleep longest.
    const auto job = [&](int i) {
        return [&running, i] {
            running.Enter();
            std::this_thread::sleep_for(std::chrono::milliseconds((40 - i) % 7));
            running.Leave();
            return i;
        };
    };
    for (int i = 0; i < 20; ++i)
        batch.Add(job(i));
    // Jobs added while the first ones run and after results were taken.
    ASSERT_TRUE(batch.WaitNext(5s));
    std::vector<int> seen = batch.TakeReady();
    ASSERT_FALSE(seen.empty());
    for (int i = 20; i < 40; ++i)
        batch.Add(job(i));
    int ticks = 0;
    EXPECT_TRUE(batch.Drain([&](int r) { seen.push_back(r); }, [&] { return ++ticks > 0; }, 1ms));
    batch.Add(job(99)); // closed: ignored

    std::vector<int> expected(40);
    for (int i = 0; i < 40; ++i)
        expected[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(running.most.load(), 3);
    EXPECT_GT(ticks, 0);
    EXPECT_TRUE(batch.Finished());
}

TEST(OrderedBatchTest, CancelFinishesRunningJobsAndStartsNoOther)
{
    WorkerPool pool(4);
    std::atomic<int> started{0};
    std::atomic<bool> release{false};
    std::vector<int> seen;
    {
        OrderedBatch<int> batch(2, pool);
        for (int i = 0; i < 10; ++i) {
            batch.Add([&, i] {
                ++started;
                while (!release)
                    std::this_thread::sleep_for(1ms);
                return i;
            });
        }
        while (started < 2)
            std::this_thread::sleep_for(1ms);
        // The two running jobs are blocked: the tick cancels, then lets
        // them go.
        const bool whole = batch.Drain([&](int r) { seen.push_back(r); },
                                       [&] {
                                           release = true;
                                           return false;
                                       },
                                       5ms);
        EXPECT_FALSE(whole);
        EXPECT_TRUE(batch.Cancelled());
        EXPECT_TRUE(batch.Finished());
    }
    EXPECT_EQ(started.load(), 2);
    EXPECT_EQ(seen, (std::vector<int>{0, 1}));

    // The destructor of a batch waits for its running jobs, which may use
    // what the caller owns.
    started = 0;
    std::atomic<int> finished{0};
    {
        OrderedBatch<int> batch(2, pool);
        for (int i = 0; i < 6; ++i) {
            batch.Add([&, i] {
                ++started;
                std::this_thread::sleep_for(20ms);
                ++finished;
                return i;
            });
        }
        while (started == 0)
            std::this_thread::sleep_for(1ms);
    }
    EXPECT_GE(finished.load(), 1);
    EXPECT_EQ(finished.load(), started.load());
}

TEST(OrderedBatchTest, AFailedJobIsRethrownInItsTurn)
{
    WorkerPool pool(2);
    OrderedBatch<int> batch(2, pool);
    batch.Add([] { return 1; });
    batch.Add([]() -> int { throw std::runtime_error("unreadable"); });
    batch.Add([] { return 3; });
    batch.Close();
    std::vector<int> seen;
    std::string error;
    while (!batch.Finished()) {
        batch.WaitNext(100ms);
        try {
            for (int r : batch.TakeReady())
                seen.push_back(r);
        } catch (const std::runtime_error& e) {
            error = e.what();
            EXPECT_EQ(seen, (std::vector<int>{1}));
        }
    }
    EXPECT_EQ(error, "unreadable");
    EXPECT_EQ(seen, (std::vector<int>{1, 3}));
}

TEST(OrderedBatchTest, ALongRunOfReadyResultsStillTicks)
{
    // All results are ready before the drain starts: it must not consume
    // them all in one go before the window gets its turn.
    WorkerPool pool(2);
    OrderedBatch<int> batch(2, pool);
    constexpr int kJobs = 2000;
    std::atomic<int> done{0};
    for (int i = 0; i < kJobs; ++i)
        batch.Add([&done, i] {
            ++done;
            return i;
        });
    while (done < kJobs)
        std::this_thread::sleep_for(1ms);
    int consumed = 0;
    std::vector<int> consumedAtTick;
    EXPECT_TRUE(batch.Drain([&](int) { ++consumed; },
                            [&] {
                                consumedAtTick.push_back(consumed);
                                return true;
                            },
                            0ms));
    EXPECT_EQ(consumed, kJobs);
    ASSERT_FALSE(consumedAtTick.empty());
    EXPECT_LE(consumedAtTick.front(), static_cast<int>(4 * OrderedBatch<int>::kWakeRun));
}

TEST(WorkerPoolTest, ThreadsThatCannotStartLeaveAPoolThatStillRunsItsTasks)
{
    // In a child whose data segment cannot grow by a thread's stack: the
    // pool is made without crashing and runs what is posted.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit tight {32u << 20, 32u << 20};
        ::setrlimit(RLIMIT_DATA, &tight);
        int ran = 0;
        {
            WorkerPool pool(64);
            pool.Post([&ran] { ran = 1; });
        }
        ::_exit(ran == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
