#include "sheet_command.h"

#include <unistd.h>

#include <QDate>
#include <QGuiApplication>
#include <QString>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "construction_sheet.h"
#include "frequency_words.h"
#include "helix_dimensions.h"
#include "output_file.h"
#include "runtime_error.h"
#include "sheet_error.h"
#include "sheet_pages.h"

namespace zandrel {

namespace {

constexpr std::string_view Usage =
    "usage: zandrel2-dims --sheet STYLE FREQUENCY [--lhcp] [--mast-diameter MM]\n"
    "                     [--paper a4|letter] -o FILE.pdf\n"
    "Writes the construction sheet of one style as a PDF: the cut list, the mast holes, the\n"
    "twist, and a 1:1 drilling template for a mast of the given outside diameter (default\n"
    "32 mm). STYLE is one of QuarterTurn, HalfTurnRca, HalfTurnShort, HalfTurnTall, OneTurn,\n"
    "OneAndHalfTurn; FREQUENCY is in MHz (for example 137.50).\n"
    "-o - writes the PDF to standard output.\n";

struct SheetArguments {
    const StyleEntry* Style = nullptr;
    std::string Frequency;
    Polarisation Sense = Polarisation::Rhcp;
    std::string MastDiameter;
    Paper PaperSize = Paper::A4;
    std::string Output;
};

int UsageError(const std::string& problem) {
    std::cerr << "zandrel2-dims: " << problem << '\n' << Usage;
    return 2;
}

const StyleEntry* FindStyle(std::string_view name) {
    for (const StyleEntry& entry : Styles) {
        if (entry.Name == name) {
            return &entry;
        }
    }
    return nullptr;
}

int Fail(const RuntimeError& error, const std::string& words) {
    std::cerr << "zandrel2-dims: " << words << " (run-time error " << error.Number() << ": "
              << error.Message() << ")\n";
    return 1;
}

}  // namespace

int RunSheetCommand(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 2, argv + argc);
    SheetArguments parsed;
    std::vector<std::string_view> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--help" || argument == "-h") {
            std::cout << Usage;
            return 0;
        } else if (argument == "--lhcp") {
            parsed.Sense = Polarisation::Lhcp;
        } else if (argument == "--mast-diameter" || argument == "--paper" || argument == "-o") {
            if (!hasValue) {
                return UsageError(std::string(argument) + " needs a value");
            }
            const std::string value(arguments[++i]);
            if (argument == "--mast-diameter") {
                parsed.MastDiameter = value;
            } else if (argument == "-o") {
                parsed.Output = value;
            } else if (value == PaperName(Paper::A4) || value == PaperName(Paper::Letter)) {
                parsed.PaperSize = value == PaperName(Paper::A4) ? Paper::A4 : Paper::Letter;
            } else {
                return UsageError("the paper is a4 or letter, not " + value);
            }
        } else if (argument.size() > 1 && argument.front() == '-' &&
                   argument.find_first_of("0123456789.") != 1) {
            return UsageError("unknown option " + std::string(argument));
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 2) {
        return UsageError("give a style and a frequency");
    }
    parsed.Style = FindStyle(positional[0]);
    if (parsed.Style == nullptr) {
        return UsageError("unknown style " + std::string(positional[0]));
    }
    parsed.Frequency = positional[1];
    if (parsed.Output.empty()) {
        return UsageError("give the PDF file to write with -o FILE.pdf");
    }

    // The pages are drawn with the platform's fonts; no display is needed for that. Qt's
    // notes about the session (no runtime folder, ...) are no concern of the command's user.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::cerr << "zandrel2-dims: " << message.toStdString() << '\n';
        }
    });
    int qtArgc = 3;
    static char platformOption[] = "-platform";
    static char offscreen[] = "offscreen";
    char* qtArgv[] = {argv[0], platformOption, offscreen, nullptr};
    const QGuiApplication application(qtArgc, qtArgv);

    ConstructionSheet sheet;
    try {
        const double mast = parsed.MastDiameter.empty() ? DefaultMastDiameterMm
                                                        : ReadMastDiameter(parsed.MastDiameter);
        try {
            sheet =
                ComputeConstructionSheet(parsed.Style->Style, parsed.Frequency, parsed.Sense, mast);
        } catch (const SheetError&) {
            throw;
        } catch (const RuntimeError& error) {
            return Fail(error,
                        FrequencyProblemInWords(ClassifyFrequencyError(error, parsed.Frequency)));
        }
        if (parsed.Output == "-") {
            const QByteArray pdf =
                ConstructionSheetPdf(sheet, parsed.PaperSize, QDate::currentDate());
            WriteToDescriptor(STDOUT_FILENO,
                              {pdf.constData(), static_cast<std::size_t>(pdf.size())},
                              "standard output");
        } else {
            WriteConstructionSheetPdf(QString::fromStdString(parsed.Output), sheet,
                                      parsed.PaperSize, QDate::currentDate());
        }
    } catch (const RuntimeError& error) {
        return Fail(error, error.Detail());
    }
    return 0;
}

}  // namespace zandrel
