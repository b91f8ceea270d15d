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
    // No touchpad wins over missing access.
    EXPECT_EQ(view->statusLineText(), QStringLiteral("No trackpad"));
    EXPECT_EQ(view->statusLineColor(), Appearance::red(palette));

    objects.touch = TouchInput::Status::running(1);
    view->refresh();
    EXPECT_EQ(view->statusLineText(), QStringLiteral("Needs access"));
    EXPECT_EQ(view->statusLineColor(), Appearance::orange(palette));

    objects.granted = true;
    objects.permissions.refresh(); // the signal alone updates the line
    EXPECT_EQ(view->statusLineText(), QStringLiteral("Ready"));
    EXPECT_EQ(view->statusLineColor(), Appearance::green(palette));

    objects.settings.setEnabled(false);
    EXPECT_EQ(view->statusLineText(), QStringLiteral("Off"));
    EXPECT_EQ(view->statusLineColor(), palette.color(QPalette::PlaceholderText));

    // A stopped touch input is not "unavailable".
    objects.touch = TouchInput::Status::stopped();
    view->refresh();
    EXPECT_EQ(view->statusLineText(), QStringLiteral("Off"));
}

TEST_F(MenuViewTest, BannerShowsOnlyWhileAccessIsMissingAndItsButtonAsksForAccess)
{
    objects.granted = false;
    objects.permissions.refresh();
    auto view = objects.makeView();
    EXPECT_TRUE(view->bannerShown());
    EXPECT_EQ(view->grantButton()->text(), QStringLiteral("Grant Access…"));

    // Without a system bus the request fails, and says so.
    QSignalSpy finished(&objects.permissions, &Permissions::accessRequestFinished);
    view->grantButton()->click();
    ASSERT_TRUE(finished.size() == 1 || finished.wait(5000));
    EXPECT_EQ(finished.front().front().value<Permissions::RequestOutcome>(), Permissions::RequestOutcome::failed);

    objects.granted = true;
    objects.permissions.refresh();
    EXPECT_FALSE(view->bannerShown());
}

TEST_F(MenuViewTest, TileContentsFollowTheLevelRules)
{
    using Content = ValueTile::Content;
    EXPECT_EQ(MenuView::volumeTile(false, true, 0.456f, QStringLiteral("Speakers")),
              (Content{QStringLiteral("Volume"), QStringLiteral("speaker.wave.2.fill"), 0.456f,
                       QStringLiteral("Not adjustable"), QStringLiteral("Speakers")}));
    // Muted: the title and symbol say so; the level still shows.
    const Content muted = MenuView::volumeTile(true, true, 0.3f, QStringLiteral("Speakers"));
    EXPECT_EQ(muted.title, QStringLiteral("Volume (muted)"));
    EXPECT_EQ(muted.symbol, QStringLiteral("speaker.slash.fill"));
    EXPECT_EQ(muted.value, 0.3f);
    // Not adjustable: no level even if one was read, and the device name stays.
    const Content fixed = MenuView::volumeTile(false, false, 0.5f, QStringLiteral("HDMI Output"));
    EXPECT_FALSE(fixed.value);
    EXPECT_EQ(fixed.detail, QStringLiteral("HDMI Output"));

    EXPECT_EQ(MenuView::brightnessTile(true, 0.7f).value, 0.7f);
    const Content dark = MenuView::brightnessTile(false, 0.7f);
    EXPECT_FALSE(dark.value);
    EXPECT_EQ(dark.unavailable, QStringLiteral("No built-in display"));
    EXPECT_TRUE(dark.detail.isEmpty());
}

TEST_F(MenuViewTest, UnavailableServicesShowTheirTextsAndNoBars)
{
    auto view = objects.makeView();
    ValueTile* volume = view->volumeTileWidget();
    EXPECT_EQ(volume->titleText(), QStringLiteral("Volume"));
    EXPECT_EQ(volume->unavailableText(), QStringLiteral("Not adjustable"));
    EXPECT_TRUE(volume->valueText().isEmpty());
    EXPECT_FALSE(volume->showsBar());
    EXPECT_TRUE(volume->detailText().isEmpty()); // no device, no name

    ValueTile* brightness = view->brightnessTileWidget();
    EXPECT_EQ(brightness->unavailableText(), QStringLiteral("No built-in display"));
    EXPECT_FALSE(brightness->showsBar());
    EXPECT_TRUE(brightness->detailText().isEmpty());
}

TEST_F(MenuViewTest, TileShowsPercentBarAndDetail)
{
    ValueTile tile;
    tile.setContent(MenuView::volumeTile(false, true, 0.456f, QStringLiteral("Speakers")));
    EXPECT_EQ(tile.valueText(), QStringLiteral("46%"));
    EXPECT_TRUE(tile.showsBar());
    EXPECT_TRUE(tile.unavailableText().isEmpty());
    EXPECT_EQ(tile.detailText(), QStringLiteral("Speakers"));
    EXPECT_EQ(tile.accessibleName(), QStringLiteral("Volume, 46%, Speakers"));
    // Halves round away from zero; levels above full (a boosted sink) still read.
    EXPECT_EQ(ValueTile::percentText(0.005f), QStringLiteral("1%"));
    EXPECT_EQ(ValueTile::percentText(0.0f), QStringLiteral("0%"));
    EXPECT_EQ(ValueTile::percentText(1.0f), QStringLiteral("100%"));
    EXPECT_EQ(ValueTile::percentText(1.5f), QStringLiteral("150%"));
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
    EXPECT_TRUE(tile->showsBar());

    // Switched off: the options go grey, the tiles stay live.
    objects.settings.setEnabled(false);
    EXPECT_FALSE(view->optionsBlock()->isEnabled());
    ASSERT_TRUE(server.pactl({QStringLiteral("set-sink-mute"), QStringLiteral("speakers"), QStringLiteral("1")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tile->titleText() == QLatin1String("Volume (muted)"); }, 5000));
    EXPECT_EQ(tile->content().symbol, QStringLiteral("speaker.slash.fill"));
    EXPECT_EQ(tile->valueText(), QStringLiteral("46%"));

    ASSERT_TRUE(server.pactl({QStringLiteral("set-default-sink"), QStringLiteral("headphones")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tile->detailText() == QLatin1String("Headphones"); }, 5000));
    EXPECT_EQ(tile->titleText(), QStringLiteral("Volume"));

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
    objects.settings.setSwapSides(false);
    QApplication::processEvents();
    EXPECT_EQ(view->leftTile(), view->brightnessTileWidget());
    EXPECT_TRUE(leftIsLeft());
}

TEST_F(MenuViewTest, MasterSwitchAndOptionsWriteThroughAndFollowTheSettings)
{
    auto view = objects.makeView();
    EXPECT_TRUE(view->masterSwitch()->isChecked());
    EXPECT_TRUE(view->optionsBlock()->isEnabled());
    view->masterSwitch()->click();
    EXPECT_FALSE(objects.settings.isEnabled());
    EXPECT_FALSE(view->optionsBlock()->isEnabled());
    objects.settings.setEnabled(true);
    EXPECT_TRUE(view->masterSwitch()->isChecked());

    EXPECT_EQ(view->quickMuteRow()->title(), QStringLiteral("Quick Mute"));
    EXPECT_EQ(view->quickMuteRow()->subtitle(), QStringLiteral("Double-tap the top-right corner"));
    EXPECT_EQ(view->mediaStripRow()->subtitle(), QStringLiteral("Swipe the bottom edge to skip tracks"));
    EXPECT_EQ(view->tapToPlayRow()->title(), QStringLiteral("Tap to Play or Pause"));
    EXPECT_FALSE(view->tapToPlayRow()->isOn());
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

    // Sliders write while dragging and show the stored value.
    SliderRow* sensitivity = view->sensitivityRow();
    EXPECT_EQ(sensitivity->displayText(), QStringLiteral("1.0×"));
    sensitivity->slider()->setValue(sensitivity->slider()->maximum());
    EXPECT_DOUBLE_EQ(objects.settings.sensitivity(), 3.0);
    EXPECT_EQ(sensitivity->displayText(), QStringLiteral("3.0×"));
    objects.settings.setEdgeWidth(0.05);
    EXPECT_EQ(view->edgeWidthRow()->displayText(), QStringLiteral("5%"));
    EXPECT_DOUBLE_EQ(view->edgeWidthRow()->value(), 0.05);
}

TEST_F(MenuViewTest, FooterMenuHoldsItsEntriesInOrder)
{
    auto view = objects.makeView();
    QStringList entries;
    for (QAction* action : view->moreMenu()->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(entries, (QStringList{QStringLiteral("About Rimglider"), QStringLiteral("Check for Updates…"),
                                    QStringLiteral("Welcome Guide…"), QStringLiteral("Debug Window…"),
                                    QStringLiteral("-"), QStringLiteral("Quit Rimglider")}));
    EXPECT_EQ(view->moreButton()->accessibleName(), QStringLiteral("More"));
    EXPECT_EQ(view->quitButton()->accessibleName(), QStringLiteral("Quit Rimglider"));
    EXPECT_EQ(view->settingsButton()->text(), QStringLiteral("Settings…"));

    // No debug window in this build: the entry says so instead of doing nothing.
    EXPECT_FALSE(view->debugWindowAction()->isEnabled());
    EXPECT_EQ(view->debugWindowAction()->toolTip(), MenuView::debugUnavailableTip);
    EXPECT_TRUE(objects.makeView(true)->debugWindowAction()->isEnabled());

    view->settingsButton()->click();
    view->quitButton()->click();
    const QList<QAction*> actions = view->moreMenu()->actions();
    actions[0]->trigger();
    actions[2]->trigger();
    actions[5]->trigger();
    EXPECT_EQ(objects.settingsShown, 1);
    EXPECT_EQ(objects.aboutShown, 1);
    EXPECT_EQ(objects.guideShown, 1);
    EXPECT_EQ(objects.quits, 2);
}

TEST_F(MenuViewTest, CheckForUpdatesNeedsAFeed)
{
    auto view = objects.makeView();
    EXPECT_FALSE(view->checkForUpdatesAction()->isEnabled());
    // A feed configured while Rimglider runs counts from the next time the menu opens.
    objects.hasFeed = true;
    emit view->moreMenu()->aboutToShow();
    EXPECT_TRUE(view->checkForUpdatesAction()->isEnabled());
    // Without an updater, checking does nothing and records no check.
    view->checkForUpdatesAction()->trigger();
    EXPECT_FALSE(objects.updates.lastCheck());
}

TEST_F(MenuViewTest, KeyboardShortcutsOpenSettingsAndQuit)
{
    auto view = objects.makeView();
    view->show();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QTest::keyClick(view->masterSwitch(), Qt::Key_Comma, Qt::ControlModifier);
    QTest::keyClick(view->masterSwitch(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(objects.settingsShown, 1);
    EXPECT_EQ(objects.quits, 1);
    // Space flips the focused switch, as a keyboard user expects.
    view->masterSwitch()->setFocus();
    QTest::keyClick(view->masterSwitch(), Qt::Key_Space);
    EXPECT_FALSE(objects.settings.isEnabled());
}

TEST_F(MenuViewTest, ControlsCarryTheirLabelsForAccessibility)
{
    auto view = objects.makeView();
    EXPECT_EQ(view->masterSwitch()->accessibleName(), QStringLiteral("Edge gestures"));
    EXPECT_EQ(view->quickMuteRow()->toggle()->accessibleName(), QStringLiteral("Quick Mute"));
    EXPECT_EQ(view->hapticPicker()->accessibleName(), QStringLiteral("Haptic Feedback"));
    EXPECT_EQ(view->sensitivityRow()->slider()->accessibleName(), QStringLiteral("Sensitivity"));
    view->show();
    EXPECT_EQ(view->width(), MenuView::panelWidth);
}

} // namespace
} // namespace rimglider
