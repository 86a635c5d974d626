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
#include <vector>

#include "error_words.h"
#include "helix_dimensions.h"
#include "model_error.h"
#include "model_runner.h"
#include "model_texts.h"
#include "nec_deck.h"
#include "loop_tuning.h"
#include "sensitivity_runner.h"
#include "signal_catcher.h"
#include "text_output.h"
#include "tune_texts.h"
#include "resonance_sensitivity.h"

namespace zandrel {

namespace {

int PrintDeck(const StyleEntry& style, std::string_view frequency, Polarisation sense,
              const GeometryOptions& options) {
    try {
        std::cout << WriteNecDeck(BuildHelixGeometry(style, frequency, sense, options));
    } catch (const RuntimeError& error) {
        std::cerr << "zandrel2-dims: " << style.Caption << ": "
                  << FrequencyOrRunTimeErrorPhrase(error, frequency) << "\n";
        return 1;
    }
    return 0;
}

nlohmann::ordered_json PartJson(const Matching& part) {
    return {{"component", ComponentName(part)}, {"value", part.Value}};
}

}  // namespace

nlohmann::ordered_json InstallationJson(const Installation& i) {
    return {
        {"ground", i.GroundName},
        {"permittivity", i.Ground == GroundKind::Real ? nlohmann::ordered_json(i.Permittivity)
                                                      : nlohmann::ordered_json(nullptr)},
        {"conductivity", i.Ground == GroundKind::Real ? nlohmann::ordered_json(i.ConductivitySPerM)
                                                      : nlohmann::ordered_json(nullptr)},
        {"height_m",
         i.HasGround() ? nlohmann::ordered_json(i.HeightM) : nlohmann::ordered_json(nullptr)},
        {"mast", MastName(i.Mast)},
        {"mast_diameter_mm", i.Mast == MastKind::Metal ? nlohmann::ordered_json(i.MastDiameterMm)
                                                       : nlohmann::ordered_json(nullptr)},
        {"mast_length_m", i.Mast == MastKind::Metal || i.Feedline != FeedlineKind::None
                              ? nlohmann::ordered_json(i.BelowAntennaM())
                              : nlohmann::ordered_json(nullptr)},
        {"feedline", FeedlineName(i.Feedline)},
        {"choke_ohm", i.Feedline == FeedlineKind::Choked ? nlohmann::ordered_json(i.ChokeOhm)
                                                         : nlohmann::ordered_json(nullptr)}};
}

nlohmann::ordered_json FiguresJson(const ModelFigures& f, const ResonanceSensitivity* sensitivity) {
    const std::string_view component = ComponentName(f.Match);
    nlohmann::ordered_json model;
    model["impedance_ohm"] = {{"r", f.Impedance.real()}, {"x", f.Impedance.imag()}};
    model["resonance_mhz"] = OptionalJson(f.ResonanceMHz);
    model["resonance_r_ohm"] = OptionalJson(f.ResonanceROhm);
    model["matching"] = {{"component", component}, {"value", f.Match.Value}};
    model["bandwidth_2to1_mhz"] = {{"low", OptionalJson(f.BandwidthLowMHz)},
                                   {"high", OptionalJson(f.BandwidthHighMHz)}};
    model["zenith_rhcp_dbic"] = f.ZenithRhcpDbic;
    model["zenith_lhcp_dbic"] = f.ZenithLhcpDbic;
    model["zenith_sense"] = f.ZenithSense;
    model["horizon_rhcp_dbic"] = OptionalJson(f.HorizonRhcpDbic);
    model["max_gain_dbi"] = f.MaxGainDbi;
    model["max_gain_elevation_deg"] = f.MaxGainElevationDeg;
    model["front_to_back_db"] = OptionalJson(f.FrontToBackDb);
    model["axial_ratio_db"] = OptionalJson(
        std::isfinite(f.AxialRatioDb) ? std::optional<double>(f.AxialRatioDb) : std::nullopt);
    model["loop_phase_deg"] = f.Phasing.PhaseDeg;
    model["loop_current_ratio"] = f.Phasing.CurrentRatio;
    const LineMatch& line = f.Line;
    model["z0_ohm"] = line.Z0Ohm;
    model["swr_z0_unmatched"] = OptionalJson(
        std::isfinite(line.SwrUnmatched) ? std::optional<double>(line.SwrUnmatched) : std::nullopt);
    model["l_network"] = {{"series", PartJson(line.Network.Series)},
                          {"shunt", PartJson(line.Network.Shunt)},
                          {"shunt_side", ShuntSideName(line.Network.Side)}};
    model["bandwidth_2to1_z0_mhz"] = {{"low", OptionalJson(line.BandwidthLowMHz)},
                                      {"high", OptionalJson(line.BandwidthHighMHz)}};
    for (const PartAdvice& advice : line.Parts) {
        nlohmann::ordered_json part = PartJson(advice.Part);
        part["part"] = advice.Series ? "series" : "shunt";
        part["swr_z0_without"] = advice.SwrWithout;
        if (advice.LeftOut) {
            model["l_network"]["left_out"] = std::move(part);
        } else {
            part["stub_length_mm"] = advice.StubLengthMm;
            part["stub"] = advice.Part.Kind == MatchingKind::Inductor ? "shorted" : "open";
            model["l_network"]["too_small"].push_back(std::move(part));
        }
    }
    model["quarter_wave"] = {{"line_ohm", line.Transformer.LineOhm},
                             {"coax_ohm", line.Transformer.CoaxOhm},
                             {"swr_z0", line.Transformer.SwrZ0},
                             {"length_mm", line.Transformer.LengthMm}};
    if (const std::optional<QuarterWave>& pair = line.ParallelTransformer) {
        model["quarter_wave"]["parallel"] = {{"coax_ohm", 2.0 * pair->CoaxOhm},
                                             {"line_ohm", pair->CoaxOhm},
                                             {"swr_z0", pair->SwrZ0}};
    }
    model["horizon_lhcp_dbic"] = OptionalJson(f.HorizonLhcpDbic);
    nlohmann::ordered_json elevations = nlohmann::ordered_json::array();
    nlohmann::ordered_json rhcp = nlohmann::ordered_json::array();
    nlohmann::ordered_json lhcp = nlohmann::ordered_json::array();
    for (const ElevationGain& gain : f.ElevationGains) {
        elevations.push_back(gain.ElevationDeg);
        rhcp.push_back(gain.RhcpDbic);
        lhcp.push_back(gain.LhcpDbic);
    }
    model["elevation_gains"] = {
        {"elevations_deg", elevations}, {"rhcp_dbic", rhcp}, {"lhcp_dbic", lhcp}};
    if (sensitivity != nullptr) {
        model["sensitivity_mhz_per_mm"] = {{"small", OptionalJson(sensitivity->SmallMHzPerMm)},
                                           {"large", OptionalJson(sensitivity->LargeMHzPerMm)}};
    }
    return model;
}

namespace {

// The columns a text takes on a terminal: its UTF-8 characters ("°" is one).
// Each style's sensitivity of resonance to its loops' perimeters, by the runner's order; empty
// where it was not computed.
using Sensitivities = std::vector<std::optional<ResonanceSensitivity>>;
// Why a style's sensitivity could not be computed, by the runner's order; empty where it was.
using SensitivityErrors = std::vector<std::optional<RuntimeError>>;

void PrintJson(const ModelRunner& runner, const Sensitivities& sensitivities,
               const SensitivityErrors& sensitivityErrors) {
    nlohmann::ordered_json styles = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < runner.Models().size(); ++i) {
        const StyleModel& model = runner.Models()[i];
        nlohmann::ordered_json style;
        style["style"] = model.Style->Name;
        style["caption"] = model.Style->Caption;
        if (model.Error) {
            style["error"] = {{"number", model.Error->Number()},
                              {"message", MessageWithDetail(*model.Error)}};
        } else {
            const ResonanceSensitivity none;
            style["model"] =
                FiguresJson(*model.Figures, sensitivities[i] ? &*sensitivities[i] : &none);
            if (const std::optional<RuntimeError>& error = sensitivityErrors[i]) {
                style["model"]["sensitivity_mhz_per_mm"]["error"] = {
                    {"number", error->Number()}, {"message", MessageWithDetail(*error)}};
            }
        }
        styles.push_back(std::move(style));
    }
    nlohmann::ordered_json document;
    document["frequency"] = runner.FrequencyText();
    document["engine"] = "nec2c";
    document["polarisation"] = PolarisationName(runner.Sense());
    document["installation"] = InstallationJson(runner.Settings().Geometry.Install);
    document["styles"] = std::move(styles);
    std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// The columns a UTF-8 text takes on a terminal: one per character, such as the micro sign.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void PrintTable(const ModelRunner& runner) {
    std::vector<std::vector<std::string>> rows;
    const Installation& install = runner.Settings().Geometry.Install;
    std::vector<std::string> headers;
    for (std::size_t i = 0; i < ModelColumnHeaders.size(); ++i) {
        headers.push_back(ModelColumnHeader(i, install.HasGround()));
    }
    rows.push_back(std::move(headers));
    for (const StyleModel& model : runner.Models()) {
        std::vector<std::string> row{std::string(model.Style->Caption)};
        if (model.Error) {
            row.push_back(ErrorPhrase(*model.Error));
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
            widths[i] = std::max(widths[i], Width(row[i]));
        }
    }
    std::cout << "NEC-2 model at " << runner.FrequencyText() << " MHz, "
              << PolarisationName(runner.Sense()) << ", nec2c\n";
    if (!install.IsBare() || install.Mast != MastKind::None) {
        std::cout << "Installed: " << InstallationText(install) << "\n";
    }
    if (install.HasGround()) {
        std::cout << "Over the ground: GAIN AT 10\u00B0 ELEVATION is the power mean over azimuth, "
                     "in dBic (at the horizon the ground's\nreflection cancels the field or its "
                     "horizontal part); no front-to-back ratio (there is no nadir)\n";
    }
    std::cout << "\n";
    for (const std::vector<std::string>& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const bool last = i + 1 == row.size();
            line += row[i];
            if (!last) {
                line += std::string(widths[i] - Width(row[i]) + 2, ' ');
            }
        }
        std::cout << line << '\n';
    }
}

// The loops' phasing and the match to the line, under the table of the INFO window's columns.
// "-0.12 MHz small, -0.10 MHz large", the shift of resonance per mm of each loop's perimeter.
// A run that failed says so, never that there is no resonance.
std::string SensitivityText(const std::optional<ResonanceSensitivity>& sensitivity,
                            const std::optional<RuntimeError>& error) {
    if (error) {
        return "not modelled: nec2c failed (see below)";
    }
    const auto one = [](const std::optional<double>& value, const char* loop) {
        return (value ? Fixed(*value, 3) + " MHz " : std::string("none ")) + loop;
    };
    if (!sensitivity || (!sensitivity->SmallMHzPerMm && !sensitivity->LargeMHzPerMm)) {
        return "no resonance in sweep";
    }
    return one(sensitivity->SmallMHzPerMm, "small") + ", " +
           one(sensitivity->LargeMHzPerMm, "large");
}

void PrintLineTable(const ModelRunner& runner, const Sensitivities& sensitivities,
                    const SensitivityErrors& sensitivityErrors) {
    const auto& models = runner.Models();
    if (std::none_of(models.begin(), models.end(),
                     [](const StyleModel& model) { return model.Figures.has_value(); })) {
        return;
    }
    const LineRequest& line = runner.Settings().Line;
    std::cout << "\nLoop phasing (large loop's current beside the small loop's: phase, ratio)"
                 " and the match\nto a "
              << Fixed(line.Z0Ohm, line.Z0Ohm == std::floor(line.Z0Ohm) ? 0 : 2)
              << " ohm line (Z0) at the design frequency; quarter-wave coax of velocity factor "
              << Fixed(line.VelocityFactor, 2) << "\n\n";
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> headers{std::string(ModelColumnHeaders.front())};
    headers.insert(headers.end(), LineColumnHeaders.begin(), LineColumnHeaders.end());
    headers.emplace_back("RESONANCE PER MM OF LOOP");
    rows.push_back(std::move(headers));
    for (std::size_t i = 0; i < runner.Models().size(); ++i) {
        const StyleModel& model = runner.Models()[i];
        std::vector<std::string> row{std::string(model.Style->Caption)};
        if (model.Error) {
            row.emplace_back("-");
        } else {
            row.push_back(PhasingText(model.Figures->Phasing));
            for (std::string& text : LineMatchTexts(*model.Figures)) {
                row.push_back(std::move(text));
            }
            row.push_back(SensitivityText(sensitivities[i], sensitivityErrors[i]));
        }
        rows.push_back(std::move(row));
    }
    PrintAligned(rows);
}

}  // namespace

int ModelEveryStyle(ModelRunner& runner, SignalCatcher& endSignals, const std::string& frequency,
                    Polarisation sense, const ModelSettings& settings,
                    SensitivityRunner* sensitivity) {
    std::size_t sensitivitiesWaited = 0;
    const auto quitWhenDone = [&] {
        if (!runner.IsRunning() && sensitivitiesWaited == 0) {
            QCoreApplication::quit();
        }
    };
    const bool showProgress = isatty(STDERR_FILENO) != 0;
    QObject::connect(&runner, &ModelRunner::StyleFinished, [&](int index) {
        if (showProgress) {
            std::cerr << "\rzandrel2-dims: modelled " << runner.FinishedCount() << " of "
                      << runner.Models().size() << " styles" << std::flush;
        }
        const StyleModel& model = runner.Models().at(static_cast<std::size_t>(index));
        if (sensitivity != nullptr && model.Figures) {
            ++sensitivitiesWaited;
            sensitivity->Start(index,
                               {model.Style, frequency, sense, settings.Geometry.ConductorDiameterMm,
                                settings.Geometry.Install},
                               *model.Figures);
        }
    });
    QObject::connect(&runner, &ModelRunner::AllFinished, QCoreApplication::instance(),
                     quitWhenDone, Qt::QueuedConnection);
    if (sensitivity != nullptr) {
        QObject::connect(sensitivity, &SensitivityRunner::Finished, QCoreApplication::instance(),
                         [&] {
                             --sensitivitiesWaited;
                             quitWhenDone();
                         });
    }
    try {
        runner.Start(frequency, sense, settings);
    } catch (const RuntimeError& error) {
        std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
        return IsEngineError(error) ? 3 : 1;
    }
    if ((runner.IsRunning() || sensitivitiesWaited > 0) && endSignals.Caught() == 0) {
        QCoreApplication::exec();
    }
    if (showProgress) {
        std::cerr << "\n";
    }
    if (const int caught = endSignals.Caught()) {
        runner.Cancel();
        if (sensitivity != nullptr) {
            sensitivity->Cancel();
        }
        std::cerr << "zandrel2-dims: " << strsignal(caught) << "; the runs were stopped\n";
        return 128 + caught;
    }
    return 0;
}

namespace {

int ModelAllStyles(char* program, const std::string& frequency, bool json, Polarisation sense,
                   const ModelSettings& settings) {
    int qtArgc = 1;
    char* qtArgv[] = {program, nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    // A signal to end stops the runs, which removes their folders, and ends with 128 + it.
    SignalCatcher endSignals;
    QObject::connect(&endSignals, &SignalCatcher::SignalCaught, &application,
                     [] { QCoreApplication::quit(); });
    ModelRunner runner;
    // How resonance follows each loop's perimeter, started for each style as soon as its model
    // is there, beside the runs still going.
    SensitivityRunner sensitivity;
    if (const int status =
            ModelEveryStyle(runner, endSignals, frequency, sense, settings, &sensitivity)) {
        return status;
    }
    Sensitivities sensitivities(runner.Models().size());
    SensitivityErrors sensitivityErrors(runner.Models().size());
    for (std::size_t i = 0; i < runner.Models().size(); ++i) {
        if (const SensitivityRunner::Outcome* outcome = sensitivity.OutcomeOf(static_cast<int>(i))) {
            sensitivities[i] = outcome->Sensitivity;
            sensitivityErrors[i] = outcome->Error;
        }
    }
    if (json) {
        PrintJson(runner, sensitivities, sensitivityErrors);
    } else {
        PrintTable(runner);
        PrintLineTable(runner, sensitivities, sensitivityErrors);
    }
    int status = 0;
    for (std::size_t i = 0; i < sensitivityErrors.size(); ++i) {
        if (const std::optional<RuntimeError>& error = sensitivityErrors[i]) {
            std::cerr << "zandrel2-dims: " << runner.Models()[i].Style->Caption
                      << ": the sensitivity of resonance could not be modelled: "
                      << MessageWithDetail(*error) << "\n";
            status = std::max(status, IsEngineError(*error) ? 3 : 1);
        }
    }
    for (const StyleModel& model : runner.Models()) {
        if (model.Error) {
            std::cerr << "zandrel2-dims: " << model.Style->Caption << ": "
                      << FrequencyOrRunTimeErrorPhrase(*model.Error, runner.FrequencyText())
                      << "\n";
            status = std::max(status, IsEngineError(*model.Error) ? 3 : 1);
        }
    }
    return status;
}

// The builder's conductor from its option's text, or the message that refuses it.
std::optional<std::string> ReadConductor(const std::string& text, GeometryOptions& options) {
    if (text.empty()) {
        return std::nullopt;
    }
    options.ConductorDiameterMm = ReadPositiveNumber(text);
    if (!options.ConductorDiameterMm) {
        return "the conductor diameter must be a positive number of millimetres, not \"" + text +
               "\"";
    }
    return std::nullopt;
}

int Refuse(const std::string& why) {
    std::cerr << "zandrel2-dims: " << why << "\n";
    return 1;
}

class DeckCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description("Prints the NEC-2 deck of one style, for nec2c, and nothing else.");
        AddStyle(app, style_);
        AddFrequency(app, frequency_);
        AddPolarisation(app, sense_);
        AddConductorDiameter(app, conductor_);
        AddInstallationOptions(app, installation_);
    }

    int Run(char*) override {
        GeometryOptions options;
        if (const std::optional<std::string> refused = ReadConductor(conductor_, options)) {
            return Refuse(*refused);
        }
        if (const std::optional<std::string> refused =
                ReadInstallation(installation_, options.Install)) {
            return Refuse(*refused);
        }
        return PrintDeck(*style_, frequency_, sense_, options);
    }

  private:
    const StyleEntry* style_ = nullptr;
    std::string frequency_;
    Polarisation sense_ = Polarisation::Rhcp;
    std::string conductor_;
    InstallationArguments installation_;
};

class ModelCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Models the six styles in nec2c, several at once, and prints their\n"
            "impedance, matching, gains and bandwidth, the loops' phasing and the\n"
            "match to a line of impedance Z0.");
        AddFrequency(app, frequency_);
        AddJson(app, json_);
        AddPolarisation(app, sense_);
        AddConductorDiameter(app, conductor_);
        AddZ0(app, z0_);
        app.add_option("--velocity-factor", velocityFactor_,
                       "of the coax a quarter-wave transformer is made of,\n"
                       "above 0 and at most 1 (default " +
                           Fixed(SolidPolyethyleneVelocityFactor, 2) +
                           ", solid polyethylene)")
            ->type_name("VF");
        AddInstallationOptions(app, installation_);
    }

    int Run(char* program) override {
        ModelSettings settings;
        if (const std::optional<std::string> refused =
                ReadConductor(conductor_, settings.Geometry)) {
            return Refuse(*refused);
        }
        if (const std::optional<std::string> refused =
                ReadInstallation(installation_, settings.Geometry.Install)) {
            return Refuse(*refused);
        }
        if (!z0_.empty()) {
            const std::optional<double> z0 = ReadPositiveNumber(z0_);
            if (!z0) {
                return Refuse(
                    "the line's impedance (--z0) must be a positive number of ohms, not \"" + z0_ +
                    "\"");
            }
            settings.Line.Z0Ohm = *z0;
        }
        if (!velocityFactor_.empty()) {
            const std::optional<double> factor = ReadPositiveNumber(velocityFactor_);
            if (!factor || *factor > 1.0) {
                return Refuse("the velocity factor must be a number above 0 and at most 1, not \"" +
                              velocityFactor_ + "\"");
            }
            settings.Line.VelocityFactor = *factor;
        }
        try {
            return ModelAllStyles(program, frequency_, json_, sense_, settings);
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
    std::string conductor_;
    std::string z0_;
    std::string velocityFactor_;
    InstallationArguments installation_;
};

}  // namespace

std::unique_ptr<Command> MakeDeckCommand() { return std::make_unique<DeckCommand>(); }

std::unique_ptr<Command> MakeModelCommand() { return std::make_unique<ModelCommand>(); }

}  // namespace zandrel
