#include "MenuView.h"

#include "Appearance.h"
#include "OptionRow.h"
#include "PanelFixture.h"
#include "PulseServer.h"
#include "SliderRow.h"
#include "ToggleSwitch.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace rimglider {
namespace {

using Kind = TouchInput::Status::Kind;

class MenuViewTest : public ::testing::Test {
  protected:
    test::PanelFixture objects;
};

TEST_F(MenuViewTest, StatusLineTakesTheFirstMatchingRuleWithItsColour)
{
    auto view = objects.makeView();
    const QPalette& palette = view->palette();
    objects.touch = TouchInput::Status::unavailable(TouchInput::notAvailableMessage);
    objects.granted = false;
    objects.permissions.refresh();
    view->refresh();
    EXPECT_EQ(view->statusLineText(), QStringLiteral("No trackpad")); // before missing access
    EXPECT_EQ(view->statusLineColor(), Appearance::red(palette));
    objects.touch = TouchInput::Status::running(1);
    view->refresh();
    EXPECT_EQ(view->statusLineText(), QStringLiteral("Needs access"));
    EXPECT_EQ(view->statusLineColor(), Appearance::orange(palette));
    EXPECT_TRUE(view->bannerShown());
    objects.granted = true;
    objects.permissions.refresh(); // the signal alone updates the line
    EXPECT_EQ(view->statusLineText(), QStringLiteral("Ready"));
    EXPECT_EQ(view->statusLineColor(), Appearance::green(palette));
    EXPECT_FALSE(view->bannerShown());
    objects.settings.setEnabled(false);
    EXPECT_EQ(view->statusLineText(), QStringLiteral("Off"));
    objects.touch = TouchInput::Status::stopped(); // stopped is not "unavailable"
    view->refresh();
    EXPECT_EQ(view->statusLineText(), QStringLiteral("Off"));
}

TEST_F(MenuViewTest, TilesShowTheLevelOrWhyThereIsNone)
{
    ValueTile tile;
    tile.setContent(MenuView::volumeTile(false, true, 0.456f, QStringLiteral("Speakers")));
    EXPECT_EQ(tile.accessibleName(), QStringLiteral("Volume, 46%, Speakers"));
    EXPECT_TRUE(tile.showsBar());
    // Muted: the title and symbol say so; the level still shows.
    const auto muted = MenuView::volumeTile(true, true, 0.3f, QStringLiteral("Speakers"));
    EXPECT_EQ(muted.title, QStringLiteral("Volume (muted)"));
    EXPECT_EQ(muted.symbol, QStringLiteral("speaker.slash.fill"));
    EXPECT_EQ(muted.value, 0.3f);
    // Not adjustable: no level even if one was read, and the device name stays.
    const auto fixed = MenuView::volumeTile(false, false, 0.5f, QStringLiteral("HDMI Output"));
    EXPECT_FALSE(fixed.value);
    EXPECT_EQ(fixed.detail, QStringLiteral("HDMI Output"));
    // Halves round away from zero; levels above full (a boosted sink) still read.
    EXPECT_EQ(ValueTile::percentText(0.005f), QStringLiteral("1%"));
    EXPECT_EQ(ValueTile::percentText(1.5f), QStringLiteral("150%"));

    auto view = objects.makeView(); // services that never started: nothing to show
    EXPECT_EQ(view->volumeTileWidget()->unavailableText(), QStringLiteral("Not adjustable"));
    EXPECT_EQ(view->brightnessTileWidget()->unavailableText(), QStringLiteral("No built-in display"));
    EXPECT_FALSE(view->volumeTileWidget()->showsBar() || view->brightnessTileWidget()->showsBar());
}

TEST_F(MenuViewTest, VolumeTileFollowsTheSoundServerLive)
{
    testing::PulseServer server;
    ASSERT_TRUE(server.start());
    VolumeController volume([](int, bool) {}, test::PanelFixture::volumeOptions(server.address()));
    auto view = std::make_unique<MenuView>(
        MenuView::Sources{objects.settings, volume, objects.brightness, objects.permissions, objects.updates,
                          [] { return TouchInput::Status::running(1); }, [] { return false; }},
        MenuView::Actions{});
    volume.start();
    ValueTile* tile = view->volumeTileWidget();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tile->detailText() == QLatin1String("Speakers"); }, 5000));

    // 29884 / 65536 = 0.45599…
    ASSERT_TRUE(server.pactl({QStringLiteral("set-sink-volume"), QStringLiteral("speakers"), QStringLiteral("29884")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tile->valueText() == QLatin1String("46%"); }, 5000))
        << tile->valueText().toStdString();

    // Switched off: the options go grey, the tiles stay live.
    objects.settings.setEnabled(false);
    EXPECT_FALSE(view->optionsBlock()->isEnabled());
    ASSERT_TRUE(server.pactl({QStringLiteral("set-sink-mute"), QStringLiteral("speakers"), QStringLiteral("1")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tile->titleText() == QLatin1String("Volume (muted)"); }, 5000));

    ASSERT_TRUE(server.pactl({QStringLiteral("set-default-sink"), QStringLiteral("headphones")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tile->detailText() == QLatin1String("Headphones"); }, 5000));

    // The server goes away: the tile says so instead of showing an old level.
    ASSERT_TRUE(server.stop());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tile->unavailableText() == QLatin1String("Not adjustable"); }, 5000));
    EXPECT_FALSE(tile->showsBar());
}

TEST_F(MenuViewTest, TilesSitInTheOrderOfTheEdges)
{
    auto view = objects.makeView();
    view->show();
    const auto leftIsLeft = [&] {
        return view->leftTile()->mapTo(view.get(), QPoint()).x() < view->rightTile()->mapTo(view.get(), QPoint()).x();
    };
    EXPECT_EQ(view->leftTile(), view->brightnessTileWidget());
    EXPECT_TRUE(leftIsLeft());
    objects.settings.setSwapSides(true);
    QApplication::processEvents();
    EXPECT_EQ(view->leftTile(), view->volumeTileWidget());
    EXPECT_TRUE(leftIsLeft());
}

TEST_F(MenuViewTest, SwitchesPickersAndSlidersWriteThroughAndFollowTheSettings)
{
    auto view = objects.makeView();
    view->masterSwitch()->click();
    EXPECT_FALSE(objects.settings.isEnabled());
    EXPECT_FALSE(view->optionsBlock()->isEnabled());
    objects.settings.setEnabled(true);
    EXPECT_TRUE(view->masterSwitch()->isChecked());

    view->tapToPlayRow()->toggle()->click();
    EXPECT_TRUE(objects.settings.tapToPlay());
    objects.settings.setQuickMute(false);
    EXPECT_FALSE(view->quickMuteRow()->isOn());

    QComboBox* haptic = view->hapticPicker();
    EXPECT_EQ(haptic->currentText(), QStringLiteral("Strong"));
    objects.settings.setHapticStrength(AppSettings::HapticStrength::light);
    EXPECT_EQ(haptic->currentText(), QStringLiteral("Soft"));
    haptic->setCurrentIndex(0);
    EXPECT_EQ(objects.settings.hapticStrength(), AppSettings::HapticStrength::off);

    SliderRow* sensitivity = view->sensitivityRow();
    sensitivity->slider()->setValue(sensitivity->slider()->maximum()); // written while dragging
    EXPECT_DOUBLE_EQ(objects.settings.sensitivity(), 3.0);
    EXPECT_EQ(sensitivity->displayText(), QStringLiteral("3.0×"));
    objects.settings.setEdgeWidth(0.05);
    EXPECT_EQ(view->edgeWidthRow()->displayText(), QStringLiteral("5%"));
}

TEST_F(MenuViewTest, FooterEntriesShortcutsAndUpdateChecks)
{
    auto view = objects.makeView();
    QStringList entries;
    for (QAction* action : view->moreMenu()->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(entries, (QStringList{QStringLiteral("About Rimglider"), QStringLiteral("Check for Updates…"),
                                    QStringLiteral("Welcome Guide…"), QStringLiteral("Debug Window…"),
                                    QStringLiteral("-"), QStringLiteral("Quit Rimglider")}));
    // No debug window in this build: the entry says so instead of doing nothing.
    EXPECT_FALSE(view->debugWindowAction()->isEnabled());
    EXPECT_EQ(view->debugWindowAction()->toolTip(), MenuView::debugUnavailableTip);
    EXPECT_TRUE(objects.makeView(true)->debugWindowAction()->isEnabled());
    const QList<QAction*> actions = view->moreMenu()->actions();
    actions[0]->trigger();
    actions[2]->trigger();
    view->quitButton()->click();

    // A feed configured while Rimglider runs counts from the next time the menu opens.
    EXPECT_FALSE(view->checkForUpdatesAction()->isEnabled());
    objects.hasFeed = true;
    emit view->moreMenu()->aboutToShow();
    EXPECT_TRUE(view->checkForUpdatesAction()->isEnabled());
    view->checkForUpdatesAction()->trigger(); // without an updater: nothing, and no check recorded
    EXPECT_FALSE(objects.updates.lastCheck());

    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QTest::keyClick(view->masterSwitch(), Qt::Key_Comma, Qt::ControlModifier);
    QTest::keyClick(view->masterSwitch(), Qt::Key_Q, Qt::ControlModifier);
    view->masterSwitch()->setFocus();
    QTest::keyClick(view->masterSwitch(), Qt::Key_Space); // flips the focused switch
    EXPECT_FALSE(objects.settings.isEnabled());
    EXPECT_EQ(std::tuple(objects.aboutShown, objects.guideShown, objects.settingsShown, objects.quits),
              std::tuple(1, 1, 1, 2));
}

} // namespace
} // namespace rimglider
