// The menu panel and the tray icon that opens it.
#include "MenuBarLabel.h"
#include "MenuView.h"

#include "Appearance.h"
#include "BrightnessController.h"
#include "Translations.h"
#include "VolumeController.h"
#include "WindowTestServices.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace rimglider {
namespace {

using Kind = TouchInput::Status::Kind;

// The panel on the window services with access granted, controllers that are not started (no
// sound server, no backlight: the unavailable states) and a touch-input status the test sets.
struct PanelObjects : test::WindowTestServices {
    PanelObjects() { grant(); }

    std::unique_ptr<MenuView> makeView()
    {
        return std::make_unique<MenuView>(MenuView::Sources{settings, volume, brightness, permissions, updates,
                                                            [this] { return touch; }, [this] { return hasFeed; }},
                                          MenuView::Actions{});
    }

    VolumeController volume{[](int, bool) {},
                            {.server = QStringLiteral("unix:/nonexistent/native"),
                             .firstRetry = std::chrono::hours(1),
                             .longestRetry = std::chrono::hours(1)}};
    BrightnessController brightness{[](int, bool) {}};
    TouchInput::Status touch = TouchInput::Status::running(1);
    bool hasFeed = false;
};

class MenuViewTest : public ::testing::Test {
  protected:
    PanelObjects objects;
};

TEST_F(MenuViewTest, StatusLineTakesTheFirstMatchingRuleWithItsColour)
{
    using Status = TouchInput::Status;
    auto view = objects.makeView();
    const QPalette& palette = view->palette();
    const QColor dim = palette.color(QPalette::PlaceholderText);
    const struct {
        Status touch;
        bool granted;
        bool enabled;
        const char* text;
        QColor colour;
    } cases[] = {
        // Without the service the touchpads are unknown, not absent: access is what is missing.
        {Status::unavailable(TouchInput::notAvailableMessage), false, true, "Needs access",
         Appearance::orange(palette)},
        {Status::unavailable(TouchInput::notAvailableMessage), true, true, "Needs access", Appearance::orange(palette)},
        {Status::unavailable(TouchInput::noTrackpadMessage), true, true, "No trackpad", Appearance::red(palette)},
        {Status::running(1), false, true, "Needs access", Appearance::orange(palette)},
        {Status::running(1), true, true, "Ready", Appearance::green(palette)},
        {Status::running(1), true, false, "Off", dim},
        {Status::stopped(), true, false, "Off", dim}, // stopped is not "unavailable"
    };
    for (const auto& c : cases) {
        objects.touch = c.touch;
        objects.settings.setEnabled(c.enabled);
        objects.granted = c.granted;
        objects.permissions.refresh(); // the signal alone updates the line when the grant changes
        view->refresh();
        EXPECT_EQ(view->statusLineText(), QString::fromLatin1(c.text)) << c.touch.message << c.granted;
        EXPECT_EQ(view->statusLineColor(), c.colour) << c.text;
        EXPECT_EQ(view->bannerShown(), !c.granted) << c.text;
    }
}

TEST_F(MenuViewTest, TilesShowTheLevelOrWhyThereIsNone)
{
    ValueTile tile;
    tile.setContent(MenuView::volumeTile(false, true, 0.456f, QStringLiteral("Speakers")));
    EXPECT_EQ(tile.accessibleName(), QStringLiteral("Volume, 46%, Speakers"));
    // Not adjustable: no level even if one was read.
    EXPECT_FALSE(MenuView::volumeTile(false, false, 0.5f, QStringLiteral("HDMI Output")).value);
    // Halves round away from zero; levels above full (a boosted sink) still read.
    EXPECT_EQ(ValueTile::percentText(0.005f), QStringLiteral("1%"));
    EXPECT_EQ(ValueTile::percentText(1.5f), QStringLiteral("150%"));

    auto view = objects.makeView(); // services that never started: nothing to show
    EXPECT_EQ(view->volumeTileWidget()->unavailableText(), QStringLiteral("Not adjustable"));
    EXPECT_EQ(view->brightnessTileWidget()->unavailableText(), QStringLiteral("No built-in display"));
}

// A feed configured while Rimglider runs counts from the next time the menu opens.
TEST_F(MenuViewTest, UpdateChecksAreOfferedOnceAFeedIsConfigured)
{
    auto view = objects.makeView();
    EXPECT_FALSE(view->checkForUpdatesAction()->isEnabled());
    objects.hasFeed = true;
    emit view->moreMenu()->aboutToShow();
    EXPECT_TRUE(view->checkForUpdatesAction()->isEnabled());
    view->checkForUpdatesAction()->trigger(); // without an updater: nothing, and no check recorded
    EXPECT_FALSE(objects.updates.lastCheck());
}

// The panel in the locale's language from the first folder holding its catalogue, else in
// English. The test catalogue (Esperanto) translates one label.
TEST_F(MenuViewTest, ShowsTheLocalesLanguageWhereACatalogueExists)
{
    const QString built = QStringLiteral(RIMGLIDER_TEST_TRANSLATIONS);
    for (const auto& [folders, label] : {std::pair{QStringList{"/nonexistent", built}, "Randaj gestoj"},
                                         std::pair{QStringList{"/nonexistent"}, "Edge gestures"}}) {
        Translations translations;
        EXPECT_EQ(translations.install(QLocale(QLocale::Esperanto), folders), folders.size() == 2);
        const auto view = objects.makeView();
        QStringList texts;
        for (const QLabel* shown : view->findChildren<QLabel*>())
            texts << shown->text();
        EXPECT_TRUE(texts.contains(QString::fromUtf8(label))) << texts.join(u'|').toStdString();
    }
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
