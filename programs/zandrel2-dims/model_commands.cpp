#include "model_commands.h"

#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "frequency_words.h"
#include "helix_dimensions.h"
#include "model_error.h"
#include "model_runner.h"
#include "model_texts.h"
#include "nec_deck.h"
#include "signal_catcher.h"

namespace zandrel {

namespace {

constexpr std::string_view Usage =
    "usage: zandrel2-dims --nec STYLE FREQUENCY [--lhcp]\n"
    "       zandrel2-dims --model [--json] [--lhcp] FREQUENCY\n"
    "--nec prints the NEC-2 deck of one style (QuarterTurn, HalfTurnRca, HalfTurnShort,\n"
    "HalfTurnTall, OneTurn, OneAndHalfTurn) for nec2c. --model runs nec2c on all six styles\n"
    "and prints their impedance, matching, gains and bandwidth. --lhcp models the mirror\n"
    "image, for left-hand circular polarisation.\n";

enum class Command { Deck, Model };

struct ModelArguments {
    Command Which = Command::Model;
    bool Json = false;
    Polarisation Sense = Polarisation::Rhcp;
    std::vector<std::string_view> Positional;
};

// The parsed arguments, or the exit status of a usage error or of --help.
std::optional<ModelArguments> ParseArguments(const std::vector<std::string_view>& arguments,
                                             int& status) {
    ModelArguments parsed;
    bool optionsEnded = false;
    for (const std::string_view argument : arguments) {
        if (optionsEnded || argument.size() < 2 || argument.substr(0, 2) != "--") {
            parsed.Positional.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--nec") {
            parsed.Which = Command::Deck;
        } else if (argument == "--model") {
            parsed.Which = Command::Model;
        } else if (argument == "--json") {
            parsed.Json = true;
        } else if (argument == "--lhcp") {
            parsed.Sense = Polarisation::Lhcp;
        } else if (argument == "--help") {
            std::cout << Usage;
            status = 0;
            return std::nullopt;
        } else {
            std::cerr << "zandrel2-dims: unknown option " << argument << "\n" << Usage;
            status = 2;
            return std::nullopt;
        }
    }
    const std::size_t wanted = parsed.Which == Command::Deck ? 2 : 1;
    const bool jsonMisplaced = parsed.Which == Command::Deck && parsed.Json;
    if (parsed.Positional.size() != wanted || jsonMisplaced) {
        std::cerr << "zandrel2-dims: "
                  << (parsed.Which == Command::Deck ? "--nec takes a style and a frequency"
                                                    : "--model takes one frequency")
                  << "\n"
                  << Usage;
        status = 2;
        return std::nullopt;
    }
    return parsed;
}

std::string Explain(const RuntimeError& error, FrequencyProblem problem) {
    std::string words = "run-time error " + std::to_string(error.Number()) + ": " + error.Message();
    if (!error.Detail().empty()) {
        words += ": " + error.Detail();
    }
    if (problem == FrequencyProblem::Other) {
        return words;
    }
    return FrequencyProblemInWords(problem) + " (" + words + ")";
}

int PrintDeck(const ModelArguments& arguments) {
    const std::string_view name = arguments.Positional[0];
    const std::string_view frequency = arguments.Positional[1];
    const auto style = std::find_if(Styles.begin(), Styles.end(),
                                    [name](const StyleEntry& s) { return s.Name == name; });
    if (style == Styles.end()) {
        std::cerr << "zandrel2-dims: unknown style " << name << "\n" << Usage;
        return 2;
    }
    try {
        std::cout << WriteNecDeck(BuildHelixGeometry(*style, frequency, arguments.Sense));
    } catch (const RuntimeError& error) {
        std::cerr << "zandrel2-dims: " << style->Caption << ": "
                  << Explain(error, ClassifyFrequencyError(error, frequency)) << "\n";
        return 1;
    }
    return 0;
}

nlohmann::ordered_json Optional(const std::optional<double>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json FiguresJson(const ModelFigures& f) {
    const char* component = f.Match.Kind == MatchingKind::Inductor    ? "inductor"
                            : f.Match.Kind == MatchingKind::Capacitor ? "capacitor"
                                                                      : "none";
    nlohmann::ordered_json model;
    model["impedance_ohm"] = {{"r", f.Impedance.real()}, {"x", f.Impedance.imag()}};
    model["resonance_mhz"] = Optional(f.ResonanceMHz);
    model["resonance_r_ohm"] = Optional(f.ResonanceROhm);
    model["matching"] = {{"component", component}, {"value", f.Match.Value}};
    model["bandwidth_2to1_mhz"] = {{"low", Optional(f.BandwidthLowMHz)},
                                   {"high", Optional(f.BandwidthHighMHz)}};
    model["zenith_rhcp_dbic"] = f.ZenithRhcpDbic;
    model["zenith_lhcp_dbic"] = f.ZenithLhcpDbic;
    model["zenith_sense"] = f.ZenithSense;
    model["horizon_rhcp_dbic"] = f.HorizonRhcpDbic;
    model["max_gain_dbi"] = f.MaxGainDbi;
    model["max_gain_elevation_deg"] = f.MaxGainElevationDeg;
    model["front_to_back_db"] = f.FrontToBackDb;
    model["axial_ratio_db"] = Optional(
        std::isfinite(f.AxialRatioDb) ? std::optional<double>(f.AxialRatioDb) : std::nullopt);
    return model;
}

std::string ErrorMessage(const RuntimeError& error) {
    return error.Detail().empty() ? error.Message() : error.Message() + ": " + error.Detail();
}

void PrintJson(const ModelRunner& runner) {
    nlohmann::ordered_json styles = nlohmann::ordered_json::array();
    for (const StyleModel& model : runner.Models()) {
        nlohmann::ordered_json style;
        style["style"] = model.Style->Name;
        style["caption"] = model.Style->Caption;
        if (model.Error) {
            style["error"] = {{"number", model.Error->Number()},
                              {"message", ErrorMessage(*model.Error)}};
        } else {
            style["model"] = FiguresJson(*model.Figures);
        }
        styles.push_back(std::move(style));
    }
    nlohmann::ordered_json document;
    document["frequency"] = runner.FrequencyText();
    document["engine"] = "nec2c";
    document["polarisation"] = PolarisationName(runner.Sense());
    document["styles"] = std::move(styles);
    std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void PrintTable(const ModelRunner& runner) {
    std::vector<std::vector<std::string>> rows;
    rows.emplace_back(ModelColumnHeaders.begin(), ModelColumnHeaders.end());
    for (const StyleModel& model : runner.Models()) {
        std::vector<std::string> row{std::string(model.Style->Caption)};
        if (model.Error) {
            row.push_back("error " + std::to_string(model.Error->Number()) + ": " +
                          model.Error->Message());
        } else {
            for (std::string& text : FigureTexts(*model.Figures, runner.Sense())) {
                row.push_back(std::move(text));
            }
        }
        rows.push_back(std::move(row));
    }
    std::vector<std::size_t> widths(ModelColumnHeaders.size(), 0);
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t i = 0; i + 1 < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    std::cout << "NEC-2 model at " << runner.FrequencyText() << " MHz, "
              << PolarisationName(runner.Sense()) << ", nec2c\n\n";
    for (const std::vector<std::string>& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const bool last = i + 1 == row.size();
            line += row[i];
            if (!last) {
                line += std::string(widths[i] - row[i].size() + 2, ' ');
            }
        }
        std::cout << line << '\n';
    }
}

int ModelAllStyles(int argc, char** argv, const ModelArguments& arguments) {
    QCoreApplication application(argc, argv);
    const std::string frequency(arguments.Positional[0]);
    // A signal to end stops the runs, which removes their folders, and ends with 128 + it.
    SignalCatcher endSignals;
    QObject::connect(&endSignals, &SignalCatcher::SignalCaught, &application,
                     [] { QCoreApplication::quit(); });
    ModelRunner runner;
    const bool showProgress = isatty(STDERR_FILENO) != 0;
    QObject::connect(&runner, &ModelRunner::StyleFinished, [&runner, showProgress] {
        if (showProgress) {
            std::cerr << "\rzandrel2-dims: modelled " << runner.FinishedCount() << " of "
                      << runner.Models().size() << " styles" << std::flush;
        }
    });
    QObject::connect(&runner, &ModelRunner::AllFinished, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    try {
        runner.Start(frequency, arguments.Sense);
    } catch (const RuntimeError& error) {
        std::cerr << "zandrel2-dims: " << ErrorMessage(error) << "\n";
        return IsEngineError(error) ? 3 : 1;
    }
    if (runner.IsRunning() && endSignals.Caught() == 0) {
        QCoreApplication::exec();
    }
    if (showProgress) {
        std::cerr << "\n";
    }
    if (const int caught = endSignals.Caught()) {
        runner.Cancel();
        std::cerr << "zandrel2-dims: " << strsignal(caught) << "; the runs were stopped\n";
        return 128 + caught;
    }
    if (arguments.Json) {
        PrintJson(runner);
    } else {
        PrintTable(runner);
    }
    int status = 0;
    for (const StyleModel& model : runner.Models()) {
        if (model.Error) {
            std::cerr << "zandrel2-dims: " << model.Style->Caption << ": "
                      << Explain(*model.Error, model.Problem) << "\n";
            status = std::max(status, IsEngineError(*model.Error) ? 3 : 1);
        }
    }
    return status;
}

}  // namespace

bool IsModelCommand(const std::vector<std::string_view>& arguments) {
    for (const std::string_view argument : arguments) {
        if (argument == "--") {
            return false;
        }
        if (argument == "--nec" || argument == "--model") {
            return true;
        }
    }
    return false;
}

int RunModelCommand(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    int status = 0;
    const std::optional<ModelArguments> parsed = ParseArguments(arguments, status);
    if (!parsed) {
        return status;
    }
    if (parsed->Which == Command::Deck) {
        return PrintDeck(*parsed);
    }
    try {
        return ModelAllStyles(argc, argv, *parsed);
    } catch (const std::bad_alloc&) {
        std::cerr << "zandrel2-dims: there was not enough memory to finish\n";
    } catch (const std::exception& error) {
        std::cerr << "zandrel2-dims: internal error: " << error.what() << "\n";
    }
    return 1;
}

}  // namespace zandrel
