#include "AppSettings.h"
#include "SettingsStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace rimglider;

namespace {

// A temporary XDG_CONFIG_HOME for one test (each test runs in a process of its own).
class StandardSettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", home_.path().toLocal8Bit()); }

    QString file(const QString& relative) const { return home_.filePath(relative); }
    void write(const QString& relative, const QByteArray& text) const
    {
        QDir(home_.path()).mkpath(QFileInfo(file(relative)).path());
        QFile out(file(relative));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
    }

    QTemporaryDir home_;
};

} // namespace

TEST_F(StandardSettingsStore, TheDocumentedConfFileAloneIsReadAndWrittenAndAnEarlierIniStoreIsTakenOverOnce)
{
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
