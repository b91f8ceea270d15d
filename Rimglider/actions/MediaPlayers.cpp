#include "MediaPlayers.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

namespace rimglider {

namespace {

const QString playerPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString playerPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");

} // namespace

MediaPlayers& MediaPlayers::shared()
{
    static auto* instance = new MediaPlayers(QDBusConnection::sessionBus());
    return *instance;
}

MediaPlayers::MediaPlayers(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {}

MediaPlayers::~MediaPlayers() = default;

void MediaPlayers::start()
{
    if (started_ || !bus_.isConnected()) return;
    started_ = true;
    bus_.connect(busService, busPath, busService, QStringLiteral("NameOwnerChanged"), this,
                 SLOT(onNameOwnerChanged(QString, QString, QString)));
    // From any sender: players are told apart by the unique name the signal comes from.
    bus_.connect(QString(), playerPath, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                 SLOT(onPropertiesChanged(QDBusMessage)));
    const QDBusMessage list =
        QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("ListNames"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(list), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList> reply = *watcher;
        if (reply.isError()) return;
        for (const QString& name : reply.value()) {
            if (!name.startsWith(playerPrefix) || players_.contains(name)) continue;
            const QDBusMessage owner =
                QDBusMessage::createMethodCall(busService, busPath, busService, QStringLiteral("GetNameOwner")) << name;
            auto* ownerWatcher = new QDBusPendingCallWatcher(bus_.asyncCall(owner), this);
            connect(ownerWatcher, &QDBusPendingCallWatcher::finished, this, [this, ownerWatcher, name] {
                ownerWatcher->deleteLater();
                const QDBusPendingReply<QString> found = *ownerWatcher;
                if (!found.isError() && !players_.contains(name)) addPlayer(name, found.value());
            });
        }
    });
}

void MediaPlayers::onNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner)
{
    if (!name.startsWith(playerPrefix)) return;
    Q_UNUSED(oldOwner);
    if (newOwner.isEmpty()) {
        if (players_.erase(name) > 0) emit playersChanged();
        return;
    }
    addPlayer(name, newOwner);
}

void MediaPlayers::addPlayer(const QString& name, const QString& owner)
{
    players_[name] = Player{owner, false, ++clock_};
    askStatus(name);
    emit playersChanged();
}

void MediaPlayers::askStatus(const QString& name)
{
    const QDBusMessage get =
        QDBusMessage::createMethodCall(name, playerPath, propertiesInterface, QStringLiteral("Get"))
        << playerInterface << QStringLiteral("PlaybackStatus");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    const QString owner = players_[name].owner;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, name, owner] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watcher;
        const auto found = players_.find(name);
        // A player that was replaced meanwhile answers for nobody.
        if (reply.isError() || found == players_.end() || found->second.owner != owner) return;
        setStatus(name, reply.value().variant().toString());
    });
}

void MediaPlayers::onPropertiesChanged(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || arguments[0].toString() != playerInterface) return;
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments[1]);
    const auto status = changed.constFind(QStringLiteral("PlaybackStatus"));
    if (status == changed.constEnd()) return;
    for (const auto& [name, player] : players_)
        if (player.owner == message.service()) setStatus(name, status->toString());
}

void MediaPlayers::setStatus(const QString& name, const QString& status)
{
    Player& player = players_[name];
    player.playing = status == QLatin1String("Playing");
    player.seen = ++clock_;
    emit playersChanged();
}

QString MediaPlayers::chosen() const
{
    const Player* best = nullptr;
    QString bestName;
    for (const auto& [name, player] : players_) {
        if (best && std::pair(best->playing, best->seen) > std::pair(player.playing, player.seen)) continue;
        best = &player;
        bestName = name;
    }
    return bestName;
}

bool MediaPlayers::send(Command command)
{
    const QString name = chosen();
    if (name.isEmpty()) return false;
    QString method;
    switch (command) {
    case Command::playPause:
        method = QStringLiteral("PlayPause");
        break;
    case Command::next:
        method = QStringLiteral("Next");
        break;
    case Command::previous:
        method = QStringLiteral("Previous");
        break;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(name, playerPath, playerInterface, method);
    call.setAutoStartService(false);
    return bus_.send(call);
}

} // namespace rimglider
