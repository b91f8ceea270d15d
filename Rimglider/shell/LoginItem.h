// Launch at login through XDG autostart: $XDG_CONFIG_HOME/autostart/rimglider.desktop.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace rimglider {

class LoginItem : public QObject {
    Q_OBJECT
    Q_PROPERTY(Status status READ status WRITE setStatus NOTIFY statusChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)

  public:
    // enabled: the entry exists and the desktop runs it; requiresApproval: it exists but the
    // desktop switched it off (Hidden=true or X-GNOME-Autostart-enabled=false); notFound:
    // Rimglider's own executable cannot be found, so no entry could point at it.
    enum class Status { notRegistered, enabled, requiresApproval, notFound };
    Q_ENUM(Status)

    // The executable the entry starts; empty when it cannot be found.
    using ExecutableLocator = std::function<QString()>;

    static inline const QString entryFileName = QStringLiteral("rimglider.desktop");

    // The one instance, on the user's autostart folder and this process's executable.
    static LoginItem& shared();

    // `autostartDir` holds the entry; `executable` says what it starts.
    LoginItem(QString autostartDir, ExecutableLocator executable, QObject* parent = nullptr);

    // $XDG_CONFIG_HOME/autostart (~/.config/autostart when unset).
    static QString standardAutostartDir();
    // QCoreApplication::applicationFilePath() when it names an executable file, else empty.
    static QString runningExecutable();

    [[nodiscard]] Status status() const { return status_; }
    // Stores `status` (signal only on change); for re-syncing with readStatus().
    void setStatus(Status status);
    // What the autostart folder says now.
    [[nodiscard]] Status readStatus() const;

    // A readable message when the last setEnabled() failed; empty otherwise.
    [[nodiscard]] const QString& lastError() const { return lastError_; }

    // true writes the entry (also over one the desktop disabled, which enables it again);
    // false removes it (an absent entry is success). Either way status is read again.
    void setEnabled(bool enabled);

    [[nodiscard]] QString entryPath() const;

  signals:
    void statusChanged();
    void lastErrorChanged();

  private:
    QString write(const QString& executable) const;
    QString remove() const;
    void setLastError(const QString& error);

    QString autostartDir_;
    ExecutableLocator executable_;
    Status status_ = Status::notRegistered;
    QString lastError_;
};

} // namespace rimglider
