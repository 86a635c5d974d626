// Runs nec2c on a deck in a private temporary folder and returns its output, for the tests.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

extern char** environ;

namespace zandrel::test_support {

struct Nec2cRun {
    int Status = -1;
    std::string Output;
};

inline Nec2cRun RunNec2c(const std::string& deck) {
    std::string folderTemplate =
        (std::filesystem::temp_directory_path() / "zandrel2-model-test-XXXXXX").string();
    if (mkdtemp(folderTemplate.data()) == nullptr) {
        throw std::runtime_error("no temporary folder");
    }
    const std::filesystem::path folder(folderTemplate);
    const std::string input = (folder / "deck.nec").string();
    const std::string output = (folder / "deck.out").string();
    std::ofstream(input) << deck;
    std::string program = "nec2c";
    std::string inputFlag = "-i";
    std::string outputFlag = "-o";
    char* arguments[] = {program.data(),
                         inputFlag.data(),
                         const_cast<char*>(input.c_str()),
                         outputFlag.data(),
                         const_cast<char*>(output.c_str()),
                         nullptr};
    pid_t child = 0;
    Nec2cRun run;
    if (posix_spawnp(&child, "nec2c", nullptr, nullptr, arguments, environ) == 0) {
        int status = 0;
        waitpid(child, &status, 0);
        run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::stringstream text;
        text << std::ifstream(output).rdbuf();
        run.Output = text.str();
    }
    std::filesystem::remove_all(folder);
    return run;
}

}  // namespace zandrel::test_support
