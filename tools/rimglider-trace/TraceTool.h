// The rimglider-trace command line: show, replay and judge trace files, import recordings and
// record live traces.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace rimglider {

// Exit statuses scripts can rely on.
enum ExitStatus : int {
    exitSuccess = 0,  // done; for judge: the trace passed
    exitProblems = 1, // judge only: the trace has problems
    exitFailure = 2,  // unreadable file, corrupt trace, invalid configuration or bad usage
};

// Runs one command; `args` excludes the program name. Errors go to `err` as one line each;
// `record` shows its running count there when `err` is a terminal.
int runTraceTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 bool errIsTerminal = false);

} // namespace rimglider
