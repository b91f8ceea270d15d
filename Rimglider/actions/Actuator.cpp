#include "Actuator.h"

#include <variant>

namespace rimglider {

using namespace broker;

namespace {

using Deadline = std::chrono::steady_clock::time_point;

// The next message answering `serial` before `deadline`, skipping hot-plug notices and other
// traffic; absent when time runs out or the connection ends.
std::optional<BrokerMessage> nextAnswer(BrokerConnection& connection, std::uint32_t serial, Deadline deadline)
{
    BrokerMessage message;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() < 0 || connection.receive(message, left) != BrokerConnection::Received::message)
            return std::nullopt;
        if (message.serial == serial) return message;
    }
}

} // namespace

Actuator& Actuator::shared()
{
    static Actuator* instance = new Actuator(); // never destroyed
    return *instance;
}

Actuator::Actuator(std::string socketPath) : socketPath_(std::move(socketPath)) {}

void Actuator::close()
{
    connection_.reset();
    deviceId_ = 0;
}

void Actuator::ensureOpen()
{
    if (connection_) return;
    auto opened = BrokerConnection::open(socketPath_, answerTimeout * 5);
    auto* connection = std::get_if<BrokerConnection>(&opened);
    if (!connection) {
        status_ = "MTActuator symbols missing";
        return;
    }

    // The touchpads with force feedback; the built-in one wins, else the first listed.
    const std::uint32_t serial = nextSerial_++;
    std::optional<TouchpadInfo> chosen;
    const Deadline deadline = std::chrono::steady_clock::now() + answerTimeout * 5;
    bool listed = connection->send(ListTouchpads{}, serial);
    while (listed) {
        const auto answer = nextAnswer(*connection, serial, deadline);
        const auto* touchpad = answer ? std::get_if<Touchpad>(&answer->message) : nullptr;
        if (!answer)
            listed = false;
        else if (!touchpad)
            break; // LIST_END, or an error answer
        else if (touchpad->info.forceFeedback && (!chosen || (touchpad->info.builtIn && !chosen->builtIn)))
            chosen = touchpad->info;
    }
    if (!listed || !chosen) {
        status_ = "no Multitouch ID in IOKit";
        return;
    }
    deviceId_ = chosen->deviceId;
    connection_.emplace(std::move(*connection));
    status_ = "open (device " + std::to_string(deviceId_) + ")";
}

int Actuator::actuate(std::int32_t actuationId)
{
    if (!connection_) return -1;
    const std::uint32_t serial = nextSerial_++;
    if (!connection_->send(PlayEffect{deviceId_, actuationId}, serial)) {
        close();
        return -1;
    }
    const auto answer = nextAnswer(*connection_, serial, std::chrono::steady_clock::now() + answerTimeout);
    const auto* result = answer ? std::get_if<EffectResult>(&answer->message) : nullptr;
    if (!result) {
        close();
        return -1;
    }
    if (result->status != 0) close();
    return result->status;
}

} // namespace rimglider
