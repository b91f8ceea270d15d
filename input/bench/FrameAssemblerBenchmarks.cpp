// Frame assembler throughput in kernel events per second: it runs on every event the
// touchpad sends.
#include "RimgliderInput/FrameAssembler.h"
#include "RimgliderInput/Recording.h"

#include <benchmark/benchmark.h>

#include "TestData.h"

using namespace rimglider;
using rimglider::test::readData;

namespace {

// A real two-finger scrolling session from a Synaptics pad: slots, positions, pressure,
// single-touch emulation and button events, as the kernel sent them.
void BM_FrameAssemblerEvents(benchmark::State& state)
{
    const DeviceDescription device = *readEvemu(readData("evemu-devices/SynPS2 Synaptics TouchPad.desc")).description;
    const std::vector<InputEvent> events =
        readEvemu(readData("evemu-devices/SynPS2 Synaptics TouchPad.two-finger-vert-scroll.events")).events;
    FrameAssembler assembler(device);
    std::size_t frames = 0;
    for (auto _ : state) {
        for (const InputEvent& event : events) {
            if (auto frame = assembler.push(event)) {
                ++frames;
                benchmark::DoNotOptimize(frame->touches.data());
            }
        }
    }
    state.SetItemsProcessed(std::int64_t(state.iterations() * events.size()));
    state.counters["events_per_frame"] = double(state.iterations() * events.size()) / double(frames);
}
BENCHMARK(BM_FrameAssemblerEvents);

} // namespace
