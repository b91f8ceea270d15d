// Software updates as the settings window and the menu panel see them: whether an updater
// exists at all (only when a feed address is configured), its two settings mirrored as
// observable state, the last check date, and check-now.
#pragma once

#include "Updater.h"
#include "UpdaterDelegate.h"

#include <QDateTime>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

namespace rimglider {

class Updates : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool automaticallyChecks READ automaticallyChecks WRITE setAutomaticallyChecks NOTIFY
                   automaticallyChecksChanged)
    Q_PROPERTY(bool includeBetas READ includeBetas WRITE setIncludeBetas NOTIFY includeBetasChanged)
    Q_PROPERTY(QDateTime lastCheck READ lastCheckOrNull NOTIFY lastCheckChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)

  public:
    static inline const QString updateFeedURLKey = QStringLiteral("updateFeedURL");
    static inline const QString includeBetaUpdatesKey = QStringLiteral("includeBetaUpdates");

    // The build's default feed ("SUFeedURL"): the RIMGLIDER_SU_FEED_URL CMake setting, empty
    // unless the build sets it.
    static QString buildFeedURL();
    // "updateFeedURL" from the store when it is a non-empty string, else `buildFeedURL` when
    // non-empty, else none.
    static std::optional<QUrl> feedURL(const QSettings& store, const QString& buildFeedURL);
    // The same for the running application's store and build.
    static std::optional<QUrl> feedURL();

    // The one instance, on the standard store, the build's feed and the real environment.
    static Updates& shared();

    Updates(QSettings& store, QString buildFeedURL, Updater::Environment environment, QObject* parent = nullptr);

    // Creates the updater when a feed address is configured and takes over its settings;
    // otherwise, and on every later call, nothing.
    void start();

    // False until start() created the updater; then the updater's setting, written through.
    [[nodiscard]] bool automaticallyChecks() const { return automaticallyChecks_; }
    void setAutomaticallyChecks(bool enabled);

    // The stored "includeBetaUpdates" (absent reads as false); written through.
    [[nodiscard]] bool includeBetas() const { return includeBetas_; }
    void setIncludeBetas(bool include);

    [[nodiscard]] std::optional<QDateTime> lastCheck() const { return lastCheck_; }
    // lastCheck() as a property value: a null date for none.
    [[nodiscard]] QDateTime lastCheckOrNull() const { return lastCheck_.value_or(QDateTime()); }

    // With an updater: a check whose result the user sees, and lastCheck set to now at once.
    // Without one, nothing.
    void checkNow();
    // Re-reads the updater's last check date (none without an updater).
    void refreshLastCheck();

    // Why the last check failed; empty when it did not or nothing was checked.
    [[nodiscard]] QString lastError() const;

    // The updater, once start() created it.
    [[nodiscard]] Updater* controller() const { return controller_.get(); }
    [[nodiscard]] const UpdaterDelegate& delegate() const { return delegate_; }

  signals:
    void automaticallyChecksChanged();
    void includeBetasChanged();
    void lastCheckChanged();
    void lastErrorChanged();

  private:
    void setLastCheck(std::optional<QDateTime> date);

    QSettings& store_;
    Updater::Environment environment_;
    bool automaticallyChecks_ = false;
    bool includeBetas_ = false;
    std::optional<QDateTime> lastCheck_;
    UpdaterDelegate delegate_;
    std::unique_ptr<Updater> controller_;
};

} // namespace rimglider
