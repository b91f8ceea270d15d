// Rimglider's own updater: reads a Sparkle-format appcast over HTTPS and tells the user,
// through a desktop notification, when a newer version exists; the notification opens the
// version's page. It never downloads or installs anything. Automatic checks run at most once
// a day while enabled, on a timer set for the moment the next one falls due.
#pragma once

#include "Appcast.h"
#include "TaskScheduler.h"

#include <QDBusConnection>
#include <QDateTime>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QSslCertificate>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkReply;

namespace rimglider {

class UpdaterDelegate;

class Updater : public QObject {
    Q_OBJECT

  public:
    // What the updater needs from the world; tests replace each part.
    struct Environment {
        QString currentVersion;                     // the running version, for people ("0.1.0")
        QString currentBuild;                       // the running build, compared with sparkle:version
        std::function<QDateTime()> now;             // wall-clock time of checks and of the schedule
        QDBusConnection notificationBus;            // where org.freedesktop.Notifications lives
        std::function<void(const QUrl&)> openUrl;   // shows a web page to the user
        TaskScheduler scheduler;                    // runs the transfer deadline
        std::chrono::milliseconds transferTimeout;  // a feed not complete by then is given up
        qint64 maxFeedBytes;                        // a larger feed is given up as soon as it exceeds this
        bool allowPlainHttpToLoopback = false;      // lets tests serve the feed from 127.0.0.1 without TLS
        QList<QSslCertificate> extraCaCertificates; // trusted besides the system's (a private feed server)

        // The running application: its version and build, the session bus, xdg-open, 30 s, 1 MiB.
        static Environment standard();
    };

    enum class Outcome { upToDate, updateAvailable, failed };
    struct CheckResult {
        Outcome outcome = Outcome::failed;
        bool userInitiated = false;
        std::optional<Appcast::Item> update; // with updateAvailable
        QString error;                       // with failed
    };

    static constexpr std::chrono::hours checkInterval{24};
    static inline const QString automaticChecksKey = QStringLiteral("automaticallyCheckForUpdates");
    static inline const QString lastCheckKey = QStringLiteral("lastUpdateCheck");

    // Reads its two settings from `store` and, when automatic checks are on, sets the timer.
    Updater(QSettings& store, const UpdaterDelegate& delegate, Environment environment, QObject* parent = nullptr);
    ~Updater() override;

    // Stored under automaticChecksKey; on when never set (see Updates for why).
    [[nodiscard]] bool automaticallyChecksForUpdates() const { return automaticallyChecks_; }
    void setAutomaticallyChecksForUpdates(bool enabled);

    // When the last check started, persisted under lastCheckKey; absent when never.
    [[nodiscard]] std::optional<QDateTime> lastUpdateCheckDate() const { return lastCheck_; }

    // A check the user asked for: its result is always shown, up to date and failure too.
    void checkForUpdates();
    // A scheduled check: only a newer version is shown; failures stay in lastError().
    void checkForUpdatesInBackground();

    [[nodiscard]] bool isChecking() const { return check_.has_value(); }
    // Why the last check failed, for the settings window; empty after a successful one.
    [[nodiscard]] const QString& lastError() const { return lastError_; }
    // The timer of the next automatic check: active only while one is due.
    [[nodiscard]] const QTimer& scheduleTimer() const { return scheduleTimer_; }

  signals:
    void checkFinished(const rimglider::Updater::CheckResult& result);
    void lastErrorChanged();

  private slots:
    void notificationActionInvoked(uint id, const QString& actionKey);
    void notificationClosed(uint id, uint reason);

  private:
    struct Check {
        quint64 generation = 0;
        bool userInitiated = false;
        QPointer<QNetworkReply> reply;
    };

    void startCheck(bool userInitiated);
    void fail(const QString& error);
    [[nodiscard]] QString timeoutText() const;
    void finishDownload(QNetworkReply* reply);
    void finish(CheckResult result);
    void setLastError(const QString& error);
    void scheduleNextCheck();
    void announce(const CheckResult& result);
    void notify(const QString& summary, const QString& body, const QUrl& page);

    QSettings& store_;
    const UpdaterDelegate& delegate_;
    Environment environment_;
    QNetworkAccessManager network_;
    QTimer scheduleTimer_;
    bool automaticallyChecks_ = true;
    std::optional<QDateTime> lastCheck_;
    std::optional<Check> check_;
    quint64 generation_ = 0;
    QString lastError_;
    QHash<uint, QUrl> notificationPages_; // notification id -> the page its action opens
};

} // namespace rimglider
