#include "RimgliderInput/ContextTracker.h"
#include "RimgliderInput/FrameAssembler.h"
#include "RimgliderInput/Recording.h"
#include "RimgliderInput/TraceAssembler.h"

#include <cmath>

namespace rimglider {

using namespace GestureEngineKit;

namespace {

// Timestamps from 2000-01-01 to the end of the year 9999 are wall-clock dates; smaller ones
// count from boot or from the start of the recording, larger ones are no date at all.
constexpr double firstWallClockSecond = 946684800;
constexpr double lastWallClockSecond = 253402300799;

std::string deviceNames(const Recording& recording)
{
    std::string names;
    for (const RecordedDevice& device : recording.devices)
        names += (names.empty() ? "\"" : ", \"") + device.description.name + "\"";
    return names.empty() ? "none" : names;
}

const RecordedDevice& chooseTouchpad(const Recording& recording, const std::optional<std::string>& name)
{
    for (const RecordedDevice& device : recording.devices) {
        if (name ? device.description.name == *name : device.description.isTouchpad()) return device;
    }
    if (name)
        throw RecordingError("no device named \"" + *name + "\" in the recording (devices: " + deviceNames(recording) +
                             ")");
    throw RecordingError("no touchpad in the recording (devices: " + deviceNames(recording) + ")");
}

} // namespace

Trace importRecording(const Recording& recording, const ImportOptions& options)
{
    const RecordedDevice& touchpad = chooseTouchpad(recording, options.deviceName);
    std::optional<TraceAssembler> assembler;
    try {
        assembler.emplace(touchpad.description);
    } catch (const FrameAssembler::UnsupportedDevice& e) {
        throw RecordingError("\"" + touchpad.description.name + "\": " + e.what());
    }

    // The touchpad and every keyboard, merged by time; each device keeps its own order.
    std::vector<const RecordedDevice*> sources{&touchpad};
    for (const RecordedDevice& device : recording.devices)
        if (&device != &touchpad && device.description.isKeyboard()) sources.push_back(&device);
    std::vector<std::size_t> next(sources.size(), 0);

    ContextTracker keyboards;
    std::optional<double> firstTime;
    bool sawKeys = false;
    for (;;) {
        std::size_t source = sources.size();
        for (std::size_t s = 0; s < sources.size(); ++s) {
            if (next[s] == sources[s]->events.size()) continue;
            if (source == sources.size() ||
                sources[s]->events[next[s]].time < sources[source]->events[next[source]].time)
                source = s;
        }
        if (source == sources.size()) break;
        const InputEvent& event = sources[source]->events[next[source]++];
        if (!firstTime) firstTime = event.time;

        if (source == 0) {
            assembler->touchpadEvent(event);
        } else if (auto context = keyboards.handle(event)) {
            if (context->kind == ContextEvent::Kind::keyDown || context->kind == ContextEvent::Kind::modifiersChanged) {
                assembler->contextEvent(*context);
                sawKeys = true;
            }
        }
    }

    Trace trace;
    trace.inputs = assembler->takeInputs();
    TraceDate recordedAt = options.now;
    if (firstTime && *firstTime >= firstWallClockSecond && *firstTime <= lastWallClockSecond)
        recordedAt = TraceDate(std::chrono::microseconds(std::int64_t(std::floor(*firstTime * 1e6))));
    trace.header =
        TraceHeader(options.label, recordedAt, touchpad.description.name, recording.osVersion, sawKeys, options.note);
    return trace;
}

} // namespace rimglider
