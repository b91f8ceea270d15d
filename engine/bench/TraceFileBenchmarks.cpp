// Trace file throughput, and the whole "save and judge" path of a 45-minute recording. The
// 45-minute figures stand next to a plain zlib inflate of the same file, timed in the same
// run, so that their ratios compare across machines.
#include "AllocationCounter.h"
#include "OrdinaryUse.h"

#include "GestureEngineKit/Trace.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <memory>

using namespace GestureEngineKit;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t minuteOfFrames = 60 * 125;
constexpr std::size_t fortyFiveMinutes = 45 * minuteOfFrames; // 337,500 frames at 125 Hz
constexpr double mebibyte = 1 << 20;

const Trace& oneMinute()
{
    static const Trace trace = bench::ordinaryUse(minuteOfFrames);
    return trace;
}

// What any reader must at least do: inflate the whole file into one buffer.
void zlibInflate(const std::string& file, std::size_t textBytes)
{
    const std::unique_ptr<char[]> text(new char[textBytes]);
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.data()));
    stream.avail_in = uInt(file.size());
    stream.next_out = reinterpret_cast<Bytef*>(text.get());
    stream.avail_out = uInt(textBytes);
    if (inflate(&stream, Z_FINISH) != Z_STREAM_END) std::abort();
    inflateEnd(&stream);
    benchmark::DoNotOptimize(text.get());
}

struct LongRecording {
    Trace trace;
    std::string file;
    std::size_t textBytes = 0;
    double inflateSeconds = 0; // the median of seven plain inflates
};

const LongRecording& longRecording()
{
    static const LongRecording recording = [] {
        LongRecording r{bench::ordinaryUse(fortyFiveMinutes), {}, 0, 0};
        r.file = TraceFile::encode(r.trace);
        r.textBytes = TraceFile::encodeLines(r.trace).size();
        std::vector<double> seconds;
        for (int i = 0; i < 7; ++i) {
            const auto start = Clock::now();
            zlibInflate(r.file, r.textBytes);
            seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
        std::nth_element(seconds.begin(), seconds.begin() + 3, seconds.end());
        r.inflateSeconds = seconds[3];
        return r;
    }();
    return recording;
}

// Runs `body` once per iteration and reports its mean time as a multiple of the plain inflate.
template <class Body>
void againstInflate(benchmark::State& state, Body body)
{
    const LongRecording& recording = longRecording();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        body(recording);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["zlib_inflate_ms"] = recording.inflateSeconds * 1000;
    state.counters["x_zlib_inflate"] = seconds / double(state.iterations()) / recording.inflateSeconds;
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

void BM_ZlibInflateFortyFiveMinutes(benchmark::State& state)
{
    const LongRecording& recording = longRecording();
    for (auto _ : state)
        zlibInflate(recording.file, recording.textBytes);
    state.counters["file_MiB"] = double(recording.file.size()) / mebibyte;
    state.counters["text_MiB"] = double(recording.textBytes) / mebibyte;
}
BENCHMARK(BM_ZlibInflateFortyFiveMinutes)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SaveFortyFiveMinutes(benchmark::State& state)
{
    std::size_t fileBytes = 0;
    againstInflate(state, [&](const LongRecording& r) { fileBytes = TraceFile::encode(r.trace).size(); });
    state.counters["inputs"] = double(longRecording().trace.inputs.size());
    state.counters["file_MiB"] = double(fileBytes) / mebibyte;
}
BENCHMARK(BM_SaveFortyFiveMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

// Read the file, replay it through a fresh engine and judge it: what "judge" costs, and the
// most heap it holds at once beyond the file's bytes.
void BM_DecodeReplayJudgeFortyFiveMinutes(benchmark::State& state)
{
    std::size_t problems = 0, peakBytes = 0;
    againstInflate(state, [&](const LongRecording& r) {
        const std::size_t before = bench::heapBytes();
        bench::resetHeapPeak();
        const Trace trace = TraceFile::decode(r.file);
        const TraceVerdict verdict(trace.replay({}), trace.header.label);
        problems = verdict.problems.size();
        peakBytes = bench::heapPeak() - before;
    });
    state.counters["problems"] = double(problems);
    state.counters["peak_heap_MiB"] = double(peakBytes) / mebibyte;
}
BENCHMARK(BM_DecodeReplayJudgeFortyFiveMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
