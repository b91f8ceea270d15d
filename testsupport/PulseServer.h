// A private PulseAudio server for one test: its own runtime folder and socket, a null sink
// described "Speakers" as the default, no authentication, never exiting when idle. The daemon
// runs as our child, so a kill is seen when it is reaped; pactl talks to it as a user's would.
#pragma once

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

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
                                        "set-default-sink speakers\n")
                             .arg(socketPath())
                             .toUtf8());
    }
    ~PulseServer() { kill(); }

    QString address() const { return QStringLiteral("unix:") + socketPath(); }

    // Starts the daemon and waits (bounded) until it answers.
    [[nodiscard]] bool start()
    {
        daemon_.setProcessEnvironment(environment());
        daemon_.start(QStringLiteral("pulseaudio"),
                      {QStringLiteral("-n"), QStringLiteral("-F"), configPath(), QStringLiteral("--daemonize=no"),
                       QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--realtime=no"),
                       QStringLiteral("--high-priority=no"), QStringLiteral("--use-pid-file=no"),
                       QStringLiteral("--log-target=file:") + dir_.filePath(QStringLiteral("pulse.log"))});
        for (int attempt = 0; attempt < 500 && daemon_.state() != QProcess::NotRunning; ++attempt) {
            if (pactl({QStringLiteral("info")})) return true;
            QTest::qWait(10);
        }
        return false;
    }

    // Ends the daemon without a goodbye, as a crash would.
    bool kill()
    {
        if (daemon_.state() == QProcess::NotRunning) return false;
        daemon_.kill();
        return daemon_.waitForFinished(5000);
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

    QTemporaryDir dir_;
    QProcess daemon_;
};

} // namespace rimglider::testing
