#include "Permissions.h"

#include "RimgliderInput/BrokerConnection.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QThread>
#include <QtDebug>

#include <memory>
#include <optional>
#include <utility>

namespace rimglider {

namespace {

const QString systemdService = QStringLiteral("org.freedesktop.systemd1");
const QString systemdPath = QStringLiteral("/org/freedesktop/systemd1");
const QString systemdManager = QStringLiteral("org.freedesktop.systemd1.Manager");

// polkit's password dialog waits for the user, so these calls get far more than D-Bus's 25 s.
constexpr int interactiveCallTimeoutMs = 10 * 60 * 1000;

// A HELLO that takes longer is not worth holding up the main thread for; the next tick retries.
constexpr std::chrono::milliseconds helloTimeout{500};

// Unit file states in which the socket starts at boot already, so enabling would only cost the
// user a password prompt.
bool startsAtBoot(const QString& state)
{
    return state == u"enabled" || state == u"enabled-runtime" || state == u"static" || state == u"indirect" ||
           state == u"generated" || state == u"alias";
}

} // namespace

Permissions& Permissions::shared()
{
    static auto* permissions = new Permissions(brokerQuery(broker::socketPath()), QDBusConnection::systemBus(),
                                               [](const QString& help) { qInfo().noquote() << help; });
    return *permissions; // never destroyed
}

Permissions::GrantQuery Permissions::brokerQuery(std::string socketPath)
{
    struct Probe {
        std::string path;
        std::optional<broker::BrokerConnection> connection;
    };
    auto probe = std::make_shared<Probe>(Probe{std::move(socketPath), std::nullopt});
    return [probe]() -> bool {
        if (probe->connection) {
            // Held since the last WELCOME: still served unless the broker closed it (it stopped,
            // or stopped serving this user). What it sent meanwhile is of no interest here; a
            // flood of it is taken as reason enough to start over.
            broker::BrokerMessage message;
            for (int i = 0; i < 64; ++i) {
                const auto received = probe->connection->receive(message, std::chrono::milliseconds(0));
                if (received == broker::BrokerConnection::Received::timeout) return true;
                if (received == broker::BrokerConnection::Received::closed) break;
            }
            probe->connection.reset();
        }
        auto opened = broker::BrokerConnection::open(probe->path, helloTimeout);
        if (auto* connection = std::get_if<broker::BrokerConnection>(&opened)) {
            probe->connection.emplace(std::move(*connection));
            return true;
        }
        return false;
    };
}

QString Permissions::inputServiceHelp()
{
    return tr("Rimglider reads the touchpad and the keyboard through its input service, rimglider-inputd: a small "
              "system service, the only part of Rimglider with access to input devices. An administrator installs it "
              "once.\n"
              "\n"
              "On Debian and Ubuntu, install the package, which enables the service itself; from the source "
              "folder:\n"
              "    ./scripts/package.sh && sudo apt install ./build/package/rimglider_*.deb\n"
              "Elsewhere, from the folder Rimglider was built in:\n"
              "    sudo cmake --install build\n"
              "    sudo systemctl daemon-reload && sudo systemctl enable --now rimglider-inputd.socket\n"
              "Then click Allow Input Access again, or simply wait: Rimglider notices the service on its own.\n"
              "\n"
              "To remove it: sudo apt purge rimglider, or for an installation from source:\n"
              "    sudo systemctl disable --now rimglider-inputd.socket rimglider-inputd.service\n"
              "    sudo xargs rm -f < build/install_manifest.txt\n"
              "    sudo systemctl daemon-reload\n");
}

Permissions::Permissions(GrantQuery query, QDBusConnection systemBus, HelpPresenter showHelp, QObject* parent)
    : QObject(parent), query_(std::move(query)), bus_(std::move(systemBus)), showHelp_(std::move(showHelp))
{
    granted_ = query_ && query_();
}

void Permissions::refresh()
{
    const bool granted = query_ && query_();
    if (granted == granted_) return;
    granted_ = granted;
    emit isAccessibilityGrantedChanged();
    if (onChange) onChange();
}

void Permissions::startPolling()
{
    if (timer_) return;
    timer_ = new QTimer(this);
    timer_->setInterval(pollInterval);
    connect(timer_, &QTimer::timeout, this, [this] {
        Q_ASSERT(QThread::currentThread() == thread());
        refresh();
    });
    timer_->start();
}

void Permissions::requestAccess()
{
    if (requesting_) return; // one password prompt at a time
    if (granted_) {
        // Nothing to ask systemd for; the help is this platform's settings page for the service.
        if (showHelp_) showHelp_(inputServiceHelp());
        emit accessRequestFinished(RequestOutcome::alreadyGranted, {});
        return;
    }
    if (!bus_.isConnected()) {
        emit accessRequestFinished(RequestOutcome::failed,
                                   tr("The system bus is not available: %1").arg(bus_.lastError().message()));
        return;
    }
    requesting_ = true;
    callSystemd(Step::readState);
}

void Permissions::callSystemd(Step step)
{
    QDBusMessage call;
    switch (step) {
    case Step::readState:
        call = QDBusMessage::createMethodCall(systemdService, systemdPath, systemdManager,
                                              QStringLiteral("GetUnitFileState"));
        call << inputServiceUnit;
        break;
    case Step::enable:
        call = QDBusMessage::createMethodCall(systemdService, systemdPath, systemdManager,
                                              QStringLiteral("EnableUnitFiles"));
        call << QStringList{inputServiceUnit} << false << true; // persistent, replacing stale links
        call.setInteractiveAuthorizationAllowed(true);
        break;
    case Step::start:
        call = QDBusMessage::createMethodCall(systemdService, systemdPath, systemdManager, QStringLiteral("StartUnit"));
        call << inputServiceUnit << QStringLiteral("replace");
        call.setInteractiveAuthorizationAllowed(true);
        break;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, interactiveCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, step](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusMessage reply = finished->reply();
        if (reply.type() == QDBusMessage::ErrorMessage) {
            const QDBusError error(reply);
            if (isNotInstalled(error)) {
                if (showHelp_) showHelp_(inputServiceHelp());
                return finishRequest(RequestOutcome::notInstalled);
            }
            return finishRequest(RequestOutcome::failed, error.message().isEmpty() ? error.name() : error.message());
        }
        switch (step) {
        case Step::readState: {
            const QString state = reply.arguments().value(0).toString();
            return callSystemd(startsAtBoot(state) ? Step::start : Step::enable);
        }
        case Step::enable:
            return callSystemd(Step::start);
        case Step::start:
            return finishRequest(RequestOutcome::started);
        }
    });
}

bool Permissions::isNotInstalled(const QDBusError& error)
{
    // systemd answers a unit file it cannot find with NoSuchUnit or with ENOENT (FileNotFound).
    return error.name() == u"org.freedesktop.systemd1.NoSuchUnit" ||
           error.name() == u"org.freedesktop.DBus.Error.FileNotFound";
}

void Permissions::finishRequest(RequestOutcome outcome, const QString& detail)
{
    requesting_ = false;
    if (outcome == RequestOutcome::failed) qWarning().noquote() << "Rimglider input access request:" << detail;
    emit accessRequestFinished(outcome, detail);
}

} // namespace rimglider
