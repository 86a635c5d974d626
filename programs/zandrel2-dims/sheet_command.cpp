#include "sheet_command.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <QDate>
#include <QFile>
#include <QGuiApplication>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "construction_sheet.h"
#include "engine_work.h"
#include "error_words.h"
#include "file_error.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "loop_tuning.h"
#include "model_error.h"
#include "model_runner.h"
#include "output_file.h"
#include "runtime_error.h"
#include "sheet_error.h"
#include "sheet_pages.h"
#include "signal_catcher.h"
#include "tune_commands.h"
#include "tune_texts.h"

namespace zandrel {

namespace {

int Fail(const RuntimeError& error, const std::string& words) {
    std::cerr << "zandrel2-dims: " << ExplainedError(words, error) << '\n';
    return 1;
}

// "32" for 32.0: a whole number of millimetres as the help shows it.
std::string WholeMillimetres(double millimetres) {
    return std::to_string(static_cast<long>(millimetres));
}

// Reads an option's positive number, or says on stderr that `words` must be one.
std::optional<double> PositiveOrRefuse(const std::string& text, const std::string& words) {
    const std::optional<double> value = ReadPositiveNumber(text);
    if (!value) {
        std::cerr << "zandrel2-dims: " << words << ", not \"" << text << "\"\n";
    }
    return value;
}

// What the model of the sheet's antenna gives its match section: the figures of one nec2c run,
// or why there are none. Returns 128 + a signal that asked the program to end, else 0.
int ModelTheMatch(ConstructionSheet& sheet, SignalCatcher& endSignals) {
    const QMetaObject::Connection quitOnSignal = QObject::connect(
        &endSignals, &SignalCatcher::SignalCaught, [] { QCoreApplication::quit(); });
    ModelRunner runner;
    QObject::connect(&runner, &ModelRunner::AllFinished, [] { QCoreApplication::quit(); });
    try {
        runner.StartGeometry(sheet.Geometry, LineRequest{sheet.Match.Z0Ohm});
    } catch (const RuntimeError& error) {
        AddMissingModel(sheet, error.Detail());
        return 0;
    }
    if (runner.IsRunning() && endSignals.Caught() == 0) {
        QCoreApplication::exec();
    }
    QObject::disconnect(quitOnSignal);
    if (const int caught = endSignals.Caught()) {
        runner.Cancel();
        std::cerr << "zandrel2-dims: " << strsignal(caught) << "; no sheet was written\n";
        return 128 + caught;
    }
    const StyleModel& model = runner.Models().front();
    if (model.Figures) {
        try {
            AddModelledMatch(sheet, *model.Figures);
        } catch (const RuntimeError& error) {
            AddMissingModel(sheet, error.Detail());
        }
    } else {
        AddMissingModel(sheet, model.Error ? model.Error->Detail() : "nec2c gave no figures");
    }
    return 0;
}

class SheetCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Writes the construction sheet of one style as a PDF: the cut list, the mast\n"
            "holes, the feed, the match to the coax (modelled in nec2c), the twist, and a\n"
            "1:1 drilling template to wrap around the mast.");
        AddStyle(app, style_);
        AddFrequency(app, frequency_);
        AddPolarisation(app, sense_);
        app.add_option("--mast-diameter", mastDiameter_,
                       "the mast's outside diameter in mm, from " +
                           WholeMillimetres(SmallestMastDiameterMm) + " to " +
                           WholeMillimetres(LargestMastDiameterMm) + "\n(" +
                           WholeMillimetres(DefaultMastDiameterMm) +
                           " unless given), wider than the holes for the\n"
                           "tube and narrower than the smaller loop's bottom\n"
                           "arm less one tube diameter")
            ->type_name("MM");
        const CLI::Validator paperName(
            [](std::string& name) {
                return PaperOf(name) ? std::string() : "the paper is a4 or letter, not " + name;
            },
            "");
        app.add_option_function<std::string>(
               "--paper", [this](const std::string& name) { paper_ = *PaperOf(name); },
               "the paper: " + std::string(PaperName(Paper::A4)) + " (the default) or " +
                   std::string(PaperName(Paper::Letter)))
            ->type_name(std::string(PaperName(Paper::A4)) + "|" +
                        std::string(PaperName(Paper::Letter)))
            ->check(paperName);
        AddConductorDiameter(app, conductorDiameter_);
        AddInstallationOptions(app, installation_, false);
        app.add_option("--bend-radius", bendRadius_,
                       "the centre-line radius in mm of each loop's four\n"
                       "bent corners: adds each loop's length of tube to cut\n"
                       "(0, sharp corners, unless given)")
            ->type_name("MM");
        const CLI::Validator unitName(
            [](std::string& name) {
                return UnitOf(name) ? std::string() : "the units are mm or in, not " + name;
            },
            "");
        app.add_option_function<std::string>(
               "--units", [this](const std::string& name) { units_ = *UnitOf(name); },
               "the cut list's and hole table's lengths in mm (the\n"
               "default) or in inches; the template stays 1:1")
            ->type_name("mm|in")
            ->check(unitName);
        app.add_flag("--tuned", tuned_,
                     "tune the two loops in nec2c first, as --tune does, and\n"
                     "draw the tuned loops, each length marked tuned");
        AddObjective(app, objective_, "with --tuned, what to tune the loops for:\n");
        AddZ0(app, z0_);
        app.add_option("-o", output_, "the PDF file to write; - writes it to standard output")
            ->required()
            ->type_name("FILE.pdf");
    }

    int Run(char* program) override {
        // The pages are drawn with the platform's fonts; no display is needed for that. Qt's
        // notes about the session (no runtime folder, ...) are no concern of the command's user.
        qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& message) {
                if (type == QtCriticalMsg || type == QtFatalMsg) {
                    std::cerr << "zandrel2-dims: " << message.toStdString() << '\n';
                }
            });
        int qtArgc = 3;
        static char platformOption[] = "-platform";
        static char offscreen[] = "offscreen";
        char* qtArgv[] = {program, platformOption, offscreen, nullptr};
        const QGuiApplication application(qtArgc, qtArgv);
        SignalCatcher endSignals;

        if (const int status = ReadObjective(objective_, passAltitude_)) {
            return status;
        }
        if (passAltitude_ && !tuned_) {
            std::cerr << "zandrel2-dims: --objective pass is the tuning's: give it with --tuned\n";
            return 2;
        }
        ConstructionSheet sheet;
        SheetRequest request;
        if (!conductorDiameter_.empty()) {
            request.ConductorDiameterMm =
                PositiveOrRefuse(conductorDiameter_,
                                 "the conductor diameter must be a positive number of millimetres");
            if (!request.ConductorDiameterMm) {
                return 1;
            }
        }
        if (!z0_.empty()) {
            const std::optional<double> z0 = PositiveOrRefuse(
                z0_, "the line's impedance (--z0) must be a positive number of ohms");
            if (!z0) {
                return 1;
            }
            request.Z0Ohm = *z0;
        }
        try {
            request.Style = style_->Style;
            request.FrequencyText = frequency_;
            request.Sense = sense_;
            request.MastDiameterMm =
                mastDiameter_ ? ReadMastDiameter(*mastDiameter_) : DefaultMastDiameterMm;
            if (const std::optional<std::string> refused =
                    ReadInstallation(installation_, request.Install)) {
                std::cerr << "zandrel2-dims: " << *refused << "\n";
                return 1;
            }
            request.Install.MastDiameterMm = request.MastDiameterMm;
            request.BendRadiusMm = bendRadius_;
            request.Units = units_;
            sheet = ComputeConstructionSheet(request);
        } catch (const SheetError& error) {
            return Fail(error, error.Detail());
        } catch (const ModelError& error) {
            return Fail(error, error.Detail());
        } catch (const RuntimeError& error) {
            return Fail(error, FrequencyProblemPhrase(ClassifyFrequencyError(error, frequency_)));
        }
        if (output_ != "-") {
            // A path that cannot be written is refused before any work in nec2c.
            try {
                CheckOutputPath(output_);
            } catch (const FileError& error) {
                return Fail(error, error.Detail());
            }
        }
        if (tuned_) {
            // The design's sheet is sound; the tuned loops are drawn in its place.
            if (const int status = Tune(request, endSignals)) {
                return status;
            }
            try {
                sheet = ComputeConstructionSheet(request);
            } catch (const RuntimeError& error) {
                return Fail(error, "the tuned loops: " + error.Detail());
            }
        }
        if (const int ended = ModelTheMatch(sheet, endSignals)) {
            return ended;
        }
        if (!sheet.Match.Modelled) {
            std::string match = MatchTitle(sheet.Match);
            match[0] = 'm';
            std::cerr << "zandrel2-dims: the sheet gives no " << match << ": "
                      << sheet.Match.Unavailable << '\n';
        }
        try {
            if (output_ == "-") {
                const QByteArray pdf = ConstructionSheetPdf(sheet, paper_, QDate::currentDate());
                WriteToDescriptor(STDOUT_FILENO,
                                  {pdf.constData(), static_cast<std::size_t>(pdf.size())},
                                  "standard output");
            } else {
                // A FIFO's reader is waited for until a signal asks the program to end.
                WriteConstructionSheetPdf(QFile::decodeName(output_.c_str()), sheet, paper_,
                                          QDate::currentDate(), ReaderWait::Wait,
                                          [this] { SayWaitingForReader(output_); });
            }
        } catch (const RuntimeError& error) {
            if (const int caught = endSignals.Caught()) {
                std::cerr << "zandrel2-dims: " << strsignal(caught) << "; no sheet was written\n";
                return 128 + caught;
            }
            return Fail(error, error.Detail());
        }
        return 0;
    }

  private:
    // Tunes the request's loops in nec2c, as --tune does, and puts the tuned ones in it.
    // Returns 0, or the exit status: 1 when no loop sizes in range meet the reactance limit,
    // 3 when nec2c fails, 128 + a signal that stopped the runs.
    int Tune(SheetRequest& request, SignalCatcher& endSignals) const {
        const LoopDesign design{style_, frequency_, sense_, request.ConductorDiameterMm,
                                request.Install};
        EngineRuns runs;
        TunedFor result;
        const int status = RunUntilDoneOrSignalled(runs, endSignals, [&] {
            try {
                result = TuneFor(design, runs.Evaluator(), passAltitude_);
                return 0;
            } catch (const RuntimeError& error) {
                if (runs.Stopped()) {
                    throw RunsStopped();
                }
                std::cerr << "zandrel2-dims: the loops could not be tuned: " << error.Detail()
                          << " (run-time error " << error.Number() << ": " << error.Message()
                          << ")\n";
                return IsEngineError(error) ? 3 : 1;
            }
        });
        if (status != 0) {
            return status;
        }
        if (!result.MeetsLimits && passAltitude_) {
            std::cerr << "zandrel2-dims: no loop sizes from " << SearchedScalesText()
                      << " times the design's found "
                         "give 10 dB of cross-polar rejection overhead with practical L-network "
                         "parts at "
                      << frequency_ << " MHz (the nearest found: small loop x"
                      << FormatScale(result.Scales.Small) << ", large loop x"
                      << FormatScale(result.Scales.Large) << "); no tuned sheet was written\n";
            return 1;
        }
        if (!result.MeetsLimits) {
            std::cerr << "zandrel2-dims: no loop sizes from " << SearchedScalesText()
                      << " times the design's bring "
                         "the reactance within 1 ohm at "
                      << frequency_ << " MHz (the best found: small loop x"
                      << FormatScale(result.Scales.Small) << ", large loop x"
                      << FormatScale(result.Scales.Large) << "); no tuned sheet was written\n";
            return 1;
        }
        request.Tuned = TunedLoops{result.Scales.Small, result.Scales.Large, result.Dimensions};
        if (passAltitude_) {
            request.TunedFor =
                " for a satellite's pass at " + FormatAltitude(*passAltitude_) + " km";
        }
        return 0;
    }

    static std::string FormatAltitude(double km) {
        char text[64];
        std::snprintf(text, sizeof text, km == std::round(km) ? "%.0f" : "%.1f", km);
        return text;
    }

    static std::string FormatScale(double scale) {
        char text[64];
        std::snprintf(text, sizeof text, "%.4f", scale);
        return text;
    }

    static std::optional<LengthUnit> UnitOf(std::string_view name) {
        for (const LengthUnit unit : {LengthUnit::Millimetre, LengthUnit::Inch}) {
            if (LengthUnitName(unit) == name) {
                return unit;
            }
        }
        return std::nullopt;
    }

    static std::optional<Paper> PaperOf(std::string_view name) {
        for (const Paper paper : {Paper::A4, Paper::Letter}) {
            if (PaperName(paper) == name) {
                return paper;
            }
        }
        return std::nullopt;
    }

    const StyleEntry* style_ = nullptr;
    std::string frequency_;
    Polarisation sense_ = Polarisation::Rhcp;
    std::optional<std::string> mastDiameter_;
    InstallationArguments installation_;
    Paper paper_ = Paper::A4;
    std::string conductorDiameter_;
    double bendRadius_ = 0.0;
    LengthUnit units_ = LengthUnit::Millimetre;
    std::string z0_;
    bool tuned_ = false;
    ObjectiveOptions objective_;
    std::optional<double> passAltitude_;
    std::string output_;
};

}  // namespace

std::unique_ptr<Command> MakeSheetCommand() { return std::make_unique<SheetCommand>(); }

}  // namespace zandrel
