// The recordings of real touchpads under input/tests/data, for tests and benchmarks.
#pragma once

#include "RimgliderInput/Recording.h"

#include <fstream>
#include <iterator>
#include <string>

namespace rimglider::test {

// The path of a file under input/tests/data.
inline std::string dataPath(const std::string& name)
{
    return std::string(INPUT_TEST_DATA_DIR) + "/" + name;
}

// The bytes of a file under input/tests/data.
inline std::string readData(const std::string& name)
{
    std::ifstream file(dataPath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The device an evemu .desc file under input/tests/data describes.
inline DeviceDescription describedIn(const std::string& descFile)
{
    return *readEvemu(readData(descFile)).description;
}

// The touchpad most device tests emulate.
inline const std::string alps = "evemu-devices/AlpsPS2 ALPS GlidePoint";

inline DeviceDescription alpsDescription()
{
    return describedIn(alps + ".desc");
}

// The handmade touchpad of the frame, trace and recorder tests.
inline const DeviceDescription& testTouchpad()
{
    static const DeviceDescription description = describedIn("handmade/Rimglider Test Touchpad.desc");
    return description;
}

} // namespace rimglider::test
