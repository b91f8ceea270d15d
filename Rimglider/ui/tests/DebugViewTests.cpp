// The debug window's views on the offscreen platform: the status and engine lines, the drawn
// touchpad, the recording controls and the tuning panel's writes.
#include "DebugModel.h"
#include "DebugView.h"
#include "TestStore.h"
#include "TrackpadMapView.h"
#include "TuningPanel.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

using namespace rimglider;
using GestureEngineKit::TouchSample;
using GestureEngineKit::Zone;

namespace {

QStringList labelNames()
{
    QStringList names;
    for (const auto label : GestureEngineKit::allTraceLabels)
        names << DebugModel::displayName(label);
    return names;
}

TEST(DebugViewTexts, EngineSummaryInTheLocaleAndTouchLinesInOneFormat)
{
    GesturePipeline::Snapshot snapshot;
    snapshot.isEnabled = false;
    snapshot.config.enabledZones = {Zone::right, Zone::bottom};
    snapshot.config.edgeWidth = 0.129; // truncated, not rounded
    EXPECT_EQ(DebugView::engineSummary(snapshot, QLocale(QLocale::German, QLocale::Germany)),
              "Engine off · zones: bottom, right · edge 12% · step 2,5 mm · activation 2 mm · surface 125×78 mm");
    TouchSample sample;
    sample.id = 7;
    sample.state = 4;
    sample.x = 0.5f;
    sample.y = 0.25f;
    sample.absoluteX = 1200;
    sample.majorAxis = 9.31f;
    QLocale::setDefault(QLocale(QLocale::German)); // a diagnostic format: the points stay
    EXPECT_EQ(DebugView::touchLine(sample), "#7 s4  x 0.500  y 0.250  abs 1200.0, 0.0  major 9.3");
    QLocale::setDefault(QLocale::c());
}

TEST(DebugViewRecording, ControlsFollowTheRecordingStateAndReportResults)
{
    QStringList calls;
    DebugView::Actions actions;
    actions.startRecording = [&] { calls << "start"; };
    actions.stopRecording = [&] { calls << "stop"; };
    DebugView view(actions, labelNames(), nullptr);
    const QDateTime now(QDate(2026, 3, 10), QTime(12, 0));
    view.setClock([&] { return now; });
    DebugView::State state;
    view.setState(state);
    view.recordButton()->click();
    state.recordingStartedAt = now.addSecs(-75);
    view.setState(state);
    EXPECT_FALSE(view.labelPicker()->isEnabled());
    EXPECT_EQ(view.elapsedLabel()->text(), "● 1:15");
    view.recordButton()->click();
    EXPECT_EQ(calls, (QStringList{"start", "stop"}));

    state.recordingStartedAt.reset();
    state.isSaving = true; // no second recording until this one is saved
    state.lastResult = DebugView::RecordingResult{.fileName = QStringLiteral("leftSlideUp-20260310-120000.trace"),
                                                  .duration = 125.9,
                                                  .frames = 4000,
                                                  .claims = 9,
                                                  .actions = 31,
                                                  .verdict = {}};
    const struct {
        int frames;
        std::vector<std::string> problems;
        const char* verdict;
        const char* problemsShown; // empty: hidden
    } results[] = {
        {4000, {"no slider began", "2 taps"}, "Engine result does not match the label", "no slider began\n2 taps"},
        {4000, {}, "Engine result matches the label", ""},
        {0, {"No touch input was recorded"}, "No touch input was recorded", ""}, // never a match
    };
    for (const auto& r : results) {
        state.lastResult->frames = r.frames;
        state.lastResult->verdict.problems = r.problems;
        view.setState(state);
        EXPECT_EQ(view.verdictLabel()->text(), r.verdict);
        EXPECT_EQ(view.problemsLabel()->isHidden() ? QString() : view.problemsLabel()->text(), r.problemsShown);
    }
    EXPECT_FALSE(view.recordButton()->isEnabled());
    EXPECT_EQ(view.resultDetailsLabel()->text(),
              "leftSlideUp-20260310-120000.trace · 2:05 · 0 frames · 9 claims · 31 actions");
}

TEST(TuningPanel, SlidersWriteTheirRecordAndFollowChangesMadeElsewhere)
{
    test::TestStore store;
    AppSettings settings{store.settings()};
    TuningSettings tuning{store.settings()};
    TuningPanel panel{tuning, settings, {}};
    QSignalSpy changes(&tuning, &TuningSettings::valuesChanged);
    panel.slider(QStringLiteral("Step distance"))->setValue(30); // 1 … 8 in steps of 0.1
    EXPECT_EQ(panel.valueText(QStringLiteral("Step distance"))->text(), "4 mm");
    EXPECT_EQ(Tuning::fromJson(store.reopened()->value(TuningSettings::storeKey).toByteArray())->stepDistanceMM, 4.0);
    Tuning other = tuning.values();
    other.swipeMinDistanceMM = 20;
    tuning.setValues(other);
    EXPECT_EQ(panel.slider(QStringLiteral("Swipe distance"))->value(), 15);
    EXPECT_EQ(changes.count(), 2); // moving the slider to match wrote nothing back
    panel.resetButton()->click();
    EXPECT_EQ(tuning.values(), Tuning{});
    emit panel.enginePicker()->activated(8);
    EXPECT_EQ(tuning.values().actuatorID, 16);
}

} // namespace
