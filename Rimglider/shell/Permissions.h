// Input access (the platform's "Accessibility" permission): granted when the input broker is
// reachable and serves this user. Asking for it means asking systemd, over the system bus, to
// enable and start the broker's socket; polkit asks the user for an administrator's password.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <utility>

class QDBusError;

namespace rimglider {

class Permissions : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isAccessibilityGranted READ isAccessibilityGranted NOTIFY isAccessibilityGrantedChanged)

  public:
    // Whether the broker serves this user right now. Called on the main thread; must be cheap.
    using GrantQuery = std::function<bool()>;
    // Shows Rimglider's help on installing and enabling the input service, after `problem`
    // (what went wrong, in plain words; empty when nothing did).
    using HelpPresenter = std::function<void(const QString& problem)>;

    // Every outcome but `started` shows the help.
    enum class RequestOutcome {
        started,        // systemd enabled and started the socket
        alreadyGranted, // nothing to ask
        notInstalled,   // the unit is not installed
        noSystemBus,    // nowhere to ask
        noSystemd,      // nobody on the system bus to ask
        cancelled,      // the password prompt was dismissed or the password refused
        failed,         // any other error
    };
    Q_ENUM(RequestOutcome)

    // How a change of the grant becomes known: by asking every pollInterval, or from the query
    // itself (the broker's, which says when it may differ), so that nothing ticks while idle.
    enum class GrantChanges { polled, reported };
    static constexpr std::chrono::milliseconds pollInterval{2000};
    static inline const QString inputServiceUnit = QStringLiteral("rimglider-inputd.socket");

    // The one instance: the broker at its socket path, the system bus, help text to the log.
    static Permissions& shared();

    // Reads the grant once through `query`; `systemBus` is where systemd is asked.
    Permissions(GrantQuery query, QDBusConnection systemBus, HelpPresenter showHelp,
                GrantChanges changes = GrantChanges::polled, QObject* parent = nullptr);

    // A GrantQuery on the broker at `socketPath`, which never waits: granted while a kept
    // connection stands welcomed. It connects on the event loop, again with back-off when
    // turned away or lost, and calls `changed` (later, on the event loop) when that may differ.
    static GrantQuery brokerQuery(std::string socketPath, std::function<void()> changed = {});

    // How the input service is installed, enabled and removed: command lines to copy between
    // sentences. A package brings the service along; a source build installs it itself.
    struct ServiceHelp {
        QString intro;
        QString installCommands;
        QString afterInstall;
        QString removeCommands;
        // Everything as plain text, commands indented (for the log).
        [[nodiscard]] QString plainText() const;
    };
    enum class Installation { package, sourceBuild };
    // The package's program runs from /usr/bin, and dpkg knows the package; anything else
    // (a source build, installed under /usr or not) was built from source.
    static Installation installationOf(const QString& applicationDir, bool packageInstalled);
    // Where this process runs from.
    static Installation installedHere();
    static ServiceHelp inputServiceHelp(Installation installation);
    // What happened, in the user's words; empty for `started` and `alreadyGranted`.
    static QString outcomeText(RequestOutcome outcome, const QString& detail);
    // Where the help goes from now on (the user interface shows it in a window).
    void setHelpPresenter(HelpPresenter showHelp) { showHelp_ = std::move(showHelp); }

    [[nodiscard]] bool isAccessibilityGranted() const { return granted_; }

    // Asks again; only a different answer is stored, signalled and passed to onChange.
    void refresh();

    // Begins following the grant: for a polled query, creates (once) the repeating 2-second
    // timer whose every tick is one refresh(); a query that reports its changes needs none.
    void startPolling();
    [[nodiscard]] const QTimer* timer() const { return timer_; }

    // Asks systemd to enable and start the input service's socket, without waiting for it;
    // shows the help with what went wrong when that fails, or when access is already granted.
    // isAccessibilityGranted is not touched: the next refresh sees the outcome.
    void requestAccess();

    // Called after every change of isAccessibilityGranted.
    std::function<void()> onChange;

  signals:
    void isAccessibilityGrantedChanged();
    // The end of a requestAccess(); `detail` says why it failed.
    void accessRequestFinished(rimglider::Permissions::RequestOutcome outcome, const QString& detail);

  private:
    enum class Step { readState, enable, start };
    void callSystemd(Step step);
    void finishRequest(RequestOutcome outcome, const QString& detail = {});
    static RequestOutcome outcomeOf(const QDBusError& error);

    GrantQuery query_;
    QDBusConnection bus_;
    HelpPresenter showHelp_;
    bool granted_ = false;
    bool requesting_ = false;
    GrantChanges changes_;
    QTimer* timer_ = nullptr;
};

} // namespace rimglider
