#include "JsonNumber.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace GestureEngineKit::detail {

double shortestDouble(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    double shortest = 0;
    std::from_chars(buffer, result.ptr, shortest);
    // Reading the decimal as a double and narrowing it must give back the same float;
    // where double rounding would spoil that, write the float's exact value instead.
    if (float(shortest) != value || !std::isfinite(shortest)) shortest = double(value);
    return shortest;
}

namespace {

// A positive number as significant digits without trailing zeros, and the power of ten of the
// first: 4750 is "475" and 3, 0.0012 is "12" and -3.
struct Decimal {
    char digits[24];
    int count = 0;
    int exponent = 0;
};

// From what to_chars writes for a positive number: "4.75e+03", "4750", "0.0012".
Decimal decimalOf(const char* text, const char* end)
{
    Decimal d;
    int digits = 0, point = -1, leadingZeros = 0;
    const char* c = text;
    for (; c != end && *c != 'e'; ++c) {
        if (*c == '.') {
            point = digits;
            continue;
        }
        if (*c == '0' && d.count == 0)
            ++leadingZeros;
        else
            d.digits[d.count++] = *c;
        ++digits;
    }
    int written = 0; // the exponent after 'e', if any
    if (c != end) {
        for (const char* e = c + 2; e != end; ++e)
            written = written * 10 + (*e - '0');
        if (c[1] == '-') written = -written;
    }
    d.exponent = (point < 0 ? digits : point) - leadingZeros - 1 + written;
    while (d.count > 1 && d.digits[d.count - 1] == '0')
        --d.count;
    return d;
}

// Lays the digits out as the JSON library lays out its numbers: fixed notation for
// 1e-5 < |value| < 1e15, otherwise exponential with at least two exponent digits.
char* layOut(char* out, const Decimal& d)
{
    const int k = d.count;
    const int n = d.exponent + 1; // where the decimal point goes, counted from the first digit
    constexpr int minExponent = -4, maxExponent = 15;
    if (k <= n && n <= maxExponent) { // digits[000].0
        std::memcpy(out, d.digits, std::size_t(k));
        std::memset(out + k, '0', std::size_t(n - k));
        std::memcpy(out + n, ".0", 2);
        return out + n + 2;
    }
    if (0 < n && n <= maxExponent) { // dig.its
        std::memcpy(out, d.digits, std::size_t(n));
        out[n] = '.';
        std::memcpy(out + n + 1, d.digits + n, std::size_t(k - n));
        return out + k + 1;
    }
    if (minExponent < n && n <= 0) { // 0.[000]digits
        std::memcpy(out, "0.", 2);
        std::memset(out + 2, '0', std::size_t(-n));
        std::memcpy(out + 2 - n, d.digits, std::size_t(k));
        return out + 2 - n + k;
    }
    *out++ = d.digits[0]; // d[.igits]e+XX
    if (k > 1) {
        *out++ = '.';
        std::memcpy(out, d.digits + 1, std::size_t(k - 1));
        out += k - 1;
    }
    *out++ = 'e';
    *out++ = d.exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(d.exponent);
    if (magnitude >= 100) *out++ = char('0' + magnitude / 100);
    *out++ = char('0' + magnitude / 10 % 10);
    *out++ = char('0' + magnitude % 10);
    return out;
}

template <class Float>
char* write(char* out, Float value)
{
    if (std::signbit(value)) {
        *out++ = '-';
        value = -value;
    }
    if (value == 0) {
        std::memcpy(out, "0.0", 3);
        return out + 3;
    }
    char text[64];
    char* end = std::to_chars(text, text + sizeof text, value).ptr;
    if constexpr (std::is_same_v<Float, float>) {
        // As in shortestDouble(): where the decimal, read as a double, would not narrow back to
        // the float, the float's exact value is written instead.
        double read = 0;
        std::from_chars(text, end, read);
        if (float(read) != value) return write(out, double(value));
    }
    // The usual case: to_chars chose fixed notation for what the JSON library writes fixed too,
    // from 0.0001 up to 1e15. It writes "4750" where the library writes "4750.0".
    bool point = false, exponent = false;
    for (const char* c = text; c != end; ++c) {
        point |= *c == '.';
        exponent |= *c == 'e';
    }
    if (!exponent && value >= Float(1e-4) && value < Float(1e15)) {
        const auto length = std::size_t(end - text);
        std::memcpy(out, text, length);
        out += length;
        if (point) return out;
        std::memcpy(out, ".0", 2);
        return out + 2;
    }
    // A double's fixed notation beyond 2^53 has more digits than it needs; a float's does not,
    // and is what shortestDouble() reads.
    if constexpr (std::is_same_v<Float, double>)
        end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific).ptr;
    return layOut(out, decimalOf(text, end));
}

} // namespace

char* writeJsonNumber(char* out, double value)
{
    return write(out, value);
}

char* writeJsonNumber(char* out, float value)
{
    // Device units are whole numbers, which the integer conversion writes faster.
    if (value == std::trunc(value) && std::abs(value) < 16777216.0f && value != 0) {
        out = std::to_chars(out, out + 9, std::int32_t(value)).ptr;
        std::memcpy(out, ".0", 2);
        return out + 2;
    }
    return write(out, value);
}

} // namespace GestureEngineKit::detail
