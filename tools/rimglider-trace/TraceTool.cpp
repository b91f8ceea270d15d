#include "TraceTool.h"

#include "LiveRecorder.h"

#include "GestureEngineKit/GestureEngine.h"
#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"
#include "RimgliderInput/Recording.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

namespace rimglider {

using namespace GestureEngineKit;

namespace {

constexpr const char* program = "rimglider-trace";

const std::map<std::string, std::string, std::less<>> commandHelp{
    {"show", R"(Usage: rimglider-trace show FILE

Prints the header of the trace FILE, its duration and how many inputs of each
kind it holds.
)"},
    {"replay", R"(Usage: rimglider-trace replay [--config CONFIG.json] [--json] FILE

Replays the trace FILE through a fresh gesture engine and prints the events it
produces, one per line.

  --config CONFIG.json  use this engine configuration instead of the default
  --json                print each event as a JSON object, for example
                        {"event":"sliderStep","zone":"right","direction":"up","fine":false,"t":12.5}
                        where "t" is the time of the input that produced it
)"},
    {"import", R"(Usage: rimglider-trace import RECORDING [--desc DESC] [--device NAME] --label LABEL
                              [--note TEXT] -o OUT.trace

Makes a trace from a recording of a real touchpad: the YAML that
"libinput record" writes, or evemu's .events text. The touchpad's events become
touch frames (with repeated frames filling the gaps a resting finger leaves),
its button presses clicks, and a recorded keyboard's keys key presses and
modifier changes. Times stay the recording's own.

  --desc DESC      evemu only: the device description (.desc), when the events
                   file has none; otherwise the .desc beside it whose name
                   begins the events file's name is used
  --device NAME    the device to read touches from (default: the first touchpad)
  --label LABEL    what the hand did: normalWork, rightSlideUp, rightSlideDown,
                   leftSlideUp, leftSlideDown, cornerDoubleTap, bottomSwipeRight
                   or bottomSwipeLeft
  --note TEXT      free text kept in the trace's header
  -o OUT.trace     the trace file to write (replaced if it exists)

Recordings of pads that use only the older anonymous-contact multitouch protocol
(SYN_MT_REPORT) are refused.
)"},
    {"record", R"(Usage: rimglider-trace record --label LABEL [--seconds N] [--note TEXT]
                              [--device NAME] -o OUT.trace

Records a trace live from the touchpad through the input broker
(rimglider-inputd): the touchpad's events become touch frames (with repeated
frames filling the gaps a resting finger leaves) and its button presses clicks,
as "import" makes them; the keyboards give key presses and modifier changes.
Recording stops after N seconds or at Ctrl+C; what was recorded is saved
either way.

  --label LABEL    what the hand does: normalWork, rightSlideUp, rightSlideDown,
                   leftSlideUp, leftSlideDown, cornerDoubleTap, bottomSwipeRight
                   or bottomSwipeLeft
  --seconds N      stop after N seconds (default: at Ctrl+C)
  --note TEXT      free text kept in the trace's header
  --device NAME    the touchpad to record (default: the built-in one, else the
                   first)
  -o OUT.trace     the trace file to write (replaced if it exists)

The broker is found at $RIMGLIDER_INPUTD_SOCKET, else /run/rimglider/inputd.sock.
)"},
    {"judge", R"(Usage: rimglider-trace judge [--config CONFIG.json] FILE

Replays the trace FILE and judges the events against its label. Prints "OK"
and exits with status 0 when it passes; otherwise prints each problem on its
own line and exits with status 1.

  --config CONFIG.json  use this engine configuration instead of the default
)"},
};

const char* overallHelp = R"(Usage: rimglider-trace COMMAND [OPTIONS] FILE

Inspects, replays and judges Rimglider gesture trace files, and makes them from
recordings of real touchpads or records them live.

Commands:
  show FILE                                 header, duration and input counts
  replay [--config CONFIG.json] [--json] FILE
                                            the events a fresh engine produces
  judge [--config CONFIG.json] FILE         OK, or the problems against the label
  import RECORDING [--desc DESC] [--device NAME] --label LABEL [--note TEXT] -o OUT.trace
                                            a trace from a libinput or evemu recording
  record --label LABEL [--seconds N] [--note TEXT] [--device NAME] -o OUT.trace
                                            a trace recorded live through rimglider-inputd

Run "rimglider-trace COMMAND --help" for details of one command.

Exit status: 0 success (judge: passed), 1 judge found problems,
2 unreadable file, corrupt trace, invalid configuration, bad usage or no input
broker.
)";

// Keeps an error on one line whatever a file name or a decoded string holds.
std::string oneLine(const std::string& text)
{
    std::string line;
    for (char c : text) {
        if (c == '\n')
            line += "\\n";
        else if (c == '\r')
            line += "\\r";
        else if (static_cast<unsigned char>(c) < 0x20)
            line += '?';
        else
            line += c;
    }
    return line;
}

// A failure that ends the command with exit status 2 and one line on stderr.
struct CommandFailure {
    std::string subject; // the file it concerns, or empty for usage errors
    std::string reason;
};

std::string readFile(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw CommandFailure{path, "is a folder, not a file"};
    std::ifstream file(path, std::ios::binary);
    if (!file) throw CommandFailure{path, std::strerror(errno)};
    std::ostringstream bytes;
    if (!(bytes << file.rdbuf()) && file.peek() != std::ifstream::traits_type::eof())
        throw CommandFailure{path, "cannot be read"};
    return std::move(bytes).str();
}

Trace loadTrace(const std::string& path)
{
    const std::string bytes = readFile(path);
    try {
        return TraceFile::decode(bytes);
    } catch (const TraceFileError& e) {
        throw CommandFailure{path, std::string("not a valid trace: ") + e.what()};
    }
}

GestureConfig loadConfig(const std::string& path)
{
    const std::string text = readFile(path);
    try {
        return fromJson<GestureConfig>(nlohmann::json::parse(text));
    } catch (const nlohmann::json::parse_error& e) {
        throw CommandFailure{path, "not valid JSON: byte " + std::to_string(e.byte)};
    } catch (const DecodingError& e) {
        throw CommandFailure{path, std::string("not a valid gesture configuration: ") + e.what()};
    }
}

struct Arguments {
    std::string command;
    std::optional<std::string> configPath;
    bool json = false;
    bool help = false;
    std::string file;
    // import and record
    std::optional<std::string> descPath, deviceName, label, note, outPath, seconds;
};

// Options that take a value, by command.
std::optional<std::string>* valueOption(Arguments& parsed, const std::string& arg)
{
    if ((parsed.command == "replay" || parsed.command == "judge") && arg == "--config") return &parsed.configPath;
    if (parsed.command == "record" && arg == "--seconds") return &parsed.seconds;
    if (parsed.command != "import" && parsed.command != "record") return nullptr;
    if (parsed.command == "import" && arg == "--desc") return &parsed.descPath;
    if (arg == "--device") return &parsed.deviceName;
    if (arg == "--label") return &parsed.label;
    if (arg == "--note") return &parsed.note;
    if (arg == "-o" || arg == "--output") return &parsed.outPath;
    return nullptr;
}

Arguments parseArguments(const std::vector<std::string>& args)
{
    Arguments parsed;
    parsed.command = args.at(0);
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (auto* option = valueOption(parsed, arg)) {
            if (++i == args.size()) throw CommandFailure{"", arg + " needs a value"};
            *option = args[i];
        } else if (parsed.command == "replay" && arg == "--json") {
            parsed.json = true;
        } else if (arg.size() > 1 && arg.front() == '-' && arg != "--") {
            throw CommandFailure{"", parsed.command + ": unknown option " + arg};
        } else {
            files.push_back(arg == "--" && i + 1 < args.size() ? args[++i] : arg);
        }
    }
    if (parsed.help) return parsed;
    if (parsed.command == "record") {
        if (!files.empty()) throw CommandFailure{"", "record: takes no file (" + files.front() + "); write with -o"};
        if (!parsed.label) throw CommandFailure{"", "record: --label is required (what the hand will do)"};
        if (!parsed.outPath) throw CommandFailure{"", "record: -o OUT.trace is required"};
        return parsed;
    }
    const std::string what = parsed.command == "import" ? "recording" : "trace file";
    if (files.size() != 1)
        throw CommandFailure{"", parsed.command +
                                     (files.empty() ? ": no " + what + " given" : ": more than one file given")};
    parsed.file = files.front();
    if (parsed.command == "import" && !parsed.label)
        throw CommandFailure{"", "import: --label is required (what the hand did in the recording)"};
    if (parsed.command == "import" && !parsed.outPath) throw CommandFailure{"", "import: -o OUT.trace is required"};
    return parsed;
}

// JSON form of an event for scripts: "event" first, then the payload.
nlohmann::ordered_json eventJson(const GestureEvent& event)
{
    nlohmann::ordered_json j{{"event", name(event.kind())}};
    switch (event.kind()) {
    case GestureEvent::Kind::claimed:
        j["zones"] = toJson(event.as<GestureEvent::Claimed>()->zones);
        break;
    case GestureEvent::Kind::released: {
        const auto outcome = event.as<GestureEvent::Released>()->outcome;
        j["outcome"] = outcome.isCompleted() ? "completed" : "cancelled";
        if (auto reason = outcome.cancelReason()) j["reason"] = name(*reason);
        break;
    }
    case GestureEvent::Kind::sliderBegan:
        j["zone"] = name(event.as<GestureEvent::SliderBegan>()->zone);
        break;
    case GestureEvent::Kind::sliderStep: {
        const auto* step = event.as<GestureEvent::SliderStep>();
        j["zone"] = name(step->zone);
        j["direction"] = name(step->direction);
        j["fine"] = step->fine;
        break;
    }
    case GestureEvent::Kind::swipe: {
        const auto* swipe = event.as<GestureEvent::Swipe>();
        j["zone"] = name(swipe->zone);
        j["direction"] = name(swipe->direction);
        break;
    }
    case GestureEvent::Kind::tap:
        j["zone"] = name(event.as<GestureEvent::Tap>()->zone);
        break;
    case GestureEvent::Kind::doubleTap:
        j["zone"] = name(event.as<GestureEvent::DoubleTap>()->zone);
        break;
    }
    return j;
}

int show(const Arguments& args, std::ostream& out)
{
    const Trace trace = loadTrace(args.file);
    std::map<EngineInput::Kind, std::size_t> counts;
    for (const EngineInput& input : trace.inputs)
        ++counts[input.kind()];
    const TraceHeader& h = trace.header;
    std::ostringstream duration;
    duration << std::fixed << std::setprecision(3) << trace.duration() << " s";
    std::string recordedAt;
    try {
        recordedAt = formatInternetDate(h.recordedAt);
    } catch (const std::range_error&) {
        recordedAt = "(outside the years 0000 to 9999)";
    }
    const auto row = [&](const char* label, const std::string& value) {
        out << std::left << std::setw(20) << label << value << '\n';
    };
    row("label:", std::string(name(h.label)));
    row("version:", std::to_string(h.version));
    row("recorded at:", recordedAt);
    row("hardware model:", h.hardwareModel);
    row("OS version:", h.osVersion);
    row("context events:", h.hasContextEvents ? "yes" : "no");
    row("note:", h.note);
    row("duration:", duration.str());
    row("inputs:", std::to_string(trace.inputs.size()));
    row("  frames:", std::to_string(counts[EngineInput::Kind::frame]));
    row("  key presses:", std::to_string(counts[EngineInput::Kind::keyDown]));
    row("  clicks:", std::to_string(counts[EngineInput::Kind::mouseDown]));
    row("  modifier changes:", std::to_string(counts[EngineInput::Kind::modifiers]));
    return exitSuccess;
}

int replay(const Arguments& args, std::ostream& out)
{
    const GestureConfig config = args.configPath ? loadConfig(*args.configPath) : GestureConfig{};
    const Trace trace = loadTrace(args.file);
    GestureEngine engine(config);
    std::vector<GestureEvent> events;
    for (const EngineInput& input : trace.inputs) {
        events.clear();
        engine.handle(input, events);
        for (const GestureEvent& event : events) {
            if (args.json) {
                nlohmann::ordered_json j = eventJson(event);
                j["t"] = input.time();
                out << j.dump() << '\n';
            } else {
                out << describe(event) << '\n';
            }
        }
    }
    return exitSuccess;
}

// Replaces `path` only once the whole file is written, so a failure leaves no half trace.
void writeFileAtomically(const std::string& path, const std::string& bytes)
{
    namespace fs = std::filesystem;
    fs::path temporary(path);
    temporary += ".partial";
    std::error_code ignored;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) throw CommandFailure{path, std::strerror(errno)};
        file.write(bytes.data(), std::streamsize(bytes.size()));
        if (!file.flush()) {
            fs::remove(temporary, ignored);
            throw CommandFailure{path, "cannot be written"};
        }
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, ignored);
        throw CommandFailure{path, error.message()};
    }
}

rimglider::DeviceDescription evemuDescription(const Arguments& args, const rimglider::EvemuFile& events)
{
    namespace fs = std::filesystem;
    const auto described = [](const std::string& path) {
        const std::string text = readFile(path);
        try {
            if (auto description = rimglider::readEvemu(text).description) return *description;
        } catch (const rimglider::RecordingError& e) {
            throw CommandFailure{path, e.what()};
        }
        throw CommandFailure{path, "holds no device description (N:, I:, B:, A: lines)"};
    };
    if (args.descPath) return described(*args.descPath);
    if (events.description) return *events.description;
    const fs::path recording(args.file);
    for (const std::string& candidate : rimglider::evemuDescriptionCandidates(recording.filename().string())) {
        const fs::path path = recording.parent_path() / candidate;
        std::error_code error;
        if (fs::is_regular_file(path, error)) return described(path.string());
    }
    throw CommandFailure{args.file, "has no device description and no .desc file is beside it; give one with --desc"};
}

TraceLabel labelNamed(const std::string& command, const std::string& label)
{
    if (const auto known = traceLabelNamed(label)) return *known;
    std::string names;
    for (TraceLabel l : allTraceLabels)
        names += (names.empty() ? "" : ", ") + std::string(name(l));
    throw CommandFailure{"", command + ": unknown label \"" + label + "\" (one of " + names + ")"};
}

int importRecording(const Arguments& args, std::ostream& out)
{
    const TraceLabel label = labelNamed("import", *args.label);
    const std::string text = readFile(args.file);
    rimglider::Recording recording;
    try {
        if (rimglider::detectFormat(text) == rimglider::Recording::Format::evemu) {
            rimglider::EvemuFile events = rimglider::readEvemu(text);
            recording.devices.push_back({evemuDescription(args, events), std::move(events.events)});
        } else {
            if (args.descPath) throw CommandFailure{"", "import: --desc is for evemu recordings only"};
            recording = rimglider::readLibinputRecord(text);
        }
    } catch (const rimglider::RecordingError& e) {
        throw CommandFailure{args.file, e.what()};
    }

    rimglider::ImportOptions options;
    options.label = label;
    options.note = args.note.value_or("");
    options.deviceName = args.deviceName;
    options.now = std::chrono::floor<TraceDate::duration>(std::chrono::system_clock::now());
    Trace trace;
    try {
        trace = rimglider::importRecording(recording, options);
    } catch (const rimglider::RecordingError& e) {
        throw CommandFailure{args.file, e.what()};
    }
    std::string bytes;
    try {
        bytes = TraceFile::encode(trace);
    } catch (const TraceFileError& e) {
        throw CommandFailure{args.file, std::string("cannot be written as a trace: ") + e.what()};
    }
    writeFileAtomically(*args.outPath, bytes);
    const auto frames = std::count_if(trace.inputs.begin(), trace.inputs.end(),
                                      [](const EngineInput& i) { return i.kind() == EngineInput::Kind::frame; });
    out << "Imported " << trace.inputs.size() << " inputs (" << frames << " frames) from \""
        << trace.header.hardwareModel << "\" into " << *args.outPath << '\n';
    return exitSuccess;
}

std::atomic<bool> interrupted{false};

void onInterrupt(int)
{
    interrupted = true;
}

// Ctrl+C ends the recording instead of the program while it lasts.
class InterruptCatcher {
  public:
    InterruptCatcher()
    {
        interrupted = false;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptCatcher() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

  private:
    struct sigaction previous_ {};
};

std::string plural(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

int record(const Arguments& args, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    LiveRecorder::Options options;
    options.label = labelNamed("record", *args.label);
    if (args.seconds) {
        double seconds = 0;
        const auto [end, error] =
            std::from_chars(args.seconds->data(), args.seconds->data() + args.seconds->size(), seconds);
        if (error != std::errc() || end != args.seconds->data() + args.seconds->size() || !(seconds > 0) ||
            !std::isfinite(seconds))
            throw CommandFailure{"",
                                 "record: --seconds needs a positive number of seconds, not \"" + *args.seconds + "\""};
        options.seconds = seconds;
    }
    options.note = args.note.value_or("");
    options.deviceName = args.deviceName;
    options.recordedAt = std::chrono::floor<TraceDate::duration>(std::chrono::system_clock::now());

    LiveRecorder::Result result;
    {
        InterruptCatcher catcher;
        std::function<void(const LiveRecorder::Counts&)> progress;
        if (errIsTerminal)
            progress = [&](const LiveRecorder::Counts& c) {
                std::ostringstream line;
                line << std::fixed << std::setprecision(1) << "\rRecording " << c.seconds << " s: " << c.frames
                     << " frames, " << plural(c.clicks, "click", "clicks") << ", "
                     << plural(c.keyPresses, "key press", "key presses") << ", "
                     << plural(c.modifierChanges, "modifier change", "modifier changes") << " (Ctrl+C ends)\x1b[K";
                err << line.str() << std::flush;
            };
        try {
            result = LiveRecorder(options).record(interrupted, progress);
        } catch (const LiveRecorder::Failure& e) {
            throw CommandFailure{"", std::string("record: ") + e.what()};
        }
        if (errIsTerminal) err << '\n';
    }
    if (result.end == LiveRecorder::Result::End::brokerGone)
        err << program << ": record: the input broker went away; saving what was recorded\n";
    if (result.end == LiveRecorder::Result::End::touchpadGone)
        err << program << ": record: the touchpad went away; saving what was recorded\n";

    std::string bytes;
    try {
        bytes = TraceFile::encode(result.trace);
    } catch (const TraceFileError& e) {
        throw CommandFailure{*args.outPath, std::string("cannot be written as a trace: ") + e.what()};
    }
    writeFileAtomically(*args.outPath, bytes);
    out << "Recorded " << result.trace.inputs.size() << " inputs (" << result.counts.frames << " frames) from \""
        << result.touchpadName << "\" into " << *args.outPath << '\n';
    return exitSuccess;
}

int judge(const Arguments& args, std::ostream& out)
{
    const GestureConfig config = args.configPath ? loadConfig(*args.configPath) : GestureConfig{};
    const Trace trace = loadTrace(args.file);
    const TraceVerdict verdict(trace.replay(config), trace.header.label);
    if (verdict.passed()) {
        out << "OK\n";
        return exitSuccess;
    }
    for (const std::string& problem : verdict.problems)
        out << problem << '\n';
    return exitProblems;
}

} // namespace

int runTraceTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? err : out) << overallHelp;
        return args.empty() ? exitFailure : exitSuccess;
    }
    const auto help = commandHelp.find(args[0]);
    if (help == commandHelp.end()) {
        err << program << ": unknown command \"" << args[0] << "\" (try " << program << " --help)\n";
        return exitFailure;
    }
    try {
        const Arguments parsed = parseArguments(args);
        if (parsed.help) {
            out << help->second;
            return exitSuccess;
        }
        if (parsed.command == "show") return show(parsed, out);
        if (parsed.command == "replay") return replay(parsed, out);
        if (parsed.command == "import") return importRecording(parsed, out);
        if (parsed.command == "record") return record(parsed, out, err, errIsTerminal);
        return judge(parsed, out);
    } catch (const CommandFailure& failure) {
        err << program << ": ";
        if (!failure.subject.empty()) err << oneLine(failure.subject) << ": ";
        err << oneLine(failure.reason) << '\n';
        return exitFailure;
    } catch (const std::exception& e) {
        // Nothing above should throw anything else; if it does, still end cleanly.
        err << program << ": " << oneLine(e.what()) << '\n';
        return exitFailure;
    }
}

} // namespace rimglider
