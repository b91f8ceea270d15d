#include "PrivateSession.h"
#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace rimglider {
namespace {

using namespace std::chrono_literals;

class SingleInstanceTest : public ::testing::Test {
  protected:
    QString socketPath() const { return dir.filePath(QStringLiteral("rimglider.sock")); }

    // A hand-over from another thread, as a second process would make it, while this thread's
    // event loop lets the first instance answer.
    bool handOverFromElsewhere(const QStringList& arguments)
    {
        auto result = std::async(std::launch::async,
                                 [this, arguments] { return SingleInstance(socketPath()).handOver(arguments, 5s); });
        while (result.wait_for(5ms) != std::future_status::ready)
            QCoreApplication::processEvents();
        return result.get();
    }

    QTemporaryDir dir;
};

TEST_F(SingleInstanceTest, ALaterLaunchHandsItsArgumentsToTheRunningOne)
{
    SingleInstance first(socketPath());
    ASSERT_TRUE(first.listen());
    QSignalSpy received(&first, &SingleInstance::argumentsReceived);
    const QStringList arguments{QStringLiteral("rimglider"), QStringLiteral("--onboarding-step"),
                                QStringLiteral("völume ✓")};
    EXPECT_TRUE(handOverFromElsewhere(arguments));
    ASSERT_TRUE(received.size() == 1 || received.wait(2000));
    EXPECT_EQ(received.front().front().toStringList(), arguments);
    // The socket serves one launch after another.
    EXPECT_TRUE(handOverFromElsewhere({QStringLiteral("rimglider")}));
    EXPECT_TRUE(received.size() == 2 || received.wait(2000));
}

TEST_F(SingleInstanceTest, ACrashedInstancesSocketIsTakenOver)
{
    // A socket file nobody listens on, as a killed instance leaves it.
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socketPath().toLocal8Bit();
    ASSERT_LT(std::size_t(path.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(stale);
    ASSERT_TRUE(QFile::exists(socketPath()));
    EXPECT_FALSE(SingleInstance(socketPath()).handOver({QStringLiteral("rimglider")}, 1s)); // nobody answers
    SingleInstance next(socketPath());
    EXPECT_TRUE(next.listen());
    EXPECT_TRUE(handOverFromElsewhere({QStringLiteral("rimglider")}));
}

// The real executable, twice, on a private runtime folder and settings.
TEST_F(SingleInstanceTest, SecondRimgliderExitsZeroAndTheFirstKeepsRunning)
{
    const QProcessEnvironment env = test::privateSessionEnvironment(dir);

    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QStringLiteral(RIMGLIDER_EXECUTABLE), {QStringLiteral("--onboarding-step"), QStringLiteral("nope")});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(socketPath()); }, 20000)) << "the first never listened";

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(RIMGLIDER_EXECUTABLE), {QStringLiteral("--preview-menu")});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // SIGTERM ends the first through its event loop, with a clean exit.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
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
        if (option == QLatin1String("--version"))
            EXPECT_TRUE(output.startsWith(QStringLiteral("Rimglider " RIMGLIDER_VERSION " ("))) << output.toStdString();
        else
            EXPECT_TRUE(output.contains(QLatin1String("--onboarding-step NAME"))) << output.toStdString();
    }
}

} // namespace
} // namespace rimglider
