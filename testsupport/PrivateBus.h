// A D-Bus daemon of a test's own, so tests that talk to systemd or to the notification
// service need neither a system bus nor a desktop session. Services are registered on one
// connection and the code under test uses another, as it would against the real daemons.
#pragma once

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace rimglider::test {

class PrivateBus {
  public:
    PrivateBus()
    {
        const QString config = dir_.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!dir_.isValid() || !file.open(QIODevice::WriteOnly)) {
            error_ = QStringLiteral("cannot write the bus configuration");
            return;
        }
        // No service activation: a name nobody owns here stays unowned.
        file.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                                  "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                  "</policy></busconfig>")
                       .arg(dir_.path())
                       .toUtf8());
        file.close();
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config,
                                                      QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(10000)) {
            error_ = QStringLiteral("dbus-daemon did not start: ") + daemon_.errorString();
            return;
        }
        const QDeadlineTimer deadline(10000);
        while (!daemon_.canReadLine() && !deadline.hasExpired() && daemon_.state() == QProcess::Running)
            daemon_.waitForReadyRead(int(deadline.remainingTime()));
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        if (address_.isEmpty())
            error_ =
                QStringLiteral("dbus-daemon gave no address: ") + QString::fromUtf8(daemon_.readAllStandardError());
    }

    ~PrivateBus()
    {
        for (const QString& name : std::as_const(connections_))
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when the daemon runs; otherwise why it does not.
    [[nodiscard]] const QString& error() const { return error_; }
    [[nodiscard]] const QString& address() const { return address_; }

    // A new connection to this bus, closed with the bus.
    QDBusConnection connect(const QString& role)
    {
        static int serial = 0;
        const QString name = QStringLiteral("private-bus-%1-%2").arg(role).arg(++serial);
        connections_ << name;
        return QDBusConnection::connectToBus(address_, name);
    }

  private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString error_;
    QStringList connections_;
};

} // namespace rimglider::test
