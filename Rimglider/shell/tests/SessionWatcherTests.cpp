#include "SessionWatcher.h"

#include "PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTest>

#include <gtest/gtest.h>

using namespace rimglider;
using rimglider::test::PrivateBus;

namespace {

const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/_3");

// The part of logind the watcher talks to: the manager finds this process's session.
class FakeLoginManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
  public slots:
    QDBusObjectPath GetSessionByPID(quint32) { return QDBusObjectPath(sessionPath); }
};

class SessionEvents : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.error().isEmpty()) << bus.error().toStdString();
        logind = bus.connect(QStringLiteral("logind"));
        ASSERT_TRUE(logind.registerService(SessionWatcher::service));
        ASSERT_TRUE(logind.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                                          QDBusConnection::ExportAllSlots));
        watcher = std::make_unique<SessionWatcher>(bus.connect(QStringLiteral("app")));
        watcher->start([this] { ++restarts; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher->sessionPath().isEmpty(); }, 5000));
    }

    void emitSignal(const QString& path, const QString& interface, const QString& name, const QVariantList& args)
    {
        QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
        message.setArguments(args);
        ASSERT_TRUE(logind.send(message));
    }

    void sessionChanged(const QVariantMap& changed, const QStringList& invalidated = {})
    {
        emitSignal(sessionPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                   {QStringLiteral("org.freedesktop.login1.Session"), changed, invalidated});
    }

    // Lets every signal sent so far arrive.
    void settle() { QTest::qWait(100); }

    PrivateBus bus;
    QDBusConnection logind{QStringLiteral("unset")};
    FakeLoginManager manager;
    std::unique_ptr<SessionWatcher> watcher;
    int restarts = 0;
};

} // namespace

TEST_F(SessionEvents, WakingUpOrThisSessionBecomingActiveRestartsNothingElse)
{
    const QString path = QStringLiteral("/org/freedesktop/login1");
    const QString interface = QStringLiteral("org.freedesktop.login1.Manager");
    emitSignal(path, interface, QStringLiteral("PrepareForSleep"), {true});
    settle();
    EXPECT_EQ(restarts, 0);
    emitSignal(path, interface, QStringLiteral("PrepareForSleep"), {false});
    ASSERT_TRUE(QTest::qWaitFor([&] { return restarts == 1; }, 5000));

    sessionChanged({{QStringLiteral("Active"), false}});
    sessionChanged({{QStringLiteral("IdleHint"), true}});
    settle();
    EXPECT_EQ(restarts, 1);
    sessionChanged({{QStringLiteral("Active"), true}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return restarts == 2; }, 5000));

    // Another session's change is not ours.
    emitSignal(QStringLiteral("/org/freedesktop/login1/session/_9"), QStringLiteral("org.freedesktop.DBus.Properties"),
               QStringLiteral("PropertiesChanged"),
               {QStringLiteral("org.freedesktop.login1.Session"), QVariantMap{{QStringLiteral("Active"), true}},
                QStringList{}});
    settle();
    EXPECT_EQ(restarts, 2);
}

#include "SessionWatcherTests.moc"
