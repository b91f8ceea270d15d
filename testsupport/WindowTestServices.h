// Everything the settings window and the welcome guide talk to, private to one test: settings
// on a temporary store, the autostart entry in a temporary folder, input access the test grants,
// updates without a network, a pipeline of its own and a scheduler the test advances.
#pragma once

#include "AppSettings.h"
#include "ClickGuard.h"
#include "GesturePipeline.h"
#include "LoginItem.h"
#include "ManualScheduler.h"
#include "OnboardingModel.h"
#include "Permissions.h"
#include "TestStore.h"
#include "Updates.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace rimglider::test {

struct WindowTestServices {
    TestStore store;
    AppSettings settings{store.settings()};
    QTemporaryDir home;
    QString program = home.filePath(QStringLiteral("rimglider"));
    bool programExists = true;
    LoginItem loginItem{home.filePath(QStringLiteral("autostart")),
                        [this] { return programExists ? program : QString(); }};
    bool granted = false;
    QStringList helpShown;
    Permissions permissions{[this] { return granted; }, QDBusConnection(QStringLiteral("rimglider-test-none")),
                            [this](const QString& help) { helpShown << help; }};
    ManualScheduler scheduler;
    // No feed, never started: nothing of its environment is used.
    Updates updates{store.settings(), QString(), {{}, {}, {}, QDBusConnection(QString()), {}, {}, {}, 0, false, {}}};
    ClickGuard guard;
    GesturePipeline pipeline{guard, [] { return 0.0; }};
    bool builtInDisplay = true;
    bool volumeAdjustable = true;
    OnboardingModel model{{
        .pipeline = pipeline,
        .permissions = permissions,
        .settings = settings,
        .userDefaults = store.settings(),
        .hasBuiltInDisplay = [this] { return builtInDisplay; },
        .isVolumeAdjustable = [this] { return volumeAdjustable; },
        .scheduler = scheduler.scheduler(),
    }};

    // An autostart entry the desktop switched off: it exists but waits for the user.
    void writeDisabledEntry()
    {
        QDir().mkpath(home.filePath(QStringLiteral("autostart")));
        QFile entry(loginItem.entryPath());
        entry.open(QIODevice::WriteOnly);
        entry.write("[Desktop Entry]\nType=Application\nName=Rimglider\nExec=/bin/true\nHidden=true\n");
    }

    void grant()
    {
        granted = true;
        permissions.refresh();
    }

    [[nodiscard]] bool completed() const
    {
        return store.reopened()->value(OnboardingModel::completedKey, false).toBool();
    }
};

} // namespace rimglider::test
