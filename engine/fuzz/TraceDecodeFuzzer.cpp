// Fuzzes trace reading. The input is a trace file's bytes (compressed), or with
// FUZZ_TRACE_LINES the uncompressed JSON lines, so the fuzzer can explore the JSON directly.
// Whatever decodes must survive a write and read unchanged (but for the fraction of a second
// of the date) and replay through the engine with every claim released exactly once.
#include "GestureEngineKit/GestureEngine.h"
#include "GestureEngineKit/Trace.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace GestureEngineKit;

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

void checkClaimsAreReleasedOnce(const Trace& trace)
{
    GestureEngine engine;
    int open = 0;
    for (const EngineInput& input : trace.inputs) {
        for (const GestureEvent& event : engine.handle(input)) {
            if (event.kind() == GestureEvent::Kind::claimed) check(open++ == 0);
            if (event.kind() == GestureEvent::Kind::released) check(--open == 0);
        }
    }
    check(open == (engine.claim() ? 1 : 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Trace trace;
    try {
#ifdef FUZZ_TRACE_LINES
        trace = TraceFile::decodeLines(bytes);
#else
        trace = TraceFile::decode(bytes, 64u << 20);
#endif
    } catch (const TraceFileError&) {
        return 0;
    }
    checkClaimsAreReleasedOnce(trace);

    std::string written;
    try {
        written = TraceFile::encode(trace);
    } catch (const TraceFileError&) {
        return 0; // a date the file format cannot hold
    }
    Trace expected = trace;
    expected.header.recordedAt = std::chrono::floor<std::chrono::seconds>(trace.header.recordedAt);
    check(TraceFile::decode(written) == expected);
    return 0;
}
