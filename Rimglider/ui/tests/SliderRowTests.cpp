#include "SliderRow.h"

#include <QSignalSpy>
#include <QSlider>
#include <gtest/gtest.h>

namespace rimglider {
namespace {

TEST(SliderRowFormats, SensitivityHasOneFractionDigitInTheLocale)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(SliderRow::sensitivityText(1.0, english), QStringLiteral("1.0×"));
    EXPECT_EQ(SliderRow::sensitivityText(1.5, english), QStringLiteral("1.5×"));
    EXPECT_EQ(SliderRow::sensitivityText(0.5, english), QStringLiteral("0.5×"));
    EXPECT_EQ(SliderRow::sensitivityText(2.96, english), QStringLiteral("3.0×"));
    EXPECT_EQ(SliderRow::sensitivityText(1.5, german), QStringLiteral("1,5×"));
    EXPECT_EQ(SliderRow::sensitivityText(1.0, german), QStringLiteral("1,0×"));
    // No group separators creep in for large stored values.
    EXPECT_EQ(SliderRow::sensitivityText(1234.0, english).count(QLatin1Char(',')), 0);
}

TEST(SliderRowFormats, EdgeWidthIsTheNearestWholePercentage)
{
    EXPECT_EQ(SliderRow::edgeWidthText(0.05), QStringLiteral("5%"));
    EXPECT_EQ(SliderRow::edgeWidthText(0.08), QStringLiteral("8%"));
    EXPECT_EQ(SliderRow::edgeWidthText(0.03), QStringLiteral("3%"));
    EXPECT_EQ(SliderRow::edgeWidthText(0.15), QStringLiteral("15%"));
    // Halves go up, even where binary fractions land just below them (0.145 × 100 = 14.4999…).
    EXPECT_EQ(SliderRow::edgeWidthText(0.125), QStringLiteral("13%"));
    EXPECT_EQ(SliderRow::edgeWidthText(0.145), QStringLiteral("15%"));
    EXPECT_EQ(SliderRow::edgeWidthText(0.1449), QStringLiteral("14%"));
}

TEST(SliderRow, EmitsOnlyForTheUsersChanges)
{
    SliderRow row(QStringLiteral("Sensitivity"), 0.5, 3.0, [](double v) { return SliderRow::sensitivityText(v); });
    QSignalSpy changes(&row, &SliderRow::valueChanged);
    row.setValue(1.5);
    EXPECT_EQ(changes.size(), 0);
    EXPECT_DOUBLE_EQ(row.value(), 1.5);
    EXPECT_EQ(row.displayText(), SliderRow::sensitivityText(1.5));
    EXPECT_EQ(row.slider()->value(), 400); // (1.5 − 0.5) / 2.5 of 1000

    row.slider()->triggerAction(QSlider::SliderPageStepAdd);
    ASSERT_EQ(changes.size(), 1);
    EXPECT_NEAR(changes.front().front().toDouble(), 1.75, 1e-9);
    EXPECT_NEAR(row.value(), 1.75, 1e-9);
    row.slider()->setValue(0);
    EXPECT_DOUBLE_EQ(changes.back().front().toDouble(), 0.5);
}

TEST(SliderRow, StoredValuesOutsideTheRangeShowAsTheyAre)
{
    SliderRow row(QStringLiteral("Edge Width"), 0.03, 0.15, &SliderRow::edgeWidthText);
    row.setValue(0.4);
    EXPECT_EQ(row.displayText(), QStringLiteral("40%"));
    EXPECT_EQ(row.slider()->value(), row.slider()->maximum());
    row.setValue(-1);
    EXPECT_EQ(row.slider()->value(), 0);
    EXPECT_EQ(row.title(), QStringLiteral("Edge Width"));
}

} // namespace
} // namespace rimglider
