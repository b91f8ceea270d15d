#include "Appcast.h"
#include "Updater.h"
#include "Updates.h"

#include "FeedServer.h"
#include "ManualScheduler.h"
#include "PrivateBus.h"
#include "TestStore.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>

#include <gtest/gtest.h>

using namespace rimglider;
using namespace std::chrono_literals;
using Outcome = Updater::Outcome;
using Response = test::FeedServer::Response;

namespace {

QByteArray item(const char* version, const char* channel = "", const char* link = "https://example.org/rimglider")
{
    QByteArray text = QByteArray("<item><title>Rimglider ") + version + "</title><link>" + link +
                      "</link><sparkle:version>" + version + "</sparkle:version>";
    if (*channel) text += QByteArray("<sparkle:channel>") + channel + "</sparkle:channel>";
    return text + "</item>";
}

QByteArray feed(const QByteArray& items)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">"
           "<channel><title>Rimglider</title>" +
           items + "</channel></rss>";
}

TEST(Appcast, VersionsCompareAsSparkleDoesAndOnlyAllowedChannelsAreOffered)
{
    const std::tuple<const char*, const char*, int> versions[] = {
        {"0.10", "0.9", 1},
        {"1.0", "1.0.0", 0},
        {"1.0b2", "1.0b10", -1},
        {"1.0a1", "1.0b1", -1},
        {"1.0.1", "1.0b1", 1},
        {"1.0-rc1", "1.0", -1},
        {"99999999999999999999", "99999999999999999998", 1},
    };
    for (const auto& [a, b, order] : versions) {
        EXPECT_EQ(Appcast::compareVersions(a, b), order) << a << " vs " << b;
        EXPECT_EQ(Appcast::compareVersions(b, a), -order) << a << " vs " << b;
    }
    const auto appcast = Appcast::parse(feed(
        "<item><link>https://example.org/a</link><sparkle:version>3</sparkle:version>"
        "<enclosure url=\"https://example.org/a.tar.gz\" sparkle:version=\"2\"/></item>"
        "<item><sparkle:channel>beta</sparkle:channel>"
        "<enclosure url=\"https://example.org/b.tar.gz\" sparkle:version=\"4\" sparkle:shortVersionString=\"1.4b1\"/>"
        "</item><item><title>No version</title></item>"
        "<item><link>http://example.org/c</link><sparkle:version>1</sparkle:version></item>"
        "<item><link>file:///etc/passwd</link><sparkle:version>0</sparkle:version></item>"));
    ASSERT_TRUE(appcast);
    ASSERT_EQ(appcast->items().size(), 4U);       // items without a Sparkle version are left out
    EXPECT_EQ(appcast->items()[0].version, u"3"); // the element wins over the enclosure
    EXPECT_EQ(appcast->items()[1].displayVersion(), u"1.4b1");
    EXPECT_FALSE(appcast->items()[2].page().isValid()); // only https pages are ever opened
    EXPECT_FALSE(appcast->items()[3].page().isValid());
    EXPECT_EQ(appcast->newestUpdate("2", "", {})->version, u"3");
    EXPECT_EQ(appcast->newestUpdate("2", "", {"beta"})->version, u"4");
    EXPECT_FALSE(appcast->newestUpdate("4", "", {"beta"}));

    // Sparkle's convention: sparkle:version is the build number, compared with this build's;
    // an item with only a short version is compared with this short version.
    const auto builds = Appcast::parse(feed("<item><sparkle:version>25</sparkle:version>"
                                            "<sparkle:shortVersionString>0.0.9</sparkle:shortVersionString></item>"
                                            "<item><sparkle:version>31</sparkle:version>"
                                            "<sparkle:shortVersionString>0.1.1</sparkle:shortVersionString></item>"
                                            "<item><sparkle:shortVersionString>0.3</sparkle:shortVersionString></item>"
                                            "<item><enclosure sparkle:shortVersionString=\"0.2\"/></item>"));
    ASSERT_TRUE(builds);
    const std::tuple<const char*, const char*, const char*> newest[] = {
        {"29", "0.1.0", "0.3"}, {"32", "0.2.0", "0.3"}, {"32", "0.3", ""}, {"24", "0.5", "0.1.1"}, {"31", "0.5", ""}};
    for (const auto& [build, shortVersion, expected] : newest) {
        const auto update = builds->newestUpdate(build, shortVersion, {});
        EXPECT_EQ(update ? update->displayVersion() : QString(), QString::fromLatin1(expected))
            << build << " " << shortVersion;
    }
    QString error;
    for (const QByteArray& bad : {QByteArray("not xml at all"), feed(item("9")).chopped(10),
                                  QByteArray("<html><body>Login required</body></html>")}) {
        EXPECT_FALSE(Appcast::parse(bad, &error)) << bad.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

class UpdatesTest : public ::testing::Test {
  protected:
    // org.freedesktop.Notifications, keeping what it was asked to show.
    class FakeNotifications : public QDBusVirtualObject {
      public:
        struct Shown {
            uint id;
            QString summary;
        };
        std::vector<Shown> shown;
        QString introspect(const QString&) const override { return {}; }
        bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
        {
            if (message.member() == u"GetCapabilities") {
                connection.send(message.createReply(QStringList{"actions", "body"}));
                return true;
            }
            if (message.member() != u"Notify") return false;
            const QVariantList a = message.arguments();
            const uint id = uint(shown.size()) + 41;
            shown.push_back({id, a.value(3).toString()});
            connection.send(message.createReply(id));
            return true;
        }
    };

    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        ASSERT_TRUE(bus.error().isEmpty()) << bus.error().toStdString();
        service = bus.connect("notifications");
        ASSERT_TRUE(service.registerVirtualObject("/org/freedesktop/Notifications", &notifications));
        ASSERT_TRUE(service.registerService("org.freedesktop.Notifications"));
        client = bus.connect("client");
    }

    // Messages on one connection arrive in order: once a later call is answered, the service
    // has seen every notification the updaters sent before it.
    void flushNotifications()
    {
        const QDBusMessage reply = client.call(
            QDBusMessage::createMethodCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                           "org.freedesktop.Notifications", "GetCapabilities"),
            QDBus::BlockWithGui, 10000);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    // Updates with the test server's `path` as the build's feed, started.
    std::unique_ptr<Updates> startedUpdates(const QString& path, bool plainHttpToLoopback = true,
                                            QList<QSslCertificate> trusted = {})
    {
        auto updates = std::make_unique<Updates>(store.settings(), server.url(path),
                                                 Updater::Environment{
                                                     .currentVersion = "1.2",
                                                     .currentBuild = "1.2",
                                                     .now = [this] { return now; },
                                                     .notificationBus = client,
                                                     .openUrl = [this](const QUrl& url) { opened << url; },
                                                     .scheduler = scheduler.scheduler(),
                                                     .transferTimeout = 30s,
                                                     .maxFeedBytes = 64 * 1024,
                                                     .allowPlainHttpToLoopback = plainHttpToLoopback,
                                                     .extraCaCertificates = std::move(trusted),
                                                 });
        updates->start();
        EXPECT_NE(updates->controller(), nullptr);
        if (updates->controller())
            QObject::connect(updates->controller(), &Updater::checkFinished,
                             [this](const Updater::CheckResult& result) { results.push_back(result); });
        return updates;
    }

    // Check now, then run the event loop until the result is in.
    Updater::CheckResult checkNow(Updates& updates)
    {
        const std::size_t before = results.size();
        updates.checkNow();
        EXPECT_TRUE(QTest::qWaitFor([&] { return results.size() > before; }, 10000)) << "the check never ended";
        return results.size() > before ? results.back() : Updater::CheckResult{};
    }

    test::TestStore store;
    test::FeedServer server;
    test::PrivateBus bus;
    QDBusConnection service{QString()};
    QDBusConnection client{QString()};
    FakeNotifications notifications;
    test::ManualScheduler scheduler;
    QDateTime now{QDate(2026, 3, 1), QTime(12, 0), Qt::UTC};
    QList<QUrl> opened;
    std::vector<Updater::CheckResult> results;
};

TEST_F(UpdatesTest, AskedChecksAreAlwaysShownAndANewerVersionsPageOpensFromTheNotification)
{
    server.serve("/appcast.xml", {.body = feed(item("1.2") + item("1.3b1", "beta", "https://example.org/1.3b1") +
                                               item("1.4", "nightly"))});
    auto updates = startedUpdates("/appcast.xml");
    updates->checkNow();
    EXPECT_EQ(updates->lastCheck(), now); // at once, before the feed has arrived
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 10000));
    EXPECT_EQ(results[0].outcome, Outcome::upToDate);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications.shown.size() == 1; }, 10000)); // "up to date" too
    updates->setIncludeBetas(true);
    const auto beta = checkNow(*updates);
    ASSERT_EQ(beta.outcome, Outcome::updateAvailable);
    EXPECT_EQ(beta.update->version, u"1.3b1"); // never the channel nobody allowed
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifications.shown.size() == 2; }, 10000));
    EXPECT_TRUE(notifications.shown[1].summary.contains(u"1.3b1"));
    EXPECT_TRUE(opened.isEmpty()); // nothing opens by itself
    QDBusMessage invoked =
        QDBusMessage::createSignal("/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    invoked << notifications.shown[1].id << QString("default");
    service.send(invoked);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://example.org/1.3b1")});

    // A failure stays for the settings window until a good check.
    server.serve("/appcast.xml", {.body = "<rss"});
    EXPECT_EQ(checkNow(*updates).outcome, Outcome::failed);
    EXPECT_FALSE(updates->lastError().isEmpty());
    server.serve("/appcast.xml", {.body = feed(item("1.2"))});
    EXPECT_EQ(checkNow(*updates).outcome, Outcome::upToDate);
    EXPECT_TRUE(updates->lastError().isEmpty());
}

TEST_F(UpdatesTest, BadFeedsFailQuietlyWithAReasonForTheSettingsWindow)
{
    const std::pair<Response, const char*> cases[] = {
        {{.body = "<html><body>hello</body></html>"}, "not an RSS feed"},
        {{.body = "<rss>", .declaredLength = 2 * 1024 * 1024}, "larger than 64 KiB"},
        {{.kind = Response::Kind::endless}, "larger than 64 KiB"},
        {{.status = 404, .body = "gone"}, "HTTP 404"},
        {{.status = 302, .location = server.url("/appcast.xml").toUtf8()}, "without HTTPS"},
    };
    server.serve("/appcast.xml", {.body = feed(item("1.3"))});
    int n = 0;
    for (const auto& [response, reason] : cases) {
        SCOPED_TRACE(reason);
        const QString path = QString("/bad%1").arg(++n);
        server.serve(path, response);
        results.clear();
        auto updates = startedUpdates(path);
        updates->setAutomaticallyChecks(false);
        updates->controller()->checkForUpdatesInBackground();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 10000));
        EXPECT_EQ(results[0].outcome, Outcome::failed);
        EXPECT_TRUE(updates->lastError().contains(QString::fromLatin1(reason))) << updates->lastError().toStdString();
        EXPECT_LT(server.bytesSent(), 16 * 1024 * 1024); // given up, not read to the end
    }
    flushNotifications();
    EXPECT_TRUE(notifications.shown.empty());      // background checks stay quiet
    EXPECT_EQ(server.requests("/appcast.xml"), 0); // the plain-http redirect was not followed
}

TEST_F(UpdatesTest, AFeedThatNeverFinishesIsGivenUpAtTheDeadline)
{
    server.serve("/appcast.xml", {.kind = Response::Kind::stall});
    auto updates = startedUpdates("/appcast.xml");
    updates->setAutomaticallyChecks(false);
    updates->controller()->checkForUpdatesInBackground();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests("/appcast.xml") == 1; }, 10000));
    scheduler.advance(29s);
    EXPECT_TRUE(results.empty());
    scheduler.advance(1s);
    ASSERT_EQ(results.size(), 1U);
    EXPECT_TRUE(results[0].error.contains(u"did not arrive within 30 seconds"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.openConnections() == 0; }, 10000)); // the transfer is cut
}

TEST_F(UpdatesTest, OnlyHttpsFeedsAreReadAndOnlyWithATrustedCertificate)
{
    server.serve("/appcast.xml", {.body = feed(item("1.3"))});
    auto plain = startedUpdates("/appcast.xml", false);
    EXPECT_TRUE(checkNow(*plain).error.contains(u"https://"));
    EXPECT_EQ(server.requests("/appcast.xml"), 0);

    test::FeedServer tls(true);
    tls.serve("/appcast.xml", {.body = feed(item("1.3"))});
    tls.serve("/moved.xml", {.status = 302, .location = tls.url("/appcast.xml").toUtf8()});
    store.settings().setValue("updateFeedURL", tls.url("/moved.xml"));
    auto trusting = startedUpdates("/unused", false, {test::FeedServer::certificate()});
    EXPECT_EQ(checkNow(*trusting).outcome, Outcome::updateAvailable);
    auto strict = startedUpdates("/unused", false);
    EXPECT_TRUE(checkNow(*strict).error.contains(u"could not be loaded"));
    EXPECT_EQ(tls.requests("/appcast.xml"), 1); // nothing read from a server not trusted
}

TEST_F(UpdatesTest, AutomaticChecksRunWhenDueThenDailyAndAClockSetBackWaitsOneDay)
{
    server.serve("/appcast.xml", {.body = feed(item("1.2"))});
    store.settings().setValue("lastUpdateCheck", now.addSecs(-23 * 3600).toString(Qt::ISODate));
    auto updates = startedUpdates("/appcast.xml");
    const QTimer& timer = updates->controller()->scheduleTimer();
    EXPECT_EQ(timer.interval(), 3600 * 1000); // due in one hour: no polling until then
    now = now.addSecs(3600);
    ASSERT_TRUE(QMetaObject::invokeMethod(const_cast<QTimer*>(&timer), "timeout"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 10000));
    EXPECT_FALSE(results[0].userInitiated);
    store.settings().sync();
    EXPECT_EQ(store.reopened()->value("lastUpdateCheck").toString(), now.toString(Qt::ISODate));
    EXPECT_EQ(timer.interval(), 24 * 3600 * 1000);
    flushNotifications();
    EXPECT_TRUE(notifications.shown.empty());

    store.settings().setValue("lastUpdateCheck", now.addDays(-3).toString(Qt::ISODate));
    EXPECT_EQ(startedUpdates("/appcast.xml")->controller()->scheduleTimer().interval(), 0); // overdue: at once
    store.settings().setValue("lastUpdateCheck", now.addDays(5).toString(Qt::ISODate));
    EXPECT_EQ(startedUpdates("/appcast.xml")->controller()->scheduleTimer().interval(), 24 * 3600 * 1000);
    store.settings().setValue("automaticallyCheckForUpdates", false);
    EXPECT_FALSE(startedUpdates("/appcast.xml")->controller()->scheduleTimer().isActive());
}

} // namespace
