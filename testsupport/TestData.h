// The recordings of real touchpads under input/tests/data, for tests and benchmarks.
#pragma once

#include "RimgliderInput/Recording.h"

#include <fstream>
#include <sstream>
#include <string>

namespace rimglider::test {

// The bytes of a file under input/tests/data.
inline std::string readData(const std::string& name)
{
    std::ifstream file(std::string(INPUT_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
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

} // namespace rimglider::test
