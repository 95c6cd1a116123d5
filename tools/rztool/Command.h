// The subcommands of rztool: each lives in its own file under commands/
// and is listed once in CommandTable.cpp.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace rztool {

class Arguments;

// Exit codes of the tool.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1, // unreadable or refused input, or an output that could not be written
    kExitUsage = 2,  // unknown command, bad or missing arguments
};

struct Command {
    const char* name;
    const char* synopsis; // the arguments, e.g. "[FILE] --rect L,T,R,B [-o OUT]"
    const char* summary;  // one line for the command list
    int (*run)(Arguments& arguments);
    // Options that take no value, separated by spaces: "alpha mirror".
    const char* flags = "";
};

// Every registered command, in the order of the help text.
std::span<const Command* const> AllCommands();
// The command called name, or null.
const Command* FindCommand(std::string_view name);

// Thrown by commands to end the run with a message and an exit code.
class ToolError : public std::runtime_error {
public:
    ToolError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

inline ToolError UsageError(const std::string& message) {
    return {kExitUsage, message};
}
inline ToolError Failure(const std::string& message) {
    return {kExitFailed, message};
}

} // namespace rztool
