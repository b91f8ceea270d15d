// Figures of the running application (not a test): start-up time, resident memory and idle
// wake-ups. Two parts:
//  1. the real executable, offscreen, with private folders and no broker or sound server:
//     time until it accepts a second launch, resident memory after start, and the context
//     switches of all its threads over 5 s of idleness (every service included);
//  2. the same application built in this process, its panel closed, counting every timer
//     event for 5 s by the object that receives it, so Rimglider's own timers stand apart
//     from the services' documented polls.
#include "AppController.h"
#include "PrivateSession.h"
#include "RimgliderApp.h"
#include "SettingsStore.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimerEvent>

#include <cstdio>

namespace {

QProcessEnvironment privateEnvironment(const QTemporaryDir& dir)
{
    QDir(dir.path()).mkpath(QStringLiteral("config/kelpo"));
    QFile config(dir.filePath(QStringLiteral("config/kelpo/Rimglider.conf")));
    if (config.open(QIODevice::WriteOnly)) config.write("[General]\nonboardingCompleted=true\n");
    return rimglider::test::privateSessionEnvironment(dir);
}

// A status field of /proc/PID/status or of one thread's, in its own unit.
long long statusField(const QString& path, const QByteArray& field)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(field + ':')) return line.mid(field.size() + 1).trimmed().split(' ').front().toLongLong();
    return 0;
}

long long contextSwitches(qint64 pid)
{
    long long total = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString status = tasks + QLatin1Char('/') + task + QStringLiteral("/status");
        total += statusField(status, "voluntary_ctxt_switches") + statusField(status, "nonvoluntary_ctxt_switches");
    }
    return total;
}

void measureProcess()
{
    QTemporaryDir dir;
    QProcess app;
    app.setProcessEnvironment(privateEnvironment(dir));
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    app.start(QStringLiteral(RIMGLIDER_EXECUTABLE), {});
    if (!app.waitForStarted()) return;
    // A launch is answered by the event loop, so only after the whole launch sequence: the
    // services started and the panel (offscreen there is no tray) shown.
    qint64 readyMs = -1;
    const rimglider::SingleInstance running(dir.filePath(QStringLiteral("rimglider.sock")));
    while (clock.elapsed() < 20000) {
        if (running.handOver({QStringLiteral("rimglider")}, std::chrono::milliseconds(2000))) {
            readyMs = clock.elapsed();
            break;
        }
        QThread::msleep(2);
    }
    std::printf("start-up until the launched application answers (services up, panel shown): %lld ms\n",
                static_cast<long long>(readyMs));
    QThread::msleep(1500);
    const qint64 pid = app.processId();
    std::printf("resident memory after start: %.1f MB (target <= 35 MB)\n",
                statusField(QStringLiteral("/proc/%1/status").arg(pid), "VmRSS") / 1024.0);
    const long long before = contextSwitches(pid);
    QThread::msleep(5000);
    const long long after = contextSwitches(pid);
    std::printf("wake-ups of all threads while idle: %.1f per second (every service included)\n",
                (after - before) / 5.0);
    app.terminate();
    app.waitForFinished(5000);
}

class TimerCounter : public QObject {
  public:
    QMap<QString, int> counts;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (event->type() == QEvent::Timer) {
            QString name = QString::fromLatin1(receiver->metaObject()->className());
            if (receiver->parent())
                name += QStringLiteral(" in ") + QString::fromLatin1(receiver->parent()->metaObject()->className());
            ++counts[name];
        }
        return false;
    }
};

void measureTimers(QApplication& application)
{
    rimglider::RimgliderApp rimglider(false);
    rimglider.launch({QStringLiteral("rimglider")});
    QApplication::processEvents();
    if (QWidget* panel = rimglider.panelWindow()) panel->close();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    TimerCounter counter;
    application.installEventFilter(&counter);
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    application.removeEventFilter(&counter);
    std::printf("timer events in 5 s idle with no window open, by receiver:\n");
    if (counter.counts.isEmpty()) std::printf("  none\n");
    for (auto it = counter.counts.cbegin(); it != counter.counts.cend(); ++it)
        std::printf("  %-60s %d\n", qPrintable(it.key()), it.value());
}

} // namespace

int main(int argc, char** argv)
{
    measureProcess();

    QTemporaryDir dir;
    const QProcessEnvironment env = privateEnvironment(dir);
    for (const QString& key : env.keys())
        qputenv(key.toLocal8Bit().constData(), env.value(key).toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    measureTimers(application);
    return 0;
}
