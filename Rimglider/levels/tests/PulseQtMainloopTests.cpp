// The libpulse loop adapter on its own; the volume tests run on it too (QT_NO_GLIB).
#include "PulseQtMainloop.h"

#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/time.h>

using namespace rimglider;

namespace {

struct Counts {
    int calls = 0;
    int destroyed = 0;
    pa_io_event_flags_t flags = PA_IO_EVENT_NULL;
};

// What a connection to a server rarely does: an event freed inside its own callback, a
// deferred event switching itself off, a timer due in the past, leftovers freed by the end.
TEST(PulseQtMainloopTest, EventsFreedOrSwitchedOffInsideTheirCallbacksAndLeftoversFreedAtTheEnd)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    Counts io, once, timer, left;
    {
        PulseQtMainloop loop;
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
            &io);
        api->io_set_destroy(
            event, [](pa_mainloop_api*, pa_io_event*, void* userdata) { ++static_cast<Counts*>(userdata)->destroyed; });
        api->defer_new(
            api,
            [](pa_mainloop_api* a, pa_defer_event* e, void* userdata) {
                ++static_cast<Counts*>(userdata)->calls;
                a->defer_enable(e, 0);
            },
            &once);
        timeval past{};
        gettimeofday(&past, nullptr);
        past.tv_sec -= 5; // a wall-clock time in the past is due at once
        pa_time_event* due = api->time_new(
            api, &past,
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* userdata) {
                ++static_cast<Counts*>(userdata)->calls;
            },
            &timer);
        ASSERT_EQ(write(fds[1], "x", 1), 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return io.calls == 1 && timer.calls == 1; }));
        api->time_restart(due, &past); // restarting reuses the event
        ASSERT_TRUE(QTest::qWaitFor([&] { return timer.calls == 2; }));
        EXPECT_EQ(io.flags, PA_IO_EVENT_INPUT);
        EXPECT_EQ(io.destroyed, 1);
        EXPECT_EQ(once.calls, 1);
        api->time_free(due);
        pa_io_event* leftover = api->io_new(
            api, 0, PA_IO_EVENT_NULL, [](pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void*) {}, &left);
        api->io_set_destroy(leftover, [](pa_mainloop_api*, pa_io_event*, void* userdata) {
            ++static_cast<Counts*>(userdata)->destroyed;
        });
        EXPECT_EQ(loop.eventCount(), 2u); // the switched-off one-shot and the leftover
    }
    EXPECT_EQ(left.destroyed, 1);
    EXPECT_EQ(left.calls, 0);
    close(fds[0]);
    close(fds[1]);
}

} // namespace
