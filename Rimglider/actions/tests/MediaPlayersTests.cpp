// MediaPlayers on a private bus with stand-in MPRIS players: the choice follows players coming,
// going and changing their playback status, without asking at the moment of a command.
#include "MediaPlayers.h"

#include "PrivateBus.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace rimglider;

namespace {

const QString path = QStringLiteral("/org/mpris/MediaPlayer2");

// A player on its own connection: answers PlaybackStatus, records the commands it gets.
class Player : public QDBusVirtualObject {
  public:
    Player(test::PrivateBus& bus, const QString& name, QString status)
        : status_(std::move(status)), connection_(bus.connect(name)), name_("org.mpris.MediaPlayer2." + name)
    {
        connection_.registerVirtualObject(path, this);
        connection_.registerService(name_);
    }
    ~Player() override { connection_.unregisterService(name_); }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() == u"Get")
            connection.send(message.createReply(QVariant::fromValue(QDBusVariant(status_))));
        else
            commands << message.member();
        return true;
    }
    void setStatus(const QString& status)
    {
        status_ = status;
        QDBusMessage changed =
            QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.DBus.Properties"), "PropertiesChanged");
        changed << QStringLiteral("org.mpris.MediaPlayer2.Player") << QVariantMap{{"PlaybackStatus", status}}
                << QStringList{};
        connection_.send(changed);
    }
    QStringList commands;

  private:
    QString status_;
    QDBusConnection connection_;
    QString name_;
};

} // namespace

TEST(MediaPlayers, CommandsGoToThePlayingPlayerElseTheOneSeenLast)
{
    test::PrivateBus bus;
    ASSERT_TRUE(bus.error().isEmpty()) << bus.error().toStdString();
    MediaPlayers players(bus.connect(QStringLiteral("rimglider")));
    EXPECT_FALSE(players.send(MediaPlayers::Command::next)) << "no player yet";
    auto radio = std::make_unique<Player>(bus, QStringLiteral("radio"), QStringLiteral("Playing"));
    Player video(bus, QStringLiteral("video"), QStringLiteral("Paused"));
    players.start(); // finds both, radio playing
    EXPECT_TRUE(QTest::qWaitFor([&] { return players.chosen().endsWith(u"radio"); }));
    QSignalSpy seen(&players, &MediaPlayers::playersChanged);
    radio->setStatus(QStringLiteral("Paused"));
    ASSERT_TRUE(seen.wait());
    Player music(bus, QStringLiteral("music"), QStringLiteral("Stopped")); // none plays: the one seen last
    EXPECT_TRUE(QTest::qWaitFor([&] { return players.chosen().endsWith(u"music"); }));
    video.setStatus(QStringLiteral("Playing"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return players.chosen().endsWith(u"video"); }));
    EXPECT_TRUE(players.send(MediaPlayers::Command::playPause));
    EXPECT_TRUE(players.send(MediaPlayers::Command::next));
    EXPECT_TRUE(QTest::qWaitFor([&] { return video.commands.size() == 2; }));
    EXPECT_EQ(video.commands, (QStringList{"PlayPause", "Next"}));
    video.setStatus(QStringLiteral("Stopped"));
    radio.reset(); // gone: never chosen again
    EXPECT_TRUE(QTest::qWaitFor([&] { return players.chosen().endsWith(u"video"); }));
    EXPECT_TRUE(music.commands.isEmpty());
}
