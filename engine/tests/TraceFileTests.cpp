#include "GestureEngineKit/GestureScript.h"
#include "GestureEngineKit/JsonCoding.h"
#include "GestureEngineKit/Trace.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <limits>

using namespace GestureEngineKit;
using namespace std::chrono;
using Kind = TraceFileError::Kind;

namespace {

std::string rawDeflate(const std::string& text)
{
    z_stream s{};
    deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&s, uLong(text.size())), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    s.avail_in = uInt(text.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(s.total_out);
    deflateEnd(&s);
    return out;
}

std::string rawInflate(const std::string& bytes)
{
    z_stream s{};
    inflateInit2(&s, -15);
    std::string out(bytes.size() * 50 + 1024, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    s.avail_in = uInt(bytes.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&s, Z_FINISH), Z_STREAM_END);
    out.resize(s.total_out);
    inflateEnd(&s);
    return out;
}

Trace sampleTrace()
{
    GestureScript script(1234.5);
    script.modifiers({ModifierState::shift, ModifierState::option})
        .down(7, 0.95f, 0.4f)
        .glide(0.1, 0, 0.1f)
        .click()
        .upAll()
        .keyDown();
    const TraceDate at = sys_days{2026y / December / 6} + 9h + 30min + 15s + 420ms;
    return Trace{TraceHeader(TraceLabel::rightSlideUp, at, "ThinkPad X1/Gen 9", "Debian GNU/Linux 12 (bookworm)", true,
                             "slide with shift+alt, ümlaut"),
                 script.take()};
}

TraceFileError::Kind failureKind(const std::string& bytes, std::string* message = nullptr,
                                 std::size_t sizeLimit = TraceFile::maxDecompressedSize)
{
    try {
        TraceFile::decode(bytes, sizeLimit);
    } catch (const TraceFileError& e) {
        if (message) *message = e.what();
        return e.kind();
    }
    ADD_FAILURE() << "decoding succeeded";
    return Kind::encoding;
}

const std::string header =
    R"({"hardwareModel":"m","hasContextEvents":false,"label":"normalWork","note":"","osVersion":"o","recordedAt":"2026-01-02T03:04:05Z","version":1})";

} // namespace

TEST(TraceFileFormat, RoundTripLosesOnlyTheFractionOfASecond)
{
    const Trace trace = sampleTrace();
    const Trace back = TraceFile::decode(TraceFile::encode(trace));
    EXPECT_EQ(back.inputs, trace.inputs);
    EXPECT_EQ(back.header.recordedAt, floor<seconds>(trace.header.recordedAt));
    Trace expected = trace;
    expected.header.recordedAt = floor<seconds>(trace.header.recordedAt);
    EXPECT_EQ(back, expected);
}

TEST(TraceFileFormat, CompactSortedLinesWithoutTrailingLineFeed)
{
    const std::string text = rawInflate(TraceFile::encode(sampleTrace()));
    EXPECT_EQ(text, TraceFile::encodeLines(sampleTrace()));
    EXPECT_NE(text.back(), '\n');
    const std::string firstLine = text.substr(0, text.find('\n'));
    EXPECT_EQ(firstLine, R"({"hardwareModel":"ThinkPad X1/Gen 9","hasContextEvents":true,"label":"rightSlideUp",)"
                         R"x("note":"slide with shift+alt, ümlaut","osVersion":"Debian GNU/Linux 12 (bookworm)",)x"
                         R"("recordedAt":"2026-12-06T09:30:15Z","version":1})");
    EXPECT_NE(text.find("\n{\"k\":\"mod\",\"m\":5,\"t\":1234.5}\n"), std::string::npos);
    EXPECT_NE(
        text.find(
            R"({"f":[{"ax":4750.0,"ay":1872.0001,"id":7,"ma":9.0,"mi":7.2000003,"s":3,"x":0.95,"y":0.4}],"k":"f","t":1234.5})"),
        std::string::npos);
    EXPECT_NE(text.find("\n{\"k\":\"click\",\"t\":"), std::string::npos);
    EXPECT_EQ(text.find(' ', text.find('\n')), std::string::npos); // compact: no blanks outside strings
}

TEST(TraceFileFormat, EmptyTraceIsTheHeaderLineAlone)
{
    Trace trace;
    trace.header = TraceHeader(TraceLabel::normalWork, TraceDate{}, "", "", false, "");
    const std::string text = TraceFile::encodeLines(trace);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    const Trace back = TraceFile::decode(TraceFile::encode(trace));
    EXPECT_TRUE(back.inputs.empty());
    EXPECT_EQ(back.duration(), 0);
}

TEST(TraceFileFormat, BlankLinesAndAFinalLineFeedAreTolerated)
{
    const std::string text = TraceFile::encodeLines(sampleTrace());
    std::string loose = "\n" + text + "\n";
    loose.insert(loose.find('\n', 2), "\n\n");
    EXPECT_EQ(TraceFile::decode(rawDeflate(loose)), TraceFile::decode(rawDeflate(text)));
}

TEST(TraceFileFormat, NonFiniteNumbersAreNotWritten)
{
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        Trace trace = sampleTrace();
        trace.inputs.push_back(EngineInput::frame({2000, {TouchSample{.id = 1, .state = 4, .x = bad}}}));
        try {
            TraceFile::encode(trace);
            ADD_FAILURE() << "encoded a non-finite number";
        } catch (const TraceFileError& e) {
            EXPECT_EQ(e.kind(), Kind::encoding);
        }
    }
    Trace trace = sampleTrace();
    trace.inputs.push_back(EngineInput::keyDown(std::numeric_limits<double>::infinity()));
    EXPECT_THROW(TraceFile::encode(trace), TraceFileError);
}

TEST(TraceFileFormat, UnwritableHeaderValuesFailClearly)
{
    Trace trace = sampleTrace();
    trace.header.note = "bad \xff byte";
    EXPECT_THROW(TraceFile::encode(trace), TraceFileError);
    trace = sampleTrace();
    trace.header.recordedAt = sys_days{10000y / January / 1};
    EXPECT_THROW(TraceFile::encode(trace), TraceFileError);
}

TEST(TraceFileReading, DecompressionFailures)
{
    std::string message;
    EXPECT_EQ(failureKind("", &message), Kind::decompression);
    EXPECT_EQ(message, "the compressed data ends too early");
    EXPECT_EQ(failureKind("\xff\xff\xff\xff this is not deflate"), Kind::decompression);
    const std::string good = TraceFile::encode(sampleTrace());
    EXPECT_EQ(failureKind(good.substr(0, good.size() / 2)), Kind::decompression);
    EXPECT_EQ(failureKind(good + "x", &message), Kind::decompression);
    EXPECT_EQ(message, "unexpected bytes after the compressed data");
}

TEST(TraceFileReading, NothingButLineFeedsIsCorrupt)
{
    EXPECT_EQ(failureKind(rawDeflate("")), Kind::corrupt);
    EXPECT_EQ(failureKind(rawDeflate("\n\n\n")), Kind::corrupt);
}

TEST(TraceFileReading, FirstBadLineFailsTheWholeRead)
{
    std::string message;
    EXPECT_EQ(failureKind(rawDeflate("{not json"), &message), Kind::decoding);
    EXPECT_EQ(message.rfind("line 1: ", 0), 0u) << message;

    const std::string input = R"({"k":"key","t":1})";
    EXPECT_EQ(failureKind(rawDeflate(header + "\n" + input + "\n\n" + R"({"k":"tap","t":2})"), &message),
              Kind::decoding);
    EXPECT_EQ(message, R"(line 4: key "k": unknown input kind "tap")");

    std::string noLabel = header;
    noLabel.replace(noLabel.find(R"("label":"normalWork",)"), 21, "");
    EXPECT_EQ(failureKind(rawDeflate(noLabel), &message), Kind::decoding);
    EXPECT_EQ(message, R"(line 1: missing key "label")");

    EXPECT_EQ(failureKind(rawDeflate(header + "\n" + input + "\n[]"), &message), Kind::decoding);
    EXPECT_EQ(message, "line 3: expected a JSON object");
}

TEST(TraceFileReading, ZipBombsAreRefused)
{
    // Highly compressible input past the limit must fail rather than exhaust memory.
    const std::string huge(10'000'000, '\n');
    std::string message;
    EXPECT_EQ(failureKind(rawDeflate(huge), &message, 1'000'000), Kind::decompression);
    EXPECT_EQ(message, "the decompressed trace is larger than 1000000 bytes");
    EXPECT_EQ(failureKind(rawDeflate(huge), nullptr, 9'999'999), Kind::decompression);
    EXPECT_EQ(failureKind(rawDeflate(huge), nullptr, 10'000'000), Kind::corrupt); // exactly at the limit is read
}
