#include "SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace rimglider {

namespace {
constexpr quint8 received = 1;
} // namespace

QString SingleInstance::defaultSocketPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) return QDir(runtime).filePath(QStringLiteral("rimglider.sock"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("rimglider-%1.sock").arg(::getuid()));
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent) : QObject(parent), path_(std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOver(const QStringList& arguments, std::chrono::milliseconds timeout) const
{
    QLocalSocket socket;
    socket.connectToServer(path_);
    const int wait = static_cast<int>(timeout.count());
    if (!socket.waitForConnected(wait)) return false;
    QByteArray message;
    QDataStream writer(&message, QIODevice::WriteOnly);
    writer << arguments;
    QDataStream out(&socket);
    out << message;
    if (!socket.waitForBytesWritten(wait)) return false;
    // The answer says the running instance has the arguments; without it the hand-over failed.
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(wait)) return false;
    char answer = 0;
    return socket.getChar(&answer) && static_cast<quint8>(answer) == received;
}

bool SingleInstance::listen()
{
    if (server_) return server_->isListening();
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    if (server_->listen(path_)) return true;
    // The caller's hand-over found nobody answering: what is there is a crashed instance's socket.
    QLocalServer::removeServer(path_);
    return server_->listen(path_);
}

bool SingleInstance::isListening() const
{
    return server_ && server_->isListening();
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QByteArray message;
            in >> message;
            if (!in.commitTransaction()) return; // more to come
            QStringList arguments;
            QDataStream reader(message);
            reader >> arguments;
            socket->putChar(static_cast<char>(received));
            socket->flush();
            emit argumentsReceived(arguments);
        });
    }
}

} // namespace rimglider
