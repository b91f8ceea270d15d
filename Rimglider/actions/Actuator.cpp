#include "Actuator.h"

#include <memory>
#include <variant>

namespace rimglider {

using namespace broker;

Actuator& Actuator::shared()
{
    static Actuator* instance = new Actuator(); // never destroyed
    return *instance;
}

Actuator::Actuator(std::string socketPath)
    : client_(BrokerClient::Options{
          .socketPath = std::move(socketPath), .logName = "actuator", .answerTimeout = answerTimeout})
{}

void Actuator::ensureOpen()
{
    if (isOpen() || opening_) return;
    opening_ = true;
    // The touchpads with force feedback; the built-in one wins, else the first listed.
    auto chosen = std::make_shared<std::optional<TouchpadInfo>>();
    client_.send(ListTouchpads{}, [this, chosen](const BrokerMessage* answer) {
        const auto* touchpad = answer ? std::get_if<Touchpad>(&answer->message) : nullptr;
        if (!touchpad) {
            listed(*chosen, answer && std::holds_alternative<ListEnd>(answer->message));
            return false;
        }
        if (touchpad->info.forceFeedback && (!*chosen || (touchpad->info.builtIn && !(*chosen)->builtIn)))
            *chosen = touchpad->info;
        return true;
    });
}

void Actuator::listed(const std::optional<TouchpadInfo>& chosen, bool answered)
{
    opening_ = false;
    if (!answered && client_.lastFailure() != BrokerClient::Failure::none) {
        status_ = "MTActuator symbols missing";
    } else if (!answered || !chosen) {
        status_ = "no Multitouch ID in IOKit";
    } else {
        deviceId_ = chosen->deviceId;
        status_ = "open (device " + std::to_string(*deviceId_) + ")";
    }
}

int Actuator::actuate(std::int32_t actuationId, std::function<void(bool played)> onAnswer)
{
    if (!deviceId_) return -1;
    const std::uint32_t device = *deviceId_;
    client_.send(PlayEffect{device, actuationId},
                 [this, device, onAnswer = std::move(onAnswer)](const BrokerMessage* answer) {
                     const auto* result = answer ? std::get_if<EffectResult>(&answer->message) : nullptr;
                     const bool played = result && result->status == 0;
                     if (!played && deviceId_ == device) deviceId_.reset();
                     if (onAnswer) onAnswer(played);
                     return false;
                 });
    return 0;
}

} // namespace rimglider
