#include "SessionWatcher.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <unistd.h>

namespace rimglider {

namespace {

const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

SessionWatcher::SessionWatcher(QDBusConnection systemBus, QObject* parent) : QObject(parent), bus_(systemBus) {}

void SessionWatcher::start(std::function<void()> handler)
{
    handler_ = std::move(handler);
    if (!bus_.isConnected()) return;
    bus_.connect(service, managerPath, managerInterface, QStringLiteral("PrepareForSleep"), this,
                 SLOT(prepareForSleep(bool)));
    findSession();
}

// The session this process runs in; GetSessionByPID fails for processes started outside any
// session (a systemd user service), where the desktop's XDG_SESSION_ID still names it.
void SessionWatcher::findSession()
{
    QDBusMessage byPid =
        QDBusMessage::createMethodCall(service, managerPath, managerInterface, QStringLiteral("GetSessionByPID"));
    byPid << quint32(getpid());
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(byPid), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *call;
        if (reply.isValid()) {
            followSession(reply.value().path());
            return;
        }
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        if (id.isEmpty()) return;
        QDBusMessage byId =
            QDBusMessage::createMethodCall(service, managerPath, managerInterface, QStringLiteral("GetSession"));
        byId << id;
        auto* second = new QDBusPendingCallWatcher(bus_.asyncCall(byId), this);
        connect(second, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* next) {
            next->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> byIdReply = *next;
            if (byIdReply.isValid()) followSession(byIdReply.value().path());
        });
    });
}

void SessionWatcher::followSession(const QString& path)
{
    sessionPath_ = path;
    bus_.connect(service, path, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                 SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
    emit sessionFound();
}

void SessionWatcher::prepareForSleep(bool sleeping)
{
    if (!sleeping) fire();
}

void SessionWatcher::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                              const QStringList& invalidated)
{
    if (interface != sessionInterface) return;
    if (const auto active = changed.find(QStringLiteral("Active")); active != changed.end()) {
        if (active->toBool()) fire();
        return;
    }
    if (!invalidated.contains(QStringLiteral("Active"))) return;
    // Changed without its value: ask for it.
    QDBusMessage get =
        QDBusMessage::createMethodCall(service, sessionPath_, propertiesInterface, QStringLiteral("Get"));
    get << sessionInterface << QStringLiteral("Active");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isValid() && reply.value().variant().toBool()) fire();
    });
}

void SessionWatcher::fire()
{
    if (handler_) handler_();
}

} // namespace rimglider
