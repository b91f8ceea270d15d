// The debug window's texts and the tuning panel's writes on the offscreen platform; the Xvfb
// screenshot run opens the whole window.
#include "DebugView.h"
#include "TestStore.h"
#include "TuningPanel.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

using namespace rimglider;
using GestureEngineKit::TouchSample;
using GestureEngineKit::Zone;

namespace {

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
