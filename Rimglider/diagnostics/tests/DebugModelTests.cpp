#include "Actuator.h"
#include "AppSettings.h"
#include "ClickGuard.h"
#include "DebugModel.h"
#include "EventTap.h"
#include "GesturePipeline.h"
#include "Permissions.h"
#include "TouchInput.h"
#include "TuningSettings.h"

#include "ManualScheduler.h"
#include "TestStore.h"

#include "GestureEngineKit/Trace.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace rimglider {
namespace {

using namespace GestureEngineKit;
using test::ManualScheduler;
using test::TestStore;
using namespace std::chrono_literals;

class Model : public ::testing::Test {
  protected:
    Model()
        : settings(store.settings()), tuning(store.settings()),
          permissions([this] { return granted; }, QDBusConnection(QStringLiteral("no bus")), [](const QString&) {}),
          pipeline(clickGuard), eventTap(pipeline, clickGuard, EventTap::Options{"/nonexistent/sock"}),
          touchInput({.socketPath = "/nonexistent/rimglider-inputd.sock"}), actuator("/nonexistent/sock")
    {}

    // File names in local time: ctest runs this program with TZ=UTC.
    DebugModel::Services services(QString traces = {})
    {
        return {pipeline,
                touchInput,
                eventTap,
                clickGuard,
                actuator,
                permissions,
                tuning,
                settings,
                clock.scheduler(),
                {},
                [this](QString dir) { revealed = dir; },
                traces.isEmpty() ? tracesDir.path() : traces,
                [this] { return now; },
                {},
                {},
                [] { return QStringLiteral("Test Laptop 1.0"); },
                {}};
    }

    QStringList texts(const DebugModel& model) const
    {
        QStringList result;
        for (const auto& entry : model.log())
            result.append(entry.text);
        return result;
    }

    // The trace the last recording was saved to.
    Trace savedTrace(const DebugModel& model) const
    {
        QFile file(QDir(tracesDir.path()).filePath(model.lastResult()->fileName));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        return TraceFile::decode(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    }

    // Waits for the save, replay and judging on the other threads to come back.
    static void waitForSave(const DebugModel& model) { QTRY_VERIFY_WITH_TIMEOUT(!model.isSaving(), 10000); }

    bool granted = true;
    TestStore store;
    AppSettings settings;
    TuningSettings tuning;
    Permissions permissions;
    ClickGuard clickGuard;
    GesturePipeline pipeline;
    EventTap eventTap;
    TouchInput touchInput;
    Actuator actuator;
    ManualScheduler clock;
    QTemporaryDir tracesDir;
    QDateTime now{QDate(2025, 3, 3), QTime(14, 5, 9), Qt::UTC};
    QString revealed;
};

TEST_F(Model, LogKeepsTheNewest300InOrder)
{
    DebugModel model(services());
    for (int i = 1; i <= 301; ++i)
        model.addLog(QString::number(i));
    ASSERT_EQ(model.log().size(), 300);
    EXPECT_EQ(model.log().front().text, QStringLiteral("2"));
    EXPECT_EQ(model.log().back().text, QStringLiteral("301"));
}

TEST_F(Model, PollsOnlyWhileOnAndLogsSwallowedClicksOncePerRefresh)
{
    DebugModel model(services());
    clock.advance(1s);
    EXPECT_EQ(clock.pending(), 0u) << "no timer before polling is switched on";
    model.setPolling(true);
    model.setPolling(true); // one timer, not two
    EXPECT_EQ(model.actuatorStatus(), "not opened") << "the first refresh runs at once";

    // Three clicks in a gesture between two refreshes; observed only (no service), they went on.
    clickGuard.observe({GestureEvent::sliderBegan(Zone::right)}, GestureConfig(), 10);
    for (int button = 0; button < 3; ++button)
        clickGuard.press(button, 10);
    clock.advance(DebugModel::pollInterval * (DebugModel::ticksPerRefresh - 1));
    EXPECT_TRUE(model.log().isEmpty()) << "not before the 30th tick";
    clock.advance(DebugModel::pollInterval);
    EXPECT_EQ(texts(model),
              QStringList{"3 click(s) during a gesture reached the desktop: the touchpad is observed only"});
    clock.advance(DebugModel::pollInterval * DebugModel::ticksPerRefresh);
    EXPECT_EQ(model.log().size(), 1) << "an unchanged count logs nothing";

    pipeline.setEnabled(false);
    pipeline.waitUntilProcessed();
    clock.advance(DebugModel::pollInterval);
    EXPECT_FALSE(model.snapshot().isEnabled); // the snapshot follows the pipeline on the next tick

    model.setPolling(false);
    const auto ticks = model.ticks();
    clock.advance(10s);
    EXPECT_EQ(model.ticks(), ticks);
    EXPECT_EQ(clock.pending(), 0u) << "the stale tick does not schedule another";
}

TEST_F(Model, PassingRecordingIsSavedUnderItsLocalTimeNameAndLoggedOk)
{
    DebugModel model(services());
    model.stopRecording(); // nothing to stop: nothing happens
    EXPECT_FALSE(model.isSaving() || model.lastResult() || !model.log().isEmpty());
    model.setNote(QStringLiteral("desk"));
    model.startRecording();
    EXPECT_EQ(texts(model).last(), QStringLiteral("\u25CF recording normalWork"));
    pipeline.submitFrame(TouchFrame{1.0, {}});
    model.stopRecording();
    waitForSave(model);

    ASSERT_TRUE(model.lastResult());
    EXPECT_EQ(model.lastResult()->fileName, "normalWork-20250303-140509.trace");
    EXPECT_EQ(texts(model).last(), QStringLiteral("\u25A0 saved normalWork-20250303-140509.trace: OK"));

    const Trace trace = savedTrace(model);
    EXPECT_EQ(trace.header.label, TraceLabel::normalWork);
    EXPECT_EQ(trace.header.note, "desk");
    EXPECT_EQ(trace.header.hardwareModel, "Test Laptop 1.0");
    EXPECT_TRUE(trace.header.hasContextEvents);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(trace.header.recordedAt.time_since_epoch()).count(),
              now.toMSecsSinceEpoch());
}

TEST_F(Model, FailingRecordingListsItsProblemsAndHasNoContextWithoutPermission)
{
    granted = false;
    permissions.refresh();
    DebugModel model(services());
    model.setLabel(TraceLabel::rightSlideUp);
    model.startRecording();
    pipeline.submitFrame(TouchFrame{1.0, {}});
    pipeline.submitFrame(TouchFrame{1.5, {}});
    model.stopRecording();
    waitForSave(model);

    ASSERT_TRUE(model.lastResult());
    EXPECT_EQ(model.lastResult()->frames, 2);
    EXPECT_DOUBLE_EQ(model.lastResult()->duration, 0.5);
    const auto& problems = model.lastResult()->verdict.problems;
    ASSERT_GE(problems.size(), 1u);
    QStringList joined;
    for (const auto& problem : problems)
        joined.append(QString::fromStdString(problem));
    EXPECT_EQ(texts(model).last(),
              QStringLiteral("\u25A0 saved rightSlideUp-20250303-140509.trace: ") + joined.join("; "));

    EXPECT_FALSE(savedTrace(model).header.hasContextEvents);
}

TEST_F(Model, RecordingStopsItselfAfter45MinutesUnlessStoppedBefore)
{
    DebugModel model(services());
    model.startRecording();
    model.stopRecording();
    waitForSave(model);
    ASSERT_TRUE(model.lastResult()); // without touch input: no label matches
    EXPECT_EQ(model.lastResult()->verdict.problems, std::vector<std::string>{"No touch input was recorded"});
    clock.advance(60s);
    model.setLabel(TraceLabel::leftSlideUp);
    model.startRecording(); // begun before the first one's 45 minutes are up
    EXPECT_FALSE(model.lastResult());
    clock.advance(DebugModel::autoStopAfter - 60s);
    EXPECT_TRUE(model.isRecording()) << "the first recording's stop must not end the second";
    clock.advance(59s);
    EXPECT_TRUE(model.isRecording());
    clock.advance(1s);
    EXPECT_FALSE(model.isRecording());
    waitForSave(model);
    ASSERT_TRUE(model.lastResult());
    EXPECT_TRUE(texts(model).last().startsWith(QStringLiteral("\u25A0 saved leftSlideUp-20250303-140509.trace: ")));
}

TEST_F(Model, SaveIntoUnwritableFolderFails)
{
    // A folder below a regular file cannot be made, even by root.
    ASSERT_TRUE(QFile(tracesDir.filePath("file")).open(QIODevice::WriteOnly));
    DebugModel model(services(tracesDir.filePath("file/Traces")));
    model.startRecording();
    model.stopRecording();
    waitForSave(model);
    EXPECT_FALSE(model.lastResult());
    ASSERT_TRUE(model.lastError());
    EXPECT_EQ(texts(model).last(), QStringLiteral("\u25A0 saving failed: ") + *model.lastError());
}

TEST_F(Model, WindowActionsAndTheSelfTestGoThroughTheirSeamsAndAreLogged)
{
    auto s = services(tracesDir.filePath("sub/Traces"));
    std::function<void(QString)> finish;
    s.runSelfTest = [&](std::function<void(QString)> done) { finish = std::move(done); };
    DebugModel model(std::move(s));
    model.showTracesFolder();
    EXPECT_EQ(revealed, tracesDir.filePath("sub/Traces"));
    EXPECT_TRUE(QDir(revealed).exists());
    model.copyTuningValues(); // no clipboard here: only logged
    model.testActuator(6);    // no open actuator: a failure
    model.runSelfTest();
    ASSERT_TRUE(finish);
    finish(QStringLiteral("2/2 checks passed"));
    EXPECT_EQ(texts(model), (QStringList{"tuning values copied to the clipboard", "actuator 6: not opened",
                                         "self-test: 2/2 checks passed"}));
}

} // namespace
} // namespace rimglider
