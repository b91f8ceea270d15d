// The text of a file under input/tests/data, for tests and benchmarks.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace rimglider::test {

inline std::string readData(const std::string& name)
{
    std::ifstream file(std::string(INPUT_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace rimglider::test
