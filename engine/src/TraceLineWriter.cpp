#include "TraceLineWriter.h"

#include "JsonNumber.h"
#include "Overloaded.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace GestureEngineKit::detail {

namespace {

// The longest a touch can take: eight keys, six numbers of at most 25 characters, two
// 32-bit integers and the punctuation.
constexpr std::size_t maxTouchLength = 220;
constexpr std::size_t maxOtherLength = 64; // the line feed, "k", "t" and "m"

char* put(char* out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char* putInteger(char* out, long long value)
{
    return std::to_chars(out, out + 20, value).ptr;
}

char* putTouch(char* out, const TouchSample& s)
{
    out = writeJsonNumber(put(out, R"({"ax":)"), s.absoluteX);
    out = writeJsonNumber(put(out, R"(,"ay":)"), s.absoluteY);
    out = putInteger(put(out, R"(,"id":)"), s.id);
    out = writeJsonNumber(put(out, R"(,"ma":)"), s.majorAxis);
    out = writeJsonNumber(put(out, R"(,"mi":)"), s.minorAxis);
    out = putInteger(put(out, R"(,"s":)"), s.state);
    out = writeJsonNumber(put(out, R"(,"x":)"), s.x);
    out = writeJsonNumber(put(out, R"(,"y":)"), s.y);
    return put(out, "}");
}

} // namespace

void TraceLineWriter::append(const EngineInput& input)
{
    const auto* frame = input.as<TouchFrame>();
    const std::size_t start = text_.size();
    text_.resize(start + maxOtherLength + (frame ? frame->touches.size() * maxTouchLength : 0));
    char* out = text_.data() + start;
    *out++ = '\n';
    out = std::visit(Overloaded{
                         [&](const TouchFrame& f) {
                             out = put(out, R"({"f":[)");
                             for (std::size_t i = 0; i < f.touches.size(); ++i) {
                                 if (i > 0) *out++ = ',';
                                 out = putTouch(out, f.touches[i]);
                             }
                             return put(out, R"(],"k":"f","t":)");
                         },
                         [&](const EngineInput::KeyDown&) { return put(out, R"({"k":"key","t":)"); },
                         [&](const EngineInput::MouseDown&) { return put(out, R"({"k":"click","t":)"); },
                         [&](const EngineInput::Modifiers& m) {
                             return put(putInteger(put(out, R"({"k":"mod","m":)"), m.state.rawValue()), R"(,"t":)");
                         },
                     },
                     input.payload);
    out = put(writeJsonNumber(out, input.time()), "}");
    text_.resize(std::size_t(out - text_.data()));
}

} // namespace GestureEngineKit::detail
