// The debug window's tuning panel on the offscreen platform; the Xvfb screenshot run opens the
// whole window.
#include "TestStore.h"
#include "TuningPanel.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

using namespace rimglider;

namespace {

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
