// The environment of a rimglider process started by a test or benchmark: its own runtime,
// config, data and state folders under `dir`, no input service, no sound server, offscreen.
#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace rimglider::test {

inline QProcessEnvironment privateSessionEnvironment(const QTemporaryDir& dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("RIMGLIDER_INPUTD_SOCKET"), dir.filePath(QStringLiteral("no-broker.sock")));
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + dir.filePath(QStringLiteral("no-pulse")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

} // namespace rimglider::test
