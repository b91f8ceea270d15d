// Any packet through both decoders of the broker protocol. Besides not crashing: a decoded
// request re-encodes to exactly its bytes, and a decoded broker message survives a second
// encode/decode unchanged.
#include "RimgliderInput/BrokerProtocol.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

using namespace rimglider::broker;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> packet(data, size);
    const RequestDecoding request = decodeRequest(packet);
    if (request.outcome == RequestDecoding::Outcome::request) {
        if (!request.message) std::abort();
        const auto again = encode(*request.message);
        if (again.size() != size || !std::equal(again.begin(), again.end(), data)) std::abort();
    } else if (request.message) {
        std::abort();
    }

    if (const auto message = decodeBrokerMessage(packet)) {
        const auto again = decodeBrokerMessage(encode(*message));
        if (!again || !(*again == *message)) std::abort();
    }
    return 0;
}
