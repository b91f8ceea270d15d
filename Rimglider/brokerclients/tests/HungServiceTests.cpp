// An input service that accepts connections and never answers must not hold up the main
// thread: every public call of its clients returns at once, and a WELCOME that never comes
// ends on the event loop, reported as a timeout was before.
#include "Actuator.h"
#include "EventTap.h"
#include "Permissions.h"
#include "SystemKeys.h"
#include "TouchInput.h"

#include "CaughtLog.h"
#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace rimglider;
using namespace rimglider::test;
using namespace std::chrono_literals;

TEST(HungInputService, NoPublicCallWaitsForItAndUnansweredConnectionsEndAsBefore)
{
    SocketFolder folder;
    FakeBroker broker(folder.path());
    broker.holdAnswers();
    CaughtLog log;
    ClickGuard guard;
    GesturePipeline pipeline(guard, [] { return 0.0; });
    TouchInput input({.socketPath = folder.path()});
    std::optional<EventTap> tap(std::in_place, pipeline, guard, EventTap::Options{.socketPath = folder.path()});
    SystemKeys keys(folder.path());
    Actuator actuator(folder.path());
    std::optional<Permissions> permissions;
    const auto returnsAtOnce = [](const std::string& name, const std::function<void()>& call) {
        const auto begin = std::chrono::steady_clock::now();
        call();
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 50ms) << name;
        QCoreApplication::processEvents(); // the asynchronous clients take their next step
    };

    const std::vector<std::pair<std::string, std::function<void()>>> calls{
        {"TouchInput::start", [&] { input.start(); }},
        {"EventTap::start", [&] { tap->start(); }},
        {"SystemKeys::post", [&] { keys.post(0, false); }},
        {"Actuator::ensureOpen", [&] { actuator.ensureOpen(); }}, // as Haptics::play opens it
        {"Actuator::actuate", [&] { actuator.actuate(3); }},
        {"Permissions",
         [&] { permissions.emplace(Permissions::brokerQuery(folder.path()), QDBusConnection(""), nullptr); }},
        {"Permissions::refresh", [&] { permissions->refresh(); }},
    };
    for (const auto& [name, call] : calls)
        returnsAtOnce(name, call);
    // Stopped while they wait for their WELCOME.
    ASSERT_TRUE(eventually([&] { return broker.clientCount() == 5; }));
    returnsAtOnce("TouchInput::stop", [&] { input.stop(); });
    returnsAtOnce("~EventTap", [&] { tap.reset(); });

    // The HELLOs time out on the event loop: reported as a broker that cannot be reached was.
    EXPECT_TRUE(QTest::qWaitFor([&] { return actuator.status() == "MTActuator symbols missing"; }, 5000));
    EXPECT_FALSE(permissions->isAccessibilityGranted());
    input.start();
    EXPECT_TRUE(eventually([&] { return input.status().message == TouchInput::notAvailableMessage; }));
    input.stop();
}
