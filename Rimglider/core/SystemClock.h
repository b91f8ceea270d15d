// System uptime in seconds: CLOCK_MONOTONIC, the one clock every input is stamped with.
#pragma once

#include <ctime>

namespace rimglider {

inline double systemUptime()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace rimglider
