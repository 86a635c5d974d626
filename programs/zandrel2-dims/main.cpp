// zandrel2-dims: the helix dimensions of every style for one frequency, as a table or as JSON.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "frequency_words.h"
#include "helix_dimensions.h"
#include "model_commands.h"
#include "runtime_error.h"
#include "sheet_command.h"

namespace zandrel {
namespace {

constexpr std::string_view Usage =
    "usage: zandrel2-dims [--json] [--] FREQUENCY\n"
    "       zandrel2-dims --nec STYLE FREQUENCY [--lhcp]\n"
    "       zandrel2-dims --model [--json] [--lhcp] FREQUENCY\n"
    "       zandrel2-dims --sheet STYLE FREQUENCY [--lhcp] [--mast-diameter MM]\n"
    "                     [--paper a4|letter] -o FILE.pdf\n"
    "Prints the construction dimensions, in mm, of the six helix styles for a design\n"
    "frequency in MHz (for example 137.50); --nec, --model and --sheet print a style's NEC-2\n"
    "deck, model every style in nec2c, or write a style's construction sheet.\n";

struct StyleResult {
    const StyleEntry* Entry;
    std::vector<std::string> Texts;  // display order; empty when the computation failed
    std::optional<RuntimeError> Error;
    FrequencyProblem Problem = FrequencyProblem::Other;  // what was wrong, when it failed
};

std::vector<StyleResult> ComputeAllStyles(std::string_view frequencyText) {
    std::vector<StyleResult> results;
    for (const StyleEntry& entry : Styles) {
        StyleResult result{&entry, {}, std::nullopt};
        try {
            ComputeHelixDimensions(frequencyText, entry.Constants, Module1);
            for (const DisplayedDimension& shown : DisplayOrder) {
                result.Texts.push_back(FormatDimension(Module1.*shown.Field));
            }
        } catch (const RuntimeError& error) {
            result.Error = error;
            result.Problem = ClassifyFrequencyError(error, frequencyText);
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

int Run(const std::vector<std::string_view>& arguments) {
    bool json = false;
    bool optionsEnded = false;
    std::optional<std::string_view> frequency;
    for (const std::string_view argument : arguments) {
        if (!optionsEnded && argument == "--json") {
            json = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            std::cout << Usage;
            return 0;
        } else if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 1 && argument.substr(0, 2) == "--") {
            std::cerr << "zandrel2-dims: unknown option " << argument << "\n" << Usage;
            return 2;
        } else if (frequency) {
            std::cerr << "zandrel2-dims: give exactly one frequency\n" << Usage;
            return 2;
        } else {
            frequency = argument;
        }
    }
    if (!frequency) {
        std::cerr << "zandrel2-dims: give a frequency in MHz\n" << Usage;
        return 2;
    }

    const std::vector<StyleResult> results = ComputeAllStyles(*frequency);
    if (json) {
        PrintJson(results, *frequency);
    } else {
        PrintTable(results, *frequency);
    }
    int status = 0;
    for (const StyleResult& result : results) {
        if (result.Error) {
            std::cerr << "zandrel2-dims: " << result.Entry->Caption << ": "
                      << FrequencyProblemInWords(result.Problem) << " (run-time error "
                      << result.Error->Number() << ": " << result.Error->Message() << ")\n";
            status = 1;
        }
    }
    return status;
}

}  // namespace
}  // namespace zandrel

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && arguments.front() == zandrel::SheetOption) {
        return zandrel::RunSheetCommand(argc, argv);
    }
    const int status = zandrel::IsModelCommand(arguments) ? zandrel::RunModelCommand(argc, argv)
                                                          : zandrel::Run(arguments);
    // A table that did not reach its reader (a full disk, a closed pipe) is a failure.
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::cerr << "zandrel2-dims: the output could not be written: " << std::strerror(errno)
                  << '\n';
        return status == 0 ? 1 : status;
    }
    return status;
}
