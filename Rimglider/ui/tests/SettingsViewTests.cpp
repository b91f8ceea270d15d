// The settings window's tabs on test services: rows that depend on state, controls that
// write through and follow changes made elsewhere, and the window's reuse.
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

TEST_F(SettingsTabsTest, GestureControlsWriteThroughAndFollowChangesMadeElsewhere)
{
    GestureSettings tab(services.settings);
    auto* brightness = control(tab, QStringLiteral("Brightness"));
    EXPECT_EQ(brightness->accessibleDescription(), QStringLiteral("Left edge"));
    control(tab, QStringLiteral("Swap Sides"))->click();
    EXPECT_TRUE(services.settings.swapSides());
    EXPECT_EQ(brightness->accessibleDescription(), QStringLiteral("Right edge"));
    EXPECT_EQ(control(tab, QStringLiteral("Volume"))->accessibleDescription(), QStringLiteral("Left edge"));

    auto* quickMute = control(tab, QStringLiteral("Quick Mute"));
    quickMute->click();
    EXPECT_FALSE(services.settings.quickMute());
    services.settings.setQuickMute(true); // the panel, say
    EXPECT_TRUE(quickMute->isChecked());

    auto* key = control<QComboBox>(tab, QStringLiteral("Require a Key"));
    emit key->activated(2);
    EXPECT_EQ(services.settings.requiredModifier(), AppSettings::RequiredModifier::option);
    services.settings.setRequiredModifier(AppSettings::RequiredModifier::function);
    EXPECT_EQ(key->currentText(), QStringLiteral("Fn"));

    auto rows = tab.findChildren<SliderRow*>();
    ASSERT_EQ(rows.size(), 2);
    auto* edgeWidth = rows[0]->title() == QStringLiteral("Edge Width") ? rows[0] : rows[1];
    edgeWidth->slider()->setValue(edgeWidth->slider()->maximum());
    EXPECT_DOUBLE_EQ(services.settings.edgeWidth(), 0.15);

    services.settings.setTapToPlay(true);
    services.settings.setEnabled(false);
    button(tab, QStringLiteral("Restore Defaults"))->click();
    EXPECT_FALSE(control(tab, QStringLiteral("Tap to Play or Pause"))->isChecked());
    EXPECT_DOUBLE_EQ(services.settings.edgeWidth(), 0.1);
    EXPECT_FALSE(services.settings.isEnabled()); // kept until the next start
}

TEST_F(SettingsTabsTest, GeneralTabFollowsTheLoginItemAndInputAccess)
{
    auto tab = general();
    auto* openAtLogin = control(*tab, QStringLiteral("Open at Login"));
    auto* approval = tab->findChild<QWidget*>(QStringLiteral("approvalRow"));
    auto* error = tab->findChild<QLabel*>(QStringLiteral("loginError"));
    EXPECT_FALSE(openAtLogin->isChecked() || approval->isVisibleTo(tab.get()) || error->isVisibleTo(tab.get()));

    // Switched off in the desktop's startup applications: on, waiting for the user.
    services.writeDisabledEntry();
    tab->show(); // appearing re-reads the entry
    EXPECT_TRUE(openAtLogin->isChecked());
    EXPECT_TRUE(approval->isVisibleTo(tab.get()));
    button(*tab, QStringLiteral("Open Startup Applications…"))->click();
    openAtLogin->click(); // off: removes the entry
    EXPECT_EQ(services.loginItem.status(), Status::notRegistered);
    EXPECT_FALSE(approval->isVisibleTo(tab.get()));
    services.programExists = false;
    openAtLogin->click();
    EXPECT_TRUE(error->isVisibleTo(tab.get()));
    EXPECT_FALSE(openAtLogin->isChecked());

    auto* grant = button(*tab, QStringLiteral("Grant Access…"));
    EXPECT_TRUE(grant->isVisibleTo(tab.get()));
    services.grant();
    EXPECT_FALSE(grant->isVisibleTo(tab.get()));
    EXPECT_TRUE(showsText(*tab, QStringLiteral("Granted")));

    button(*tab, QStringLiteral("Show Welcome Guide…"))->click();
    EXPECT_FALSE(button(*tab, QStringLiteral("Open Debug Window…"))->isEnabled()); // none in this build
    button(*tab, QStringLiteral("Region & Language…"))->click();
    EXPECT_EQ(opened, (QList{DesktopPage::startupApplications, DesktopPage::regionAndLanguage}));
    EXPECT_EQ(guideShown, 1);
    emit control<QComboBox>(*tab, QStringLiteral("Appearance"))->activated(2);
    EXPECT_EQ(services.settings.appearance(), AppSettings::AppearanceMode::dark);
}

TEST_F(SettingsTabsTest, UpdatesSectionOnlyWithAFeed)
{
    UpdatesSection none(services.updates, false);
    EXPECT_TRUE(showsText(none, QStringLiteral("Updates aren't set up in this build yet.")));
    EXPECT_TRUE(none.findChildren<QAbstractButton*>().isEmpty());

    UpdatesSection section(services.updates, true, [this] { return services.now; });
    EXPECT_TRUE(showsText(section, QStringLiteral("Never")));
    control(section, QStringLiteral("Include Beta Versions"))->click();
    EXPECT_TRUE(services.store.reopened()->value(Updates::includeBetaUpdatesKey).toBool());
    EXPECT_NE(button(section, QStringLiteral("Check Now")), nullptr);

    const QDateTime now(QDate(2026, 3, 10), QTime(12, 0));
    const std::pair<QDateTime, const char*> checks[] = {
        {now.addSecs(-20), "just now"},          {now.addSecs(-60), "1 minute ago"},
        {now.addSecs(-3 * 3600), "3 hours ago"}, {QDateTime(QDate(2026, 3, 9), QTime(23, 0)), "yesterday"},
        {now.addDays(-3), "3 days ago"},         {now.addMonths(-14), "last year"},
    };
    for (const auto& [when, text] : checks)
        EXPECT_EQ(UpdatesSection::lastCheckedText(when, now), QString::fromUtf8(text));
}

TEST(DesktopSettingsTest, PicksTheDesktopsOwnToolOrNone)
{
    const auto everything = [](const QString&) { return true; };
    EXPECT_EQ(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("ubuntu:GNOME"), everything),
              (DesktopCommand{QStringLiteral("gnome-control-center"), {QStringLiteral("region")}}));
    EXPECT_EQ(desktopSettingsCommand(DesktopPage::startupApplications, QStringLiteral("KDE"),
                                     [](const QString& p) { return p == QStringLiteral("kcmshell6"); }),
              (DesktopCommand{QStringLiteral("kcmshell6"), {QStringLiteral("kcm_autostart")}}));
    EXPECT_FALSE(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("GNOME"),
                                        [](const QString&) { return false; }));
    EXPECT_FALSE(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("XFCE"), everything));
}

TEST_F(SettingsTabsTest, TheWindowHasThreeTabsAndReopensWhereItWasLeft)
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
    EXPECT_EQ(view.size(), QSize(540, 620));
    view.setCurrentIndex(2);
    EXPECT_TRUE(showsText(view, QStringLiteral("1.2 (45)")));

    int made = 0;
    SettingsWindowController controller([&] {
        ++made;
        return new GestureSettings(services.settings);
    });
    controller.show();
    QWidget* window = controller.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Rimglider Settings"));
    window->move(40, 50);
    window->close();
    controller.show();
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(window->pos(), QPoint(40, 50));
    EXPECT_EQ(made, 1);
    delete window;
}

} // namespace
