// Engine cost per frame on a long realistic stream, and heap allocations per silent frame.
#include "AllocationCounter.h"
#include "OrdinaryUse.h"

#include "GestureEngineKit/GestureEngine.h"

#include <benchmark/benchmark.h>

using namespace GestureEngineKit;

namespace {

const Trace& stream()
{
    static const Trace trace = bench::ordinaryUse(200'000);
    return trace;
}

// One iteration is one input handed to the engine; the stream repeats as often as needed.
void BM_EngineHandlePerFrame(benchmark::State& state)
{
    const auto& inputs = stream().inputs;
    GestureEngine engine;
    std::vector<GestureEvent> events;
    events.reserve(64);
    std::size_t next = 0, produced = 0;
    for (auto _ : state) {
        events.clear();
        engine.handle(inputs[next], events);
        produced += events.size();
        benchmark::DoNotOptimize(events.data());
        if (++next == inputs.size()) next = 0;
    }
    state.counters["events"] = double(produced);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EngineHandlePerFrame)->Repetitions(10)->ReportAggregatesOnly(true);

// Heap allocations made by handle() for inputs that produce no event, over the whole stream.
void BM_AllocationsPerSilentFrame(benchmark::State& state)
{
    const auto& inputs = stream().inputs;
    std::size_t silentInputs = 0, silentAllocations = 0;
    for (auto _ : state) {
        GestureEngine engine;
        std::vector<GestureEvent> events;
        for (const EngineInput& input : inputs) {
            const std::size_t before = bench::allocationCount();
            engine.handle(input, events);
            const std::size_t made = bench::allocationCount() - before;
            if (events.empty()) {
                ++silentInputs;
                silentAllocations += made;
            }
            events.clear();
        }
    }
    state.counters["silent_frames"] = double(silentInputs);
    state.counters["allocs_per_silent_frame"] = double(silentAllocations) / double(silentInputs);
}
BENCHMARK(BM_AllocationsPerSilentFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
