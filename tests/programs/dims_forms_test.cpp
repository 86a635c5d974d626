// Every zandrel2-dims command that the README and the manual page show, against the output,
// standard error and exit status recorded in dims_forms/ from an earlier build: a change to the
// command line that alters a documented form's result fails here. With
// ZANDREL2_RECORD_DIMS_FORMS=FOLDER the test writes what the program gives into FOLDER instead.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

namespace fs = std::filesystem;
using zandrel::test_support::FullRunResult;
using zandrel::test_support::RunCommandLine;
using zandrel::test_support::RunCommandLineWithStderr;

// Stands for the PDF that a --sheet form writes, in its arguments and in what it prints.
constexpr const char* PdfPlaceholder = "@PDF@";

struct Form {
    const char* name;
    std::vector<std::string> arguments;
};

// The plain calculator: the table and the JSON object, documented forms and exit statuses.
const Form CalculatorForms[] = {
    {"Table", {"137.50"}},
    {"TableAfterEndOfOptions", {"--", "137.50"}},
    {"Json", {"--json", "137.50"}},
    {"JsonOfTheManualsExample", {"--json", "145.8"}},
    {"JsonAfterEndOfOptions", {"--json", "--", "137.50"}},
    {"JsonAfterTheFrequency", {"137.50", "--json"}},
    {"NegativeFrequency", {"-137.5"}},
    {"NegativeFrequencyAfterEndOfOptions", {"--", "-137.5"}},
    {"JsonOfANegativeFrequency", {"--json", "-137.5"}},
    {"ExponentAndSpaces", {" 1.375E+2 "}},
    {"ScientificResults", {"0.001"}},
    {"FrequencyThatIsNotANumber", {"abc"}},
    {"ZeroFrequency", {"0"}},
    {"FrequencyTooLarge", {"1E+39"}},
    {"JsonOfAFrequencyTooSmallForTwoStyles", {"--json", "5e-15"}},
};

// The NEC-2 deck and the model in nec2c.
const Form ModelForms[] = {
    {"Deck", {"--nec", "QuarterTurn", "137.50"}},
    {"DeckLhcp", {"--nec", "OneTurn", "137.50", "--lhcp"}},
    {"DeckOfAFrequencyThatIsNotANumber", {"--nec", "OneTurn", "abc"}},
    {"Model", {"--model", "137.50"}},
    {"ModelJsonLhcp", {"--model", "--json", "--lhcp", "137.50"}},
    {"DeckOfTheBuildersConductor",
     {"--nec", "HalfTurnTall", "137.50", "--conductor-diameter", "2"}},
    {"ModelOnA75OhmLineWithTheBuildersConductor",
     {"--model", "--z0", "75", "--velocity-factor", "0.8", "--conductor-diameter", "6", "137.50"}},
    {"ModelOfAFrequencyThatIsNotANumber", {"--model", "abc"}},
    {"Tune", {"--tune", "HalfTurnTall", "137.50"}},
    {"TuneOfAFrequencyThatIsNotANumber", {"--tune", "OneTurn", "abc"}},
    {"TouchstoneOnTheStandardOutput", {"--touchstone", "HalfTurnTall", "137.50", "-o", "-"}},
    {"ModelJsonOfAFrequencyThatIsNotANumber", {"--model", "--json", "abc"}},
    {"Pass", {"--pass", "137.50"}},
    {"PassJsonOfTheSpaceStation", {"--pass", "--json", "145.80", "--altitude-km", "420"}},
    {"PassOfAnAltitudeBelowAnyOrbit", {"--pass", "137.50", "--altitude-km", "100"}},
    {"TuneForThePass", {"--tune", "HalfTurnRca", "137.50", "--objective", "pass"}},
};

// The construction sheet; its PDF is compared as the text and page size that poppler reads.
const Form SheetForms[] = {
    {"Sheet", {"--sheet", "HalfTurnTall", "137.50", "-o", PdfPlaceholder}},
    {"SheetWithEveryOption",
     {"--sheet", "OneTurn", "137.50", "--lhcp", "--mast-diameter", "40", "--paper", "letter", "-o",
      PdfPlaceholder}},
    {"SheetOfAFrequencyThatIsNotANumber", {"--sheet", "OneTurn", "abc", "-o", PdfPlaceholder}},
    {"SheetOfTheBuildersPartsInInches",
     {"--sheet", "HalfTurnTall", "137.50", "--conductor-diameter", "6", "--bend-radius", "30",
      "--units", "in", "-o", PdfPlaceholder}},
    {"SheetOfAMastTooWideForTheLoops", {"--sheet", "OneTurn", "1691", "-o", PdfPlaceholder}},
    {"SheetTuned", {"--sheet", "QuarterTurn", "137.50", "--tuned", "-o", PdfPlaceholder}},
    {"SheetTunedForThePass",
     {"--sheet", "OneAndHalfTurn", "137.50", "--tuned", "--objective", "pass", "-o",
      PdfPlaceholder}},
};

void PrintTo(const Form& form, std::ostream* out) { *out << form.name; }

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// What poppler reads from a sheet: its page count and size, then its text, with the day it
// was made left out.
std::string PdfReadBack(const fs::path& pdf) {
    if (!fs::exists(pdf)) {
        return "no file\n";
    }
    const std::string quoted = "'" + pdf.string() + "'";
    const std::string info =
        RunCommandLine("pdfinfo " + quoted + " | grep -E '^(Pages|Page size):'").out;
    const std::string text = RunCommandLine("pdftotext -layout " + quoted + " -").out;
    return info + std::regex_replace(text, std::regex("Date [0-9]{4}-[0-9]{2}-[0-9]{2}"),
                                     "Date YYYY-MM-DD");
}

class DimsDocumentedForm : public testing::TestWithParam<Form> {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("zandrel2-dims-forms-" + std::to_string(getpid()) + "-" + GetParam().name);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
};

TEST_P(DimsDocumentedForm, KeepsItsRecordedOutputAndExitStatus) {
    const Form& form = GetParam();
    const fs::path pdf = folder_ / "qfh.pdf";
    std::vector<std::string> arguments = form.arguments;
    bool writesPdf = false;
    for (std::string& argument : arguments) {
        if (argument == PdfPlaceholder) {
            argument = pdf.string();
            writesPdf = true;
        }
    }
    const FullRunResult run = RunCommandLineWithStderr(
        zandrel::test_support::QuotedCommand(ZANDREL2_DIMS, arguments) + " </dev/null");
    const std::string err = ReplaceAll(run.err, pdf.string(), PdfPlaceholder);
    const std::string status = std::to_string(run.status) + "\n";

    const std::string base = form.name;
    if (const char* record = std::getenv("ZANDREL2_RECORD_DIMS_FORMS")) {
        const fs::path into(record);
        fs::create_directories(into);
        WriteFile(into / (base + ".stdout"), run.out);
        WriteFile(into / (base + ".stderr"), err);
        WriteFile(into / (base + ".status"), status);
        if (writesPdf) {
            WriteFile(into / (base + ".pdf.txt"), PdfReadBack(pdf));
        }
        GTEST_SKIP() << "recorded into " << into;
    }

    const fs::path recorded = fs::path(ZANDREL2_DIMS_FORMS) / base;
    ASSERT_TRUE(fs::exists(recorded.string() + ".status")) << "nothing recorded for " << base;
    EXPECT_EQ(status, ReadFile(recorded.string() + ".status"));
    EXPECT_EQ(run.out, ReadFile(recorded.string() + ".stdout"));
    EXPECT_EQ(err, ReadFile(recorded.string() + ".stderr"));
    if (writesPdf) {
        EXPECT_EQ(PdfReadBack(pdf), ReadFile(recorded.string() + ".pdf.txt"));
    }
}

std::string FormName(const testing::TestParamInfo<Form>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Calculator, DimsDocumentedForm, testing::ValuesIn(CalculatorForms),
                         FormName);
INSTANTIATE_TEST_SUITE_P(Model, DimsDocumentedForm, testing::ValuesIn(ModelForms), FormName);
INSTANTIATE_TEST_SUITE_P(Sheet, DimsDocumentedForm, testing::ValuesIn(SheetForms), FormName);

}  // namespace
