#include "SystemKeys.h"

namespace rimglider {

using namespace broker;

void postSystemKey(int code, bool fine)
{
    SystemKeys::shared().post(code, fine);
}

SystemKeys& SystemKeys::shared()
{
    static SystemKeys* instance = new SystemKeys; // never destroyed, like every service
    return *instance;
}

SystemKeys::SystemKeys(std::string socketPath) : socketPath_(std::move(socketPath)) {}

SystemKeys::~SystemKeys() = default;

void SystemKeys::post(int code, bool fine)
{
    if (code < 0 || code > 0xFF) return;
    const auto key = systemKeyFromCode(std::uint8_t(code));
    if (!key) return;
    const PostSystemKey request{*key, fine};
    if (sender_)
        sender_(request);
    else
        sendToBroker(request);
}

// Takes what the broker sent since the last post (error answers, suspension notices: nothing
// a post waits for) and tells whether the connection still stands.
bool SystemKeys::connected()
{
    if (!connection_) return false;
    BrokerMessage message;
    for (;;) {
        switch (connection_->receive(message, std::chrono::milliseconds(0))) {
        case BrokerConnection::Received::message:
            continue;
        case BrokerConnection::Received::timeout:
            return true;
        case BrokerConnection::Received::closed:
            connection_.reset();
            return false;
        }
    }
}

void SystemKeys::sendToBroker(const PostSystemKey& request)
{
    // Two tries: a connection the broker dropped since the last post is found out only now.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!connected()) {
            auto opened = BrokerConnection::open(socketPath_, connectTimeout);
            if (!std::holds_alternative<BrokerConnection>(opened)) return; // no broker: the key is lost
            connection_.emplace(std::move(std::get<BrokerConnection>(opened)));
        }
        if (connection_->send(request)) return;
        connection_.reset();
    }
}

} // namespace rimglider
