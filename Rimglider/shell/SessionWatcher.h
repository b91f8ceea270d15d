// Tells when the touch input should start afresh: after the machine wakes from sleep
// (logind's PrepareForSleep(false)) and when this user session becomes the active one again
// (its Active property turning true, e.g. after a switch back from another user). In both
// cases the touchpad may have been re-created by the kernel.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace rimglider {

class SessionWatcher : public QObject {
    Q_OBJECT
  public:
    static inline const QString service = QStringLiteral("org.freedesktop.login1");

    explicit SessionWatcher(QDBusConnection systemBus, QObject* parent = nullptr);

    // Main thread. Subscribes to the two signals; `handler` runs on the main thread for each
    // wake-up and re-activation. Without a system bus or logind nothing ever fires.
    void start(std::function<void()> handler);

    // This process's session object, once found (empty until then, or without logind).
    [[nodiscard]] const QString& sessionPath() const { return sessionPath_; }

  signals:
    void sessionFound();

  private slots:
    void prepareForSleep(bool sleeping);
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

  private:
    void findSession();
    void followSession(const QString& path);
    void fire();

    QDBusConnection bus_;
    std::function<void()> handler_;
    QString sessionPath_;
};

} // namespace rimglider
