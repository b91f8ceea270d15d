// The desktop's own step sizes: KDE Plasma's plasmaparc, followed when it changes.
#include "DesktopSteps.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace rimglider;

TEST(DesktopSteps, KdesStepFileIsFollowedAndAnImplausibleStepGivesTheDefault)
{
    QTemporaryDir config;
    DesktopSteps kde({QStringLiteral("KDE"), config.path()});
    EXPECT_EQ(kde.desktop(), DesktopSteps::Desktop::kde);
    EXPECT_FLOAT_EQ(kde.volumeStep(true), 0.05f / 4); // no file: KDE's own default, a quarter of it when fine
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
