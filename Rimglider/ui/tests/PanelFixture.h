// The panel's observed objects, private to one test: settings on a temporary store, volume and
// brightness controllers that are not started (no sound server, no backlight: the unavailable
// states) unless a test starts them against its own server, permissions whose answer the test
// sets, updates without a feed, and a touch-input status the test chooses.
#pragma once

#include "AppSettings.h"
#include "BrightnessController.h"
#include "MenuView.h"
#include "Permissions.h"
#include "TaskScheduler.h"
#include "TouchInput.h"
#include "Updates.h"
#include "VolumeController.h"

#include <QDBusConnection>
#include <QSettings>
#include <QTemporaryDir>

#include <chrono>
#include <memory>

namespace rimglider::test {

struct PanelFixture {
    PanelFixture()
        : store(dir.filePath(QStringLiteral("Rimglider.conf")), QSettings::IniFormat), settings(store),
          volume([this](int code, bool) { keys.push_back(code); }, volumeOptions()),
          brightness([this](int code, bool) { keys.push_back(code); }),
          permissions([this] { return granted; }, QDBusConnection(QStringLiteral("rimglider-no-bus")),
                      [this](const QString& text) { help = text; }),
          updates(store, QString(), updaterEnvironment())
    {}

    // The panel on these objects, with recorded actions.
    std::unique_ptr<MenuView> makeView(bool withDebugWindow = false)
    {
        MenuView::Actions actions{
            .settingsWindow = [this] { ++settingsShown; },
            .welcomeGuide = [this] { ++guideShown; },
            .debugWindow = {},
            .about = [this] { ++aboutShown; },
            .quit = [this] { ++quits; },
        };
        if (withDebugWindow) actions.debugWindow = [this] { ++debugShown; };
        return std::make_unique<MenuView>(MenuView::Sources{settings, volume, brightness, permissions, updates,
                                                            [this] { return touch; }, [this] { return hasFeed; }},
                                          std::move(actions));
    }

    static VolumeController::Options volumeOptions(QString server = QStringLiteral("unix:/nonexistent/native"))
    {
        VolumeController::Options options;
        options.server = std::move(server);
        options.firstRetry = std::chrono::hours(1); // never within a test
        options.longestRetry = std::chrono::hours(1);
        return options;
    }

    static Updater::Environment updaterEnvironment()
    {
        return {.currentVersion = QStringLiteral("0.1.0"),
                .now = [] { return QDateTime::currentDateTimeUtc(); },
                .notificationBus = QDBusConnection(QStringLiteral("rimglider-no-bus")),
                .openUrl = [](const QUrl&) {},
                .scheduler = mainThreadScheduler(),
                .transferTimeout = std::chrono::seconds(30),
                .maxFeedBytes = 1024 * 1024,
                .allowPlainHttpToLoopback = false,
                .extraCaCertificates = {}};
    }

    QTemporaryDir dir;
    QSettings store;
    AppSettings settings;
    std::vector<int> keys;
    VolumeController volume;
    BrightnessController brightness;
    bool granted = true;
    QString help;
    Permissions permissions;
    Updates updates;
    TouchInput::Status touch = TouchInput::Status::running(1);
    bool hasFeed = false;
    int settingsShown = 0;
    int guideShown = 0;
    int debugShown = 0;
    int aboutShown = 0;
    int quits = 0;
};

} // namespace rimglider::test
