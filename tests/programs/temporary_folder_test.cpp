// zandrel2-dims's work in nec2c under any temporary folder: a long one with spaces in its name
// (nec2c refuses long file names), an empty TMPDIR, which means /tmp, and one that cannot be
// used, refused once with its path. The nec2c here replays recorded outputs.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using zandrel::test_support::DimsCommand;
using zandrel::test_support::RunCommandLineWithStderr;

using TemporaryFolder = zandrel::test_support::ScratchFolder;

// The shell's words that run zandrel2-dims with TMPDIR set to `folder` and the recorded nec2c;
// Qt's runtime folder goes to `runtime`, not into TMPDIR.
std::string Environment(const std::string& folder, const fs::path& runtime) {
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    return "TMPDIR='" + folder + "' XDG_RUNTIME_DIR='" + runtime.string() +
           "' PATH='" ZANDREL2_RECORDED_NEC2C ":/usr/bin:/bin' ";
}

// A folder 100 characters long, spaces in its name, in `parent`.
fs::path LongFolderWithSpaces(const fs::path& parent) {
    std::string name = "a temporary folder with spaces ";
    const std::size_t length = parent.string().size() + 1;
    while (length + name.size() < 100) {
        name += 'x';
    }
    fs::path folder = parent / name;
    fs::create_directory(folder);
    return folder;
}

// Each command's arguments, in `scratch`: every command that runs nec2c.
std::vector<std::vector<std::string>> Commands(const fs::path& scratch) {
    const std::string measured = (scratch / "measured.s1p").string();
    return {
        {"--model", "137.50"},
        {"--tune", "QuarterTurn", "137.50"},
        {"--touchstone", "QuarterTurn", "137.50", "-o", measured},
        {"--trim", "QuarterTurn", "137.50", "--measured", measured},
        {"--sheet", "QuarterTurn", "137.50", "-o", (scratch / "sheet.pdf").string()},
    };
}

TEST(DimsTemporaryFolder, RunsNec2cInALongFolderWithSpacesOrTmpForAnEmptyOneAndLeavesNothing) {
    const TemporaryFolder scratch;
    const fs::path folder = LongFolderWithSpaces(scratch.Path());
    ASSERT_EQ(folder.string().size(), 100u);
    for (const std::string& tmpdir : {folder.string(), std::string()}) {
        for (const std::vector<std::string>& arguments : Commands(scratch.Path())) {
            const auto result = RunCommandLineWithStderr(
                Environment(tmpdir, scratch.Path() / "runtime") + DimsCommand(arguments));
            EXPECT_EQ(result.status, 0)
                << arguments.front() << " in " << tmpdir << ": " << result.err;
            EXPECT_EQ(result.err, "") << arguments.front();
            EXPECT_TRUE(fs::is_empty(folder)) << arguments.front();
        }
    }
    EXPECT_GT(fs::file_size(scratch.Path() / "sheet.pdf"), 0u);
}

TEST(DimsTemporaryFolder, RefusesOneThatCannotBeUsedOnceWithItsPathInTheSameWordsForEveryCommand) {
    const TemporaryFolder scratch;
    const std::string missing = (scratch.Path() / "missing folder").string();
    const std::string words = "The NEC-2 deck could not be written: the temporary folder " +
                              missing + " (TMPDIR) does not exist";
    for (const std::vector<std::string>& arguments : Commands(scratch.Path())) {
        if (arguments.front() == "--trim" || arguments.front() == "--sheet") {
            continue;  // the first needs the Touchstone file; the second writes its sheet anyway
        }
        const auto result = RunCommandLineWithStderr(
            Environment(missing, scratch.Path() / "runtime") + DimsCommand(arguments));
        EXPECT_EQ(result.status, 1) << arguments.front() << ": " << result.err;
        const std::size_t said = result.err.find(words);
        EXPECT_NE(said, std::string::npos) << result.err;
        EXPECT_EQ(result.err.find(words, said + 1), std::string::npos) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_FALSE(fs::exists(missing));
}

// A failed run of the sensitivity's decks leaves no figure: that is said as a failure, never as
// "no resonance". The stand-in here replays the six styles' runs and fails every deck of several
// helices, which only the sensitivity writes.
TEST(DimsModelSensitivity, SaysAFailedRunAsAFailureNeverAsNoResonance) {
    const TemporaryFolder scratch;
    const fs::path engine = scratch.Path() / "engine";
    fs::create_directory(engine);
    const fs::path script = engine / "nec2c";
    {
        std::ofstream file(script);
        file << "#!/bin/sh\n"
                "if /bin/grep -q '^NX' \"$2\"; then echo 'nec2c: out of memory' >&2; exit 1; fi\n"
                "exec '" ZANDREL2_RECORDED_NEC2C "/nec2c' \"$@\"\n";
    }
    fs::permissions(script, fs::perms::owner_all);
    const std::string environment =
        "TMPDIR='" + scratch.Path().string() + "' PATH='" + engine.string() + ":/usr/bin:/bin' ";
    const auto table = RunCommandLineWithStderr(environment + DimsCommand({"--model", "137.50"}));
    EXPECT_EQ(table.status, 3) << table.err;
    // Five styles resonate in the sweep; the half-turn RCA style does not, and says so.
    std::size_t failures = 0;
    for (std::size_t at = table.out.find("not modelled: nec2c failed (see below)");
         at != std::string::npos; at = table.out.find("not modelled: nec2c failed", at + 1)) {
        ++failures;
    }
    EXPECT_EQ(failures, 5u) << table.out;
    EXPECT_EQ(table.out.find("no resonance in sweep"), table.out.rfind("no resonance in sweep"))
        << table.out;
    EXPECT_NE(table.err.find("the sensitivity of resonance could not be modelled"),
              std::string::npos)
        << table.err;

    // The same failure in the JSON: the sensitivity's error beside its null figures.
    for (const auto& entry : fs::directory_iterator(engine)) {
        if (entry.path().filename() != "nec2c") {
            fs::remove(entry.path());
        }
    }
    const auto json =
        RunCommandLineWithStderr(environment + DimsCommand({"--model", "--json", "137.50"}));
    const nlohmann::json sensitivity =
        nlohmann::json::parse(json.out)["styles"][0]["model"]["sensitivity_mhz_per_mm"];
    EXPECT_TRUE(sensitivity["small"].is_null());
    EXPECT_EQ(sensitivity["error"]["message"],
              "The NEC-2 engine nec2c failed: nec2c said: nec2c: out of memory");
}

}  // namespace
