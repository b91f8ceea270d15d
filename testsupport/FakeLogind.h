// A private D-Bus daemon with a stand-in for logind's session object on it: records each
// SetBrightness call and accepts or refuses it, as the real one does for a session that may or
// may not set backlights.
#pragma once

#include "PrivateBus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QObject>

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
    // Puts the session object on the bus; false when the bus or the registration fails.
    [[nodiscard]] bool start()
    {
        if (!bus_.error().isEmpty()) return false;
        QDBusConnection bus = bus_.connect(QStringLiteral("logind"));
        return bus.isConnected() && bus.registerService(QStringLiteral("org.freedesktop.login1")) &&
               bus.registerObject(QStringLiteral("/org/freedesktop/login1/session/auto"), &session,
                                  QDBusConnection::ExportAllSlots);
    }

    QString address() const { return bus_.address(); }

    FakeLogindSession session;

  private:
    test::PrivateBus bus_; // gone before the session it serves
};

} // namespace rimglider::testing
