// The media players on the session bus (MPRIS), for play/pause, next and previous made without
// a key (a gesture made while a modifier is held). Commands go to the player that is playing,
// else to the one most recently seen starting, playing, pausing or stopping.
//
// Everything is asynchronous: the players and their playback status are followed from their
// bus signals (NameOwnerChanged, PropertiesChanged), so a command needs no round trip to
// choose its player, and is sent without waiting for an answer. Main thread only.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <map>

class QDBusMessage;

namespace rimglider {

class MediaPlayers : public QObject {
    Q_OBJECT

  public:
    enum class Command { playPause, next, previous };

    static MediaPlayers& shared();

    explicit MediaPlayers(QDBusConnection bus, QObject* parent = nullptr);
    ~MediaPlayers() override;
    MediaPlayers(const MediaPlayers&) = delete;
    MediaPlayers& operator=(const MediaPlayers&) = delete;

    // Lists the players and follows them from then on. Once only.
    void start();

    // Sends `command` to the chosen player; false when no player is known.
    bool send(Command command);

    // The bus name of the player a command would go to; empty when there is none.
    [[nodiscard]] QString chosen() const;

  signals:
    // A player came, went or changed its playback status.
    void playersChanged();

  private slots:
    void onNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void onPropertiesChanged(const QDBusMessage& message);

  private:
    struct Player {
        QString owner; // unique name, what its signals come from
        bool playing = false;
        std::uint64_t seen = 0; // when it last appeared or changed its status
    };
    void addPlayer(const QString& name, const QString& owner);
    void askStatus(const QString& name);
    void setStatus(const QString& name, const QString& status);

    QDBusConnection bus_;
    bool started_ = false;
    std::map<QString, Player> players_; // by well-known name
    std::uint64_t clock_ = 0;
};

} // namespace rimglider
