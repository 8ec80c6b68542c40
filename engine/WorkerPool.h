#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <vector>

namespace varnok {

// A few threads that take the work of a long command that needs no user:
// inflating and writing extracted files, reading and compressing files to add.
// The engine stays on the UI thread and keeps everything that talks to the user
// there; a job never touches the EngineUi.
//
// A pool of no threads runs each job at once, on the thread that hands it in.
class WorkerPool {
public:
    explicit WorkerPool(unsigned workers = DefaultWorkers());
    // Jobs that have not started are dropped (their futures report a broken
    // promise); running ones are finished first.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned Workers() const noexcept { return static_cast<unsigned>(threads_.size()); }

    // Queues `job`; the future gives its result or rethrows what it threw.
    template <typename Job>
    auto Run(Job&& job) -> std::future<std::invoke_result_t<std::decay_t<Job>>> {
        using Result = std::invoke_result_t<std::decay_t<Job>>;
        auto task = std::make_shared<std::packaged_task<Result()>>(std::forward<Job>(job));
        auto result = task->get_future();
        if (threads_.empty()) {
            (*task)();
        } else {
            Enqueue([task] { (*task)(); });
        }
        return result;
    }

    // One thread per core, unless SetDefaultWorkers chose another number.
    static unsigned DefaultWorkers();
    // For tests and benchmarks: the size of pools made from now on; nothing gives
    // back one per core, 0 runs every job on the caller's thread.
    static void SetDefaultWorkers(std::optional<unsigned> workers);

private:
    void Enqueue(std::function<void()> job);
    void Work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace varnok
