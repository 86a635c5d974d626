#include "sheet_command.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <QDate>
#include <QGuiApplication>
#include <QString>
#include <iostream>
#include <optional>
#include <string>

#include "construction_sheet.h"
#include "error_words.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "output_file.h"
#include "runtime_error.h"
#include "sheet_error.h"
#include "sheet_pages.h"

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

class SheetCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Writes the construction sheet of one style as a PDF: the cut list, the mast\n"
            "holes, the twist, and a 1:1 drilling template to wrap around the mast.");
        AddStyle(app, style_);
        AddFrequency(app, frequency_);
        AddPolarisation(app, sense_);
        app.add_option("--mast-diameter", mastDiameter_,
                       "the mast's outside diameter in mm, from " +
                           WholeMillimetres(SmallestMastDiameterMm) + " to " +
                           WholeMillimetres(LargestMastDiameterMm) + "\n(" +
                           WholeMillimetres(DefaultMastDiameterMm) + " unless given)")
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

        ConstructionSheet sheet;
        try {
            const double mast =
                mastDiameter_ ? ReadMastDiameter(*mastDiameter_) : DefaultMastDiameterMm;
            sheet = ComputeConstructionSheet(style_->Style, frequency_, sense_, mast);
        } catch (const SheetError& error) {
            return Fail(error, error.Detail());
        } catch (const RuntimeError& error) {
            return Fail(error, FrequencyProblemPhrase(ClassifyFrequencyError(error, frequency_)));
        }
        try {
            if (output_ == "-") {
                const QByteArray pdf = ConstructionSheetPdf(sheet, paper_, QDate::currentDate());
                WriteToDescriptor(STDOUT_FILENO,
                                  {pdf.constData(), static_cast<std::size_t>(pdf.size())},
                                  "standard output");
            } else {
                WriteConstructionSheetPdf(QString::fromStdString(output_), sheet, paper_,
                                          QDate::currentDate());
            }
        } catch (const RuntimeError& error) {
            return Fail(error, error.Detail());
        }
        return 0;
    }

  private:
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
    Paper paper_ = Paper::A4;
    std::string output_;
};

}  // namespace

std::unique_ptr<Command> MakeSheetCommand() { return std::make_unique<SheetCommand>(); }

}  // namespace zandrel
