#include "model_commands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
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

int PrintDeck(const StyleEntry& style, std::string_view frequency, Polarisation sense) {
    try {
        std::cout << WriteNecDeck(BuildHelixGeometry(style, frequency, sense));
    } catch (const RuntimeError& error) {
        std::cerr << "zandrel2-dims: " << style.Caption << ": "
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

int ModelAllStyles(char* program, const std::string& frequency, bool json, Polarisation sense) {
    int qtArgc = 1;
    char* qtArgv[] = {program, nullptr};
    QCoreApplication application(qtArgc, qtArgv);
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
        runner.Start(frequency, sense);
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
    if (json) {
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

class DeckCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description("Prints the NEC-2 deck of one style, for nec2c, and nothing else.");
        AddStyle(app, style_);
        AddFrequency(app, frequency_);
        AddPolarisation(app, sense_);
    }

    int Run(char*) override { return PrintDeck(*style_, frequency_, sense_); }

  private:
    const StyleEntry* style_ = nullptr;
    std::string frequency_;
    Polarisation sense_ = Polarisation::Rhcp;
};

class ModelCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Models the six styles in nec2c, several at once, and prints their\n"
            "impedance, matching, gains and bandwidth.");
        AddFrequency(app, frequency_);
        AddJson(app, json_);
        AddPolarisation(app, sense_);
    }

    int Run(char* program) override {
        try {
            return ModelAllStyles(program, frequency_, json_, sense_);
        } catch (const std::bad_alloc&) {
            std::cerr << "zandrel2-dims: there was not enough memory to finish\n";
        } catch (const std::exception& error) {
            std::cerr << "zandrel2-dims: internal error: " << error.what() << "\n";
        }
        return 1;
    }

  private:
    std::string frequency_;
    bool json_ = false;
    Polarisation sense_ = Polarisation::Rhcp;
};

}  // namespace

std::unique_ptr<Command> MakeDeckCommand() { return std::make_unique<DeckCommand>(); }

std::unique_ptr<Command> MakeModelCommand() { return std::make_unique<ModelCommand>(); }

}  // namespace zandrel
