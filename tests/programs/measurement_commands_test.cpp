// zandrel2-dims --trim's measurement as a user gives it: a file far larger than its points in
// little memory, standard input or a pipe, and its name said once and safely in every message.
#include <gtest/gtest.h>
#include <stdlib.h>

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

void WriteRepeated(const fs::path& path, char c, std::size_t count) {
    std::ofstream file(path, std::ios::binary);
    const std::string block(1 << 20, c);
    for (std::size_t left = count; left > 0;) {
        const std::size_t part = std::min(left, block.size());
        file.write(block.data(), static_cast<std::streamsize>(part));
        left -= part;
    }
}

// No nec2c: these commands end at the measurement, before any run.
const std::string NoEngine = "PATH=/nonexistent ";

std::vector<std::string> Trim(const std::string& measured) {
    return {"--trim", "QuarterTurn", "137.50", "--measured", measured};
}

TEST(DimsTrimMeasurement, RefusesHugeFilesOfNothingWithinA256MegabyteAddressSpace) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
#endif
    const TemporaryFolder folder;
    const fs::path newlines = folder.Path() / "newlines.s1p";
    WriteRepeated(newlines, '\n', std::size_t{63} << 20);
    const fs::path commas = folder.Path() / "commas.csv";
    WriteRepeated(commas, ',', std::size_t{60} << 20);
    const std::string limit = "ulimit -v 262144; ";
    const auto empty =
        RunCommandLineWithStderr(limit + NoEngine + DimsCommand(Trim(newlines.string())));
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "zandrel2-dims: " + newlines.string() +
                             ": The measurement file could not be read: line 66060288: the file "
                             "holds no points\n");
    const auto wide =
        RunCommandLineWithStderr(limit + NoEngine + DimsCommand(Trim(commas.string())));
    EXPECT_EQ(wide.status, 1);
    // A line of commas alone is a header of no column's name, read past as any header is.
    EXPECT_EQ(wide.err, "zandrel2-dims: " + commas.string() +
                            ": The measurement file could not be read: line 1: the file ends "
                            "after 0 points; at least 5 are needed\n");
}

// The five points of a measurement far above the design frequency, in MHz.
const std::string FarAbove = "# MHz S RI R 50\n400 0 0\n401 0 0\n402 0 0\n403 0 0\n404 0 0\n";

TEST(DimsTrimMeasurement, ReadsStandardInputForADashAndAPipeAsAStream) {
    const TemporaryFolder folder;
    const fs::path file = folder.Path() / "far.s1p";
    std::ofstream(file, std::ios::binary) << FarAbove;
    // Read whole, the measurement is refused for its band: the reading itself went well.
    for (const std::string& command :
         {NoEngine + DimsCommand(Trim("-")) + " < '" + file.string() + "'",
          "cat '" + file.string() + "' | " + NoEngine + DimsCommand(Trim("/dev/stdin"))}) {
        const auto result = RunCommandLineWithStderr(command);
        EXPECT_EQ(result.status, 1) << command;
        EXPECT_NE(result.err.find("of the measured points from 400.000 to 404.000 MHz lie within"),
                  std::string::npos)
            << command << ": " << result.err;
    }
}

TEST(DimsTrimMeasurement, NamesTheFileOnceWithItsControlCharactersReplaced) {
    const TemporaryFolder folder;
    const fs::path far = folder.Path() / "vna\x1b]0;owned\x07.s1p";
    std::ofstream(far, std::ios::binary) << FarAbove;
    const auto result = RunCommandLineWithStderr(NoEngine + DimsCommand(Trim(far.string())));
    EXPECT_EQ(result.status, 1) << result.err;
    const std::string said = "zandrel2-dims: " + folder.Path().string() + "/vna?]0;owned?.s1p: ";
    EXPECT_EQ(result.err.rfind(said, 0), 0u) << result.err;
    EXPECT_NE(result.err.find("lie within"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(folder.Path().string(), said.size()), std::string::npos);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
}

}  // namespace
