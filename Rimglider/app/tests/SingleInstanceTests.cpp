#include "AboutSettings.h"
#include "RimgliderApp.h"
#include "SingleInstance.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace rimglider {
namespace {

using namespace std::chrono_literals;

// A hand-over from another thread, as a second process would make it, while this thread's
// event loop lets the first instance answer.
bool handOverFromElsewhere(const QString& socketPath, const QStringList& arguments)
{
    auto result = std::async(std::launch::async, [&] { return SingleInstance(socketPath).handOver(arguments, 5s); });
    while (result.wait_for(5ms) != std::future_status::ready)
        QCoreApplication::processEvents();
    return result.get();
}

TEST(SingleInstance, ACrashedInstancesSocketIsTakenOverAndLaterLaunchesHandTheirArgumentsOver)
{
    QTemporaryDir dir;
    const QString socketPath = dir.filePath(QStringLiteral("rimglider.sock"));
    // A socket file nobody listens on, as a killed instance leaves it.
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    socketPath.toStdString().copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(stale);
    EXPECT_FALSE(SingleInstance(socketPath).handOver({QStringLiteral("rimglider")}, 1s)); // nobody answers

    SingleInstance first(socketPath);
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::argumentsReceived);
    const QStringList arguments{QStringLiteral("rimglider"), QStringLiteral("--onboarding-step"),
                                QStringLiteral("völume ✓")};
    EXPECT_TRUE(handOverFromElsewhere(socketPath, arguments));
    ASSERT_TRUE(received.size() == 1 || received.wait(2000));
    EXPECT_EQ(received.front().front().toStringList(), arguments);
    // The socket serves one launch after another.
    EXPECT_TRUE(handOverFromElsewhere(socketPath, {QStringLiteral("rimglider")}));
    EXPECT_TRUE(received.size() == 2 || received.wait(2000));
}

TEST(RimgliderCommandLine, HelpAndVersionAnswerWithoutADisplay)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    for (const QString& option : {QStringLiteral("--version"), QStringLiteral("--help")}) {
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral(RIMGLIDER_EXECUTABLE), {option});
        ASSERT_TRUE(tool.waitForFinished(10000));
        EXPECT_EQ(tool.exitCode(), 0);
        const QString output = QString::fromUtf8(tool.readAllStandardOutput());
        if (option == QLatin1String("--version")) {
            EXPECT_TRUE(output.startsWith(QStringLiteral("Rimglider " RIMGLIDER_VERSION " ("))) << output.toStdString();
            RimgliderApp::setIdentity(); // the About page shows the same line
            EXPECT_EQ(output, "Rimglider " +
                                  AboutSettings::versionLine(AboutSettings::version(), AboutSettings::build()) + "\n");
        } else
            EXPECT_TRUE(output.contains(QLatin1String("--onboarding-step NAME"))) << output.toStdString();
    }
}

} // namespace
} // namespace rimglider
