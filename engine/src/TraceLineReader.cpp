#include "TraceLineReader.h"

#include "GestureEngineKit/JsonCoding.h"

#include "JsonErrorText.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace GestureEngineKit::detail {

using simdjson::dom::element;
using simdjson::dom::element_type;
using Kind = TraceFileError::Kind;

namespace {

// The shortest a touch can be written: {"ax":0,"ay":0,"id":0,"ma":0,"mi":0,"s":0,"x":0,"y":0}
constexpr std::size_t shortestTouch = 51;

// The rules below are those of fromJson(): a number is any JSON number that is finite, an
// integer is a whole number within the type's range, however it is written.
bool readNumber(element value, double& number)
{
    switch (value.type()) {
    case element_type::INT64:
        number = double(value.get_int64().value_unsafe());
        return true;
    case element_type::UINT64:
        number = double(value.get_uint64().value_unsafe());
        return true;
    case element_type::DOUBLE:
        number = value.get_double().value_unsafe();
        return std::isfinite(number);
    case element_type::ARRAY:
    case element_type::OBJECT:
    case element_type::STRING:
    case element_type::BOOL:
    case element_type::NULL_VALUE:
        return false;
    }
    return false;
}

template <class Int>
bool readInteger(element value, Int& integer)
{
    using Limits = std::numeric_limits<Int>;
    switch (value.type()) {
    case element_type::INT64: {
        const std::int64_t n = value.get_int64().value_unsafe();
        if (n < std::int64_t(Limits::min()) || (n > 0 && std::uint64_t(n) > std::uint64_t(Limits::max()))) return false;
        integer = Int(n);
        return true;
    }
    case element_type::UINT64: {
        const std::uint64_t n = value.get_uint64().value_unsafe();
        if (n > std::uint64_t(Limits::max())) return false;
        integer = Int(n);
        return true;
    }
    case element_type::DOUBLE: {
        const double d = value.get_double().value_unsafe();
        if (!std::isfinite(d) || d != std::trunc(d) || d < double(Limits::min()) ||
            d >= std::ldexp(1.0, Limits::digits))
            return false;
        integer = Int(d);
        return true;
    }
    case element_type::ARRAY:
    case element_type::OBJECT:
    case element_type::STRING:
    case element_type::BOOL:
    case element_type::NULL_VALUE:
        return false;
    }
    return false;
}

bool readFloat(element value, float& number)
{
    double d = 0;
    if (!readNumber(value, d) || std::abs(d) > double(std::numeric_limits<float>::max())) return false;
    number = float(d);
    return true;
}

// The place of a touch's key in {"ax","ay","id","ma","mi","s","x","y"}, or -1 for another key.
// Compared by hand: this runs for every number of every touch.
int touchKey(std::string_view key)
{
    if (key.size() == 1) return key[0] == 's' ? 5 : key[0] == 'x' ? 6 : key[0] == 'y' ? 7 : -1;
    if (key.size() != 2) return -1;
    const char second = key[1];
    switch (key[0]) {
    case 'a':
        return second == 'x' ? 0 : second == 'y' ? 1 : -1;
    case 'i':
        return second == 'd' ? 2 : -1;
    case 'm':
        return second == 'a' ? 3 : second == 'i' ? 4 : -1;
    default:
        return -1;
    }
}

bool readTouch(element value, TouchSample& s)
{
    simdjson::dom::object object;
    if (value.get_object().get(object)) return false;
    // Every key is required, others are ignored; a repeated key counts with its last value.
    unsigned seen = 0;
    for (const simdjson::dom::key_value_pair field : object) {
        const int at = touchKey(field.key);
        bool ok = true;
        switch (at) {
        case 0:
            ok = readFloat(field.value, s.absoluteX);
            break;
        case 1:
            ok = readFloat(field.value, s.absoluteY);
            break;
        case 2:
            ok = readInteger(field.value, s.id);
            break;
        case 3:
            ok = readFloat(field.value, s.majorAxis);
            break;
        case 4:
            ok = readFloat(field.value, s.minorAxis);
            break;
        case 5:
            ok = readInteger(field.value, s.state);
            break;
        case 6:
            ok = readFloat(field.value, s.x);
            break;
        case 7:
            ok = readFloat(field.value, s.y);
            break;
        default:
            continue;
        }
        if (!ok) return false;
        seen |= 1u << unsigned(at);
    }
    return seen == 0xffu;
}

bool readTouches(element value, std::size_t lineLength, std::vector<TouchSample>& touches)
{
    simdjson::dom::array array;
    if (value.get_array().get(array)) return false;
    const std::size_t count = array.size();
    if (count > lineLength / shortestTouch) return false; // not all touches, so not worth the memory
    touches.resize(count);
    std::size_t i = 0;
    for (const element touch : array)
        if (!readTouch(touch, touches[i++])) return false;
    return true;
}

template <class T>
T decodeWithJsonLibrary(std::string_view line, std::size_t lineNumber)
{
    const auto failure = [&](const std::string& reason) {
        return TraceFileError(Kind::decoding, "line " + std::to_string(lineNumber) + ": " + reason);
    };
    try {
        return fromJson<T>(nlohmann::json::parse(line));
    } catch (const nlohmann::json::exception& e) {
        throw failure(plainMessage(e));
    } catch (const DecodingError& e) {
        throw failure(e.what());
    }
}

} // namespace

void TraceLineReader::read(std::string_view piece)
{
    if (failed()) return;
    const auto lineFeedFrom = [&](std::size_t from) {
        const void* found = std::memchr(piece.data() + from, '\n', piece.size() - from);
        return found ? std::size_t(static_cast<const char*>(found) - piece.data()) : std::string_view::npos;
    };
    std::size_t start = 0;
    if (unfinishedLength_ > 0) {
        const std::size_t end = lineFeedFrom(0);
        keepUnfinished(piece.substr(0, end));
        if (end == std::string_view::npos) return;
        readLine({unfinished_.data(), unfinishedLength_});
        unfinishedLength_ = 0;
        start = end + 1;
    }
    for (std::size_t end = lineFeedFrom(start); end != std::string_view::npos && !failed(); end = lineFeedFrom(start)) {
        readLine(piece.substr(start, end - start));
        start = end + 1;
    }
    if (!failed()) keepUnfinished(piece.substr(start));
}

void TraceLineReader::keepUnfinished(std::string_view text)
{
    if (unfinished_.size() < unfinishedLength_ + text.size() + simdjson::SIMDJSON_PADDING)
        unfinished_.resize(2 * (unfinishedLength_ + text.size()) + simdjson::SIMDJSON_PADDING);
    std::copy(text.begin(), text.end(), unfinished_.begin() + std::ptrdiff_t(unfinishedLength_));
    unfinishedLength_ += text.size();
}

Trace TraceLineReader::finish()
{
    if (!failed()) {
        keepUnfinished({}); // makes sure there is padding
        readLine({unfinished_.data(), unfinishedLength_});
    }
    if (error_) throw *error_;
    if (!haveHeader_) throw TraceFileError(Kind::corrupt, "the trace holds no header line");
    return std::move(trace_);
}

void TraceLineReader::readLine(std::string_view line)
{
    ++lineNumber_;
    if (line.empty()) return; // blank lines and a final line feed are tolerated
    try {
        if (!haveHeader_) {
            trace_.header = decodeWithJsonLibrary<TraceHeader>(line, lineNumber_);
            haveHeader_ = true;
        } else if (!readInput(line)) {
            trace_.inputs.push_back(decodeWithJsonLibrary<EngineInput>(line, lineNumber_));
        }
    } catch (const TraceFileError& e) {
        error_ = e;
    }
}

bool TraceLineReader::readInput(std::string_view line)
{
    element root;
    simdjson::dom::object object;
    if (parser_.parse(line.data(), line.size(), false).get(root) || root.get_object().get(object)) return false;
    // Keys the input's kind does not use are ignored; a repeated key counts with its last value.
    std::optional<element> time, kind, touches, modifiers;
    for (const simdjson::dom::key_value_pair field : object) {
        if (field.key.size() != 1) continue;
        switch (field.key[0]) {
        case 't':
            time = field.value;
            break;
        case 'k':
            kind = field.value;
            break;
        case 'f':
            touches = field.value;
            break;
        case 'm':
            modifiers = field.value;
            break;
        default:
            break;
        }
    }
    double t = 0;
    std::string_view k;
    if (!time || !kind || !readNumber(*time, t) || kind->get_string().get(k)) return false;
    if (k == "f") {
        std::vector<TouchSample> samples;
        if (!touches || !readTouches(*touches, line.size(), samples)) return false;
        trace_.inputs.push_back(EngineInput::frame(TouchFrame{t, std::move(samples)}));
    } else if (k == "key") {
        trace_.inputs.push_back(EngineInput::keyDown(t));
    } else if (k == "click") {
        trace_.inputs.push_back(EngineInput::mouseDown(t));
    } else if (k == "mod") {
        std::uint8_t m = 0;
        if (!modifiers || !readInteger(*modifiers, m)) return false;
        trace_.inputs.push_back(EngineInput::modifiers(ModifierState(m), t));
    } else {
        return false;
    }
    return true;
}

} // namespace GestureEngineKit::detail
