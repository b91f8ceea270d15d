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
#include <QSignalSpy>
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

// --- Versions and appcasts ---

TEST(AppcastVersions, CompareAsSparkleDoes)
{
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"0.10", "0.9", 1},      {"1.2", "1.2", 0},
        {"1.2.1", "1.2", 1},     {"1.0", "1.0.0", 0},
        {"1.0b1", "1.0", -1},    {"1.0b2", "1.0b10", -1},
        {"1.0a1", "1.0b1", -1},  {"1.0.1", "1.0b1", 1},
        {"2", "10", -1},         {"1.0-rc1", "1.0", -1},
        {"007", "7", 0},         {"20260101", "9", 1},
        {"1.2.0.0.1", "1.2", 1}, {"99999999999999999999", "99999999999999999998", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(Appcast::compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.order);
        EXPECT_EQ(Appcast::compareVersions(QString::fromLatin1(c.b), QString::fromLatin1(c.a)), -c.order);
    }
}

TEST(AppcastParsing, ReadsSparkleElementsAndEnclosureAttributes)
{
    const QByteArray xml = feed(
        "<item><title>A</title><link>https://example.org/a</link>"
        "<sparkle:version>3</sparkle:version><sparkle:shortVersionString>1.3</sparkle:shortVersionString>"
        "<sparkle:releaseNotesLink>https://example.org/a/notes</sparkle:releaseNotesLink>"
        "<enclosure url=\"https://example.org/a.tar.gz\" sparkle:version=\"2\"/></item>"
        "<item><title>B</title><sparkle:channel>beta</sparkle:channel>"
        "<sparkle:releaseNotesLink>https://example.org/b/notes</sparkle:releaseNotesLink>"
        "<enclosure url=\"https://example.org/b.tar.gz\" sparkle:version=\"4\" sparkle:shortVersionString=\"1.4b1\"/>"
        "</item>"
        "<item><title>No version</title><link>https://example.org/c</link></item>"
        "<item><link>file:///etc/passwd</link><sparkle:version>1</sparkle:version></item>"
        "<item xmlns:other=\"urn:other\"><other:version>6</other:version></item>");
    QString error;
    const auto appcast = Appcast::parse(xml, &error);
    ASSERT_TRUE(appcast) << error.toStdString();
    ASSERT_EQ(appcast->items().size(), 3U); // items without a Sparkle version are left out

    const Appcast::Item& a = appcast->items()[0];
    EXPECT_EQ(a.version, u"3"); // the element wins over the enclosure
    EXPECT_EQ(a.displayVersion(), u"1.3");
    EXPECT_EQ(a.page(), QUrl("https://example.org/a"));
    EXPECT_TRUE(a.channel.isEmpty());

    const Appcast::Item& b = appcast->items()[1];
    EXPECT_EQ(b.version, u"4");
    EXPECT_EQ(b.displayVersion(), u"1.4b1");
    EXPECT_EQ(b.channel, u"beta");
    EXPECT_EQ(b.page(), QUrl("https://example.org/b/notes")); // no <link>: the release notes

    EXPECT_FALSE(appcast->items()[2].page().isValid()); // only web pages are ever opened

    EXPECT_EQ(appcast->newestUpdate("2", {})->version, u"3");
    EXPECT_EQ(appcast->newestUpdate("2", {"beta"})->version, u"4");
    EXPECT_EQ(appcast->newestUpdate("2", {"nightly"})->version, u"3");
    EXPECT_FALSE(appcast->newestUpdate("4", {"beta"}));
}

TEST(AppcastParsing, RejectsWhatIsNotAWellFormedFeed)
{
    const QByteArray bad[] = {
        "",
        "not xml at all",
        "<rss><channel><item><sparkle:version>2</item></channel></rss>", // unbound prefix, bad nesting
        feed(item("9")).chopped(10),                                     // cut short
        "<html><body>Login required</body></html>",
        "<rss version=\"2.0\"></rss>",
    };
    for (const QByteArray& xml : bad) {
        SCOPED_TRACE(xml.toStdString());
        QString error;
        EXPECT_FALSE(Appcast::parse(xml, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_TRUE(Appcast::parse(feed("")));
}

// --- Feed address and settings ---

TEST(UpdatesFeed, UserSettingThenBuildSettingThenNone)
{
    test::TestStore store;
    QSettings& s = store.settings();
    EXPECT_FALSE(Updates::feedURL(s, ""));
    EXPECT_EQ(Updates::feedURL(s, "https://build.example/appcast.xml"), QUrl("https://build.example/appcast.xml"));
    s.setValue("updateFeedURL", "");
    EXPECT_FALSE(Updates::feedURL(s, ""));
    EXPECT_EQ(Updates::feedURL(s, "https://build.example/appcast.xml"), QUrl("https://build.example/appcast.xml"));
    s.setValue("updateFeedURL", "https://user.example/feed");
    EXPECT_EQ(Updates::feedURL(s, "https://build.example/appcast.xml"), QUrl("https://user.example/feed"));
    EXPECT_EQ(Updates::feedURL(s, ""), QUrl("https://user.example/feed"));
    s.setValue("updateFeedURL", QStringList{"https://a", "https://b"}); // not a string
    EXPECT_FALSE(Updates::feedURL(s, ""));
    // A plain build has none.
    EXPECT_TRUE(Updates::buildFeedURL().isEmpty());
}

class UpdatesTest : public ::testing::Test {
  protected:
    // org.freedesktop.Notifications, keeping what it was asked to show.
    class FakeNotifications : public QDBusVirtualObject {
      public:
        struct Shown {
            uint id;
            QString summary;
            QString body;
            QStringList actions;
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
            shown.push_back({id, a.value(3).toString(), a.value(4).toString(), a.value(5).toStringList()});
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
        ASSERT_TRUE(client.isConnected());
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

    Updater::Environment environment(bool plainHttpToLoopback = true, QList<QSslCertificate> trusted = {})
    {
        return {
            .currentVersion = "1.2",
            .now = [this] { return now; },
            .notificationBus = client,
            .openUrl = [this](const QUrl& url) { opened << url; },
            .scheduler = scheduler.scheduler(),
            .transferTimeout = 30s,
            .maxFeedBytes = 64 * 1024,
            .allowPlainHttpToLoopback = plainHttpToLoopback,
            .extraCaCertificates = std::move(trusted),
        };
    }

    // Updates with the test server's `path` as the build's feed, started.
    std::unique_ptr<Updates> startedUpdates(const QString& path, bool plainHttpToLoopback = true,
                                            QList<QSslCertificate> trusted = {})
    {
        auto updates = std::make_unique<Updates>(store.settings(), server.url(path),
                                                 environment(plainHttpToLoopback, std::move(trusted)));
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

    bool waitForNotifications(std::size_t count)
    {
        return QTest::qWaitFor([&] { return notifications.shown.size() >= count; }, 10000);
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

TEST_F(UpdatesTest, WithoutAFeedThereIsNoUpdaterAndCheckNowDoesNothing)
{
    store.settings().setValue("updateFeedURL", "");
    Updates updates(store.settings(), "", environment());
    updates.start();
    EXPECT_EQ(updates.controller(), nullptr);
    EXPECT_FALSE(updates.automaticallyChecks()); // the mirror keeps its first values
    updates.checkNow();
    updates.refreshLastCheck();
    EXPECT_FALSE(updates.lastCheck());
    store.settings().sync();
    EXPECT_EQ(store.reopened()->allKeys(), QStringList{"updateFeedURL"}); // nothing checked, nothing stored
}

TEST_F(UpdatesTest, AnEmptyUserFeedFallsBackToTheBuildFeed)
{
    server.serve("/appcast.xml", Response::feed(feed(item("1.3"))));
    store.settings().setValue("updateFeedURL", "");
    auto updates = startedUpdates("/appcast.xml");
    EXPECT_EQ(checkNow(*updates).outcome, Outcome::updateAvailable);
    EXPECT_EQ(server.requests("/appcast.xml"), 1);

    store.settings().setValue("updateFeedURL", server.url("/user.xml")); // read at every check
    server.serve("/user.xml", Response::feed(feed(item("1.2"))));
    EXPECT_EQ(checkNow(*updates).outcome, Outcome::upToDate);
    EXPECT_EQ(server.requests("/user.xml"), 1);
}

TEST_F(UpdatesTest, StartMirrorsTheUpdaterSettingsAndWritesThrough)
{
    store.settings().setValue("includeBetaUpdates", true);
    store.settings().setValue("lastUpdateCheck", "2026-02-28T09:30:00Z");
    Updates updates(store.settings(), server.url("/appcast.xml"), environment());
    EXPECT_TRUE(updates.includeBetas());
    EXPECT_FALSE(updates.automaticallyChecks());
    QSignalSpy automaticSignals(&updates, &Updates::automaticallyChecksChanged);

    updates.start();
    ASSERT_NE(updates.controller(), nullptr);
    EXPECT_TRUE(updates.automaticallyChecks()); // on unless the user turned it off
    EXPECT_EQ(automaticSignals.size(), 1);
    EXPECT_EQ(updates.lastCheck(), QDateTime(QDate(2026, 2, 28), QTime(9, 30), Qt::UTC));

    updates.setAutomaticallyChecks(false);
    EXPECT_FALSE(updates.controller()->automaticallyChecksForUpdates());
    store.settings().sync();
    EXPECT_FALSE(store.reopened()->value("automaticallyCheckForUpdates").toBool());
    updates.setIncludeBetas(false);
    store.settings().sync();
    EXPECT_FALSE(store.reopened()->value("includeBetaUpdates").toBool());

    Updates again(store.settings(), server.url("/appcast.xml"), environment());
    again.start();
    EXPECT_FALSE(again.automaticallyChecks());
    EXPECT_FALSE(again.includeBetas());
}

TEST_F(UpdatesTest, ANewerVersionIsAnnouncedAndItsPageOpenedFromTheNotification)
{
    server.serve("/appcast.xml",
                 Response::feed(feed(item("1.1") + item("1.3", "", "https://example.org/1.3") + item("1.2"))));
    auto updates = startedUpdates("/appcast.xml");

    updates->checkNow();
    EXPECT_EQ(updates->lastCheck(), now); // at once, before the feed has arrived
    EXPECT_TRUE(updates->controller()->isChecking());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 10000));
    ASSERT_EQ(results[0].outcome, Outcome::updateAvailable);
    EXPECT_EQ(results[0].update->version, u"1.3");

    ASSERT_TRUE(waitForNotifications(1));
    EXPECT_TRUE(notifications.shown[0].summary.contains(u"1.3"));
    EXPECT_EQ(notifications.shown[0].actions.value(0), u"default");
    EXPECT_TRUE(opened.isEmpty()); // nothing opens by itself

    QDBusMessage invoked =
        QDBusMessage::createSignal("/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    invoked << notifications.shown[0].id << QString("default");
    service.send(invoked);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_EQ(opened, QList<QUrl>{QUrl("https://example.org/1.3")});
}

TEST_F(UpdatesTest, BetasCountFromTheNextCheckOnceAllowed)
{
    server.serve("/appcast.xml", Response::feed(feed(item("1.2") + item("1.3b1", "beta") + item("1.4", "nightly"))));
    auto updates = startedUpdates("/appcast.xml");

    const auto stable = checkNow(*updates);
    EXPECT_EQ(stable.outcome, Outcome::upToDate);
    ASSERT_TRUE(waitForNotifications(1)); // asked for, so "up to date" is shown too
    EXPECT_TRUE(notifications.shown[0].actions.isEmpty());

    updates->setIncludeBetas(true);
    const auto beta = checkNow(*updates);
    ASSERT_EQ(beta.outcome, Outcome::updateAvailable);
    EXPECT_EQ(beta.update->version, u"1.3b1"); // never the channel nobody allowed

    updates->setIncludeBetas(false);
    EXPECT_EQ(checkNow(*updates).outcome, Outcome::upToDate);
}

TEST_F(UpdatesTest, BadFeedsFailQuietlyWithAReasonForTheSettingsWindow)
{
    struct Case {
        const char* name;
        Response response;
        const char* reason;
    };
    const Case cases[] = {
        {"malformed", Response::feed("<rss><channel><item>"), "not valid XML"},
        {"not a feed", Response::feed("<html><body>hello</body></html>"), "not an RSS feed"},
        {"declared too large", Response::claimingLength("<rss>", 2 * 1024 * 1024), "larger than 64 KiB"},
        {"streams forever", Response::of(Response::Kind::endless), "larger than 64 KiB"},
        {"missing", Response::feed("gone", 404), "HTTP 404"},
        {"redirected to plain http", Response::redirectTo("/appcast.xml"), "without HTTPS"},
    };
    server.serve("/appcast.xml", Response::feed(feed(item("1.3"))));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString path = "/" + QString::fromLatin1(c.name).replace(' ', '-');
        Response response = c.response;
        if (response.kind == Response::Kind::redirect) response.location = server.url("/appcast.xml").toUtf8();
        server.serve(path, response);
        results.clear();
        auto updates = startedUpdates(path);
        updates->setAutomaticallyChecks(false);
        QSignalSpy errorSignals(updates.get(), &Updates::lastErrorChanged);

        updates->controller()->checkForUpdatesInBackground();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 10000));
        EXPECT_EQ(results[0].outcome, Outcome::failed);
        EXPECT_TRUE(updates->lastError().contains(QString::fromLatin1(c.reason))) << updates->lastError().toStdString();
        EXPECT_EQ(errorSignals.size(), 1);
        EXPECT_LT(server.bytesSent(), 16 * 1024 * 1024); // given up, not read to the end
        flushNotifications();
        EXPECT_TRUE(notifications.shown.empty()); // a background check stays quiet
    }
    EXPECT_EQ(server.requests("/appcast.xml"), 0); // the plain-http redirect was not followed
}

TEST_F(UpdatesTest, AFailureTheUserAskedAboutIsShownAndClearedByTheNextGoodCheck)
{
    server.serve("/appcast.xml", Response::feed("<rss"));
    auto updates = startedUpdates("/appcast.xml");
    EXPECT_EQ(checkNow(*updates).outcome, Outcome::failed);
    ASSERT_TRUE(waitForNotifications(1));
    EXPECT_FALSE(updates->lastError().isEmpty());

    server.serve("/appcast.xml", Response::feed(feed(item("1.2"))));
    EXPECT_EQ(checkNow(*updates).outcome, Outcome::upToDate);
    EXPECT_TRUE(updates->lastError().isEmpty());
}

TEST_F(UpdatesTest, AFeedThatNeverFinishesIsGivenUpAtTheDeadline)
{
    server.serve("/appcast.xml", Response::of(Response::Kind::stall));
    auto updates = startedUpdates("/appcast.xml");
    updates->setAutomaticallyChecks(false);
    updates->controller()->checkForUpdatesInBackground();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests("/appcast.xml") == 1; }, 10000));
    EXPECT_TRUE(results.empty());

    scheduler.advance(29s);
    EXPECT_TRUE(results.empty());
    scheduler.advance(1s);
    ASSERT_EQ(results.size(), 1U);
    EXPECT_EQ(results[0].outcome, Outcome::failed);
    EXPECT_TRUE(results[0].error.contains(u"did not arrive within 30 seconds"));
    EXPECT_FALSE(updates->controller()->isChecking());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.openConnections() == 0; }, 10000)); // the transfer is cut
}

TEST_F(UpdatesTest, OnlyHttpsFeedsAreFetched)
{
    server.serve("/appcast.xml", Response::feed(feed(item("1.3"))));
    auto updates = startedUpdates("/appcast.xml", false);
    const auto result = checkNow(*updates);
    EXPECT_EQ(result.outcome, Outcome::failed);
    EXPECT_TRUE(result.error.contains(u"https://"));
    EXPECT_EQ(server.requests("/appcast.xml"), 0);

    // Nothing listens here.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString address = QString("http://127.0.0.1:%1/appcast.xml").arg(closed.serverPort());
    closed.close();
    store.settings().setValue("updateFeedURL", address);
    auto unreachable = startedUpdates("/appcast.xml");
    EXPECT_TRUE(checkNow(*unreachable).error.contains(u"could not be loaded"));
}

TEST_F(UpdatesTest, HttpsFeedsAndTheirHttpsRedirectsAreReadWhenTheCertificateIsTrusted)
{
    test::FeedServer tls(true);
    ASSERT_TRUE(tls.isListening());
    tls.serve("/appcast.xml", Response::feed(feed(item("1.3"))));
    tls.serve("/moved.xml", Response::redirectTo(tls.url("/appcast.xml").toUtf8()));
    store.settings().setValue("updateFeedURL", tls.url("/moved.xml"));

    auto trusting = startedUpdates("/unused", false, {test::FeedServer::certificate()});
    const auto result = checkNow(*trusting);
    EXPECT_EQ(result.outcome, Outcome::updateAvailable) << result.error.toStdString();
    EXPECT_EQ(tls.requests("/appcast.xml"), 1);

    // The same server without trusting its certificate: no feed is read from it.
    auto strict = startedUpdates("/unused", false);
    const auto refused = checkNow(*strict);
    EXPECT_EQ(refused.outcome, Outcome::failed);
    EXPECT_TRUE(refused.error.contains(u"could not be loaded")) << refused.error.toStdString();
    EXPECT_EQ(tls.requests("/moved.xml"), 1);
}

// --- The daily schedule ---

TEST_F(UpdatesTest, AutomaticChecksRunWhenDueAndThenDaily)
{
    server.serve("/appcast.xml", Response::feed(feed(item("1.2"))));
    store.settings().setValue("lastUpdateCheck", now.addSecs(-23 * 3600).toString(Qt::ISODate));
    auto updates = startedUpdates("/appcast.xml");
    const QTimer& timer = updates->controller()->scheduleTimer();
    EXPECT_TRUE(timer.isActive());
    EXPECT_TRUE(timer.isSingleShot());
    EXPECT_EQ(timer.interval(), 3600 * 1000); // due in one hour: no polling until then

    updates->setAutomaticallyChecks(false);
    EXPECT_FALSE(timer.isActive());
    updates->setAutomaticallyChecks(true);
    EXPECT_EQ(timer.interval(), 3600 * 1000);

    // An hour later the timer fires and the check runs by itself, without a notification.
    now = now.addSecs(3600);
    ASSERT_TRUE(QMetaObject::invokeMethod(const_cast<QTimer*>(&timer), "timeout"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 10000));
    EXPECT_EQ(results[0].outcome, Outcome::upToDate);
    EXPECT_FALSE(results[0].userInitiated);
    EXPECT_EQ(updates->controller()->lastUpdateCheckDate(), now);
    store.settings().sync();
    EXPECT_EQ(store.reopened()->value("lastUpdateCheck").toString(), now.toString(Qt::ISODate));
    EXPECT_EQ(timer.interval(), 24 * 3600 * 1000);
    EXPECT_TRUE(timer.isActive());
    flushNotifications();
    EXPECT_TRUE(notifications.shown.empty());

    updates->refreshLastCheck();
    EXPECT_EQ(updates->lastCheck(), now);
}

TEST_F(UpdatesTest, OverdueOrNeverCheckedRunsAtOnceAndAClockSetBackWaitsOneDay)
{
    server.serve("/appcast.xml", Response::feed(feed(item("1.2"))));
    {
        auto updates = startedUpdates("/appcast.xml"); // never checked
        EXPECT_EQ(updates->controller()->scheduleTimer().interval(), 0);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !results.empty(); }, 10000)); // the event loop runs it
        EXPECT_EQ(server.requests("/appcast.xml"), 1);
    }
    store.settings().setValue("lastUpdateCheck", now.addDays(-3).toString(Qt::ISODate));
    EXPECT_EQ(startedUpdates("/appcast.xml")->controller()->scheduleTimer().interval(), 0);

    store.settings().setValue("lastUpdateCheck", now.addDays(5).toString(Qt::ISODate));
    EXPECT_EQ(startedUpdates("/appcast.xml")->controller()->scheduleTimer().interval(), 24 * 3600 * 1000);

    store.settings().setValue("automaticallyCheckForUpdates", false);
    EXPECT_FALSE(startedUpdates("/appcast.xml")->controller()->scheduleTimer().isActive());
}

} // namespace
