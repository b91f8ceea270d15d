// EventTap against a fake input broker: the key stream becomes engine inputs and click-guard
// decisions; a missing or vanished broker disables the tap until it is back.
#include "EventTap.h"

#include "CaughtLog.h"
#include "Eventually.h"
#include "FakeBroker.h"
#include "SocketFolder.h"

#include <gtest/gtest.h>

#include <future>

using namespace rimglider;
using namespace rimglider::test;
using namespace GestureEngineKit;
using namespace std::chrono_literals;

namespace {

struct Fixture {
    SocketFolder folder;
    CaughtLog log;
    ClickGuard guard;
    GesturePipeline pipeline{guard, [] { return 0.0; }};
    std::optional<FakeBroker> broker;
    EventTap tap{pipeline, guard, EventTap::Options{.socketPath = folder.path(), .reconnectInterval = 20ms}};

    FakeBroker& serve() { return broker.emplace(folder.path()); }
    std::vector<EngineInput> stopRecording()
    {
        std::promise<std::vector<EngineInput>> recorded;
        pipeline.stopRecording([&](std::vector<EngineInput> inputs) { recorded.set_value(std::move(inputs)); });
        return recorded.get_future().get();
    }
};

} // namespace

TEST(EventTap, KeysModifiersAndClicksReachTheEngineAndTheClickGuardDecides)
{
    Fixture f;
    FakeBroker& broker = f.serve();
    broker.setModifiers({{4, 0}, ModifierState::shift}); // Shift already held when the tap starts
    f.pipeline.startRecording();
    f.tap.start();
    ASSERT_TRUE(eventually([&] { return broker.keySubscribers() == 1 && f.tap.isRunning(); }));

    broker.sendKeys(broker::KeyDown{{5, 0}});
    broker.sendKeys(broker::Modifiers{{5, 100000}, ModifierState{ModifierState::shift, ModifierState::option}});
    broker.sendKeys(broker::Modifiers{{5, 200000}, ModifierState{}});
    f.guard.observe({GestureEvent::claimed({Zone::topRightCorner})}, {}, 0); // a corner gesture owns the finger
    broker.sendKeys(broker::Button{{6, 0}, 1, true});                        // swallowed: counted and remembered
    ASSERT_TRUE(eventually([&] { return f.guard.swallowedCount() == 1; }));
    EXPECT_EQ(f.guard.state().swallowedButtons, std::set<std::int64_t>{1});
    f.guard.reset();
    broker.sendKeys(broker::Button{{6, 200000}, 0, true}); // passed: nothing guards any more
    broker.sendKeys(broker::Button{{6, 300000}, 0, false});
    broker.sendKeys(broker::Button{{6, 500000}, 1, false}); // the swallowed press's release
    ASSERT_TRUE(eventually([&] { return f.guard.state().swallowedButtons.empty(); }));
    f.pipeline.waitUntilProcessed();
    const std::vector<EngineInput> expected{
        EngineInput::modifiers(ModifierState::shift, 4.0),
        EngineInput::keyDown(5.0),
        EngineInput::modifiers(ModifierState(5), 5.1),
        EngineInput::modifiers({}, 5.2),
        EngineInput::mouseDown(6.0), // every click, swallowed or not
        EngineInput::mouseDown(6.2),
    };
    EXPECT_EQ(f.stopRecording(), expected);
    EXPECT_EQ(f.guard.swallowedCount(), 1);
}

TEST(EventTap, DisabledWhileTheBrokerIsAwayOrSuspendedAndBackAfterwards)
{
    Fixture f;
    f.tap.start(); // no broker yet: said once, then looked for again
    ASSERT_TRUE(eventually([&] { return !f.log.messages().empty(); }));
    EXPECT_FALSE(f.tap.isRunning());
    f.serve();
    ASSERT_TRUE(eventually([&] { return f.tap.isRunning() && f.broker->keySubscribers() == 1; }));
    f.tap.start(); // running: no second connection
    EXPECT_EQ(f.broker->clientCount(), 1u);

    f.broker->sendKeys(broker::Modifiers{{1, 0}, ModifierState::control});
    ASSERT_TRUE(eventually([&] { return f.tap.heldModifiers() == ModifierState::control; }));
    f.broker->broadcast(broker::Suspended{});
    ASSERT_TRUE(eventually([&] { return !f.tap.isRunning(); }));
    EXPECT_TRUE(f.tap.heldModifiers().isEmpty()) << "a release while away is never heard";
    f.broker->broadcast(broker::Resumed{});
    ASSERT_TRUE(eventually([&] { return f.tap.isRunning(); }));

    f.broker.reset();
    ASSERT_TRUE(eventually([&] { return !f.tap.isRunning(); }));
    FakeBroker& back = f.serve();
    ASSERT_TRUE(eventually([&] { return f.tap.isRunning() && back.keySubscribers() == 1; }));
    EXPECT_EQ(f.log.messages(), (std::vector<std::string>{"Event tap could not be created (Input access not granted?)",
                                                          "Event tap running", "Event tap running"}));

    back.sendKeys(broker::Modifiers{{2, 0}, ModifierState::option}); // the new connection's stream is heard
    EXPECT_TRUE(eventually([&] { return f.tap.heldModifiers() == ModifierState::option; }));
}
