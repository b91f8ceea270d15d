// Trace file throughput, and the whole "save and judge" path of a 45-minute recording.
#include "OrdinaryUse.h"

#include "GestureEngineKit/Trace.h"

#include <benchmark/benchmark.h>

using namespace GestureEngineKit;

namespace {

constexpr std::size_t minuteOfFrames = 60 * 125;
constexpr std::size_t fortyFiveMinutes = 45 * minuteOfFrames; // 337,500 frames at 125 Hz

const Trace& oneMinute()
{
    static const Trace trace = bench::ordinaryUse(minuteOfFrames);
    return trace;
}

const Trace& longRecording()
{
    static const Trace trace = bench::ordinaryUse(fortyFiveMinutes);
    return trace;
}

void BM_TraceEncode(benchmark::State& state)
{
    const Trace& trace = oneMinute();
    std::size_t textBytes = TraceFile::encodeLines(trace).size();
    for (auto _ : state)
        benchmark::DoNotOptimize(TraceFile::encode(trace));
    state.SetBytesProcessed(std::int64_t(state.iterations() * textBytes)); // uncompressed JSON bytes
    state.SetItemsProcessed(std::int64_t(state.iterations() * trace.inputs.size()));
}
BENCHMARK(BM_TraceEncode)->Unit(benchmark::kMillisecond);

void BM_TraceDecode(benchmark::State& state)
{
    const std::string file = TraceFile::encode(oneMinute());
    std::size_t textBytes = TraceFile::encodeLines(oneMinute()).size();
    for (auto _ : state)
        benchmark::DoNotOptimize(TraceFile::decode(file));
    state.SetBytesProcessed(std::int64_t(state.iterations() * textBytes));
    state.SetItemsProcessed(std::int64_t(state.iterations() * oneMinute().inputs.size()));
}
BENCHMARK(BM_TraceDecode)->Unit(benchmark::kMillisecond);

void BM_SaveFortyFiveMinutes(benchmark::State& state)
{
    const Trace& trace = longRecording();
    std::size_t fileBytes = 0;
    for (auto _ : state)
        fileBytes = TraceFile::encode(trace).size();
    state.counters["inputs"] = double(trace.inputs.size());
    state.counters["file_MiB"] = double(fileBytes) / (1 << 20);
}
BENCHMARK(BM_SaveFortyFiveMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

// Read the file, replay it through a fresh engine and judge it: what "judge" costs.
void BM_DecodeReplayJudgeFortyFiveMinutes(benchmark::State& state)
{
    const std::string file = TraceFile::encode(longRecording());
    std::size_t problems = 0;
    for (auto _ : state) {
        const Trace trace = TraceFile::decode(file);
        const TraceVerdict verdict(trace.replay({}), trace.header.label);
        problems = verdict.problems.size();
    }
    state.counters["problems"] = double(problems);
}
BENCHMARK(BM_DecodeReplayJudgeFortyFiveMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
