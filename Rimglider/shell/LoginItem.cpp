#include "LoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>

#include <utility>

namespace rimglider {

namespace {

// The path as people write it, with the home folder as "~".
QString displayPath(const QString& path)
{
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != u"/" && path.startsWith(home + u'/')) return u'~' + path.mid(home.size());
    return path;
}

// Both desktops' readings of a boolean switched off: GLib's "false"/"0", KConfig's "off"/"no"
// too, in any letter case. Whatever either desktop would read as "don't start it" counts.
bool readsAsFalse(const QString& value)
{
    static const QStringList falses{QStringLiteral("false"), QStringLiteral("0"), QStringLiteral("no"),
                                    QStringLiteral("off")};
    return falses.contains(value, Qt::CaseInsensitive);
}

bool readsAsTrue(const QString& value)
{
    static const QStringList trues{QStringLiteral("true"), QStringLiteral("1"), QStringLiteral("yes"),
                                   QStringLiteral("on")};
    return trues.contains(value, Qt::CaseInsensitive);
}

// Whether the desktop would skip the entry: Hidden=true or X-GNOME-Autostart-enabled=false in
// its [Desktop Entry] group (later lines win, as in GLib's key files).
bool disabledByDesktop(const QString& entryPath)
{
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    QTextStream in(&file);
    bool inMainGroup = false;
    bool hidden = false;
    bool autostartOff = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals < 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Hidden") hidden = readsAsTrue(value);
        if (key == u"X-GNOME-Autostart-enabled") autostartOff = readsAsFalse(value);
    }
    return hidden || autostartOff;
}

// One Exec argument, quoted as the desktop entry format asks, then escaped as a string value.
QString execArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString quoted = argument;
    quoted.replace(u'%', QStringLiteral("%%"));
    if (std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); })) {
        QString inner;
        for (const QChar c : std::as_const(quoted)) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') inner += u'\\';
            inner += c;
        }
        quoted = u'"' + inner + u'"';
    }
    return quoted.replace(u'\\', QStringLiteral("\\\\"));
}

// The Exec line that starts `executable`. GLib checks that the program exists before it expands
// the field codes, so a path with a percent sign (written %%) would be looked for under the wrong
// name and the entry ignored: such a path goes to env as an argument, where %% is expanded.
QString execLine(const QString& executable)
{
    const QString quoted = execArgument(executable);
    return executable.contains(u'%') ? QStringLiteral("/usr/bin/env ") + quoted : quoted;
}

} // namespace

LoginItem& LoginItem::shared()
{
    static auto* item = new LoginItem(standardAutostartDir(), &LoginItem::runningExecutable);
    return *item; // never destroyed
}

LoginItem::LoginItem(QString autostartDir, ExecutableLocator executable, QObject* parent)
    : QObject(parent), autostartDir_(std::move(autostartDir)), executable_(std::move(executable))
{
    status_ = readStatus();
}

QString LoginItem::standardAutostartDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}

QString LoginItem::runningExecutable()
{
    // An AppImage runs from a mount that is gone after logout; the image itself is what to start.
    const QString appImage = qEnvironmentVariable("APPIMAGE");
    const QString path = appImage.isEmpty() ? QCoreApplication::applicationFilePath() : appImage;
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

QString LoginItem::entryPath() const
{
    return autostartDir_ + u'/' + entryFileName;
}

LoginItem::Status LoginItem::readStatus() const
{
    if (!executable_ || executable_().isEmpty()) return Status::notFound;
    const QFileInfo entry(entryPath());
    if (!entry.exists()) return Status::notRegistered;
    return disabledByDesktop(entry.filePath()) ? Status::requiresApproval : Status::enabled;
}

void LoginItem::setStatus(Status status)
{
    if (status_ == status) return;
    status_ = status;
    emit statusChanged();
}

void LoginItem::setEnabled(bool enabled)
{
    QString error;
    if (!enabled) {
        error = remove();
    } else if (const QString executable = executable_ ? executable_() : QString(); executable.isEmpty()) {
        error = tr("Could not find Rimglider's program file to start at login.");
    } else {
        error = write(executable);
    }
    setLastError(error);
    setStatus(readStatus());
}

QString LoginItem::write(const QString& executable) const
{
    const QString path = entryPath();
    QDir().mkpath(autostartDir_); // a failure here shows up as the write's own error
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream out(&file);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=Rimglider\n"
            << "Comment=Slide along the edges of your trackpad to change volume and brightness.\n"
            << "Exec=" << execLine(executable) << "\n"
            << "Icon=rimglider\n"
            << "Terminal=false\n"
            << "NoDisplay=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        out.flush();
        // commit() can report success over a failed write (disk full, file size limit): the
        // write's own error is checked first, and nothing half-written takes the entry's place.
        if (file.flush() && file.error() == QFileDevice::NoError && file.commit()) return {};
        file.cancelWriting();
    }
    return tr("Could not write %1: %2").arg(displayPath(path), file.errorString());
}

QString LoginItem::remove() const
{
    QFile file(entryPath());
    const QFileInfo info(file.fileName());
    if (!info.exists() && !info.isSymLink()) return {};
    if (file.remove()) return {};
    return tr("Could not remove %1: %2").arg(displayPath(file.fileName()), file.errorString());
}

void LoginItem::setLastError(const QString& error)
{
    if (lastError_ == error) return;
    lastError_ = error;
    emit lastErrorChanged();
}

} // namespace rimglider
