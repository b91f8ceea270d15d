// The settings window's tabs on test services: rows that depend on state, controls that
// write through and follow changes made elsewhere, and the window's reuse.
#include "AboutSettings.h"
#include "DesktopSettings.h"
#include "GeneralSettings.h"
#include "GestureSettings.h"
#include "SettingsView.h"
#include "SettingsWindowController.h"
#include "SliderRow.h"
#include "UpdatesSection.h"
#include "WindowTestServices.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

using namespace rimglider;
using Status = LoginItem::Status;

namespace {

template <class T = QAbstractButton>
T* control(QWidget& root, const QString& accessibleName)
{
    for (auto* widget : root.findChildren<T*>())
        if (widget->accessibleName() == accessibleName) return widget;
    ADD_FAILURE() << "no control named " << accessibleName.toStdString();
    return nullptr;
}

QPushButton* button(QWidget& root, const QString& text)
{
    for (auto* widget : root.findChildren<QPushButton*>())
        if (widget->text().replace(QStringLiteral("&&"), QStringLiteral("&")) == text) return widget;
    return nullptr;
}

bool showsText(QWidget& root, const QString& text)
{
    for (auto* label : root.findChildren<QLabel*>())
        if (label->text() == text && label->isVisibleTo(&root)) return true;
    return false;
}

class SettingsTabsTest : public ::testing::Test {
  protected:
    test::WindowTestServices services;
    QList<DesktopPage> opened;
    int guideShown = 0;

    std::unique_ptr<GeneralSettings> general()
    {
        return std::make_unique<GeneralSettings>(
            services.settings, services.loginItem, services.permissions,
            GeneralSettings::Actions{.openDesktopSettings = [this](DesktopPage page) { opened << page; },
                                     .showWelcomeGuide = [this] { ++guideShown; },
                                     .openDebugWindow = {}});
    }
};

TEST_F(SettingsTabsTest, EdgeSubtitlesSwapWithTheSides)
{
    GestureSettings tab(services.settings);
    EXPECT_TRUE(showsText(tab, QStringLiteral("Left edge")));
    auto* brightness = control(tab, QStringLiteral("Brightness"));
    const auto subtitleOf = [](QAbstractButton* toggle) { return toggle->accessibleDescription(); };
    auto* volume = control(tab, QStringLiteral("Volume"));
    EXPECT_EQ(subtitleOf(brightness), QStringLiteral("Left edge"));
    EXPECT_EQ(subtitleOf(volume), QStringLiteral("Right edge"));

    control(tab, QStringLiteral("Swap Sides"))->click();
    EXPECT_TRUE(services.settings.swapSides());
    const auto subtitles = tab.findChildren<QLabel*>(QStringLiteral("subtitle")); // Brightness, then Volume
    EXPECT_EQ(subtitles.at(0)->text(), QStringLiteral("Right edge"));
    EXPECT_EQ(subtitles.at(1)->text(), QStringLiteral("Left edge"));
    EXPECT_EQ(subtitleOf(brightness), QStringLiteral("Right edge"));
    EXPECT_EQ(subtitleOf(volume), QStringLiteral("Left edge"));
}

TEST_F(SettingsTabsTest, ControlsWriteThroughAndFollowChangesMadeElsewhere)
{
    GestureSettings tab(services.settings);
    auto* quickMute = control(tab, QStringLiteral("Quick Mute"));
    ASSERT_TRUE(quickMute->isChecked());
    quickMute->click();
    EXPECT_FALSE(services.settings.quickMute());
    services.settings.setQuickMute(true); // the panel, say
    EXPECT_TRUE(quickMute->isChecked());

    auto* key = control<QComboBox>(tab, QStringLiteral("Require a Key"));
    EXPECT_EQ(key->itemText(2), QStringLiteral("Alt"));
    key->setCurrentIndex(2);
    emit key->activated(2);
    EXPECT_EQ(services.settings.requiredModifier(), AppSettings::RequiredModifier::option);
    services.settings.setRequiredModifier(AppSettings::RequiredModifier::function);
    EXPECT_EQ(key->currentText(), QStringLiteral("Fn"));

    auto* haptics = control<QComboBox>(tab, QStringLiteral("Haptic Feedback"));
    EXPECT_EQ(haptics->currentText(), QStringLiteral("Strong"));
    emit haptics->activated(1);
    EXPECT_EQ(services.settings.hapticStrength(), AppSettings::HapticStrength::light);

    auto rows = tab.findChildren<SliderRow*>();
    ASSERT_EQ(rows.size(), 2);
    auto* edgeWidth = rows[0]->title() == QStringLiteral("Edge Width") ? rows[0] : rows[1];
    EXPECT_EQ(edgeWidth->displayText(), QStringLiteral("10%"));
    edgeWidth->slider()->setValue(edgeWidth->slider()->maximum());
    EXPECT_DOUBLE_EQ(services.settings.edgeWidth(), 0.15);
    services.settings.setEdgeWidth(0.05);
    EXPECT_EQ(edgeWidth->displayText(), QStringLiteral("5%"));
}

TEST_F(SettingsTabsTest, RestoreDefaultsResetsEveryControl)
{
    GestureSettings tab(services.settings);
    services.settings.setTapToPlay(true);
    services.settings.setSensitivity(2.5);
    services.settings.setEnabled(false);
    button(tab, QStringLiteral("Restore Defaults"))->click();
    EXPECT_FALSE(control(tab, QStringLiteral("Tap to Play or Pause"))->isChecked());
    EXPECT_DOUBLE_EQ(services.settings.sensitivity(), 1.0);
    EXPECT_FALSE(services.settings.isEnabled()); // kept until the next start
}

TEST_F(SettingsTabsTest, LoginItemRowsFollowItsStatus)
{
    auto tab = general();
    auto* openAtLogin = control(*tab, QStringLiteral("Open at Login"));
    auto* approval = tab->findChild<QWidget*>(QStringLiteral("approvalRow"));
    auto* error = tab->findChild<QLabel*>(QStringLiteral("loginError"));
    EXPECT_FALSE(openAtLogin->isChecked());
    EXPECT_FALSE(approval->isVisibleTo(tab.get()));
    EXPECT_FALSE(error->isVisibleTo(tab.get()));

    // Switched off in the desktop's startup applications: on, waiting for the user.
    services.writeDisabledEntry();
    tab->show(); // appearing re-reads the entry
    EXPECT_EQ(services.loginItem.status(), Status::requiresApproval);
    EXPECT_TRUE(openAtLogin->isChecked());
    EXPECT_TRUE(approval->isVisibleTo(tab.get()));
    button(*tab, QStringLiteral("Open Startup Applications…"))->click();
    EXPECT_EQ(opened, QList{DesktopPage::startupApplications});

    openAtLogin->click(); // off: removes the entry
    EXPECT_EQ(services.loginItem.status(), Status::notRegistered);
    EXPECT_FALSE(approval->isVisibleTo(tab.get()));

    services.programExists = false;
    openAtLogin->click();
    EXPECT_TRUE(error->isVisibleTo(tab.get()));
    EXPECT_FALSE(error->text().isEmpty());
    EXPECT_FALSE(openAtLogin->isChecked());
}

TEST_F(SettingsTabsTest, PermissionRowShowsGrantedOrTheButton)
{
    auto tab = general();
    auto* grant = button(*tab, QStringLiteral("Grant Access…"));
    ASSERT_NE(grant, nullptr);
    EXPECT_TRUE(grant->isVisibleTo(tab.get()));
    EXPECT_FALSE(showsText(*tab, QStringLiteral("Granted")));
    services.grant();
    EXPECT_FALSE(grant->isVisibleTo(tab.get()));
    EXPECT_TRUE(showsText(*tab, QStringLiteral("Granted")));
}

TEST_F(SettingsTabsTest, AdvancedButtonsAndRegion)
{
    auto tab = general();
    button(*tab, QStringLiteral("Show Welcome Guide…"))->click();
    EXPECT_EQ(guideShown, 1);
    auto* debug = button(*tab, QStringLiteral("Open Debug Window…"));
    EXPECT_FALSE(debug->isEnabled());
    EXPECT_FALSE(debug->toolTip().isEmpty());
    button(*tab, QStringLiteral("Region & Language…"))->click();
    EXPECT_EQ(opened, QList{DesktopPage::regionAndLanguage});

    auto* appearance = control<QComboBox>(*tab, QStringLiteral("Appearance"));
    emit appearance->activated(2);
    EXPECT_EQ(services.settings.appearance(), AppSettings::AppearanceMode::dark);
}

TEST(AboutSettingsTest, VersionLine)
{
    EXPECT_EQ(AboutSettings::versionLine(QStringLiteral("1.2"), QStringLiteral("45")), QStringLiteral("1.2 (45)"));
    EXPECT_EQ(AboutSettings::versionLine({}, {}), QStringLiteral(" ()"));
    AboutSettings tab({}, {}, nullptr);
    EXPECT_TRUE(showsText(tab, QStringLiteral(" ()")));
}

TEST_F(SettingsTabsTest, UpdatesSectionWithoutAFeedShowsOneLine)
{
    UpdatesSection section(services.updates, false);
    EXPECT_TRUE(showsText(section, QStringLiteral("Updates aren't set up in this build yet.")));
    EXPECT_TRUE(section.findChildren<QAbstractButton*>().isEmpty());
}

TEST_F(SettingsTabsTest, UpdatesSectionWithAFeed)
{
    UpdatesSection section(services.updates, true, [this] { return services.now; });
    EXPECT_FALSE(showsText(section, QStringLiteral("Updates aren't set up in this build yet.")));
    EXPECT_TRUE(showsText(section, QStringLiteral("Never")));
    control(section, QStringLiteral("Include Beta Versions"))->click();
    EXPECT_TRUE(services.updates.includeBetas());
    EXPECT_TRUE(services.store.reopened()->value(Updates::includeBetaUpdatesKey).toBool());
    EXPECT_NE(button(section, QStringLiteral("Check Now")), nullptr);
}

TEST(UpdatesSectionTest, LastCheckedReadsAsARelativeDate)
{
    const QDateTime now(QDate(2026, 3, 10), QTime(12, 0));
    EXPECT_EQ(UpdatesSection::lastCheckedText({}, now), QStringLiteral("Never"));
    EXPECT_EQ(UpdatesSection::lastCheckedText(now.addSecs(-20), now), QStringLiteral("just now"));
    EXPECT_EQ(UpdatesSection::lastCheckedText(now.addSecs(-3 * 3600), now), QStringLiteral("3 hours ago"));
    EXPECT_EQ(UpdatesSection::lastCheckedText(now.addDays(-1), now), QStringLiteral("yesterday"));
    // Late last evening is yesterday even though less than a day has passed.
    EXPECT_EQ(UpdatesSection::lastCheckedText(QDateTime(QDate(2026, 3, 9), QTime(23, 0)), now),
              QStringLiteral("yesterday"));
    EXPECT_EQ(UpdatesSection::lastCheckedText(now.addSecs(-60), now), QStringLiteral("1 minute ago"));
    EXPECT_EQ(UpdatesSection::lastCheckedText(now.addDays(-3), now), QStringLiteral("3 days ago"));
    EXPECT_EQ(UpdatesSection::lastCheckedText(now.addMonths(-14), now), QStringLiteral("last year"));
}

TEST(DesktopSettingsTest, PicksTheDesktopsOwnToolOrNone)
{
    const auto everything = [](const QString&) { return true; };
    const auto nothing = [](const QString&) { return false; };
    EXPECT_EQ(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("ubuntu:GNOME"), everything),
              (DesktopCommand{QStringLiteral("gnome-control-center"), {QStringLiteral("region")}}));
    EXPECT_EQ(desktopSettingsCommand(DesktopPage::startupApplications, QStringLiteral("GNOME"), everything)->program,
              QStringLiteral("gnome-tweaks"));
    EXPECT_EQ(desktopSettingsCommand(DesktopPage::startupApplications, QStringLiteral("KDE"),
                                     [](const QString& p) { return p == QStringLiteral("kcmshell6"); }),
              (DesktopCommand{QStringLiteral("kcmshell6"), {QStringLiteral("kcm_autostart")}}));
    EXPECT_FALSE(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("GNOME"), nothing));
    EXPECT_FALSE(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("XFCE"), everything));
    EXPECT_FALSE(desktopSettingsHelp(DesktopPage::startupApplications).isEmpty());
}

TEST_F(SettingsTabsTest, ViewHasThreeTabsAtTheFixedSize)
{
    SettingsView view({.settings = services.settings,
                       .loginItem = services.loginItem,
                       .permissions = services.permissions,
                       .updates = services.updates,
                       .updateFeedConfigured = false,
                       .actions = {},
                       .version = QStringLiteral("1.2"),
                       .build = QStringLiteral("45")});
    ASSERT_EQ(view.count(), 3);
    EXPECT_EQ(view.tabText(0), QStringLiteral("Gestures"));
    EXPECT_EQ(view.tabText(1), QStringLiteral("General"));
    EXPECT_EQ(view.tabText(2), QStringLiteral("About"));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(view.tabIcon(i).isNull()) << i;
    EXPECT_EQ(view.size(), QSize(540, 620));
    view.setCurrentIndex(2);
    EXPECT_TRUE(showsText(view, QStringLiteral("1.2 (45)")));
}

TEST_F(SettingsTabsTest, WindowIsCreatedOnceAndReopensWhereItWasLeft)
{
    int made = 0;
    SettingsWindowController controller([&] {
        ++made;
        return new GestureSettings(services.settings);
    });
    EXPECT_EQ(controller.window(), nullptr);
    controller.show();
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Rimglider Settings"));
    EXPECT_TRUE(window->isVisible());
    window->move(40, 50);
    window->close();
    EXPECT_FALSE(window->isVisible());
    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(window->pos(), QPoint(40, 50));
    EXPECT_EQ(made, 1);
    delete window;
}

} // namespace
