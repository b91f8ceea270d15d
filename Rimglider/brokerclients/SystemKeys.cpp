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
    if (sender_) return sender_(request);
    if (!client_)
        client_ = std::make_unique<BrokerClient>(BrokerClient::Options{.socketPath = socketPath_,
                                                                       .logName = "systemKeys",
                                                                       .longestRetry = std::chrono::seconds(1),
                                                                       .maxQueued = maxQueuedKeys});
    client_->send(request); // an ERROR answer (no virtual keyboard) is the broker's to log
}

} // namespace rimglider
