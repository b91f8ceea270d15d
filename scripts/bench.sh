#!/usr/bin/env bash
# Builds and runs every benchmark, keeps each one's full output in build/bench/, and prints the
# table the README shows: each figure beside its target, misses marked as misses.
#   ./scripts/bench.sh            build, run everything, print the table
#   ./scripts/bench.sh --table    print the table again from the outputs of the last run
# The level benchmark gets a private PulseAudio server, the service and level benchmarks an
# emulated touchpad and backlight (umockdev); nothing touches this machine's own devices.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/bench

if [ "${1:-}" != "--table" ]; then
  ./scripts/setup.sh build test >/dev/null
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --target gesture-benchmarks input-benchmarks rimglider-inputd-bench \
    pipeline-benchmarks touch-input-benchmarks action-benchmarks level-benchmarks rimglider-ui-benchmark
  mkdir -p "$out"

  # A sound server of our own, as the tests start one: two null sinks, no cookie, no $HOME.
  pulse=$(mktemp -d)
  trap 'PULSE_SERVER=unix:$pulse/native pactl exit >/dev/null 2>&1 || true; rm -rf "$pulse"' EXIT
  printf 'load-module module-native-protocol-unix auth-anonymous=1 socket=%s/native\nload-module module-null-sink sink_name=speakers\nset-default-sink speakers\n' \
    "$pulse" >"$pulse/default.pa"
  env HOME="$pulse" XDG_RUNTIME_DIR="$pulse" PULSE_COOKIE="$pulse/cookie" pulseaudio -n -F "$pulse/default.pa" \
    --daemonize=yes --exit-idle-time=-1 --realtime=no --high-priority=no --log-target=file:"$pulse/log"
  export PULSE_SERVER="unix:$pulse/native" PULSE_COOKIE="$pulse/cookie"

  run() { # name, command...
    local name=$1
    shift
    echo "== $name" >&2
    timeout 600 "$@" >"$out/$name.txt" 2>&1 || echo "$name failed (exit $?); its output: $out/$name.txt" >&2
  }
  run engine build/engine/bench/gesture-benchmarks --benchmark_format=json
  run input build/input/bench/input-benchmarks --benchmark_format=json
  run inputd umockdev-wrapper build/inputd/bench/rimglider-inputd-bench 10000
  run pipeline build/Rimglider/bench/pipeline-benchmarks
  run touch-input build/Rimglider/bench/touch-input-benchmarks
  run actions build/Rimglider/bench/action-benchmarks
  run levels umockdev-wrapper build/Rimglider/bench/level-benchmarks
  run ui env QT_QPA_PLATFORM=offscreen build/Rimglider/bench/rimglider-ui-benchmark
  {
    echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores," \
      "$(sed -n "s/^PRETTY_NAME=\"\(.*\)\"/\1/p" /etc/os-release), $(c++ --version | head -1)"
    echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  } >"$out/machine.txt"
fi

python3 - "$out" <<'PY'
import json, re, sys, pathlib
out = pathlib.Path(sys.argv[1])
rows = []

def text(name):
    p = out / f'{name}.txt'
    return p.read_text(errors='replace') if p.exists() else ''

def find(name, pattern, cast=float):
    m = re.search(pattern, text(name))
    return tuple(cast(g) for g in m.groups()) if m else None

def row(what, figure, target='', met=None):
    mark = '' if met is None else (' (met)' if met else ' **(missed)**')
    rows.append((what, figure if figure else 'not measured (see build/bench)', target + (mark if figure else '')))

def gbench(name):
    raw = text(name)
    try:
        return {b['name']: b for b in json.loads(raw[raw.index('{'):])['benchmarks']}
    except (ValueError, KeyError):
        return {}

engine = gbench('engine')
b = engine.get('BM_EngineHandlePerFrame/repeats:10_median')
row('Engine, per input, 200,000 inputs of ordinary use (median of 10)',
    b and f"{b['real_time']:.1f} ns", '≤ 100 ns', b and b['real_time'] <= 100)
b = engine.get('BM_AllocationsPerSilentFrame/iterations:1')
row('Heap allocations per input that produces no event',
    b and f"{b['allocs_per_silent_frame']:g} (over {b['silent_frames']:,.0f} silent inputs)", '0',
    b and b['allocs_per_silent_frame'] == 0)
for key, what in (('BM_TraceEncode', 'Trace encode, 1 minute of use'), ('BM_TraceDecode', 'Trace decode, 1 minute of use')):
    b = engine.get(key)
    row(what, b and f"{b['bytes_per_second'] / 1e6:.0f} MB/s of JSON text")
inflate = engine.get('BM_ZlibInflateFortyFiveMinutes/iterations:5')
row('Plain zlib inflate of the 45-minute recording, the yardstick of the next rows',
    inflate and f"{inflate['real_time']:.0f} ms ({inflate['file_MiB']:.2f} MiB file, {inflate['text_MiB']:.1f} MiB of text)")
b = engine.get('BM_SaveFortyFiveMinutes/iterations:3')
row('Save that recording', b and f"{b['real_time']:.0f} ms = {b['x_zlib_inflate']:.1f} × the inflate",
    '≤ 6 ×', b and b['x_zlib_inflate'] <= 6)
b = engine.get('BM_DecodeReplayJudgeFortyFiveMinutes/iterations:3')
row('Decode + replay + judge it', b and
    f"{b['real_time']:.0f} ms = {b['x_zlib_inflate']:.1f} × the inflate; {b['peak_heap_MiB']:.0f} MiB of heap beyond the file",
    '≤ 2 ×', b and b['x_zlib_inflate'] <= 2)
b = gbench('input').get('BM_FrameAssemblerEvents')
row('Frame assembler, a real two-finger scroll', b and f"{b['items_per_second'] / 1e6:.0f} million events/s",
    '≥ 10 million/s', b and b['items_per_second'] >= 10e6)

m = find('inputd', r'through the broker\): (\d+) of (\d+) frames; median ([\d.]+) us, p90 [\d.]+ us, p99 ([\d.]+) us')
e = find('inputd', r'emulation alone\): \d+ of \d+ frames; median ([\d.]+) us, p90 [\d.]+ us, p99 ([\d.]+) us')
row('Input service: kernel event → a client, on a umockdev-emulated touchpad', m and
    f"median {m[2]:.0f} µs, p99 {m[3]:.0f} µs ({m[0]:.0f} of {m[1]:.0f} frames)"
    + (f"; a plain reader of the node: median {e[0]:.0f} µs, p99 {e[1]:.0f} µs" if e else ''),
    'p99 ≤ 200 µs', m and m[3] <= 200)
m = find('inputd', r'clone \(exclusive mode\): (\d+) of (\d+) frames; median ([\d.]+) us, p90 [\d.]+ us, p99 ([\d.]+) us')
o = find('inputd', r"clone's share: [^:]*: \d+ of \d+ frames; median ([\d.]+) us, p90 [\d.]+ us, p99 ([\d.]+) us")
row("Input service, exclusive mode: kernel event → the clone's frame at `/dev/uinput`, on an emulated touchpad", m and
    f"median {m[2]:.0f} µs, p99 {m[3]:.0f} µs ({m[0]:.0f} of {m[1]:.0f} frames)"
    + (f"; the service's own share, read → filtered → written: median {o[0]:.1f} µs, p99 {o[1]:.1f} µs" if o else ''),
    'p99 ≤ 1 ms', m and m[3] <= 1000)
m = find('inputd', r'broker VmRSS\s+(\d+) kB')
row('Input service: resident memory', m and f"{m[0] / 1024:.1f} MB", '≤ 8 MB', m and m[0] / 1024 <= 8)
m = find('inputd', r'idle wake-ups\s+([\d.]+) per second')
row('Input service: wake-ups per second, a client subscribed, no input', m and f"{m[0]:g}", '0', m and m[0] == 0)

m = find('pipeline', r'submit -> sink latency over (\d+) inputs: median ([\d.]+) us, p99 ([\d.]+) us')
row('Pipeline, input thread → subscriber on the main thread', m and f"median {m[1]:.0f} µs, p99 {m[2]:.0f} µs",
    'p99 ≤ 500 µs', m and m[2] <= 500)
m = find('pipeline', r'([\d.]+) million frames per second')
row('Pipeline throughput, silent frames', m and f"{m[0]:.1f} million frames/s", '≥ 1 million/s', m and m[0] >= 1)
m = find('touch-input', r'(\d+) frames per second')
row('Whole chain, stand-in service → TouchInput → pipeline', m and f"{m[0]:,.0f} frames/s")
m = find('actions', r'key request: median ([\d.]+) us, p99 ([\d.]+) us')
row('Slider step on the main thread → the service reads the key request', m and f"median {m[0]:.1f} µs, p99 {m[1]:.1f} µs",
    'p99 ≤ 1000 µs', m and m[1] <= 1000)
m = find('actions', r'main-thread cost per slider step: median ([\d.]+) us, p99 ([\d.]+) us')
row('Main thread per slider step', m and f"median {m[0]:.1f} µs, p99 {m[1]:.1f} µs")
m = find('actions', r'never answers: worst main-thread call ([\d.]+) ms \((\S+)\), event loop gaps p99.9 ([\d.]+) ms, '
         r'worst ([\d.]+) ms', str)
row('Service that accepts and never answers: longest main-thread call of its clients (event loop gaps p99.9, worst)',
    m and f"{float(m[0]):.2f} ms, `{m[1]}` ({float(m[2]):.2f} ms, {float(m[3]):.2f} ms)", '≤ 5 ms',
    m and float(m[0]) <= 5)
for what in ('VolumeController', 'BrightnessController'):
    m = find('levels', what + r'(?: \(emulated sysfs\))? step\(\): median ([\d.]+) us, p99 ([\d.]+) us')
    row(f'`{what}::step`', m and f"median {m[0]:.2f} µs, p99 {m[1]:.2f} µs")
m = find('levels', r'VolumeController adjust\(\): median ([\d.]+) us, p99 ([\d.]+) us; '
            r'step to level reported: median ([\d.]+) ms, p99 ([\d.]+) ms')
row('Held-modifier volume step: `VolumeController::adjust` on the main thread',
    m and f"median {m[0]:.2f} µs, p99 {m[1]:.2f} µs")
row('Held-modifier volume step → the sound server reports the new level',
    m and f"median {m[2]:.2f} ms, p99 {m[3]:.2f} ms", 'p99 ≤ 2 ms', m and m[3] <= 2)
m = find('levels', r'BrightnessController adjust\(\) \(sysfs write\) step\(\): median ([\d.]+) us, p99 ([\d.]+) us')
row('Held-modifier brightness step: `BrightnessController::adjust` (sysfs)', m and f"median {m[0]:.2f} µs, p99 {m[1]:.2f} µs")

m = find('ui', r'answers.*?: (-?\d+) ms')
row('`rimglider` start-up until it answers a second launch (offscreen)', m and m[0] >= 0 and f"{m[0]:.0f} ms")
m = find('ui', r'resident memory after start: ([\d.]+) MB')
row('`rimglider` resident memory after start', m and f"{m[0]:.1f} MB", '≤ 35 MB', m and m[0] <= 35)
m = find('ui', r'wake-ups of all threads while idle: ([\d.]+) per second')
row('`rimglider` wake-ups of all its threads while idle, per second', m and f"{m[0]:.1f}")
timers = re.search(r'timer events in 5 s idle.*?:\n((?:  .*\n?)*)', text('ui'))
if timers:
    lines = [l.strip() for l in timers.group(1).splitlines() if l.strip()]
    total = 0 if lines == ['none'] else sum(int(l.rsplit(None, 1)[1]) for l in lines)
    row('Timer events in the user interface, 5 s idle with no window open', f"{total}", '0', total == 0)
else:
    row('Timer events in the user interface, 5 s idle with no window open', None, '0')

print('| Benchmark | Figure | Target |\n|---|---|---|')
for what, figure, target in rows:
    print(f'| {what} | {figure} | {target} |')
machine = out / 'machine.txt'
if machine.exists():
    print('\n' + ' '.join(machine.read_text().split('\n')).strip())
PY
