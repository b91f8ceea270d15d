#include "RimgliderInput/Recording.h"

#include <charconv>

namespace rimglider {

namespace {

// The longest bitmap of any event type (EV_KEY's KEY_CNT bits).
constexpr std::size_t maxBitmapBytes = KEY_CNT / 8;

class LineReader {
  public:
    LineReader(std::string_view line, std::size_t number) : rest_(line), number_(number) {}

    [[noreturn]] void fail(const std::string& reason) const
    {
        throw RecordingError("line " + std::to_string(number_) + ": " + reason);
    }

    // The next blank-separated word; empty at the end of the line.
    std::string_view word()
    {
        const auto start = rest_.find_first_not_of(" \t");
        if (start == std::string_view::npos) {
            rest_ = {};
            return {};
        }
        rest_.remove_prefix(start);
        const auto end = std::min(rest_.find_first_of(" \t"), rest_.size());
        const std::string_view w = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return w;
    }

    template <class Int>
    Int number(int base, const char* what)
    {
        const std::string_view w = word();
        Int value{};
        const auto [end, error] = std::from_chars(w.data(), w.data() + w.size(), value, base);
        if (w.empty() || error != std::errc() || end != w.data() + w.size())
            fail(std::string("expected ") + what + (w.empty() ? "" : ", found \"" + std::string(w) + "\""));
        return value;
    }

    // "seconds.fraction": evemu writes microseconds, but any number of digits reads.
    double timestamp()
    {
        const std::string_view w = word();
        const auto dot = w.find('.');
        std::uint64_t seconds = 0, fraction = 0;
        const std::string_view whole = w.substr(0, dot);
        const std::string_view part = dot == std::string_view::npos ? std::string_view{} : w.substr(dot + 1);
        const auto parse = [](std::string_view digits, std::uint64_t& out) {
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
            return !digits.empty() && error == std::errc() && end == digits.data() + digits.size();
        };
        if (!parse(whole, seconds) || (dot != std::string_view::npos && (part.size() > 9 || !parse(part, fraction))))
            fail("expected a timestamp such as 12.345678" + (w.empty() ? "" : ", found \"" + std::string(w) + "\""));
        double scale = 1;
        for (std::size_t i = 0; i < part.size(); ++i)
            scale *= 10;
        return double(seconds) + double(fraction) / scale;
    }

    // The rest of the line, with trailing blanks and a trailing comment removed.
    void expectEnd()
    {
        const std::string_view w = word();
        if (!w.empty() && w.front() != '#') fail("unexpected \"" + std::string(w) + "\"");
    }

    std::string_view remainder()
    {
        std::string_view r = rest_;
        const auto start = r.find_first_not_of(" \t");
        r = start == std::string_view::npos ? std::string_view{} : r.substr(start);
        while (!r.empty() && (r.back() == ' ' || r.back() == '\t' || r.back() == '\r'))
            r.remove_suffix(1);
        return r;
    }

  private:
    std::string_view rest_;
    std::size_t number_;
};

void readBitmap(LineReader& line, std::set<std::uint16_t>& bits, std::size_t& bytesSoFar)
{
    for (std::string_view w = line.word(); !w.empty() && w.front() != '#'; w = line.word()) {
        unsigned byte = 0;
        const auto [end, error] = std::from_chars(w.data(), w.data() + w.size(), byte, 16);
        if (error != std::errc() || end != w.data() + w.size() || byte > 0xff)
            line.fail("expected a hexadecimal byte, found \"" + std::string(w) + "\"");
        if (bytesSoFar == maxBitmapBytes) line.fail("the bitmap is longer than any event type's");
        for (unsigned bit = 0; bit < 8; ++bit)
            if (byte & (1u << bit)) bits.insert(std::uint16_t(bytesSoFar * 8 + bit));
        ++bytesSoFar;
    }
}

} // namespace

EvemuFile readEvemu(std::string_view text)
{
    EvemuFile file;
    DeviceDescription description;
    bool described = false;
    std::size_t propertyBytes = 0;
    std::map<std::uint16_t, std::size_t> bitmapBytes;

    std::size_t number = 0;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view content = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        LineReader line(content, number);
        const std::string_view tag = line.word();
        if (tag.empty() || tag.front() == '#') continue;

        if (tag == "E:") {
            InputEvent event;
            event.time = line.timestamp();
            event.type = line.number<std::uint16_t>(16, "an event type in hexadecimal");
            event.code = line.number<std::uint16_t>(16, "an event code in hexadecimal");
            event.value = line.number<std::int32_t>(10, "an event value");
            line.expectEnd();
            file.events.push_back(event);
            continue;
        }
        described = true;
        if (tag == "N:") {
            description.name = std::string(line.remainder());
        } else if (tag == "I:") {
            description.id = {line.number<std::uint16_t>(16, "a bus number in hexadecimal"),
                              line.number<std::uint16_t>(16, "a vendor number in hexadecimal"),
                              line.number<std::uint16_t>(16, "a product number in hexadecimal"),
                              line.number<std::uint16_t>(16, "a version number in hexadecimal")};
            line.expectEnd();
        } else if (tag == "P:") {
            readBitmap(line, description.properties, propertyBytes);
        } else if (tag == "B:") {
            const auto type = line.number<std::uint16_t>(16, "an event type in hexadecimal");
            if (type >= EV_CNT) line.fail("event type " + std::to_string(type) + " does not exist");
            std::set<std::uint16_t> bits;
            readBitmap(line, bits, bitmapBytes[type]);
            if (!bits.empty()) description.codes[type].insert(bits.begin(), bits.end());
        } else if (tag == "A:") {
            const auto code = line.number<std::uint16_t>(16, "an axis code in hexadecimal");
            if (code >= ABS_CNT) line.fail("axis " + std::to_string(code) + " does not exist");
            AbsInfo info;
            info.minimum = line.number<std::int32_t>(10, "the axis minimum");
            info.maximum = line.number<std::int32_t>(10, "the axis maximum");
            info.fuzz = line.number<std::int32_t>(10, "the axis fuzz");
            info.flat = line.number<std::int32_t>(10, "the axis flat");
            if (std::string_view r = line.remainder(); !r.empty() && r.front() != '#')
                info.resolution = line.number<std::int32_t>(10, "the axis resolution");
            line.expectEnd();
            description.absInfo[code] = info;
        } else if (tag == "L:" || tag == "S:") {
            // LED and switch states: nothing a touchpad needs.
        } else {
            line.fail("not an evemu line: \"" + std::string(content.substr(0, 40)) + "\"");
        }
    }
    // An axis with a range is an axis the device has, whatever its bitmap says.
    for (const auto& [code, info] : description.absInfo)
        description.codes[EV_ABS].insert(code);
    if (described) file.description = std::move(description);
    return file;
}

std::vector<std::string> evemuDescriptionCandidates(const std::string& eventsFileName)
{
    std::string stem = eventsFileName;
    if (stem.ends_with(".events")) stem.resize(stem.size() - 7);
    std::vector<std::string> candidates;
    for (;;) {
        if (!stem.empty()) candidates.push_back(stem + ".desc");
        const auto dot = stem.rfind('.');
        if (dot == std::string::npos) break;
        stem.resize(dot);
    }
    return candidates;
}

Recording::Format detectFormat(std::string_view text)
{
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || line[first] == '#') continue;
        const std::string_view rest = line.substr(first);
        const bool evemuTag = rest.size() >= 2 && rest[1] == ':' &&
                              std::string_view("NIPBAELS").find(rest[0]) != std::string_view::npos &&
                              (rest.size() == 2 || rest[2] == ' ' || rest[2] == '\t');
        return evemuTag ? Recording::Format::evemu : Recording::Format::libinputRecord;
    }
    return Recording::Format::libinputRecord;
}

} // namespace rimglider
