// The shared widgets and the bundled icons.
#include "Icons.h"
#include "SliderRow.h"

#include <QImage>
#include <QSignalSpy>
#include <QSlider>
#include <gtest/gtest.h>

namespace rimglider {
namespace {

// The share of pixels a drawing covers.
double coverage(const QPixmap& pixmap)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int covered = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            covered += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return double(covered) / (image.width() * image.height());
}

TEST(Icons, EverySymbolTheWindowsUseHasABundledDrawingAndTheTrayIconsRender)
{
    for (const QString& name : Icons::symbolNames()) {
        const std::string symbol = name.toStdString();
        ASSERT_TRUE(Icons::hasBundledFallback(name)) << symbol;
        ASSERT_TRUE(Icons::themeName(name).endsWith(u"-symbolic")) << symbol; // one family, drawn in one colour
        const double covered = coverage(QIcon(":/rimglider/icons/" + name + ".svg").pixmap(QSize(32, 32)));
        EXPECT_TRUE(covered > 0.04 && covered < 0.9) << symbol << ": " << covered;
    }
    EXPECT_TRUE(Icons::symbol(QStringLiteral("no.such.symbol")).isNull());
    for (const QIcon& icon : {Icons::application(), Icons::menuBar(true), Icons::menuBar(false)})
        EXPECT_GT(coverage(icon.pixmap(QSize(22, 22), 2.0)), 0.05);
}

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
