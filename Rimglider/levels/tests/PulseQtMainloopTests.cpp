// The libpulse loop adapter on its own, for what a connection to a server rarely exercises:
// timers on both clocks, events freed from inside their own callbacks, deferred events switched
// off, and what the adapter's end frees.
#include "PulseQtMainloop.h"

#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <ctime>

using namespace rimglider;

namespace {

// A time `ms` milliseconds from now on the monotonic clock, marked the way libpulse marks it.
timeval monotonicIn(int ms)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long us = static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000 + ms * 1000LL;
    return timeval{time_t(us / 1000000), suseconds_t(us % 1000000) | (suseconds_t(1) << 30)};
}

struct Counts {
    int calls = 0;
    int destroyed = 0;
    pa_io_event_flags_t flags = PA_IO_EVENT_NULL;
};

TEST(PulseQtMainloopTest, DescriptorEventFreedInsideItsCallback)
{
    PulseQtMainloop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    Counts counts;
    pa_mainloop_api* api = loop.api();
    pa_io_event* event = api->io_new(
        api, fds[0], PA_IO_EVENT_INPUT,
        [](pa_mainloop_api* a, pa_io_event* e, int fd, pa_io_event_flags_t flags, void* userdata) {
            auto* c = static_cast<Counts*>(userdata);
            ++c->calls;
            c->flags = flags;
            char byte;
            EXPECT_EQ(read(fd, &byte, 1), 1);
            a->io_free(e);
        },
        &counts);
    api->io_set_destroy(
        event, [](pa_mainloop_api*, pa_io_event*, void* userdata) { ++static_cast<Counts*>(userdata)->destroyed; });
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts.calls == 1; }));
    EXPECT_EQ(counts.flags, PA_IO_EVENT_INPUT);
    EXPECT_EQ(counts.destroyed, 1);
    EXPECT_EQ(loop.eventCount(), 0u);
    QTest::qWait(0); // the deferred deletion of the notifier
    close(fds[0]);
    close(fds[1]);
}

TEST(PulseQtMainloopTest, TimersFireOnTheirClockAndRestart)
{
    PulseQtMainloop loop;
    pa_mainloop_api* api = loop.api();
    Counts counts;
    const auto started = std::chrono::steady_clock::now();
    const timeval soon = monotonicIn(30);
    pa_time_event* event = api->time_new(
        api, &soon,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* userdata) {
            ++static_cast<Counts*>(userdata)->calls;
        },
        &counts);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts.calls == 1; }));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(30)) << "fired early";

    // A wall-clock time in the past is due at once; restarting reuses the event.
    timeval past{};
    gettimeofday(&past, nullptr);
    past.tv_sec -= 5;
    api->time_restart(event, &past);
    ASSERT_TRUE(QTest::qWaitFor([&] { return counts.calls == 2; }));
    api->time_free(event);
    EXPECT_EQ(loop.eventCount(), 0u);
}

TEST(PulseQtMainloopTest, DeferredEventsRunUntilDisabledAndTheEndFreesLeftovers)
{
    Counts once;
    Counts ticks;
    Counts left;
    {
        PulseQtMainloop loop;
        pa_mainloop_api* api = loop.api();
        api->defer_new(
            api,
            [](pa_mainloop_api* a, pa_defer_event* e, void* userdata) {
                ++static_cast<Counts*>(userdata)->calls;
                a->defer_enable(e, 0);
            },
            &once);
        pa_defer_event* ticker = api->defer_new(
            api, [](pa_mainloop_api*, pa_defer_event*, void* userdata) { ++static_cast<Counts*>(userdata)->calls; },
            &ticks);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.calls >= 5; }));
        EXPECT_EQ(once.calls, 1);
        api->defer_free(ticker);

        // Left for the adapter's end to free, with its destroy callback.
        pa_io_event* leftover = api->io_new(
            api, 0, PA_IO_EVENT_NULL, [](pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void*) {}, &left);
        api->io_set_destroy(leftover, [](pa_mainloop_api*, pa_io_event*, void* userdata) {
            ++static_cast<Counts*>(userdata)->destroyed;
        });
        EXPECT_EQ(loop.eventCount(), 2u); // the switched-off one-shot and the leftover
    }
    EXPECT_EQ(left.destroyed, 1);
    EXPECT_EQ(left.calls, 0);
}

} // namespace
