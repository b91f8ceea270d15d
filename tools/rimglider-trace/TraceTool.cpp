#include "TraceTool.h"

#include "GestureEngineKit/GestureEngine.h"
#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
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
    {"judge", R"(Usage: rimglider-trace judge [--config CONFIG.json] FILE

Replays the trace FILE and judges the events against its label. Prints "OK"
and exits with status 0 when it passes; otherwise prints each problem on its
own line and exits with status 1.

  --config CONFIG.json  use this engine configuration instead of the default
)"},
};

const char* overallHelp = R"(Usage: rimglider-trace COMMAND [OPTIONS] FILE

Inspects, replays and judges Rimglider gesture trace files.

Commands:
  show FILE                                 header, duration and input counts
  replay [--config CONFIG.json] [--json] FILE
                                            the events a fresh engine produces
  judge [--config CONFIG.json] FILE         OK, or the problems against the label

Run "rimglider-trace COMMAND --help" for details of one command.

Exit status: 0 success (judge: passed), 1 judge found problems,
2 unreadable file, corrupt trace, invalid configuration or bad usage.
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
};

Arguments parseArguments(const std::vector<std::string>& args)
{
    Arguments parsed;
    parsed.command = args.at(0);
    const bool takesOptions = parsed.command != "show";
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (takesOptions && arg == "--config") {
            if (++i == args.size()) throw CommandFailure{"", "--config needs a file"};
            parsed.configPath = args[i];
        } else if (parsed.command == "replay" && arg == "--json") {
            parsed.json = true;
        } else if (arg.starts_with("--") && arg.size() > 2) {
            throw CommandFailure{"", parsed.command + ": unknown option " + arg};
        } else {
            files.push_back(arg == "--" && i + 1 < args.size() ? args[++i] : arg);
        }
    }
    if (parsed.help) return parsed;
    if (files.size() != 1)
        throw CommandFailure{"",
                             parsed.command + (files.empty() ? ": no trace file given" : ": more than one file given")};
    parsed.file = files.front();
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

int runTraceTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
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
