// The desktop's own step sizes: which desktop runs, GNOME's setting through GSettings (a stand-in
// schema compiled here, in memory), KDE Plasma's plasmaparc, and each followed when it changes.
#include "DesktopSteps.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#undef signals
#include <gio/gio.h>
#define signals Q_SIGNALS

#include <gtest/gtest.h>

using namespace rimglider;
using Desktop = DesktopSteps::Desktop;

TEST(DesktopSteps, EachDesktopsStepsAndKdesFileFollowed)
{
    qputenv("GSETTINGS_BACKEND", "memory"); // the user's own settings stay out
    const std::tuple<const char*, Desktop, float, float> desktops[] = {
        {"ubuntu:GNOME", Desktop::gnome, 0.06f, 0.05f}, // no schema installed: GNOME's default
        {"KDE", Desktop::kde, 0.05f, 0.05f},
        {"XFCE", Desktop::other, 1 / 16.0f, 1 / 16.0f},
        {"", Desktop::other, 1 / 16.0f, 1 / 16.0f},
    };
    QTemporaryDir config;
    for (const auto& [name, desktop, volume, brightness] : desktops) {
        DesktopSteps steps({QString::fromLatin1(name), config.path()});
        EXPECT_EQ(steps.desktop(), desktop) << name;
        EXPECT_FLOAT_EQ(steps.volumeStep(false), volume) << name;
        EXPECT_FLOAT_EQ(steps.volumeStep(true), volume / 4) << name;
        EXPECT_FLOAT_EQ(steps.brightnessStep(true), brightness / 4) << name;
    }

    DesktopSteps kde({QStringLiteral("KDE"), config.path()});
    for (const auto& [text, percent] :
         std::vector<std::pair<QByteArray, int>>{{"[General]\nVolumeStep=10\n", 10},
                                                 {"[General]\nVolumeStep[$i]=3\n[Other]\nVolumeStep=9\n", 3},
                                                 {"[General]\nVolumeStep=0\n", 5}}) { // implausible: the default
        QFile file(config.filePath(QStringLiteral("plasmaparc.new")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        // Replaced as KConfig saves: a new file renamed over the old one.
        QFile::remove(config.filePath(QStringLiteral("plasmaparc")));
        ASSERT_TRUE(file.rename(config.filePath(QStringLiteral("plasmaparc"))));
        EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(kde.volumeStep(false) - percent / 100.0f) < 1e-6f; }))
            << text.toStdString() << " gave " << kde.volumeStep(false);
    }
}

TEST(DesktopSteps, GnomeStepIsReadFromItsSchemaAndFollowed)
{
    QTemporaryDir schemas;
    QFile schema(schemas.filePath(QStringLiteral("media-keys.gschema.xml")));
    ASSERT_TRUE(schema.open(QIODevice::WriteOnly));
    schema.write(R"(<schemalist><schema id="org.gnome.settings-daemon.plugins.media-keys"
        path="/org/gnome/settings-daemon/plugins/media-keys/"><key name="volume-step" type="i">
        <default>6</default></key></schema></schemalist>)");
    schema.close();
    ASSERT_EQ(QProcess::execute(QStringLiteral("glib-compile-schemas"), {schemas.path()}), 0);
    qputenv("GSETTINGS_SCHEMA_DIR", schemas.path().toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "memory");

    GSettings* settings = g_settings_new("org.gnome.settings-daemon.plugins.media-keys");
    g_settings_set_int(settings, "volume-step", 10);
    DesktopSteps steps({QStringLiteral("GNOME"), {}});
    EXPECT_FLOAT_EQ(steps.volumeStep(false), 0.10f);
    g_settings_set_int(settings, "volume-step", 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(steps.volumeStep(true) - 0.005f) < 1e-6f; }));
    g_settings_set_int(settings, "volume-step", 400); // not a percentage: the default
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(steps.volumeStep(false) - 0.06f) < 1e-6f; }));
    g_object_unref(settings);
}
