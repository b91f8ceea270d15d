// One Rimglider per user session. The first instance listens on a local socket in the user's
// runtime folder; a later one connects, hands over its arguments and is told they arrived, and
// then exits. A socket left behind by a crashed instance is taken over.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QLocalServer;

namespace rimglider {

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    // $XDG_RUNTIME_DIR/rimglider.sock, or a per-user name in the temporary folder.
    static QString defaultSocketPath();

    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Sends `arguments` to the running instance; true once it confirmed them.
    [[nodiscard]] bool handOver(const QStringList& arguments,
                                std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) const;
    // Becomes the running instance (after a failed handOver); false when the socket cannot be made.
    bool listen();
    [[nodiscard]] bool isListening() const;
    [[nodiscard]] const QString& socketPath() const { return path_; }

  signals:
    // The arguments a later launch handed over (its program name first).
    void argumentsReceived(const QStringList& arguments);

  private:
    void accept();

    QString path_;
    QLocalServer* server_ = nullptr;
};

} // namespace rimglider
