// A private D-Bus daemon with a stand-in for logind's session object on it: records each
// SetBrightness call and accepts or refuses it, as the real one does for a session that may or
// may not set backlights.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>

#include <tuple>
#include <vector>

namespace rimglider::testing {

class FakeLogindSession : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")

  public:
    using Call = std::tuple<QString, QString, quint32>;
    std::vector<Call> calls;
    bool refuse = false;

  public slots:
    void SetBrightness(const QString& subsystem, const QString& name, quint32 value)
    {
        calls.emplace_back(subsystem, name, value);
        if (refuse) sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Not in control"));
    }
};

class FakeLogind {
  public:
    FakeLogind() = default;
    ~FakeLogind()
    {
        QDBusConnection::disconnectFromBus(connectionName);
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    // Starts the bus and puts the session object on it; false when either fails.
    [[nodiscard]] bool start()
    {
        address_ = QStringLiteral("unix:path=") + dir_.filePath(QStringLiteral("bus"));
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--address=") + address_,
                       QStringLiteral("--print-address=1")});
        // The daemon prints its address once it listens.
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) return false;
        QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName);
        return bus.isConnected() && bus.registerService(QStringLiteral("org.freedesktop.login1")) &&
               bus.registerObject(QStringLiteral("/org/freedesktop/login1/session/auto"), &session,
                                  QDBusConnection::ExportAllSlots);
    }

    QString address() const { return address_; }

    FakeLogindSession session;

  private:
    static inline const QString connectionName = QStringLiteral("fake-logind");
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

} // namespace rimglider::testing
