// The settings window's parts on test services: the rows that follow the login item and input
// access, the desktop's own settings, the updates section and how a window is kept on screen;
// and the debug window's tuning panel (the Xvfb screenshot run opens both whole windows).
#include "DesktopSettings.h"
#include "GeneralSettings.h"
#include "ScreenFit.h"
#include "TuningPanel.h"
#include "UpdatesSection.h"
#include "WindowTestServices.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
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

    std::unique_ptr<GeneralSettings> general()
    {
        return std::make_unique<GeneralSettings>(services.settings, services.loginItem, services.permissions,
                                                 GeneralSettings::Actions{});
    }
};

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
}

TEST_F(SettingsTabsTest, UpdatesSectionOnlyWithAFeed)
{
    UpdatesSection none(services.updates, false);
    EXPECT_TRUE(none.findChildren<QAbstractButton*>().isEmpty());

    const QDateTime now(QDate(2026, 3, 10), QTime(12, 0));

    const std::pair<QDateTime, const char*> checks[] = {
        {now.addSecs(-20), "just now"},          {now.addSecs(-60), "1 minute ago"},
        {now.addSecs(-3 * 3600), "3 hours ago"}, {QDateTime(QDate(2026, 3, 9), QTime(23, 0)), "yesterday"},
        {now.addDays(-3), "3 days ago"},         {now.addMonths(-14), "last year"},
    };
    for (const auto& [when, text] : checks)
        EXPECT_EQ(UpdatesSection::lastCheckedText(when, now), QString::fromUtf8(text));
}

TEST(DesktopSettingsTest, PicksTheDesktopsOwnToolOrExplainsTheWay)
{
    const auto everything = [](const QString&) { return true; };
    EXPECT_EQ(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("ubuntu:GNOME"), everything),
              (DesktopCommand{QStringLiteral("gnome-control-center"), {QStringLiteral("region")}}));
    EXPECT_FALSE(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("GNOME"),
                                        [](const QString&) { return false; }));
    EXPECT_FALSE(desktopSettingsCommand(DesktopPage::regionAndLanguage, QStringLiteral("XFCE"), everything));
    qputenv("XDG_CONFIG_HOME", "/srv/profiles/me/config"); // the help names the folder really used
    EXPECT_TRUE(desktopSettingsHelp(DesktopPage::startupApplications).contains(u" /srv/profiles/me/config/autostart."));
    qunsetenv("XDG_CONFIG_HOME");
}

// Whether every window fits the screen is checked on a real one by the Xvfb screenshot run.
TEST(ScreenFit, FramesArePulledInsideTheScreenWithTheTitleBarShowing)
{
    const QRect laptop(0, 28, 1366, 740); // below a top bar
    const struct {
        QRect frame;
        QRect expected;
    } frames[] = {
        {QRect(100, 100, 600, 500), QRect(100, 100, 600, 500)}, // inside: left alone
        {QRect(900, -40, 600, 500), QRect(766, 28, 600, 500)},  // off the top right: pulled in
        {QRect(-50, 500, 600, 900), QRect(0, 28, 600, 900)},    // taller than the screen: the title bar shows
    };
    for (const auto& f : frames)
        EXPECT_EQ(screenfit::keptWithin(f.frame, laptop), f.expected) << f.frame.x() << "," << f.frame.y();
    EXPECT_EQ(screenfit::fittedSize(QSize(560, 900), QSize(300, 200), laptop), QSize(560, 740 - 48));
}

TEST(TuningPanel, SlidersWriteTheirRecordAndFollowChangesMadeElsewhere)
{
    test::TestStore store;
    AppSettings settings{store.settings()};
    TuningSettings tuning{store.settings()};
    TuningPanel panel{tuning, settings, {}};
    QSignalSpy changes(&tuning, &TuningSettings::valuesChanged);
    panel.slider(QStringLiteral("Step distance"))->setValue(30); // 1 … 8 in steps of 0.1
    EXPECT_EQ(panel.valueText(QStringLiteral("Step distance"))->text(), "4 mm");
    EXPECT_EQ(Tuning::fromJson(store.reopened()->value(TuningSettings::storeKey).toByteArray())->stepDistanceMM, 4.0);
    Tuning other = tuning.values();
    other.swipeMinDistanceMM = 20;
    tuning.setValues(other);
    EXPECT_EQ(panel.slider(QStringLiteral("Swipe distance"))->value(), 15);
    EXPECT_EQ(changes.count(), 2); // moving the slider to match wrote nothing back
    panel.resetButton()->click();
    EXPECT_EQ(tuning.values(), Tuning{});
    emit panel.enginePicker()->activated(8);
    EXPECT_EQ(tuning.values().actuatorID, 16);
}

} // namespace
