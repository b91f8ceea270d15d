// A private PulseAudio server for one test: its own runtime folder and socket, two null sinks
// described "Speakers" (default) and "Headphones", no authentication, never exiting when idle.
// Start and pactl go through the server's own tools, as a user's would.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

namespace rimglider::testing {

class PulseServer {
  public:
    PulseServer()
    {
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // libpulse in this process makes itself a cookie when it finds none: here, not in $HOME.
        qputenv("PULSE_COOKIE", dir_.filePath(QStringLiteral("client-cookie")).toLocal8Bit());
        QFile config(configPath());
        if (config.open(QIODevice::WriteOnly))
            config.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 socket=%1\n"
                                        "load-module module-null-sink sink_name=speakers "
                                        "sink_properties=device.description=Speakers\n"
                                        "load-module module-null-sink sink_name=headphones "
                                        "sink_properties=device.description=Headphones\n"
                                        "set-default-sink speakers\n")
                             .arg(socketPath())
                             .toUtf8());
    }
    ~PulseServer() { kill(); }
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    QString address() const { return QStringLiteral("unix:") + socketPath(); }

    // Starts the daemon and waits (bounded) until it answers.
    [[nodiscard]] bool start()
    {
        // A killed daemon not yet reaped still looks alive through its pid file.
        QFile::remove(dir_.filePath(QStringLiteral("pulse/pid")));
        QProcess daemon;
        daemon.setProcessEnvironment(environment());
        daemon.start(QStringLiteral("pulseaudio"),
                     {QStringLiteral("-n"), QStringLiteral("-F"), configPath(), QStringLiteral("--daemonize=yes"),
                      QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--realtime=no"),
                      QStringLiteral("--high-priority=no"), QStringLiteral("--use-pid-file=yes"),
                      QStringLiteral("--log-target=file:") + dir_.filePath(QStringLiteral("pulse.log"))});
        if (!daemon.waitForFinished(10000) || daemon.exitStatus() != QProcess::NormalExit || daemon.exitCode() != 0)
            return false;
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (pactl({QStringLiteral("info")})) return (pid_ = readPid()) > 0;
            QTest::qWait(10);
        }
        return false;
    }

    // Ends the daemon without a goodbye, as a crash would.
    bool kill()
    {
        if (pid_ <= 0) return false;
        ::kill(pid_, SIGKILL);
        return waitGone();
    }

    // Runs pactl against this server; true when it succeeded.
    bool pactl(const QStringList& arguments, QString* output = nullptr) const
    {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(QStringLiteral("pactl"), arguments);
        if (!tool.waitForFinished(10000)) return false;
        if (output) *output = QString::fromUtf8(tool.readAllStandardOutput());
        return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    }

  private:
    QString configPath() const { return dir_.filePath(QStringLiteral("server.pa")); }
    QString socketPath() const { return dir_.filePath(QStringLiteral("native")); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.insert(QStringLiteral("PULSE_SERVER"), address());
        // The sanitizer runtime of the test binary has no business in the daemon or in pactl.
        env.remove(QStringLiteral("LD_PRELOAD"));
        return env;
    }

    pid_t readPid() const
    {
        QFile file(dir_.filePath(QStringLiteral("pulse/pid")));
        if (!file.open(QIODevice::ReadOnly)) return -1;
        return pid_t(file.readAll().trimmed().toInt());
    }

    // Gone once it no longer runs: a daemon's parent is init, which may reap it only later, and
    // a zombie holds no socket any more.
    bool running() const
    {
        if (::kill(pid_, 0) != 0) return false;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid_));
        if (!stat.open(QIODevice::ReadOnly)) return false;
        const QByteArray text = stat.readAll();
        const qsizetype afterName = text.lastIndexOf(')');
        return afterName < 0 || text.mid(afterName + 2, 1) != "Z";
    }

    bool waitGone()
    {
        for (int attempt = 0; attempt < 500; ++attempt) {
            if (!running()) {
                pid_ = -1;
                return true;
            }
            QTest::qWait(10);
        }
        return false;
    }

    QTemporaryDir dir_;
    pid_t pid_ = -1;
};

} // namespace rimglider::testing
