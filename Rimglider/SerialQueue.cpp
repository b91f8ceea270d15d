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
    std::unique_lock guard(mutex_);
    for (;;) {
        if (tasks_.empty()) {
            if (stopping_) return;
            waiting_ = true;
            wake_.wait(guard, [this] { return !tasks_.empty() || stopping_; });
            waiting_ = false;
            continue;
        }
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        guard.unlock();
        task();
        task = nullptr; // whatever the task held goes on the worker, not under the lock
        guard.lock();
    }
}

} // namespace rimglider
