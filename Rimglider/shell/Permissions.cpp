#include "Permissions.h"

#include "BrokerClient.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
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

// A HELLO unanswered for this long ends the attempt; the next one follows with back-off.
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
    static auto* permissions = new Permissions(
        brokerQuery(broker::socketPath(), [] { Permissions::shared().refresh(); }), QDBusConnection::systemBus(),
        [](const QString& problem) { qInfo().noquote() << problem << inputServiceHelp(installedHere()).plainText(); },
        GrantChanges::reported);
    return *permissions; // never destroyed
}

Permissions::GrantQuery Permissions::brokerQuery(std::string socketPath, std::function<void()> changed)
{
    // Made on the first query, on the main thread whose event loop drives it.
    auto client = std::make_shared<std::unique_ptr<BrokerClient>>();
    return [client, path = std::move(socketPath), changed = std::move(changed)]() -> bool {
        if (!*client) {
            *client = std::make_unique<BrokerClient>(BrokerClient::Options{.socketPath = path,
                                                                           .logName = "permissions",
                                                                           .answerTimeout = helloTimeout,
                                                                           .longestRetry = pollInterval,
                                                                           .keepConnected = true});
            (*client)->setOnStateChange(changed);
        }
        return (*client)->isWelcomed();
    };
}

Permissions::Installation Permissions::installationOf(const QString& applicationDir, bool packageInstalled)
{
    return applicationDir == u"/usr/bin" && packageInstalled ? Installation::package : Installation::sourceBuild;
}

Permissions::Installation Permissions::installedHere()
{
    return installationOf(QCoreApplication::applicationDirPath(),
                          QFile::exists(QStringLiteral("/var/lib/dpkg/info/rimglider.list")));
}

QString Permissions::ServiceHelp::plainText() const
{
    const auto indented = [](const QString& commands) {
        return QStringLiteral("    ") + QString(commands).replace(u'\n', QStringLiteral("\n    "));
    };
    return intro + u'\n' + indented(installCommands) + u'\n' + afterInstall + QStringLiteral("\n\n") +
           tr("To remove it:") + u'\n' + indented(removeCommands) + u'\n';
}

Permissions::ServiceHelp Permissions::inputServiceHelp(Installation installation)
{
    const QString about =
        tr("Rimglider reads the touchpad and the keyboard through its input service, rimglider-inputd: a small "
           "system service, the only part of Rimglider with access to input devices. An administrator sets it up "
           "once.");
    const QString after = tr("Rimglider notices the running service on its own within a few seconds.");
    switch (installation) {
    case Installation::package:
        return {
            .intro = about + QStringLiteral("\n\n") +
                     tr("It comes with the rimglider package, which enables it when installed. To install the "
                        "package again (from the package file you installed) and enable the service:"),
            .installCommands = QStringLiteral("sudo apt install --reinstall ./rimglider_*.deb\n"
                                              "sudo systemctl enable --now rimglider-inputd.socket"),
            .afterInstall = after,
            .removeCommands = QStringLiteral("sudo apt purge rimglider"),
        };
    case Installation::sourceBuild:
        break;
    }
    return {
        .intro = about + QStringLiteral("\n\n") +
                 tr("To install and enable it, from the folder Rimglider was built in (build-install as the README "
                    "builds it):"),
        .installCommands = QStringLiteral("sudo cmake --install build-install\n"
                                          "sudo systemctl daemon-reload && sudo systemctl enable --now "
                                          "rimglider-inputd.socket"),
        .afterInstall = after,
        .removeCommands = QStringLiteral("sudo systemctl disable --now rimglider-inputd.socket "
                                         "rimglider-inputd.service\n"
                                         "sudo xargs rm -f < build-install/install_manifest.txt\n"
                                         "sudo systemctl daemon-reload"),
    };
}

QString Permissions::outcomeText(RequestOutcome outcome, const QString& detail)
{
    switch (outcome) {
    case RequestOutcome::started:
    case RequestOutcome::alreadyGranted:
        return {};
    case RequestOutcome::notInstalled:
        return tr("The input service is not installed.");
    case RequestOutcome::noSystemBus:
        return tr("Input access could not be asked for: the system bus is not available (%1).").arg(detail);
    case RequestOutcome::noSystemd:
        return tr("Input access could not be asked for: this system does not run systemd, which starts the input "
                  "service. Start rimglider-inputd as root by other means.");
    case RequestOutcome::cancelled:
        return tr("Input access was not granted: the password prompt was cancelled or the password was refused.");
    case RequestOutcome::failed:
        break;
    }
    return tr("Input access could not be granted: %1").arg(detail);
}

Permissions::Permissions(GrantQuery query, QDBusConnection systemBus, HelpPresenter showHelp, GrantChanges changes,
                         QObject* parent)
    : QObject(parent), query_(std::move(query)), bus_(std::move(systemBus)), showHelp_(std::move(showHelp)),
      changes_(changes)
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
    if (timer_ || changes_ == GrantChanges::reported) return;
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
    requesting_ = true;
    // Nothing to ask systemd for; the help is this platform's settings page for the service.
    if (granted_) return finishRequest(RequestOutcome::alreadyGranted);
    if (!bus_.isConnected()) {
        const QString why = bus_.lastError().message();
        return finishRequest(RequestOutcome::noSystemBus, why.isEmpty() ? tr("no connection") : why);
    }
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
            return finishRequest(outcomeOf(error), error.message().isEmpty() ? error.name() : error.message());
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

Permissions::RequestOutcome Permissions::outcomeOf(const QDBusError& error)
{
    const QString name = error.name();
    // systemd answers a unit file it cannot find with NoSuchUnit or with ENOENT (FileNotFound).
    if (name == u"org.freedesktop.systemd1.NoSuchUnit" || name == u"org.freedesktop.DBus.Error.FileNotFound")
        return RequestOutcome::notInstalled;
    // Nobody owns systemd's name, and the bus cannot start it.
    if (name == u"org.freedesktop.DBus.Error.ServiceUnknown" || name == u"org.freedesktop.DBus.Error.NameHasNoOwner")
        return RequestOutcome::noSystemd;
    // polkit turned the request down: a dismissed prompt, a wrong password, or a rule.
    if (name == u"org.freedesktop.DBus.Error.AccessDenied" || name == u"org.freedesktop.PolicyKit1.Error.Cancelled" ||
        name == u"org.freedesktop.PolicyKit1.Error.NotAuthorized")
        return RequestOutcome::cancelled;
    return RequestOutcome::failed;
}

void Permissions::finishRequest(RequestOutcome outcome, const QString& detail)
{
    requesting_ = false;
    if (outcome != RequestOutcome::started) {
        const QString problem = outcomeText(outcome, detail);
        if (!problem.isEmpty()) qWarning().noquote() << "Rimglider input access request:" << problem;
        if (showHelp_) showHelp_(problem);
    }
    emit accessRequestFinished(outcome, detail);
}

} // namespace rimglider
