#include "SerialQueue.h"

#include <pthread.h>

#include <future>

namespace rimglider {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)), worker_([this] { run(); }) {}

SerialQueue::~SerialQueue()
{
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void SerialQueue::async(std::function<void()> task)
{
    bool wake = false;
    {
        std::lock_guard guard(mutex_);
        tasks_.push_back(std::move(task));
        wake = waiting_;
    }
    if (wake) wake_.notify_one();
}

void SerialQueue::sync(const std::function<void()>& task)
{
    std::promise<void> done;
    async([&] {
        task();
        done.set_value();
    });
    done.get_future().wait();
}

void SerialQueue::run()
{
    pthread_setname_np(pthread_self(), label_.substr(0, 15).c_str());
    std::deque<std::function<void()>> batch;
    std::unique_lock guard(mutex_);
    for (;;) {
        if (tasks_.empty()) {
            if (stopping_) return;
            waiting_ = true;
            wake_.wait(guard, [this] { return !tasks_.empty() || stopping_; });
            waiting_ = false;
            continue;
        }
        // Take the whole backlog at once: producers and the worker meet on the lock once per
        // batch rather than once per task. Order is kept: the batch runs front to back.
        batch.swap(tasks_);
        guard.unlock();
        for (auto& task : batch)
            task();
        batch.clear(); // what the tasks held is released on the worker, outside the lock
        guard.lock();
    }
}

} // namespace rimglider
