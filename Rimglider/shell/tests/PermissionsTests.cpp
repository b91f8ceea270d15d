#include "Permissions.h"

#include "FakeBroker.h"
#include "PrivateBus.h"
#include "SocketFolder.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

using namespace rimglider;

namespace {

// systemd's manager as far as requestAccess() uses it, answering as configured and keeping
// every call with its arguments and its interactive-authorization flag.
class FakeSystemd : public QDBusVirtualObject {
  public:
    struct Call {
        QString member;
        QVariantList arguments;
        bool interactive = false;
    };
    std::vector<Call> calls;
    QStringList members; // of the calls
    QString unitFileState = QStringLiteral("disabled");
    std::map<QString, std::pair<QString, QString>> errors; // member -> error name, message

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != u"org.freedesktop.systemd1.Manager") return false;
        calls.push_back({message.member(), message.arguments(), message.isInteractiveAuthorizationAllowed()});
        members << message.member();
        if (const auto error = errors.find(message.member()); error != errors.end())
            connection.send(message.createErrorReply(error->second.first, error->second.second));
        else if (message.member() == u"GetUnitFileState")
            connection.send(message.createReply(unitFileState));
        else if (message.member() == u"EnableUnitFiles")
            connection.send(message.createReply(QVariantList{true}));
        else
            connection.send(message.createReply(
                QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/freedesktop/systemd1/job/7")))));
        return true;
    }
};

const QString unit = QStringLiteral("rimglider-inputd.socket");

class PermissionsRequestTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.error().isEmpty()) << bus.error().toStdString();
        service = bus.connect(QStringLiteral("systemd"));
        ASSERT_TRUE(service.registerVirtualObject(QStringLiteral("/org/freedesktop/systemd1"), &systemd));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.systemd1")));
    }

    std::unique_ptr<Permissions> makePermissions()
    {
        return std::make_unique<Permissions>([] { return false; }, bus.connect(QStringLiteral("client")),
                                             [this](const QString& text) { helpShown << text; });
    }

    // Runs requestAccess() and the event loop until it reports its end.
    std::pair<Permissions::RequestOutcome, QString> request(Permissions& permissions)
    {
        QSignalSpy finished(&permissions, &Permissions::accessRequestFinished);
        permissions.requestAccess();
        EXPECT_TRUE(finished.size() == 1 || finished.wait(10000)) << "requestAccess() never finished";
        if (finished.isEmpty()) return {Permissions::RequestOutcome::failed, QStringLiteral("no answer")};
        return {finished.first().at(0).value<Permissions::RequestOutcome>(), finished.first().at(1).toString()};
    }

    test::PrivateBus bus;
    QDBusConnection service{QString()};
    FakeSystemd systemd;
    QStringList helpShown;
};

TEST_F(PermissionsRequestTest, EnablesThenStartsTheSocketAllowingPasswordPrompts)
{
    auto permissions = makePermissions();
    const auto [outcome, detail] = request(*permissions);
    EXPECT_EQ(outcome, Permissions::RequestOutcome::started) << detail.toStdString();
    ASSERT_EQ(systemd.members, (QStringList{"GetUnitFileState", "EnableUnitFiles", "StartUnit"}));
    EXPECT_EQ(systemd.calls[0].arguments, (QVariantList{unit}));
    const QVariantList enable = systemd.calls[1].arguments;
    EXPECT_EQ(enable.value(0).toStringList(), QStringList{unit});
    EXPECT_EQ(enable.mid(1), (QVariantList{false, true})); // persistent, not runtime-only; replacing stale links
    EXPECT_EQ(systemd.calls[2].arguments, (QVariantList{unit, QStringLiteral("replace")}));
    EXPECT_TRUE(systemd.calls[1].interactive && systemd.calls[2].interactive);
    EXPECT_TRUE(helpShown.isEmpty());

    // An enabled socket is only started.
    systemd.members.clear();
    systemd.unitFileState = QStringLiteral("enabled");
    EXPECT_EQ(request(*permissions).first, Permissions::RequestOutcome::started);
    EXPECT_EQ(systemd.members, (QStringList{"GetUnitFileState", "StartUnit"}));
}

TEST_F(PermissionsRequestTest, EveryFailureSaysWhatHappenedAndShowsTheHelp)
{
    using Outcome = Permissions::RequestOutcome;
    const QStringList all{"GetUnitFileState", "EnableUnitFiles", "StartUnit"};
    const char* const notFound = "org.freedesktop.DBus.Error.FileNotFound";
    struct Case {
        const char* member; // the call that fails; empty: systemd is not on the bus at all
        const char* error;
        Outcome outcome;
        int calls;           // how many of `all` were made
        const char* problem; // part of what the user is told
    };
    const Case cases[] = {
        {"GetUnitFileState", notFound, Outcome::notInstalled, 1, "not installed"},
        {"EnableUnitFiles", notFound, Outcome::notInstalled, 2, "not installed"},
        {"StartUnit", "org.freedesktop.systemd1.NoSuchUnit", Outcome::notInstalled, 3, "not installed"},
        {"EnableUnitFiles", "org.freedesktop.DBus.Error.AccessDenied", Outcome::cancelled, 2, "cancelled"},
        {"StartUnit", "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", Outcome::failed, 3, "says: no"},
        {"", "", Outcome::noSystemd, 0, "does not run systemd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.member) + " " + c.error);
        systemd.members.clear();
        if (*c.member)
            systemd.errors = {{c.member, {c.error, QStringLiteral("systemd says: no")}}};
        else
            service.unregisterService(QStringLiteral("org.freedesktop.systemd1"));
        helpShown.clear();
        auto permissions = makePermissions();
        const auto [outcome, detail] = request(*permissions);
        EXPECT_EQ(outcome, c.outcome) << detail.toStdString();
        EXPECT_EQ(systemd.members, all.mid(0, c.calls));
        ASSERT_EQ(helpShown.size(), 1);
        EXPECT_EQ(helpShown[0], Permissions::outcomeText(c.outcome, detail));
        EXPECT_TRUE(helpShown[0].contains(QString::fromLatin1(c.problem))) << helpShown[0].toStdString();
        if (!*c.member) service.registerService(QStringLiteral("org.freedesktop.systemd1"));

        // Nothing is left half-done: the next request runs in full.
        systemd.errors.clear();
        systemd.members.clear();
        EXPECT_EQ(request(*permissions).first, Outcome::started);
        EXPECT_EQ(systemd.members, all);
    }

    Permissions offline([] { return false; }, QDBusConnection(QStringLiteral("no such connection")),
                        [this](const QString& text) { helpShown = QStringList{text}; });
    EXPECT_EQ(request(offline).first, Outcome::noSystemBus);
    EXPECT_TRUE(helpShown.value(0).contains(u"system bus is not available")) << helpShown.value(0).toStdString();
}

TEST(PermissionsHelp, APackageIsReinstalledASourceBuildInstalledAsTheReadmeSays)
{
    using Installation = Permissions::Installation;
    const struct {
        const char* dir;
        bool packageInstalled;
        Installation expected;
    } places[] = {
        {"/usr/bin", true, Installation::package},
        {"/usr/bin", false, Installation::sourceBuild}, // installed from source under /usr
        {"/usr/local/bin", true, Installation::sourceBuild},
        {"/home/me/rimglider/build/Rimglider/app", false, Installation::sourceBuild},
    };
    for (const auto& p : places)
        EXPECT_EQ(Permissions::installationOf(QString::fromLatin1(p.dir), p.packageInstalled), p.expected) << p.dir;

    // Both ways are the README's, word for word.
    QFile readme(QStringLiteral(RIMGLIDER_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const auto package = Permissions::inputServiceHelp(Installation::package);
    EXPECT_TRUE(package.installCommands.contains(u"apt install --reinstall"));
    EXPECT_FALSE(package.plainText().contains(u"cmake"));
    const auto source = Permissions::inputServiceHelp(Installation::sourceBuild);
    for (const QString& commands : {package.removeCommands, source.installCommands, source.removeCommands})
        EXPECT_TRUE(text.contains(commands + u'\n')) << commands.toStdString();
}

// The real grant query against a stand-in broker: it never waits, and says when to ask again.
TEST(PermissionsBrokerQuery, GrantedExactlyWhileTheBrokerWelcomesThisUser)
{
    test::SocketFolder folder;
    int changes = 0;
    const auto query = Permissions::brokerQuery(folder.path(), [&] { ++changes; });
    EXPECT_FALSE(query()); // nothing listens
    auto broker = std::make_unique<test::FakeBroker>(folder.path());
    ASSERT_TRUE(QTest::qWaitFor(query, 5000));
    EXPECT_GT(changes, 0);
    EXPECT_EQ(broker->requestsOf<broker::Hello>().size(), 1U) << "the connection is kept";

    // The broker stops serving this user: it closes the connection and refuses new ones.
    broker->refuseClients();
    broker->disconnectAll();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !query(); }));
    broker->refuseClients(false);
    ASSERT_TRUE(QTest::qWaitFor(query, 5000));
    broker.reset(); // the broker goes away
    EXPECT_TRUE(QTest::qWaitFor([&] { return !query(); }));
}

} // namespace
