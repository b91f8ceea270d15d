#include "Updates.h"

#include "SettingsStore.h"

#include <utility>

#ifndef RIMGLIDER_SU_FEED_URL
#define RIMGLIDER_SU_FEED_URL ""
#endif

namespace rimglider {

QString Updates::buildFeedURL()
{
    return QStringLiteral(RIMGLIDER_SU_FEED_URL);
}

std::optional<QUrl> Updates::feedURL(const QSettings& store, const QString& buildFeedURL)
{
    const QVariant user = store.value(updateFeedURLKey);
    if (user.typeId() == QMetaType::QString && !user.toString().isEmpty()) return QUrl(user.toString());
    if (!buildFeedURL.isEmpty()) return QUrl(buildFeedURL);
    return std::nullopt;
}

std::optional<QUrl> Updates::feedURL()
{
    return feedURL(standardSettingsStore(), buildFeedURL());
}

Updates& Updates::shared()
{
    static auto* updates = new Updates(standardSettingsStore(), buildFeedURL(), Updater::Environment::standard());
    return *updates; // never destroyed
}

Updates::Updates(QSettings& store, QString buildFeedURL, Updater::Environment environment, QObject* parent)
    : QObject(parent), store_(store), environment_(std::move(environment)),
      includeBetas_(store.value(includeBetaUpdatesKey, false).toBool()), delegate_(store, std::move(buildFeedURL))
{}

void Updates::start()
{
    if (controller_ || !delegate_.feedURL()) return;
    controller_ = std::make_unique<Updater>(store_, delegate_, environment_);
    connect(controller_.get(), &Updater::lastErrorChanged, this, &Updates::lastErrorChanged);
    setAutomaticallyChecks(controller_->automaticallyChecksForUpdates());
    setLastCheck(controller_->lastUpdateCheckDate());
}

void Updates::setAutomaticallyChecks(bool enabled)
{
    if (automaticallyChecks_ != enabled) {
        automaticallyChecks_ = enabled;
        emit automaticallyChecksChanged();
    }
    if (controller_) controller_->setAutomaticallyChecksForUpdates(automaticallyChecks_);
}

void Updates::setIncludeBetas(bool include)
{
    if (includeBetas_ != include) {
        includeBetas_ = include;
        emit includeBetasChanged();
    }
    store_.setValue(includeBetaUpdatesKey, include);
    store_.sync(); // written through at once, like every setting
}

void Updates::checkNow()
{
    if (!controller_) return;
    controller_->checkForUpdates();
    setLastCheck(environment_.now());
}

void Updates::refreshLastCheck()
{
    setLastCheck(controller_ ? controller_->lastUpdateCheckDate() : std::nullopt);
}

QString Updates::lastError() const
{
    return controller_ ? controller_->lastError() : QString();
}

void Updates::setLastCheck(std::optional<QDateTime> date)
{
    if (lastCheck_ == date) return;
    lastCheck_ = std::move(date);
    emit lastCheckChanged();
}

} // namespace rimglider
