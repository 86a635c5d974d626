// Running zandrel2-dims as a script would: through the shell, with its output and exit status.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

struct FullRunResult {
    int status;
    std::string out;
    std::string err;
};

// Runs a shell command line and collects its standard output, standard error and exit status.
inline FullRunResult RunCommandLineWithStderr(const std::string& command) {
    std::string errPath =
        (std::filesystem::temp_directory_path() / "zandrel2-stderr-XXXXXX").string();
    const int descriptor = mkstemp(errPath.data());
    if (descriptor < 0) {
        return {-1, {}, {}};
    }
    close(descriptor);
    const RunResult run = RunCommandLine(command + " 2>'" + errPath + "'");
    std::ifstream file(errPath, std::ios::binary);
    std::string err{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::filesystem::remove(errPath);
    return {run.status, run.out, err};
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

#ifdef ZANDREL2_DIMS
// This build's zandrel2-dims with the given arguments, quoted for the shell.
inline std::string DimsCommand(const std::vector<std::string>& arguments) {
    return QuotedCommand(ZANDREL2_DIMS, arguments);
}

// Runs zandrel2-dims after the shell words in `prefix` (an environment, say), with its standard
// output and its standard error thrown away.
inline RunResult RunDims(const std::vector<std::string>& arguments,
                         const std::string& prefix = "") {
    return RunCommandLine(prefix + DimsCommand(arguments) + " 2>/dev/null");
}

// The same, with its standard error in place of its standard output.
inline RunResult RunDimsStderr(const std::vector<std::string>& arguments,
                               const std::string& prefix = "") {
    return RunCommandLine(prefix + DimsCommand(arguments) + " 2>&1 >/dev/null");
}
#endif

}  // namespace zandrel::test_support
