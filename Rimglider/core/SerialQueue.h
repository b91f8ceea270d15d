// A serial queue: one worker thread running tasks one at a time in the order they were
// enqueued, from any thread.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace rimglider {

class SerialQueue {
  public:
    // `label` names the worker thread (Linux keeps its first 15 characters).
    explicit SerialQueue(std::string label);
    // Runs what is still enqueued, then ends the worker.
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void async(std::function<void()> task);
    // Runs `task` on the queue after everything enqueued before it, and waits for it.
    void sync(const std::function<void()>& task);
    [[nodiscard]] bool isCurrent() const { return std::this_thread::get_id() == worker_.get_id(); }
    [[nodiscard]] const std::string& label() const { return label_; }

  private:
    void run();

    std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool waiting_ = false; // the worker sleeps on wake_; producers only signal then
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace rimglider
