// Recordings under input/tests/data for the broker's device tests.
#pragma once

#include "RimgliderInput/Recording.h"

#include <fstream>
#include <sstream>
#include <string>

namespace rimglider::inputd::test {

inline std::string readData(const std::string& name)
{
    std::ifstream file(std::string(INPUT_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline const std::string alps = "evemu-devices/AlpsPS2 ALPS GlidePoint";

inline DeviceDescription alpsDescription()
{
    return *readEvemu(readData(alps + ".desc")).description;
}

} // namespace rimglider::inputd::test
