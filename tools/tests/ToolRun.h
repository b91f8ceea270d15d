// rimglider-trace run in-process, its exit status and both output streams kept.
#pragma once

#include "TraceTool.h"

#include <cstdlib>
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

} // namespace rimglider::test
