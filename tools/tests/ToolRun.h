// rimglider-trace run in-process, its exit status and both output streams kept.
#pragma once

#include "TraceTool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <future>
#include <sstream>
#include <string>
#include <vector>

namespace rimglider::test {

struct ToolRun {
    int status;
    std::string out;
    std::string err;
};

inline ToolRun run(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = runTraceTool(args, out, err);
    return {status, out.str(), err.str()};
}

// The tool with RIMGLIDER_INPUTD_SOCKET pointing at `socket`, on a thread of its own.
inline std::future<ToolRun> runAsync(std::vector<std::string> args, const std::string& socket)
{
    ::setenv("RIMGLIDER_INPUTD_SOCKET", socket.c_str(), 1);
    return std::async(std::launch::async, [args = std::move(args)] { return run(args); });
}

// An empty folder in the build tree named after the running test.
inline std::filesystem::path scratchFolder(const std::string& prefix)
{
    const auto path = std::filesystem::path(TEST_SCRATCH_DIR) /
                      (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

} // namespace rimglider::test
