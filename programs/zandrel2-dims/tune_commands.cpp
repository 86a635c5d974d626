#include "tune_commands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine_work.h"
#include "error_words.h"
#include "file_names.h"
#include "helix_dimensions.h"
#include "loop_fit.h"
#include "loop_tuning.h"
#include "measurement_error.h"
#include "model_commands.h"
#include "model_error.h"
#include "model_texts.h"
#include "nec_deck.h"
#include "one_port.h"
#include "output_file.h"
#include "pass_command.h"
#include "pass_tuning.h"
#include "satellite_pass.h"
#include "signal_catcher.h"
#include "tune_error.h"
#include "tune_texts.h"
#include "vna_commands.h"
#include "text_output.h"
#include "scaled_models.h"

namespace zandrel {

namespace {

// The range and limit that --tune searches with, as its texts say them.
const TuneSettings Tuning{};

// Reports an error of the work on a style and gives its exit status: 3 for nec2c's failures, 1
// for the rest.
int Report(const StyleEntry& style, const std::string& frequency, const RuntimeError& error) {
    std::cerr << "zandrel2-dims: " << style.Caption << ": "
              << FrequencyOrRunTimeErrorPhrase(error, frequency) << "\n";
    return IsEngineError(error) ? 3 : 1;
}

// Runs a command's work in nec2c on a thread of its own, stopped by SIGINT, SIGTERM or SIGHUP.
int RunWork(char* program, const StyleEntry& style, const std::string& frequency,
            const std::function<int(const DeckEvaluator&)>& work) {
    int qtArgc = 1;
    char* qtArgv[] = {program, nullptr};
    QCoreApplication application(qtArgc, qtArgv);
    SignalCatcher endSignals;
    EngineRuns runs;
    return RunUntilDoneOrSignalled(runs, endSignals, [&] {
        try {
            return work(runs.Evaluator());
        } catch (const RuntimeError& error) {
            if (runs.Stopped()) {
                throw RunsStopped();
            }
            return Report(style, frequency, error);
        }
    });
}

std::optional<double> ReadConductorOrRefuse(const std::string& text, bool& refused) {
    refused = false;
    if (text.empty()) {
        return std::nullopt;
    }
    const std::optional<double> diameter = ReadPositiveNumber(text);
    if (!diameter) {
        std::cerr << "zandrel2-dims: the conductor diameter must be a positive number of "
                     "millimetres, not \""
                  << text << "\"\n";
        refused = true;
    }
    return diameter;
}

// The installation from its options, or nothing after saying on stderr why it is refused.
std::optional<Installation> ReadInstallationOrRefuse(const InstallationArguments& arguments) {
    Installation installation;
    if (const std::optional<std::string> refused = ReadInstallation(arguments, installation)) {
        std::cerr << "zandrel2-dims: " << *refused << "\n";
        return std::nullopt;
    }
    return installation;
}

// "Installed: ..." on a line of its own, unless the antenna is modelled alone in free space.
void PrintInstalled(const Installation& installation) {
    if (!installation.IsBare() || installation.Mast != MastKind::None) {
        std::cout << "Installed: " << InstallationText(installation) << "\n";
    }
}

std::string Db(double value, const char* unit) { return Fixed(value, 2) + " " + unit; }

// The rows of a before-and-after table of the model's figures.
std::vector<std::vector<std::string>> FigureRows(const ModelFigures& before,
                                                 const ModelFigures& after, Polarisation sense) {
    const auto row = [&](const std::string& name, auto&& text) {
        return std::vector<std::string>{name, text(before), text(after)};
    };
    const bool right = sense == Polarisation::Rhcp;
    const std::string low = before.OverGround ? Fixed(LowElevationDeg, 0) + "\u00B0 elevation "
                                              : std::string("horizon ");
    return {
        {"FIGURE", "DESIGN", "TUNED"},
        row("impedance R + jX (ohm)",
            [&](const ModelFigures& f) { return FigureTexts(f, sense)[0]; }),
        row("phasing (large loop beside small)",
            [](const ModelFigures& f) { return PhasingText(f.Phasing); }),
        row("zenith RHCP", [](const ModelFigures& f) { return Db(f.ZenithRhcpDbic, "dBic"); }),
        row("zenith LHCP", [](const ModelFigures& f) { return Db(f.ZenithLhcpDbic, "dBic"); }),
        row("zenith axial ratio", [&](const ModelFigures& f) { return FigureTexts(f, sense)[7]; }),
        row(low + (right ? "RHCP" : "LHCP") + " (power mean)",
            [&](const ModelFigures& f) { return FigureTexts(f, sense)[3]; }),
        row("resonance", [&](const ModelFigures& f) { return FigureTexts(f, sense)[5]; }),
    };
}


}  // namespace

void AddObjective(CLI::App& app, ObjectiveOptions& options, const std::string& lead) {
    app.add_option("--objective", options.Objective,
                   lead +
                       "zenith (the default): the lowest zenith axial ratio with\n"
                       "|X| within 1 ohm; pass: the highest weakest signal from\n"
                       "10° to 90° of a satellite's pass, with at least 10 dB\n"
                       "cross-polar rejection overhead, X left to the L-network")
        ->type_name("zenith|pass")
        ->check(CLI::IsMember({"zenith", "pass"}).description(""));
    AddAltitude(app, options.Altitude);
}

int ReadObjective(const ObjectiveOptions& options, std::optional<double>& passAltitudeKm) {
    passAltitudeKm.reset();
    if (options.Objective != "pass") {
        if (!options.Altitude.empty()) {
            std::cerr << "zandrel2-dims: --altitude-km is the pass's: give it with --objective "
                         "pass\n";
            return 2;
        }
        return 0;
    }
    passAltitudeKm = ReadAltitude(options.Altitude);
    return passAltitudeKm ? 0 : 1;
}

TunedFor TuneFor(const LoopDesign& design, const DeckEvaluator& evaluate,
                 std::optional<double> passAltitudeKm) {
    if (passAltitudeKm) {
        PassTuneSettings settings;
        settings.AltitudeKm = *passAltitudeKm;
        const PassTuneResult tuned = TuneLoopsForPass(design, evaluate, settings);
        return {tuned.Scales, tuned.Dimensions, tuned.MeetsLimits, tuned.Nec2cRuns};
    }
    const TuneResult tuned = TuneLoops(design, evaluate, Tuning);
    return {tuned.Scales, tuned.Dimensions, tuned.MeetsReactanceLimit, tuned.Nec2cRuns};
}

namespace {

class TuneCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Tunes one style's two loops in nec2c: the scale factors, from " +
            SearchedScalesText() +
            ",\n"
            "that give the lowest zenith axial ratio with |X| within 1 ohm at the design\n"
            "frequency, or with --objective pass the strongest signal over a satellite's\n"
            "whole pass; the tuned dimensions and the model before and after.");
        AddStyle(app, style_);
        AddFrequency(app, frequency_);
        AddJson(app, json_);
        AddPolarisation(app, sense_);
        AddConductorDiameter(app, conductor_);
        AddObjective(app, objective_);
        AddInstallationOptions(app, installation_);
    }

    int Run(char* program) override {
        bool refused = false;
        const std::optional<double> conductor = ReadConductorOrRefuse(conductor_, refused);
        if (refused) {
            return 1;
        }
        const std::optional<Installation> installation = ReadInstallationOrRefuse(installation_);
        if (!installation) {
            return 1;
        }
        const LoopDesign design{style_, frequency_, sense_, conductor, *installation};
        std::optional<double> altitude;
        if (const int status = ReadObjective(objective_, altitude)) {
            return status;
        }
        if (altitude) {
            return TuneForThePass(program, design, *altitude);
        }
        return RunWork(program, *style_, frequency_, [&](const DeckEvaluator& evaluate) {
            const TuneResult tuned = TuneLoops(design, evaluate, Tuning);
            const ModelFigures before = ModelScaled(design, {}, evaluate);
            const ModelFigures after = ModelScaled(design, tuned.Scales, evaluate);
            const int runs = tuned.Nec2cRuns + 2;
            const HelixDimensions calculator = BuildScaledGeometry(design, {}).Dimensions;
            if (json_) {
                PrintJson(tuned, before, after, runs, design.Install);
            } else {
                PrintText(tuned, calculator, before, after, runs, design.Install);
            }
            if (!tuned.MeetsReactanceLimit) {
                std::cerr << "zandrel2-dims: " << style_->Caption << ": no scale factors from "
                          << Fixed(Tuning.LowestScale, 2) << " to " << Fixed(Tuning.HighestScale, 2)
                          << " bring |X| within " << Fixed(Tuning.ReactanceLimitOhm, 0)
                          << " ohm at the design frequency; the best found is shown\n";
                return 1;
            }
            return 0;
        });
    }

  private:
    int TuneForThePass(char* program, const LoopDesign& design, double altitudeKm) {
        PassTuneSettings settings;
        settings.AltitudeKm = altitudeKm;
        return RunWork(program, *style_, frequency_, [&](const DeckEvaluator& evaluate) {
            const PassTuneResult tuned = TuneLoopsForPass(design, evaluate, settings);
            const ModelFigures before = ModelScaled(design, {}, evaluate, settings.Line);
            const ModelFigures after = ModelScaled(design, tuned.Scales, evaluate, settings.Line);
            const PassFigures beforePass =
                ComputePassFigures(before.ElevationGains, sense_, settings.AltitudeKm);
            const PassFigures afterPass =
                ComputePassFigures(after.ElevationGains, sense_, settings.AltitudeKm);
            const int runs = tuned.Nec2cRuns + 2;
            if (json_) {
                PrintPassJson(tuned, before, after, beforePass, afterPass, runs);
            } else {
                std::cout << "Tuned in NEC-2 for the pass: " << style_->Caption << " at "
                          << frequency_ << " MHz, " << PolarisationName(sense_) << ", nec2c\n"
                          << PassTunedSentences(tuned, settings) << "\n\n";
                PrintAligned(
                    DimensionRows(BuildScaledGeometry(design, {}).Dimensions, tuned.Dimensions));
                std::cout << "\n";
                std::vector<std::vector<std::string>> rows = FigureRows(before, after, sense_);
                for (std::vector<std::string>& row :
                     PassRows(before, after, beforePass, afterPass, settings)) {
                    rows.push_back(std::move(row));
                }
                PrintAligned(rows);
                std::cout << "\n";
                PrintAligned(PassPointRows(beforePass, afterPass));
                std::cout << "\nnec2c runs: " << runs << "\n";
            }
            if (!tuned.MeetsLimits) {
                std::cerr << "zandrel2-dims: " << style_->Caption << ": no scale factors from "
                          << Fixed(settings.LowestScale, 2) << " to "
                          << Fixed(settings.HighestScale, 2) << " found give "
                          << Fixed(settings.CrossPolarRejectionDb, 0)
                          << " dB of cross-polar rejection overhead with practical L-network "
                             "parts; the nearest found is shown\n";
                return 1;
            }
            return 0;
        });
    }

    // The pass's figures under the model's, before and after.
    std::vector<std::vector<std::string>> PassRows(const ModelFigures& before,
                                                   const ModelFigures& after,
                                                   const PassFigures& beforePass,
                                                   const PassFigures& afterPass,
                                                   const PassTuneSettings& settings) const {
        const bool right = sense_ == Polarisation::Rhcp;
        const auto rejection = [right](const ModelFigures& f) {
            return Db(
                right ? f.ZenithRhcpDbic - f.ZenithLhcpDbic : f.ZenithLhcpDbic - f.ZenithRhcpDbic,
                "dB");
        };
        const auto network = [&](const ModelFigures& f) { return LineMatchTexts(f)[1]; };
        const auto worst = [](const PassFigures& p) {
            return Db(p.Worst10To90Db, "dB") + " at " + Fixed(p.WorstElevationDeg, 0) + "°";
        };
        return {
            {"zenith cross-polar rejection", rejection(before), rejection(after)},
            {"L-network to " + Fixed(settings.Line.Z0Ohm, 0) + " ohm", network(before),
             network(after)},
            {"pass at " + Fixed(settings.AltitudeKm, 0) + " km, weakest 10-90°", worst(beforePass),
             worst(afterPass)},
            {"pass, spread 10-90°", Db(beforePass.Spread10To90Db, "dB"),
             Db(afterPass.Spread10To90Db, "dB")},
        };
    }

    // Each elevation's co-polar gain and relative signal, before and after.
    std::vector<std::vector<std::string>> PassPointRows(const PassFigures& before,
                                                        const PassFigures& after) const {
        const std::string co(PolarisationName(sense_));
        std::vector<std::vector<std::string>> rows{{"ELEVATION", "EXTRA LOSS", "DESIGN " + co,
                                                    "DESIGN SIGNAL", "TUNED " + co,
                                                    "TUNED SIGNAL"}};
        for (std::size_t i = 0; i < before.Points.size(); ++i) {
            const PassPoint& b = before.Points[i];
            const PassPoint& a = after.Points[i];
            rows.push_back({Fixed(b.ElevationDeg, 0) + "°", Db(b.ExtraLossDb, "dB"),
                            Db(b.GainDbic, "dBic"), Db(b.RelativeSignalDb, "dB"),
                            Db(a.GainDbic, "dBic"), Db(a.RelativeSignalDb, "dB")});
        }
        rows.push_back(
            {"(co-polar gain: the power mean over azimuth; signal: the gain less the "
             "extra path loss, against an isotropic antenna overhead)"});
        return rows;
    }

    void PrintPassJson(const PassTuneResult& tuned, const ModelFigures& before,
                       const ModelFigures& after, const PassFigures& beforePass,
                       const PassFigures& afterPass, int runs) const {
        nlohmann::ordered_json dimensions;
        nlohmann::ordered_json texts;
        for (const DisplayedDimension& shown : DisplayOrder) {
            dimensions[std::string(shown.Name)] = DisplayedMillimetres(tuned.Dimensions.*shown.Field);
            texts[std::string(shown.Name)] = FormatDimension(tuned.Dimensions.*shown.Field);
        }
        const bool right = sense_ == Polarisation::Rhcp;
        const auto withPass = [right](const ModelFigures& f, const PassFigures& p) {
            nlohmann::ordered_json model = FiguresJson(f, nullptr);
            nlohmann::ordered_json gains = nlohmann::ordered_json::array();
            nlohmann::ordered_json relative = nlohmann::ordered_json::array();
            for (const PassPoint& point : p.Points) {
                gains.push_back(point.GainDbic);
                relative.push_back(point.RelativeSignalDb);
            }
            model["pass"] = {
                {"gain_dbic", std::move(gains)},
                {"relative_signal_db", std::move(relative)},
                {"worst_10_90_db", p.Worst10To90Db},
                {"worst_elevation_deg", p.WorstElevationDeg},
                {"spread_10_90_db", p.Spread10To90Db},
                {"zenith_cross_polar_rejection_db", right ? f.ZenithRhcpDbic - f.ZenithLhcpDbic
                                                          : f.ZenithLhcpDbic - f.ZenithRhcpDbic}};
            return model;
        };
        nlohmann::ordered_json elevations = nlohmann::ordered_json::array();
        for (const PassPoint& point : beforePass.Points) {
            elevations.push_back(point.ElevationDeg);
        }
        nlohmann::ordered_json document;
        document["frequency"] = frequency_;
        document["style"] = style_->Name;
        document["polarisation"] = PolarisationName(sense_);
        document["objective"] = "pass";
        document["altitude_km"] = beforePass.AltitudeKm;
        document["scale"] = {{"small", tuned.Scales.Small}, {"large", tuned.Scales.Large}};
        document["meets_limits"] = tuned.MeetsLimits;
        document["dimensions"] = std::move(dimensions);
        document["dimension_texts"] = std::move(texts);
        document["elevations_deg"] = std::move(elevations);
        document["before"] = withPass(before, beforePass);
        document["after"] = withPass(after, afterPass);
        document["nec2c_runs"] = runs;
        std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }

    void PrintText(const TuneResult& tuned, const HelixDimensions& calculator,
                   const ModelFigures& before, const ModelFigures& after, int runs,
                   const Installation& installation) const {
        std::cout << "Tuned in NEC-2: " << style_->Caption << " at " << frequency_ << " MHz, "
                  << PolarisationName(sense_) << ", nec2c\n";
        PrintInstalled(installation);
        std::cout << TunedSentences(tuned, Tuning) << "\n\n";
        const std::vector<std::vector<std::string>> rows =
            DimensionRows(calculator, tuned.Dimensions);
        PrintAligned(rows);
        std::cout << "\n";
        PrintAligned(FigureRows(before, after, sense_));
        std::cout << "\nnec2c runs: " << runs << "\n";
    }

    void PrintJson(const TuneResult& tuned, const ModelFigures& before, const ModelFigures& after,
                   int runs, const Installation& installation) const {
        nlohmann::ordered_json dimensions;
        nlohmann::ordered_json texts;
        for (const DisplayedDimension& shown : DisplayOrder) {
            dimensions[std::string(shown.Name)] = DisplayedMillimetres(tuned.Dimensions.*shown.Field);
            texts[std::string(shown.Name)] = FormatDimension(tuned.Dimensions.*shown.Field);
        }
        nlohmann::ordered_json document;
        document["frequency"] = frequency_;
        document["style"] = style_->Name;
        document["polarisation"] = PolarisationName(sense_);
        document["installation"] = InstallationJson(installation);
        document["scale"] = {{"small", tuned.Scales.Small}, {"large", tuned.Scales.Large}};
        document["meets_reactance_limit"] = tuned.MeetsReactanceLimit;
        document["dimensions"] = std::move(dimensions);
        document["dimension_texts"] = std::move(texts);
        document["before"] = FiguresJson(before, nullptr);
        document["after"] = FiguresJson(after, nullptr);
        document["nec2c_runs"] = runs;
        std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }

    const StyleEntry* style_ = nullptr;
    std::string frequency_;
    bool json_ = false;
    Polarisation sense_ = Polarisation::Rhcp;
    std::string conductor_;
    ObjectiveOptions objective_;
    InstallationArguments installation_;
};

nlohmann::ordered_json TrimJson(const LoopTrim& trim) {
    return {{"error_mm", trim.ErrorMm},
            {"error_percent", trim.ErrorPercent},
            {"trim_per_element_mm", trim.TrimPerElementMm},
            {"interval_per_element_mm", {{"low", trim.IntervalLowMm}, {"high", trim.IntervalHighMm}}},
            {"cut_now_per_element_mm", trim.CutNowPerElementMm}};
}

nlohmann::ordered_json StateJson(const ModelledState& state) {
    return {{"impedance_ohm",
             {{"r", state.Figures.Impedance.real()}, {"x", state.Figures.Impedance.imag()}}},
            {"swr", state.Swr},
            {"resonance_mhz", OptionalJson(state.Figures.ResonanceMHz)}};
}

const char* WithheldReasonName(WithheldReason reason) {
    switch (reason) {
        case WithheldReason::PoorFit:
            return "poor fit";
        case WithheldReason::AtLimit:
            return "factor at the search's limit";
        case WithheldReason::CableSuspected:
            return "cable suspected";
        case WithheldReason::None:
            break;
    }
    return "";
}

// Exit status when the advice's cuts are withheld.
constexpr int CutsWithheld = 4;

class TrimCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Fits the two loops' scale factors to measurements of the antenna as built\n"
            "(Touchstone .s1p or CSV of Hz, R, X) in nec2c, and says how much to trim\n"
            "each loop's helical elements to reach the design or the tuned antenna:\n"
            "the best estimate, its 95 % interval and what is safe to cut now. Exits\n"
            "with 4, giving no cuts, when the fit cannot be trusted.");
        AddStyle(app, style_);
        AddFrequency(app, frequency_);
        app.add_option("--measured", measured_[0], "the whole antenna's measurement")
            ->type_name("FILE");
        app.add_option("--measured-small", measured_[1],
                       "the small loop alone, the large loop's top arms off the coax")
            ->type_name("FILE");
        app.add_option("--measured-large", measured_[2],
                       "the large loop alone, the small loop's top arms off the coax")
            ->type_name("FILE");
        AddJson(app, json_);
        AddPolarisation(app, sense_);
        AddConductorDiameter(app, conductor_);
        AddInstallationOptions(app, installation_);
        app.add_option("--target", target_,
                       "what to trim to: the calculator's design (the default)\n"
                       "or the antenna --tune gives")
            ->type_name("design|tuned")
            ->check(CLI::IsMember({"design", "tuned"}).description(""));
        AddObjective(app, objective_, "with --target tuned, what the loops were tuned for:\n");
        app.add_option("--vna", vna_,
                       "sweep the whole antenna with a NanoVNA on this serial\n"
                       "port (or auto) over the design frequency +-15 %,\n"
                       "instead of --measured")
            ->type_name("DEVICE")
            ->excludes("--measured");
        AddVnaTimeout(app, vnaTimeout_);
        app.add_option("--save-measurement", saveMeasurement_,
                       "with --vna, keep the sweep as a Touchstone file")
            ->type_name("FILE")
            ->needs("--vna");
        app.add_option("--cable-length", cableLength_,
                       "a cable between the VNA and the feed, taken off the\n"
                       "measurement (default 0)")
            ->type_name("M");
        app.add_option("--cable-velocity-factor", cableVelocity_,
                       "its velocity factor (" + Fixed(SolidPolyethyleneVelocityFactor, 2) + ")")
            ->type_name("VF");
        app.add_option("--cable-loss", cableLoss_,
                       "its loss in dB per 100 m at the design frequency (0)")
            ->type_name("DB");
    }

    int Run(char* program) override {
        bool refused = false;
        const std::optional<double> conductor = ReadConductorOrRefuse(conductor_, refused);
        if (refused) {
            return 1;
        }
        const std::optional<Installation> installation = ReadInstallationOrRefuse(installation_);
        if (!installation) {
            return 1;
        }
        installationRead_ = *installation;
        FitSettings settings;
        if (!ReadCable(settings.Cable)) {
            return 1;
        }
        std::optional<double> passAltitude;
        if (const int status = ReadObjective(objective_, passAltitude)) {
            return status;
        }
        if (objective_.Objective != "zenith" && target_ != "tuned") {
            std::cerr << "zandrel2-dims: --objective is the tuned target's: give it with --target "
                         "tuned\n";
            return 2;
        }
        std::vector<PartMeasurement> measurements;
        constexpr MeasuredPart Parts[] = {MeasuredPart::Whole, MeasuredPart::SmallLoop,
                                          MeasuredPart::LargeLoop};
        for (std::size_t i = 0; i < 3; ++i) {
            if (measured_[i].empty()) {
                continue;
            }
            try {
                measurements.push_back(
                    {Parts[i], ShownName(measured_[i]), ReadMeasurementFile(measured_[i])});
            } catch (const MeasurementError& error) {
                std::cerr << "zandrel2-dims: " << ShownName(measured_[i]) << ": "
                          << MessageWithDetail(error) << "\n";
                return 1;
            }
        }
        const LoopDesign design{style_, frequency_, sense_, conductor, *installation};
        if (!vna_.empty()) {
            if (const int status = MeasureWithVna(design); status != 0) {
                return status;
            }
            measurements.insert(measurements.begin(), std::move(*swept_));
        }
        if (measurements.empty()) {
            std::cerr << "zandrel2-dims: --trim needs a measurement: --measured, --vna, "
                         "--measured-small or --measured-large\n";
            return 2;
        }
        return RunWork(program, *style_, frequency_, [&](const DeckEvaluator& evaluate) {
            int runs = 0;
            LoopScales target;
            if (target_ == "tuned") {
                const TunedFor tuned = TuneFor(design, evaluate, passAltitude);
                runs += tuned.Nec2cRuns;
                target = tuned.Scales;
            }
            FitResult fit;
            try {
                fit = FitLoops(design, measurements, evaluate, settings);
            } catch (const TuneError& error) {
                if (error.Kind() == TuneErrorKind::OptimiserFailed) {
                    throw;
                }
                std::cerr << "zandrel2-dims: " << error.Detail() << "\n";
                return 1;
            }
            runs += fit.Nec2cRuns;
            const double reference = measurements.front().Data.ReferenceOhm;
            const TrimAdvice advice = AdviseTrim(design, fit, target, reference, evaluate);
            runs += advice.Nec2cRuns;
            TrimAssumptions assumed;
            assumed.FrequencyText = frequency_;
            assumed.Sense = sense_;
            assumed.ConductorDiameterMm = conductor;
            assumed.CalculatorTubeMm =
                static_cast<double>(BuildScaledGeometry(design, {}).Dimensions.TubeDiameter);
            if (settings.Cable.LengthM > 0.0) {
                assumed.Cable = settings.Cable;
            }
            assumed.ToTuned = target_ == "tuned";
            if (json_) {
                PrintJson(measurements, fit, advice, assumed, runs);
            } else {
                PrintText(measurements, fit, advice, assumed, runs);
            }
            return advice.Withheld == WithheldReason::None ? 0 : CutsWithheld;
        });
    }

  private:
    InstallationArguments installation_;
    Installation installationRead_;

    // Sweeps the whole antenna over the design frequency +-15 % into swept_, and keeps the
    // sweep when asked; returns the exit status of a failure, or 0.
    int MeasureWithVna(const LoopDesign& design) {
        if (!saveMeasurement_.empty()) {
            try {
                CheckOutputPath(saveMeasurement_);
            } catch (const RuntimeError& error) {
                std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
                return 1;
            }
        }
        double designMHz = 0.0;
        try {
            designMHz = BuildScaledGeometry(design, {}).FrequencyMHz;
        } catch (const RuntimeError& error) {
            return Report(*style_, frequency_, error);
        }
        const FitSettings band;
        const SweepRequest request{designMHz * (1.0 - band.BandHalfWidth),
                                   designMHz * (1.0 + band.BandHalfWidth), MostPointsPerScan};
        int status = 0;
        std::optional<VnaSweep> sweep = SweepWithVna(vna_, request, vnaTimeout_, status);
        if (!sweep) {
            return status;
        }
        if (!saveMeasurement_.empty()) {
            try {
                WriteOutputFile(saveMeasurement_,
                                WriteTouchstone(sweep->Data, sweep->Comments, FrequencyUnit::Hz),
                                ReaderWait::Wait);
            } catch (const RuntimeError& error) {
                std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
                return 1;
            }
        }
        swept_ = PartMeasurement{MeasuredPart::Whole, VnaMeasurementName(sweep->Port),
                                 std::move(sweep->Data)};
        return 0;
    }

    bool ReadCable(MeasuringCable& cable) const {
        const auto read = [](const std::string& text, double& value, bool zeroAllowed,
                             const char* words) {
            if (text.empty()) {
                return true;
            }
            const std::optional<double> number =
                zeroAllowed && IsZero(text) ? std::optional<double>(0.0) : ReadPositiveNumber(text);
            if (!number) {
                std::cerr << "zandrel2-dims: " << words << ", not \"" << text << "\"\n";
                return false;
            }
            value = *number;
            return true;
        };
        if (!read(cableLength_, cable.LengthM, true,
                  "the cable's length (--cable-length) must be a number of metres, 0 or more") ||
            !read(cableVelocity_, cable.VelocityFactor, false,
                  "the cable's velocity factor must be a number above 0 and at most 1") ||
            !read(cableLoss_, cable.LossDbPer100M, true,
                  "the cable's loss (--cable-loss) must be a number of dB per 100 m, 0 or more")) {
            return false;
        }
        if (cable.VelocityFactor > 1.0) {
            std::cerr << "zandrel2-dims: the cable's velocity factor must be a number above 0 and "
                         "at most 1, not \""
                      << cableVelocity_ << "\"\n";
            return false;
        }
        constexpr double LongestCableM = 1000.0;
        if (cable.LengthM > LongestCableM) {
            std::cerr << "zandrel2-dims: a cable of " << cableLength_
                      << " m is longer than any that a measurement of S11 survives (1000 m)\n";
            return false;
        }
        return true;
    }

    // "0", "0.0", " 0.": the zero that ReadPositiveNumber refuses.
    static bool IsZero(const std::string& text) {
        return text.find('0') != std::string::npos &&
               text.find_first_not_of(" 0.") == std::string::npos &&
               std::count(text.begin(), text.end(), '.') <= 1;
    }

    void PrintText(const std::vector<PartMeasurement>& measurements, const FitResult& fit,
                   const TrimAdvice& advice, const TrimAssumptions& assumed, int runs) const {
        std::cout << "Trim for " << style_->Caption << " at " << frequency_ << " MHz, "
                  << PolarisationName(sense_) << ", to reach the "
                  << (!assumed.ToTuned                 ? "calculator's design"
                      : objective_.Objective == "pass" ? "antenna --tune --objective pass gives"
                                                       : "antenna --tune gives")
                  << "\n";
        PrintInstalled(installationRead_);
        for (const PartMeasurement& measured : measurements) {
            std::cout << MeasuredSentence(measured) << "\n";
        }
        std::cout << TrimAdviceText(fit, advice, assumed, CommandLineHints) << "\n"
                  << "nec2c runs: " << runs << "\n";
    }

    void PrintJson(const std::vector<PartMeasurement>& measurements, const FitResult& fit,
                   const TrimAdvice& advice, const TrimAssumptions& assumed, int runs) const {
        const Measurement& first = measurements.front().Data;
        nlohmann::ordered_json document;
        document["style"] = style_->Name;
        document["frequency"] = frequency_;
        document["polarisation"] = PolarisationName(sense_);
        document["installation"] = InstallationJson(installationRead_);
        document["conductor_diameter_mm"] =
            assumed.ConductorDiameterMm ? *assumed.ConductorDiameterMm : assumed.CalculatorTubeMm;
        nlohmann::ordered_json measured = {{"points", first.Points.size()},
                                           {"reference_ohm", first.ReferenceOhm},
                                           {"low_mhz", first.Points.front().FrequencyMHz},
                                           {"high_mhz", first.Points.back().FrequencyMHz}};
        if (assumed.Cable) {
            measured["cable"] = {{"length_m", assumed.Cable->LengthM},
                                 {"velocity_factor", assumed.Cable->VelocityFactor},
                                 {"loss_db_per_100m", assumed.Cable->LossDbPer100M}};
        }
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        for (const PartMeasurement& part : measurements) {
            files.push_back({{"file", part.Name},
                             {"role", MeasuredPartRole(part.Part)},
                             {"points", part.Data.Points.size()},
                             {"reference_ohm", part.Data.ReferenceOhm}});
        }
        measured["files"] = std::move(files);
        document["measured"] = std::move(measured);
        document["fit"] = {
            {"scale", {{"small", fit.Scales.Small}, {"large", fit.Scales.Large}}},
            {"interval",
             {{"small", {{"low", fit.Small.Low}, {"high", fit.Small.High}}},
              {"large", {{"low", fit.Large.Low}, {"high", fit.Large.High}}}}},
            {"residual", fit.Residual},
            {"fitted_band_mhz", {{"low", fit.LowestMHz}, {"high", fit.HighestMHz}}},
            {"ambiguous", advice.Ambiguous},
            {"at_limit", fit.AtLimit},
            {"cable_suspected", fit.CableSuspected}};
        document["advice_withheld"] = advice.Withheld != WithheldReason::None;
        if (advice.Withheld != WithheldReason::None) {
            document["reason"] = WithheldReasonName(advice.Withheld);
        } else {
            document["loops"] = {{"small", TrimJson(advice.Small)},
                                 {"large", TrimJson(advice.Large)}};
        }
        document["now"] = StateJson(advice.Now);
        nlohmann::ordered_json target = {{"to", target_}};
        if (objective_.Objective == "pass") {
            target["objective"] = "pass";
        }
        target.update(StateJson(advice.AtTarget));
        document["target"] = std::move(target);
        document["nec2c_runs"] = runs;
        std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }

    const StyleEntry* style_ = nullptr;
    std::string frequency_;
    std::string measured_[3];
    bool json_ = false;
    Polarisation sense_ = Polarisation::Rhcp;
    std::string conductor_;
    std::string target_ = "design";
    ObjectiveOptions objective_;
    std::string cableLength_;
    std::string cableVelocity_;
    std::string cableLoss_;
    std::string vna_;
    std::string vnaTimeout_;
    std::string saveMeasurement_;
    std::optional<PartMeasurement> swept_;
};

class TouchstoneCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Writes the model's S11 as a one-port Touchstone file (RI, MHz, 41 points over\n"
            "the design frequency +-10 %), for VNA software to lay over a measurement.");
        AddStyle(app, style_);
        AddFrequency(app, frequency_);
        AddZ0(app, z0_);
        AddConductorDiameter(app, conductor_);
        AddInstallationOptions(app, installation_);
        app.add_option("-o", output_, "the file to write; - writes to the standard output")
            ->type_name("FILE.s1p")
            ->required();
    }

    int Run(char* program) override {
        double reference = 50.0;
        if (!z0_.empty()) {
            const std::optional<double> z0 = ReadPositiveNumber(z0_);
            if (!z0) {
                std::cerr << "zandrel2-dims: the line's impedance (--z0) must be a positive "
                             "number of ohms, not \""
                          << z0_ << "\"\n";
                return 1;
            }
            reference = *z0;
        }
        bool refused = false;
        const std::optional<double> conductor = ReadConductorOrRefuse(conductor_, refused);
        if (refused) {
            return 1;
        }
        if (output_ != "-") {
            try {
                CheckOutputPath(output_);  // before any work in nec2c
            } catch (const RuntimeError& error) {
                std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
                return 1;
            }
        }
        const std::optional<Installation> installation = ReadInstallationOrRefuse(installation_);
        if (!installation) {
            return 1;
        }
        const LoopDesign design{style_, frequency_, Polarisation::Rhcp, conductor, *installation};
        return RunWork(program, *style_, frequency_, [&](const DeckEvaluator& evaluate) {
            const double frequency = BuildScaledGeometry(design, {}).FrequencyMHz;
            const Measurement model =
                ModelMeasurement(design, {}, SpreadFrequencies(frequency), reference, evaluate);
            std::vector<std::string> comments =
                TouchstoneComments(style_->Caption, frequency_, reference, conductor);
            if (!installation->IsBare() || installation->Mast != MastKind::None) {
                comments.push_back("Installed: " + InstallationText(*installation));
            }
            const std::string text = WriteTouchstone(model, comments);
            try {
                if (output_ == "-") {
                    WriteToDescriptor(STDOUT_FILENO, text, "the standard output");
                } else {
                    WriteOutputFile(output_, text, ReaderWait::Wait,
                                    [this] { SayWaitingForReader(output_); });
                }
            } catch (const RuntimeError& error) {
                std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
                return 1;
            }
            return 0;
        });
    }

  private:
    const StyleEntry* style_ = nullptr;
    std::string frequency_;
    std::string z0_;
    std::string conductor_;
    std::string output_;
    InstallationArguments installation_;
};

}  // namespace

std::unique_ptr<Command> MakeTuneCommand() { return std::make_unique<TuneCommand>(); }

std::unique_ptr<Command> MakeTrimCommand() { return std::make_unique<TrimCommand>(); }

std::unique_ptr<Command> MakeTouchstoneCommand() { return std::make_unique<TouchstoneCommand>(); }

}  // namespace zandrel
