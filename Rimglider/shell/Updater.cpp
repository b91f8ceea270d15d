#include "Updater.h"

#include "UpdaterDelegate.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QSslConfiguration>
#include <QtDebug>

#include <algorithm>
#include <utility>

namespace rimglider {

namespace {

const QString notificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString notificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString notificationsInterface = QStringLiteral("org.freedesktop.Notifications");
const QString openPageAction = QStringLiteral("default");

bool isLoopback(const QUrl& url)
{
    const QString host = url.host();
    return host.compare(u"localhost", Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback();
}

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0) return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0) return QStringLiteral("%1 KiB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// Whole seconds in UTC, as every date this application stores.
QDateTime storedDate(const QDateTime& date)
{
    QDateTime utc = date.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    return utc;
}

} // namespace

Updater::Environment Updater::Environment::standard()
{
    return {
        .currentVersion = QCoreApplication::applicationVersion(),
        .currentBuild = QStringLiteral(RIMGLIDER_BUILD_NUMBER),
        .now = [] { return QDateTime::currentDateTimeUtc(); },
        .notificationBus = QDBusConnection::sessionBus(),
        .openUrl = [](const QUrl& url) { QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString()}); },
        .scheduler = mainThreadScheduler(),
        .transferTimeout = std::chrono::seconds(30),
        .maxFeedBytes = 1024 * 1024,
        .allowPlainHttpToLoopback = false,
        .extraCaCertificates = {},
    };
}

Updater::Updater(QSettings& store, const UpdaterDelegate& delegate, Environment environment, QObject* parent)
    : QObject(parent), store_(store), delegate_(delegate), environment_(std::move(environment))
{
    automaticallyChecks_ = store_.value(automaticChecksKey, true).toBool();
    const QDateTime last = QDateTime::fromString(store_.value(lastCheckKey).toString(), Qt::ISODate);
    if (last.isValid()) lastCheck_ = last.toUTC();

    network_.setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
    scheduleTimer_.setSingleShot(true);
    connect(&scheduleTimer_, &QTimer::timeout, this, &Updater::checkForUpdatesInBackground);

    if (environment_.notificationBus.isConnected()) {
        environment_.notificationBus.connect(notificationsService, notificationsPath, notificationsInterface,
                                             QStringLiteral("ActionInvoked"), this,
                                             SLOT(notificationActionInvoked(uint, QString)));
        environment_.notificationBus.connect(notificationsService, notificationsPath, notificationsInterface,
                                             QStringLiteral("NotificationClosed"), this,
                                             SLOT(notificationClosed(uint, uint)));
    }
    scheduleNextCheck();
}

Updater::~Updater()
{
    // Nothing is reported from here: the check is forgotten before its transfer is cut.
    QPointer<QNetworkReply> reply = check_ ? check_->reply : nullptr;
    check_.reset();
    if (reply) reply->abort();
}

void Updater::setAutomaticallyChecksForUpdates(bool enabled)
{
    automaticallyChecks_ = enabled;
    store_.setValue(automaticChecksKey, enabled);
    store_.sync(); // written through at once, like every setting
    scheduleNextCheck();
}

void Updater::checkForUpdates()
{
    startCheck(true);
}

void Updater::checkForUpdatesInBackground()
{
    startCheck(false);
}

void Updater::scheduleNextCheck()
{
    if (!automaticallyChecks_) {
        scheduleTimer_.stop();
        return;
    }
    using namespace std::chrono;
    const QDateTime now = environment_.now();
    milliseconds delay{0};
    if (lastCheck_) {
        const QDateTime due = lastCheck_->addSecs(duration_cast<seconds>(checkInterval).count());
        // A last check "in the future" (the clock was set back) waits one interval, not longer.
        delay = std::clamp(milliseconds(now.msecsTo(due)), milliseconds(0), duration_cast<milliseconds>(checkInterval));
    }
    scheduleTimer_.start(delay);
}

void Updater::startCheck(bool userInitiated)
{
    if (check_) {
        // One check at a time; the user asking during a scheduled one gets to see its result.
        check_->userInitiated = check_->userInitiated || userInitiated;
        return;
    }
    check_ = Check{++generation_, userInitiated, {}};
    lastCheck_ = storedDate(environment_.now());
    store_.setValue(lastCheckKey, lastCheck_->toString(Qt::ISODate));
    store_.sync();
    scheduleNextCheck();

    const std::optional<QUrl> feed = delegate_.feedURL();
    if (!feed) return fail(tr("No update feed is configured."));
    const QUrl url(*feed);
    const QString scheme = url.scheme().toLower();
    const bool allowed =
        scheme == u"https" || (scheme == u"http" && environment_.allowPlainHttpToLoopback && isLoopback(url));
    if (!url.isValid() || url.host().isEmpty() || !allowed)
        return fail(tr("The update feed address must be an https:// address: %1").arg(url.toDisplayString()));

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setMaximumRedirectsAllowed(5);
    request.setTransferTimeout(int(environment_.transferTimeout.count()));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Rimglider/%1").arg(environment_.currentVersion));
    if (!environment_.extraCaCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(environment_.extraCaCertificates);
        request.setSslConfiguration(tls);
    }
    QNetworkReply* reply = network_.get(request);
    check_->reply = reply;

    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        if (!check_ || check_->reply != reply) return;
        // Redirects keep TLS: the test switch covers the first address only.
        if (target.scheme().compare(u"https", Qt::CaseInsensitive) == 0) {
            emit reply->redirectAllowed();
            return;
        }
        fail(tr("The update feed redirected to an address without HTTPS: %1").arg(target.toDisplayString()));
    });
    // Too large is decided as early as possible: from the announced length, else as it arrives.
    auto tooLarge = [this, reply](qint64 size) {
        if (!check_ || check_->reply != reply || size <= environment_.maxFeedBytes) return;
        fail(tr("The update feed is larger than %1.").arg(sizeText(environment_.maxFeedBytes)));
    };
    connect(reply, &QNetworkReply::metaDataChanged, this,
            [reply, tooLarge] { tooLarge(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong()); });
    connect(reply, &QNetworkReply::downloadProgress, this,
            [tooLarge](qint64 received, qint64 total) { tooLarge(std::max(received, total)); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishDownload(reply); });

    // The request's own timeout only catches silence; a feed trickling in forever is cut here.
    const quint64 generation = check_->generation;
    environment_.scheduler(environment_.transferTimeout, [self = QPointer<Updater>(this), generation] {
        if (!self || !self->check_ || self->check_->generation != generation) return;
        self->fail(self->timeoutText());
    });
}

QString Updater::timeoutText() const
{
    const auto timeout = environment_.transferTimeout;
    if (timeout < std::chrono::seconds(2))
        return tr("The update feed did not arrive within %1 ms.").arg(timeout.count());
    return tr("The update feed did not arrive within %1 seconds.")
        .arg(std::chrono::duration_cast<std::chrono::seconds>(timeout).count());
}

void Updater::fail(const QString& error)
{
    finish({Outcome::failed, false, std::nullopt, error});
}

void Updater::finishDownload(QNetworkReply* reply)
{
    reply->deleteLater();
    if (!check_ || check_->reply != reply) return; // given up already: its failure is reported
    if (reply->error() == QNetworkReply::OperationCanceledError || reply->error() == QNetworkReply::TimeoutError)
        return fail(timeoutText());
    if (reply->error() != QNetworkReply::NoError) {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status != 0) return fail(tr("The update feed could not be loaded (HTTP %1).").arg(status));
        return fail(tr("The update feed could not be loaded: %1").arg(reply->errorString()));
    }
    const QByteArray data = reply->readAll();
    if (data.size() > environment_.maxFeedBytes)
        return fail(tr("The update feed is larger than %1.").arg(sizeText(environment_.maxFeedBytes)));
    QString error;
    const std::optional<Appcast> appcast = Appcast::parse(data, &error);
    if (!appcast) return fail(error);
    // The channels are asked for now, so a change of the beta switch counts from the next check.
    std::optional<Appcast::Item> update =
        appcast->newestUpdate(environment_.currentBuild, environment_.currentVersion, delegate_.allowedChannels());
    if (update)
        finish({Outcome::updateAvailable, false, std::move(update), {}});
    else
        finish({Outcome::upToDate, false, std::nullopt, {}});
}

void Updater::finish(CheckResult result)
{
    if (!check_) return;
    result.userInitiated = check_->userInitiated;
    QPointer<QNetworkReply> reply = check_->reply;
    check_.reset();
    if (reply && reply->isRunning()) reply->abort(); // its finished() finds no check and stays quiet

    setLastError(result.outcome == Outcome::failed ? result.error : QString());
    if (result.outcome == Outcome::failed) qWarning().noquote() << "Rimglider update check:" << result.error;
    announce(result);
    emit checkFinished(result);
}

void Updater::setLastError(const QString& error)
{
    if (lastError_ == error) return;
    lastError_ = error;
    emit lastErrorChanged();
}

void Updater::announce(const CheckResult& result)
{
    switch (result.outcome) {
    case Outcome::updateAvailable: {
        const Appcast::Item& item = *result.update;
        notify(tr("Rimglider %1 is available").arg(item.displayVersion()),
               item.page().isValid()
                   ? tr("You have version %1. Click to open the download page.").arg(environment_.currentVersion)
                   : tr("You have version %1.").arg(environment_.currentVersion),
               item.page());
        return;
    }
    case Outcome::upToDate:
        if (result.userInitiated)
            notify(tr("Rimglider is up to date"),
                   tr("Version %1 is the newest version available.").arg(environment_.currentVersion), {});
        return;
    case Outcome::failed:
        if (result.userInitiated) notify(tr("Rimglider could not check for updates"), result.error, {});
        return;
    }
}

void Updater::notify(const QString& summary, const QString& body, const QUrl& page)
{
    if (!environment_.notificationBus.isConnected()) {
        qWarning().noquote() << "Rimglider update:" << summary << "-" << body << page.toString();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(notificationsService, notificationsPath, notificationsInterface,
                                                       QStringLiteral("Notify"));
    QStringList actions;
    if (page.isValid()) actions << openPageAction << tr("Open Download Page");
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("rimglider")}};
    call << QStringLiteral("Rimglider") << 0U << QStringLiteral("rimglider") << summary << body << actions << hints
         << -1;
    auto* watcher = new QDBusPendingCallWatcher(environment_.notificationBus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, page, summary](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            qWarning().noquote() << "Rimglider update:" << summary << "(no notification:" << reply.error().message()
                                 << ")";
            return;
        }
        if (page.isValid()) notificationPages_.insert(reply.value(), page);
    });
}

void Updater::notificationActionInvoked(uint id, const QString& actionKey)
{
    const auto page = notificationPages_.constFind(id);
    if (page == notificationPages_.cend() || actionKey != openPageAction) return;
    if (environment_.openUrl) environment_.openUrl(*page);
}

void Updater::notificationClosed(uint id, uint /*reason*/)
{
    notificationPages_.remove(id);
}

} // namespace rimglider
