#include "pass_command.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <new>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "error_words.h"
#include "model_commands.h"
#include "model_error.h"
#include "model_runner.h"
#include "model_texts.h"
#include "satellite_pass.h"
#include "signal_catcher.h"
#include "text_output.h"

namespace zandrel {

namespace {

std::string Km(double km) { return Fixed(km, km == std::round(km) ? 0 : 1); }

std::string Degrees(double deg) { return Fixed(deg, 0) + "°"; }

// The styles that were modelled, with their passes, in the runner's order.
struct StylePass {
    const StyleModel* Model = nullptr;
    PassFigures Pass;
};

void PrintText(const ModelRunner& runner, const std::vector<StylePass>& passes,
               const std::vector<std::size_t>& ranking, double altitudeKm) {
    const Installation& install = runner.Settings().Geometry.Install;
    if (passes.empty()) {
        return;  // stderr says why for each style
    }
    const std::string co(PolarisationName(runner.Sense()));
    std::cout << "Satellite pass at " << runner.FrequencyText() << " MHz, satellite at "
              << Km(altitudeKm) << " km, " << co << ", nec2c, "
              << (install.HasGround() || install.Mast != MastKind::None || !install.IsBare()
                      ? "installed: " + InstallationText(install)
                      : std::string("the antenna in free space"))
              << "\n";
    const std::vector<PassPoint>& points = passes.front().Pass.Points;
    std::cout << "\nRelative signal in dB against an isotropic antenna overhead: the co-polar ("
              << co << ") gain,\nthe power mean over azimuth in dBic, less the extra path loss "
              << "beside the zenith's " << Km(altitudeKm) << " km\n(Earth radius "
              << Km(EarthRadiusKm) << " km)\n\n";
    std::vector<std::vector<std::string>> rows{{"ELEVATION", "RANGE", "EXTRA LOSS"}};
    for (const StylePass& pass : passes) {
        rows.front().emplace_back(pass.Model->Style->Caption);
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        std::vector<std::string> row{Degrees(points[i].ElevationDeg),
                                     Fixed(points[i].SlantRangeKm, 0) + " km",
                                     Fixed(points[i].ExtraLossDb, 2) + " dB"};
        for (const StylePass& pass : passes) {
            row.push_back(Fixed(pass.Pass.Points[i].RelativeSignalDb, 2));
        }
        rows.push_back(std::move(row));
    }
    PrintColumns(rows);

    std::cout << "\nCo-polar (" << co << ") gain in dBic, the power mean over azimuth\n\n";
    rows = {{"ELEVATION"}};
    for (const StylePass& pass : passes) {
        rows.front().emplace_back(pass.Model->Style->Caption);
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        std::vector<std::string> row{Degrees(points[i].ElevationDeg)};
        for (const StylePass& pass : passes) {
            row.push_back(Fixed(pass.Pass.Points[i].GainDbic, 2));
        }
        rows.push_back(std::move(row));
    }
    PrintColumns(rows);

    std::cout
        << "\nFrom 10° to 90°: the weakest relative signal (the link margin's floor against "
           "an\nisotropic antenna overhead), where it is, and the strongest less the weakest\n\n";
    rows = {{"RANK", "STYLE", "WORST 10-90°", "AT", "SPREAD 10-90°"}};
    std::vector<RankedPass> ranked;
    for (std::size_t rank = 0; rank < ranking.size(); ++rank) {
        const StylePass& pass = passes[ranking[rank]];
        rows.push_back({std::to_string(rank + 1), std::string(pass.Model->Style->Caption),
                        Fixed(pass.Pass.Worst10To90Db, 2) + " dB",
                        Degrees(pass.Pass.WorstElevationDeg),
                        Fixed(pass.Pass.Spread10To90Db, 2) + " dB"});
        ranked.push_back({pass.Model->Style->Caption, &pass.Pass});
    }
    PrintColumns(rows, 2);
    std::cout << "\n" << PassChoiceSentence(ranked) << "\n";
}

void PrintJson(const ModelRunner& runner, const std::vector<StylePass>& passes,
               const std::vector<std::size_t>& ranking, double altitudeKm,
               const GeometryOptions& geometry) {
    nlohmann::ordered_json document;
    document["frequency"] = runner.FrequencyText();
    document["altitude_km"] = altitudeKm;
    nlohmann::ordered_json installation = InstallationJson(geometry.Install);
    installation["polarisation"] = PolarisationName(runner.Sense());
    installation["conductor_diameter_mm"] = geometry.ConductorDiameterMm
                                                ? nlohmann::ordered_json(*geometry.ConductorDiameterMm)
                                                : nlohmann::ordered_json(nullptr);
    document["installation"] = std::move(installation);
    nlohmann::ordered_json elevations = nlohmann::ordered_json::array();
    nlohmann::ordered_json ranges = nlohmann::ordered_json::array();
    nlohmann::ordered_json losses = nlohmann::ordered_json::array();
    if (!passes.empty()) {
        for (const PassPoint& point : passes.front().Pass.Points) {
            elevations.push_back(point.ElevationDeg);
            ranges.push_back(point.SlantRangeKm);
            losses.push_back(point.ExtraLossDb);
        }
    }
    document["elevations_deg"] = std::move(elevations);
    document["slant_range_km"] = std::move(ranges);
    document["extra_loss_db"] = std::move(losses);
    nlohmann::ordered_json styles = nlohmann::ordered_json::array();
    auto pass = passes.begin();
    for (const StyleModel& model : runner.Models()) {
        nlohmann::ordered_json style;
        style["style"] = model.Style->Name;
        style["caption"] = model.Style->Caption;
        if (pass != passes.end() && pass->Model == &model) {
            nlohmann::ordered_json gains = nlohmann::ordered_json::array();
            nlohmann::ordered_json relative = nlohmann::ordered_json::array();
            for (const PassPoint& point : pass->Pass.Points) {
                gains.push_back(point.GainDbic);
                relative.push_back(point.RelativeSignalDb);
            }
            style["gain_dbic"] = std::move(gains);
            style["relative_signal_db"] = std::move(relative);
            style["worst_10_90_db"] = pass->Pass.Worst10To90Db;
            style["spread_10_90_db"] = pass->Pass.Spread10To90Db;
            ++pass;
        } else if (model.Error) {
            style["error"] = {{"number", model.Error->Number()},
                              {"message", MessageWithDetail(*model.Error)}};
        }
        styles.push_back(std::move(style));
    }
    document["styles"] = std::move(styles);
    nlohmann::ordered_json order = nlohmann::ordered_json::array();
    for (const std::size_t index : ranking) {
        order.push_back(passes[index].Model->Style->Name);
    }
    document["ranking"] = std::move(order);
    std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

class PassCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Models the six styles in nec2c and prints each one's signal over a satellite's\n"
            "pass, from the horizon to the zenith: its co-polar gain less the extra path\n"
            "loss beside the zenith, the weakest from 10° to 90°, and which style to build.");
        AddFrequency(app, frequency_);
        AddAltitude(app, altitude_);
        AddJson(app, json_);
        AddPolarisation(app, sense_);
        AddConductorDiameter(app, conductor_);
        AddInstallationOptions(app, installation_);
    }

    int Run(char* program) override {
        const std::optional<double> altitude = ReadAltitude(altitude_);
        if (!altitude) {
            return 1;
        }
        ModelSettings settings;
        if (!conductor_.empty()) {
            settings.Geometry.ConductorDiameterMm = ReadPositiveNumber(conductor_);
            if (!settings.Geometry.ConductorDiameterMm) {
                std::cerr << "zandrel2-dims: the conductor diameter must be a positive number of "
                             "millimetres, not \""
                          << conductor_ << "\"\n";
                return 1;
            }
        }
        if (const std::optional<std::string> refused =
                ReadInstallation(installation_, settings.Geometry.Install)) {
            std::cerr << "zandrel2-dims: " << *refused << "\n";
            return 1;
        }
        try {
            return ModelThePass(program, *altitude, settings);
        } catch (const std::bad_alloc&) {
            std::cerr << "zandrel2-dims: there was not enough memory to finish\n";
        } catch (const std::exception& error) {
            std::cerr << "zandrel2-dims: internal error: " << error.what() << "\n";
        }
        return 1;
    }

  private:
    int ModelThePass(char* program, double altitudeKm, const ModelSettings& settings) {
        int qtArgc = 1;
        char* qtArgv[] = {program, nullptr};
        QCoreApplication application(qtArgc, qtArgv);
        SignalCatcher endSignals;
        QObject::connect(&endSignals, &SignalCatcher::SignalCaught, &application,
                         [] { QCoreApplication::quit(); });
        ModelRunner runner;
        if (const int status = ModelEveryStyle(runner, endSignals, frequency_, sense_, settings)) {
            return status;
        }
        std::vector<StylePass> passes;
        for (const StyleModel& model : runner.Models()) {
            if (model.Figures) {
                passes.push_back({&model, ComputePassFigures(model.Figures->ElevationGains, sense_,
                                                             altitudeKm)});
            }
        }
        std::vector<const PassFigures*> figures;
        for (const StylePass& pass : passes) {
            figures.push_back(&pass.Pass);
        }
        const std::vector<std::size_t> ranking = RankPasses(figures);
        if (json_) {
            PrintJson(runner, passes, ranking, altitudeKm, settings.Geometry);
        } else {
            PrintText(runner, passes, ranking, altitudeKm);
        }
        int status = 0;
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

    std::string frequency_;
    std::string altitude_;
    bool json_ = false;
    Polarisation sense_ = Polarisation::Rhcp;
    std::string conductor_;
    InstallationArguments installation_;
};

}  // namespace

void AddAltitude(CLI::App& app, std::string& altitude) {
    app.add_option("--altitude-km", altitude,
                   "the satellite's altitude in km, from 150 to 36000\n"
                   "(default 850, the weather satellites' orbits)")
        ->type_name("H");
}

std::optional<double> ReadAltitude(const std::string& text) {
    if (text.empty()) {
        return DefaultAltitudeKm;
    }
    const std::optional<double> altitude = ReadPositiveNumber(text);
    if (!altitude) {
        std::cerr << "zandrel2-dims: the satellite's altitude (--altitude-km) must be a number of "
                     "kilometres, not \""
                  << text << "\"\n";
        return std::nullopt;
    }
    try {
        RequirePassAltitude(*altitude);
    } catch (const RuntimeError& error) {
        std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
        return std::nullopt;
    }
    return altitude;
}

std::unique_ptr<Command> MakePassCommand() { return std::make_unique<PassCommand>(); }

}  // namespace zandrel
