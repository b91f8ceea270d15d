#include "Icons.h"

#include "Appearance.h"

#include <QApplication>
#include <QImage>
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

const QStringList symbols{QStringLiteral("speaker.wave.2.fill"),
                          QStringLiteral("speaker.slash.fill"),
                          QStringLiteral("speaker.slash"),
                          QStringLiteral("sun.max.fill"),
                          QStringLiteral("forward"),
                          QStringLiteral("playpause"),
                          QStringLiteral("hand.tap"),
                          QStringLiteral("hand.draw"),
                          QStringLiteral("gearshape"),
                          QStringLiteral("ellipsis.circle"),
                          QStringLiteral("power"),
                          QStringLiteral("info.circle"),
                          QStringLiteral("checkmark.circle.fill"),
                          QStringLiteral("checkmark.shield.fill"),
                          QStringLiteral("hand.raised.square.fill"),
                          QStringLiteral("circle"),
                          QStringLiteral("wifi"),
                          QStringLiteral("battery.75percent"),
                          QStringLiteral("arrow.up")};

TEST(Icons, EverySymbolHasAThemeNameAndABundledDrawing)
{
    for (const QString& symbol : symbols) {
        SCOPED_TRACE(symbol.toStdString());
        EXPECT_TRUE(Icons::themeName(symbol).endsWith(QLatin1String("-symbolic")));
        ASSERT_TRUE(Icons::hasBundledFallback(symbol));
        // The bundled drawing renders on its own, whatever the theme holds.
        const QIcon bundled(QStringLiteral(":/rimglider/icons/") + symbol + QStringLiteral(".svg"));
        const double covered = coverage(bundled.pixmap(QSize(32, 32)));
        EXPECT_GT(covered, 0.04);
        EXPECT_LT(covered, 0.9);
        EXPECT_FALSE(Icons::symbol(symbol).isNull());
    }
    EXPECT_TRUE(Icons::symbol(QStringLiteral("no.such.symbol")).isNull());
}

TEST(Icons, ApplicationAndTrayIconsRenderAtTrayAndHiDpiSizes)
{
    for (const QIcon& icon : {Icons::application(), Icons::menuBar(true), Icons::menuBar(false)}) {
        EXPECT_GT(coverage(icon.pixmap(QSize(22, 22))), 0.05);
        EXPECT_GT(coverage(icon.pixmap(QSize(22, 22), 2.0)), 0.05);
    }
    EXPECT_EQ(Icons::menuBarName(true), QStringLiteral("MenuBarIcon"));
    EXPECT_EQ(Icons::menuBarName(false), QStringLiteral("MenuBarIconOff"));
}

TEST(Icons, TintingKeepsTheShapeAndTakesTheColourAtTheDevicePixelRatio)
{
    const QPixmap tinted =
        Icons::tinted(Icons::symbol(QStringLiteral("power")), QColor(10, 200, 30), QSize(16, 16), 2.0);
    EXPECT_EQ(tinted.size(), QSize(32, 32));
    EXPECT_DOUBLE_EQ(tinted.devicePixelRatio(), 2.0);
    const QImage image = tinted.toImage().convertToFormat(QImage::Format_ARGB32);
    bool sawOpaque = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255) {
                sawOpaque = true;
                EXPECT_EQ(QColor(image.pixel(x, y)).rgb(), QColor(10, 200, 30).rgb());
            }
    EXPECT_TRUE(sawOpaque);
}

TEST(Appearance, ForcedPalettesAreLightAndDarkAndSystemGivesTheDesktopsBack)
{
    EXPECT_FALSE(Appearance::isDark(Appearance::light()));
    EXPECT_TRUE(Appearance::isDark(Appearance::dark()));
    const QColor original = QApplication::palette().color(QPalette::Window);
    Appearance::apply(AppSettings::AppearanceMode::dark);
    EXPECT_TRUE(Appearance::isDark(QApplication::palette()));
    Appearance::apply(AppSettings::AppearanceMode::light);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), Appearance::light().color(QPalette::Window));
    Appearance::apply(AppSettings::AppearanceMode::system);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), original);
    // Status colours differ between the palettes, each legible on its own background.
    EXPECT_NE(Appearance::green(Appearance::light()), Appearance::green(Appearance::dark()));
}

} // namespace
} // namespace rimglider
