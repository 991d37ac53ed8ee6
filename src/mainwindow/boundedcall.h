#pragma once
// A file-system call that may never answer (a network mount whose server is
// gone) runs on a thread of its own while the caller waits a bounded time.
// When the time is up the caller goes on without the result; the thread is
// left to finish on its own, since a call stuck in the kernel cannot be
// interrupted, and its result is then dropped.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

template <class T>
std::optional<T> CallWithTimeout(std::function<T()> work, std::chrono::milliseconds timeout)
{
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::optional<T> result;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, work = std::move(work)] {
        T result = work();
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->result = std::move(result);
        shared->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->done.wait_for(lock, timeout, [&] { return shared->result.has_value(); });
    return std::move(shared->result);
}
