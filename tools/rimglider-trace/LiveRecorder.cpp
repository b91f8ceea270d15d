#include "LiveRecorder.h"

#include "RimgliderInput/BrokerConnection.h"
#include "RimgliderInput/ContextTracker.h"
#include "RimgliderInput/MachineInfo.h"
#include "RimgliderInput/TraceAssembler.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace rimglider {

using namespace broker;
using namespace GestureEngineKit;

namespace {

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

const TouchpadInfo& chooseTouchpad(const std::vector<TouchpadInfo>& touchpads, const std::optional<std::string>& name)
{
    if (name) {
        for (const TouchpadInfo& t : touchpads)
            if (t.description.name == *name) return t;
        std::string names;
        for (const TouchpadInfo& t : touchpads)
            names += (names.empty() ? "\"" : ", \"") + t.description.name + "\"";
        throw LiveRecorder::Failure("no touchpad named \"" + *name +
                                    "\" (touchpads: " + (names.empty() ? "none" : names) + ")");
    }
    if (touchpads.empty()) throw LiveRecorder::Failure("the input broker finds no touchpad");
    const auto builtIn =
        std::find_if(touchpads.begin(), touchpads.end(), [](const TouchpadInfo& t) { return t.builtIn; });
    return builtIn != touchpads.end() ? *builtIn : touchpads.front();
}

} // namespace

LiveRecorder::LiveRecorder(Options options) : options_(std::move(options))
{
    if (!options_.clock) options_.clock = steadySeconds;
}

std::string LiveRecorder::hardwareModel(const std::string& systemRoot)
{
    return machine::hardwareModel(std::filesystem::path(systemRoot) / "sys");
}

std::string LiveRecorder::osVersion(const std::string& systemRoot)
{
    return machine::osVersionText(systemRoot);
}

LiveRecorder::Result LiveRecorder::record(const std::atomic<bool>& stop,
                                          const std::function<void(const Counts&)>& progress)
{
    auto opened = BrokerConnection::open(options_.socketPath, options_.answerTimeout);
    if (auto* failure = std::get_if<BrokerConnection::Failure>(&opened)) {
        switch (failure->kind) {
        case BrokerConnection::Failure::Kind::unreachable:
            throw Failure("cannot reach the " + failure->message +
                          "; start it with \"sudo systemctl start rimglider-inputd.socket\" (or run \"rimglider-inputd "
                          "--socket PATH\" and set RIMGLIDER_INPUTD_SOCKET=PATH)");
        case BrokerConnection::Failure::Kind::refused:
            throw Failure("the " + failure->message + " (it serves root and the user of the active session only)");
        case BrokerConnection::Failure::Kind::busy:
            throw Failure("the " + failure->message + " (other programs of this user hold all its connections)");
        case BrokerConnection::Failure::Kind::protocol:
            throw Failure("the " + failure->message);
        }
    }
    BrokerConnection& connection = std::get<BrokerConnection>(opened);

    constexpr std::uint32_t listSerial = 1, keysSerial = 2, touchpadSerial = 3;
    std::vector<TouchpadInfo> touchpads;
    connection.send(ListTouchpads{}, listSerial);
    for (bool listed = false; !listed;) {
        BrokerMessage message;
        const auto received = connection.receive(message, options_.answerTimeout);
        if (received != BrokerConnection::Received::message)
            throw Failure("the input broker did not list its touchpads");
        if (auto* touchpad = std::get_if<Touchpad>(&message.message)) touchpads.push_back(touchpad->info);
        if (message.serial != listSerial) continue;
        if (const auto* error = std::get_if<Error>(&message.message))
            throw Failure("the input broker cannot list its touchpads: " + error->text);
        listed = std::holds_alternative<ListEnd>(message.message);
    }
    const TouchpadInfo touchpad = chooseTouchpad(touchpads, options_.deviceName);
    std::optional<TraceAssembler> assembler;
    try {
        assembler.emplace(touchpad.description);
    } catch (const FrameAssembler::UnsupportedDevice& e) {
        throw Failure("\"" + touchpad.description.name + "\": " + e.what());
    }
    // The recording's time counts from before the subscriptions: whatever the broker sends in
    // answer already falls within it.
    const double start = options_.clock();
    connection.send(SubscribeKeys{}, keysSerial);
    connection.send(SubscribeTouchpad{touchpad.deviceId}, touchpadSerial);

    Result result;
    result.touchpadName = touchpad.description.name;
    bool keysServed = false;
    std::size_t counted = 0;
    double nextProgress = start;
    const auto count = [&] {
        const auto& inputs = assembler->inputs();
        for (; counted < inputs.size(); ++counted) {
            switch (inputs[counted].kind()) {
            case EngineInput::Kind::frame:
                ++result.counts.frames;
                break;
            case EngineInput::Kind::mouseDown:
                ++result.counts.clicks;
                break;
            case EngineInput::Kind::keyDown:
                ++result.counts.keyPresses;
                break;
            case EngineInput::Kind::modifiers:
                ++result.counts.modifierChanges;
                break;
            }
        }
        result.counts.seconds = options_.clock() - start;
    };

    for (;;) {
        const double now = options_.clock();
        if (stop.load()) {
            result.end = Result::End::stopped;
            break;
        }
        if (options_.seconds && now - start >= *options_.seconds) {
            result.end = Result::End::timeUp;
            break;
        }
        if (progress && now >= nextProgress) {
            count();
            progress(result.counts);
            nextProgress = now + 0.25;
        }
        // Short waits: a stop (SIGINT) and the end of the time are noticed quickly.
        double wait = 0.1;
        if (options_.seconds) wait = std::min(wait, start + *options_.seconds - now);
        BrokerMessage message;
        const auto received = connection.receive(
            message, std::chrono::milliseconds(std::max<std::int64_t>(0, std::int64_t(wait * 1000 + 0.999))));
        if (received == BrokerConnection::Received::timeout) continue;
        if (received == BrokerConnection::Received::closed) {
            result.end = Result::End::brokerGone;
            break;
        }
        if (const auto* events = std::get_if<Events>(&message.message)) {
            if (events->deviceId != touchpad.deviceId) continue;
            std::vector<InputEvent> batch;
            batch.reserve(events->events.size());
            for (const WireEvent& e : events->events)
                batch.push_back(e.toInputEvent());
            if (events->isState) {
                assembler->touchpadState(batch);
            } else {
                for (const InputEvent& e : batch)
                    assembler->touchpadEvent(e);
            }
        } else if (const auto* key = std::get_if<KeyDown>(&message.message)) {
            assembler->contextEvent({ContextEvent::Kind::keyDown, key->time.toSeconds(), {}});
        } else if (const auto* modifiers = std::get_if<Modifiers>(&message.message)) {
            const bool initial = message.serial == keysSerial;
            keysServed = keysServed || initial;
            // The engine starts with nothing held: the set held at the start is news only when
            // it is not empty.
            if (!initial || !modifiers->modifiers.isEmpty())
                assembler->contextEvent(
                    {ContextEvent::Kind::modifiersChanged, modifiers->time.toSeconds(), modifiers->modifiers});
        } else if (const auto* removed = std::get_if<TouchpadRemoved>(&message.message)) {
            if (removed->deviceId != touchpad.deviceId) continue;
            result.end = Result::End::touchpadGone;
            break;
        } else if (std::holds_alternative<Error>(message.message)) {
            if (message.serial == touchpadSerial) {
                result.end = Result::End::touchpadGone;
                break;
            }
            // An error to SUBSCRIBE_KEYS: recorded without key context.
        }
        // BUTTON: clicks come from the touchpad's own buttons, as in an import. DROPPED: the
        // current state follows.
    }
    count();
    result.trace.inputs = assembler->takeInputs();
    result.trace.header = TraceHeader(options_.label, options_.recordedAt, hardwareModel(options_.systemRoot),
                                      osVersion(options_.systemRoot), keysServed, options_.note);
    return result;
}

} // namespace rimglider
