// Recordings of real input devices, as made with evemu-record or `libinput record`, read
// into device descriptions and event lists, and imported as gesture traces.
#pragma once

#include "RimgliderInput/EvdevDevice.h"

#include "GestureEngineKit/Trace.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rimglider {

// A malformed recording. The message names the line where the reader knows it.
class RecordingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct RecordedDevice {
    DeviceDescription description;
    std::vector<InputEvent> events; // in recorded order
};

struct Recording {
    enum class Format : std::uint8_t { evemu, libinputRecord };
    Format format = Format::evemu;
    std::vector<RecordedDevice> devices;
    std::string osVersion; // empty when the recording does not say
};

// One evemu file: "N:", "I:", "P:", "B:", "A:" description lines (a .desc file, or the head
// of a self-contained .events file) and "E: sec.usec type code value" event lines.
struct EvemuFile {
    std::optional<DeviceDescription> description; // absent when the file has no description lines
    std::vector<InputEvent> events;
};
EvemuFile readEvemu(std::string_view text);

// File names that may hold the description of an events file that has none, best first:
// the leading parts of its name cut at dots, longest first ("A.b.c.events": "A.b.c.desc",
// "A.b.desc", "A.desc").
std::vector<std::string> evemuDescriptionCandidates(const std::string& eventsFileName);

// The YAML of `libinput record`: every device of the file with its evdev description,
// udev properties and evdev events.
Recording readLibinputRecord(std::string_view yaml);

// Which reader a file wants: evemu files are made of "X: ..." lines, the rest is YAML.
Recording::Format detectFormat(std::string_view text);

struct ImportOptions {
    GestureEngineKit::TraceLabel label = GestureEngineKit::TraceLabel::normalWork;
    std::string note;
    std::optional<std::string> deviceName; // otherwise the first touchpad of the recording
    GestureEngineKit::TraceDate now;       // recordedAt when the recording's times are not dates
};

// The touchpad's frames (with keep-alive frames in the gaps), its button presses as clicks,
// and keyboards' keys as key presses and modifier changes, all at their recorded times.
// Throws RecordingError when no usable touchpad is in the recording.
GestureEngineKit::Trace importRecording(const Recording& recording, const ImportOptions& options);

} // namespace rimglider
