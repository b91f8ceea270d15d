#include "MenuBarLabel.h"

#include "WindowTestServices.h"

#include <gtest/gtest.h>

namespace rimglider {
namespace {

TEST(MenuBarLabel, IconFollowsWhetherGesturesRun)
{
    test::WindowTestServices objects; // access not granted
    MenuBarLabel label(objects.settings, objects.permissions,
                       [&] { return objects.settings.isEnabled() && objects.permissions.isAccessibilityGranted(); });
    EXPECT_EQ(label.iconName(), QStringLiteral("MenuBarIconOff"));
    objects.grant();
    EXPECT_EQ(label.iconName(), QStringLiteral("MenuBarIcon"));
    objects.settings.setEnabled(false);
    EXPECT_EQ(label.iconName(), QStringLiteral("MenuBarIconOff"));
}

TEST(MenuBarLabel, PanelOpensNextToTheIconAndInsideTheScreen)
{
    const QRect screen(0, 0, 1280, 800);
    const QSize panel(322, 600);
    // A top tray: below the icon, centred on it.
    EXPECT_EQ(MenuBarLabel::panelPosition(QRect(600, 0, 24, 24), {}, panel, screen), QPoint(451, 28));
    // A bottom tray: above the icon.
    EXPECT_EQ(MenuBarLabel::panelPosition(QRect(20, 776, 24, 24), {}, panel, screen), QPoint(0, 772 - 600));
    // Unknown icon place: next to the cursor, still inside.
    EXPECT_EQ(MenuBarLabel::panelPosition(QRect(), QPoint(1270, 790), panel, screen), QPoint(958, 178));
    // A screen smaller than the panel: its top-left corner.
    EXPECT_EQ(MenuBarLabel::panelPosition(QRect(), QPoint(10, 10), panel, QRect(0, 0, 200, 300)), QPoint(0, 0));
}

} // namespace
} // namespace rimglider
