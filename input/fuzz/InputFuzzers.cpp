// Fuzz targets of the input library, one per build definition:
//  FUZZ_FRAME_ASSEMBLER  arbitrary event streams through the frame assembler of a few multitouch
//                        devices (single-touch ones come through the evemu target);
//  FUZZ_EVEMU            evemu text through the reader and, when it describes a pad, the import;
//  FUZZ_LIBINPUT_RECORD  libinput record YAML through the reader and the import;
//  FUZZ_BROKER_MESSAGES  any packet through both decoders of the broker protocol.
// Besides not crashing: frames come in time order, contacts have touching or hovering states
// and finite positions, imports give traces that can be written, a decoded request re-encodes
// to exactly its bytes, and a decoded broker message survives a second encode/decode unchanged.
#include "RimgliderInput/BrokerProtocol.h"
#include "RimgliderInput/FrameAssembler.h"
#include "RimgliderInput/Recording.h"

#include "GestureEngineKit/Trace.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

using namespace rimglider;

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

[[maybe_unused]] void checkFrame(const GestureEngineKit::TouchFrame& frame, double& lastTime)
{
    check(frame.time >= lastTime);
    lastTime = frame.time;
    for (const auto& s : frame.touches) {
        check(s.state == 1 || s.state == 3 || s.state == 4);
        check(std::isfinite(s.x) && std::isfinite(s.y));
    }
}

[[maybe_unused]] void importAndWrite(const Recording& recording)
{
    try {
        GestureEngineKit::TraceFile::encode(importRecording(recording, ImportOptions{}));
    } catch (const RecordingError&) {
    } catch (const GestureEngineKit::TraceFileError&) {
        // Recorded times too large to write are refused, not crashed on.
    }
}

[[maybe_unused]] DeviceDescription fuzzDevice(std::uint8_t choice)
{
    DeviceDescription d;
    d.codes[EV_SYN] = {SYN_REPORT, SYN_DROPPED};
    d.codes[EV_KEY] = {BTN_TOUCH, BTN_TOOL_FINGER, BTN_LEFT};
    d.codes[EV_ABS] = {ABS_MT_SLOT,        ABS_MT_POSITION_X, ABS_MT_POSITION_Y, ABS_MT_TRACKING_ID,
                       ABS_MT_TOUCH_MAJOR, ABS_MT_TOOL_TYPE,  ABS_MT_DISTANCE};
    d.absInfo[ABS_MT_SLOT] = {0, 0, choice >> 4, 0, 0, 0};
    d.absInfo[ABS_MT_POSITION_X] = {0, 0, 4000, 0, 0, 40};
    d.absInfo[ABS_MT_POSITION_Y] = {0, -2000, 2000, 0, 0, 40};
    d.absInfo[ABS_MT_TRACKING_ID] = {0, 0, 65535, 0, 0, 0};
    d.absInfo[ABS_MT_TOUCH_MAJOR] = {0, 0, 255, 0, 0, (choice & 2) ? 10 : 0};
    d.absInfo[ABS_MT_TOOL_TYPE] = {0, 0, 2, 0, 0, 0};
    d.absInfo[ABS_MT_DISTANCE] = {0, 0, 1, 0, 0, 0};
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
#if defined(FUZZ_FRAME_ASSEMBLER)
    if (size < 1) return 0;
    FrameAssembler assembler(fuzzDevice(data[0]));
    double time = 0, lastFrame = -1;
    // Each event: 1 byte time step, 1 byte type, 2 bytes code, 4 bytes value.
    for (std::size_t at = 1; at + 8 <= size; at += 8) {
        time += data[at] / 256.0;
        const int kind = data[at + 1] % 4;
        InputEvent event{time, std::uint16_t(kind == 2 ? EV_ABS : kind == 1 ? EV_KEY : EV_SYN), 0, 0};
        std::memcpy(&event.code, data + at + 2, 2);
        std::memcpy(&event.value, data + at + 4, 4);
        if (event.type == EV_ABS) event.code = std::uint16_t(ABS_MT_SLOT + event.code % 12);
        if (event.type == EV_SYN) event.code = event.code % 4;
        while (auto frame = assembler.keepAlive(time))
            checkFrame(*frame, lastFrame);
        if (auto frame = assembler.push(event)) checkFrame(*frame, lastFrame);
    }
#elif defined(FUZZ_EVEMU)
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        EvemuFile file = readEvemu(text);
        if (file.description)
            importAndWrite(Recording{Recording::Format::evemu, {{*file.description, std::move(file.events)}}, ""});
    } catch (const RecordingError&) {
    }
#elif defined(FUZZ_LIBINPUT_RECORD)
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        importAndWrite(readLibinputRecord(text));
    } catch (const RecordingError&) {
    }
#elif defined(FUZZ_BROKER_MESSAGES)
    using namespace broker;
    const std::span<const std::uint8_t> packet(data, size);
    const RequestDecoding request = decodeRequest(packet);
    check(request.message.has_value() == (request.outcome == RequestDecoding::Outcome::request));
    if (request.message) {
        const auto again = encode(*request.message);
        check(again.size() == size && std::equal(again.begin(), again.end(), data));
    }
    if (const auto message = decodeBrokerMessage(packet)) {
        const auto again = decodeBrokerMessage(encode(*message));
        check(again && *again == *message);
    }
#endif
    return 0;
}
