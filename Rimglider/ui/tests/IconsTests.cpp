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

TEST(Appearance, ForcedPalettesAreLightAndDarkAndSystemGivesTheDesktopsBack)
{
    const QColor original = QApplication::palette().color(QPalette::Window);
    Appearance::apply(AppSettings::AppearanceMode::dark);
    EXPECT_TRUE(Appearance::isDark(QApplication::palette()));
    Appearance::apply(AppSettings::AppearanceMode::light);
    EXPECT_FALSE(Appearance::isDark(QApplication::palette()));
    Appearance::apply(AppSettings::AppearanceMode::system);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), original);
}

} // namespace
} // namespace rimglider
