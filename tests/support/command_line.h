// Running zandrel2-dims as a script would: through the shell, with its output and exit status.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace zandrel::test_support {

struct RunResult {
    int status;
    std::string out;
};

// Runs a shell command line and collects its standard output and exit status.
inline RunResult RunCommandLine(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {-1, {}};
    }
    std::string out;
    std::array<char, 4096> buffer{};
    std::size_t read = 0;
    while ((read = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        out.append(buffer.data(), read);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// The command line of `program` with the given arguments, each quoted for the shell.
inline std::string QuotedCommand(const std::string& program,
                                 const std::vector<std::string>& arguments) {
    std::string command = program;
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";
    }
    return command;
}

}  // namespace zandrel::test_support
