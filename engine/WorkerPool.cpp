#include "engine/WorkerPool.h"

#include <atomic>

namespace varnok {

namespace {

constexpr int kPerCore = -1;
std::atomic<int> defaultWorkers{kPerCore};

}  // namespace

WorkerPool::WorkerPool(unsigned workers) {
    threads_.reserve(workers);
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
}

WorkerPool::~WorkerPool() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(queue_);
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
}

void WorkerPool::Enqueue(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void WorkerPool::Work() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        job();  // a packaged task: what it throws goes to its future
    }
}

unsigned WorkerPool::DefaultWorkers() {
    const int chosen = defaultWorkers.load();
    if (chosen != kPerCore) return static_cast<unsigned>(chosen);
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 2 : cores;
}

void WorkerPool::SetDefaultWorkers(std::optional<unsigned> workers) {
    defaultWorkers.store(workers ? static_cast<int>(*workers) : kPerCore);
}

}  // namespace varnok
