// zandrel2-dims: the helix dimensions of every style for one frequency, as a table or as JSON;
// --nec, --model, --pass, --sheet, --tune, --trim, --touchstone and --measure choose the other
// commands.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command_line.h"
#include "error_words.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "model_commands.h"
#include "pass_command.h"
#include "runtime_error.h"
#include "sheet_command.h"
#include "tune_commands.h"
#include "vna_commands.h"

namespace zandrel {
namespace {

struct StyleResult {
    const StyleEntry* Entry;
    std::vector<std::string> Texts;  // display order; empty when the computation failed
    std::optional<RuntimeError> Error;
};

std::vector<StyleResult> ComputeAllStyles(std::string_view frequencyText) {
    std::vector<StyleResult> results;
    for (const StyleEntry& entry : Styles) {
        StyleResult result{&entry, {}, std::nullopt};
        try {
            HelixDimensions dimensions;
            ComputeHelixDimensions(frequencyText, entry.Constants, dimensions);
            for (const DisplayedDimension& shown : DisplayOrder) {
                result.Texts.push_back(FormatDimension(dimensions.*shown.Field));
            }
        } catch (const RuntimeError& error) {
            result.Error = error;
        }
        results.push_back(std::move(result));
    }
    return results;
}

void PrintTable(const std::vector<StyleResult>& results, std::string_view frequencyText) {
    std::size_t labelWidth = 0;
    for (const DisplayedDimension& shown : DisplayOrder) {
        labelWidth = std::max(labelWidth, shown.Name.size());
    }
    std::vector<std::size_t> widths;
    for (const StyleResult& result : results) {
        std::size_t width = result.Entry->Caption.size();
        for (const std::string& text : result.Texts) {
            width = std::max(width, text.size());
        }
        widths.push_back(width);
    }
    auto pad = [](std::string_view text, std::size_t width) {
        return std::string(width - text.size(), ' ') + std::string(text);
    };
    std::cout << "Dimensions in mm at " << frequencyText << " MHz\n\n"
              << std::string(labelWidth, ' ');
    for (std::size_t i = 0; i < results.size(); ++i) {
        std::cout << "  " << pad(results[i].Entry->Caption, widths[i]);
    }
    std::cout << '\n';
    for (std::size_t row = 0; row < DisplayOrder.size(); ++row) {
        std::cout << DisplayOrder[row].Name
                  << std::string(labelWidth - DisplayOrder[row].Name.size(), ' ');
        for (std::size_t i = 0; i < results.size(); ++i) {
            const StyleResult& result = results[i];
            std::cout << "  " << pad(result.Error ? "-" : result.Texts[row], widths[i]);
        }
        std::cout << '\n';
    }
}

void PrintJson(const std::vector<StyleResult>& results, std::string_view frequencyText) {
    nlohmann::ordered_json styles = nlohmann::ordered_json::array();
    for (const StyleResult& result : results) {
        nlohmann::ordered_json style;
        style["style"] = result.Entry->Name;
        style["caption"] = result.Entry->Caption;
        if (result.Error) {
            style["error"] = {{"number", result.Error->Number()},
                              {"message", result.Error->Message()}};
        } else {
            nlohmann::ordered_json dimensions;
            for (std::size_t row = 0; row < DisplayOrder.size(); ++row) {
                dimensions[std::string(DisplayOrder[row].Name)] = result.Texts[row];
            }
            style["dimensions"] = std::move(dimensions);
        }
        styles.push_back(std::move(style));
    }
    nlohmann::ordered_json document;
    document["frequency"] = frequencyText;
    document["styles"] = std::move(styles);
    // Replace invalid UTF-8 in the echoed frequency rather than fail on it.
    std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// The dimensions of every style for one frequency: the command without a command option.
class DimensionsCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Prints the construction dimensions, in mm, of the six helix styles for a design\n"
            "frequency in MHz (for example 137.50), as a table with one column per style.");
        AddFrequency(app, frequency_);
        AddJson(app, json_);
    }

    int Run(char*) override {
        const std::vector<StyleResult> results = ComputeAllStyles(frequency_);
        if (json_) {
            PrintJson(results, frequency_);
        } else {
            PrintTable(results, frequency_);
        }
        int status = 0;
        for (const StyleResult& result : results) {
            if (result.Error) {
                const FrequencyProblem problem = ClassifyFrequencyError(*result.Error, frequency_);
                std::cerr << "zandrel2-dims: " << result.Entry->Caption << ": "
                          << ExplainedError(FrequencyProblemPhrase(problem), *result.Error) << "\n";
                status = 1;
            }
        }
        return status;
    }

  private:
    std::string frequency_;
    bool json_ = false;
};

std::unique_ptr<Command> MakeDimensionsCommand() { return std::make_unique<DimensionsCommand>(); }

}  // namespace
}  // namespace zandrel

int main(int argc, char** argv) {
    using namespace zandrel;
    const std::array<CommandChoice, 9> commands{{
        {"", MakeDimensionsCommand},
        {"--nec", MakeDeckCommand},
        {"--model", MakeModelCommand},
        {"--pass", MakePassCommand},
        {"--sheet", MakeSheetCommand},
        {"--tune", MakeTuneCommand},
        {"--trim", MakeTrimCommand},
        {"--touchstone", MakeTouchstoneCommand},
        {"--measure", MakeMeasureCommand},
    }};
    const int status = RunCommandLine(argc, argv, commands);
    // Output that did not reach its reader (a full disk, a closed pipe) is a failure, help
    // included.
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::cerr << "zandrel2-dims: the output could not be written: " << std::strerror(errno)
                  << '\n';
        return status == 0 ? 1 : status;
    }
    return status;
}
