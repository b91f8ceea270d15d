#include "SliderRow.h"

#include <QSignalSpy>
#include <QSlider>
#include <gtest/gtest.h>

namespace rimglider {
namespace {

TEST(SliderRow, EmitsOnlyForTheUsersChangesAndShowsStoredValuesAsTheyAre)
{
    SliderRow row(QStringLiteral("Sensitivity"), 0.5, 3.0, [](double v) { return SliderRow::sensitivityText(v); });
    QSignalSpy changes(&row, &SliderRow::valueChanged);
    row.setValue(1.5);
    EXPECT_EQ(changes.size(), 0);
    EXPECT_EQ(row.slider()->value(), 400); // (1.5 − 0.5) / 2.5 of 1000
    row.slider()->triggerAction(QSlider::SliderPageStepAdd);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_NEAR(changes.front().front().toDouble(), 1.75, 1e-9);
    row.setValue(7.0); // beyond the range: the text says so, the slider stops at its end
    EXPECT_EQ(row.displayText(), SliderRow::sensitivityText(7.0));
    EXPECT_EQ(row.slider()->value(), row.slider()->maximum());

    EXPECT_EQ(SliderRow::sensitivityText(1.5, QLocale(QLocale::German, QLocale::Germany)), QStringLiteral("1,5×"));
    // Halves go up, even where binary fractions land just below them (0.145 × 100 = 14.4999…).
    EXPECT_EQ(SliderRow::edgeWidthText(0.145), QStringLiteral("15%"));
    EXPECT_EQ(SliderRow::edgeWidthText(0.1449), QStringLiteral("14%"));
}

} // namespace
} // namespace rimglider
