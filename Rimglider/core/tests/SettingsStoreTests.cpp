#include "AppSettings.h"
#include "SettingsStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace rimglider;

// Each test runs in a process of its own, so it may point XDG_CONFIG_HOME at a folder of its own.
TEST(StandardSettingsStore, TheDocumentedConfFileAloneIsReadAndWrittenAndAnEarlierIniStoreIsTakenOverOnce)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    const auto file = [&](const QString& relative) { return home.filePath(relative); };
    const auto write = [&](const QString& relative, const QByteArray& text) {
        QDir(home.path()).mkpath(QFileInfo(file(relative)).path());
        QFile out(file(relative));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    };
    // Qt's fallback files for the organisation and for all its applications count for nothing.
    write("kelpo.ini", "[General]\nquickMute=false\nhapticStrength=off\n");
    write("kelpo/kelpo.conf", "[General]\nswapSides=true\n");
    write("kelpo/Rimglider.ini", "[General]\nschemaVersion=2\nfineControl=false\nhapticStrength=light\n");
    EXPECT_EQ(settingsStorePath(), file("kelpo/Rimglider.conf"));
    {
        const auto store = openSettingsStore(settingsStorePath());
        AppSettings settings(*store);
        EXPECT_TRUE(settings.quickMute());
        EXPECT_FALSE(settings.swapSides() || settings.fineControl());
        EXPECT_EQ(settings.hapticStrength(), AppSettings::HapticStrength::light);
        settings.resetToDefaults();
        EXPECT_EQ(store->value("quickMute").toString(), "true");
        EXPECT_EQ(store->value("hapticStrength").toString(), "strong");
    }
    EXPECT_TRUE(QFile::exists(file("kelpo/Rimglider.conf")));
    EXPECT_TRUE(QFile::exists(file("kelpo/Rimglider.ini"))); // left alone
    // A user's edit of that file is what the next start reads; the old file no longer counts.
    write("kelpo/Rimglider.conf", "[General]\nschemaVersion=2\nquickMute=false\nswapSides=true\n");
    const auto reopened = openSettingsStore(settingsStorePath());
    AppSettings settings(*reopened);
    EXPECT_FALSE(settings.quickMute());
    EXPECT_TRUE(settings.swapSides() && settings.fineControl());
    EXPECT_EQ(settings.hapticStrength(), AppSettings::HapticStrength::strong);
}
