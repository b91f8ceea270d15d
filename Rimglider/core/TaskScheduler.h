// Delayed main-thread tasks. The services take a scheduler rather than starting timers
// themselves, so tests run the tasks by advancing a clock of their own instead of sleeping.
#pragma once

#include <chrono>
#include <functional>

namespace rimglider {

using TaskScheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()> task)>;

// Runs each task once on the Qt main thread's event loop after its delay.
TaskScheduler mainThreadScheduler();

} // namespace rimglider
