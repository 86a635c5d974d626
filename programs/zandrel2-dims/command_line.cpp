#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <iostream>
#include <locale>
#include <sstream>
#include <utility>
#include <vector>

#include "model_error.h"

namespace zandrel {

namespace {

constexpr std::string_view ProgramName = "zandrel2-dims";

bool TakesAValue(const CLI::Option& option) { return option.get_items_expected_min() > 0; }

// The words after the program's name in a usage line: every option but --help, in brackets
// unless it is required, then the positionals ("[--lhcp]", "-o FILE.pdf", "[--]", "STYLE").
std::vector<std::string> SynopsisWords(const CLI::App& app) {
    std::vector<std::string> words;
    for (const CLI::Option* option :
         app.get_options([](const CLI::Option* o) { return o->nonpositional(); })) {
        if (option == app.get_help_ptr()) {
            continue;
        }
        std::string word = option->get_name();
        if (TakesAValue(*option)) {
            word += " " + option->get_type_name();
        }
        words.push_back(option->get_required() ? word : "[" + word + "]");
    }
    const std::vector<const CLI::Option*> positionals =
        app.get_options([](const CLI::Option* o) { return o->get_positional(); });
    if (!positionals.empty()) {
        words.emplace_back("[--]");
    }
    for (const CLI::Option* positional : positionals) {
        words.push_back(positional->get_name(true));
    }
    return words;
}

// `lead`, then the app's name and synopsis, wrapped at 80 columns under the synopsis's start.
std::string Synopsis(const CLI::App& app, const std::string& lead) {
    std::string text = lead + app.get_name();
    const std::size_t indent = text.size() + 1;
    std::size_t lineStart = 0;
    for (const std::string& word : SynopsisWords(app)) {
        if (text.size() - lineStart + 1 + word.size() > 80) {
            text += "\n";
            lineStart = text.size();
            text += std::string(indent - 1, ' ');
        }
        text += " " + word;
    }
    return text + "\n";
}

std::string UsageLine(const CLI::App& app) { return Synopsis(app, "usage: "); }

// Help as usage line, description, positionals, options and footer; an option shows the kind
// of value it takes, a positional only its name.
class HelpFormatter : public CLI::Formatter {
  public:
    HelpFormatter() { column_width(24); }

    std::string make_usage(const CLI::App* app, std::string) const override {
        return UsageLine(*app);
    }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override {
        const std::string footer = app->get_footer();
        return make_usage(app, std::move(name)) + make_description(app) + make_positionals(app) +
               make_groups(app, mode) + (footer.empty() ? "" : "\n" + footer);
    }

    std::string make_option_opts(const CLI::Option* option) const override {
        if (option->get_positional() || !TakesAValue(*option)) {
            return {};
        }
        return " " + option->get_type_name();
    }
};

// The app that reads `command`'s arguments, under the name that the usage line shows.
std::unique_ptr<CLI::App> DefineApp(const CommandChoice& choice, Command& command) {
    const std::string name = choice.Option.empty()
                                 ? std::string(ProgramName)
                                 : std::string(ProgramName) + " " + std::string(choice.Option);
    auto app = std::make_unique<CLI::App>("", name);
    app->formatter(std::make_shared<HelpFormatter>());
    app->set_help_flag("-h,--help", "print this help and exit");
    command.Define(*app);
    return app;
}

// The other commands' usage lines and descriptions, for the help of the one without a
// command option.
std::string OtherCommands(std::span<const CommandChoice> commands) {
    std::string text = "Commands, each with its own --help:\n";
    for (const CommandChoice& choice : commands) {
        if (choice.Option.empty()) {
            continue;
        }
        const std::unique_ptr<Command> command = choice.Make();
        const std::unique_ptr<CLI::App> app = DefineApp(choice, *command);
        std::string description = app->get_description();
        for (std::size_t at = description.find('\n'); at != std::string::npos;
             at = description.find('\n', at + 1)) {
            description.insert(at + 1, "    ");
        }
        text += Synopsis(*app, "  ") + "    " + description + "\n";
    }
    return text;
}

bool IsOption(std::string_view argument) { return argument.size() > 1 && argument.front() == '-'; }

// CLI11 reads "-.5" as the short option "-."; a negative number written that way is moved
// behind "--", keeping its place among the positionals, so that it stays a frequency. (A
// minus sign before a digit is a number to CLI11 already.) The value of an option is left
// where it is.
std::vector<std::string> KeepNegativeNumbersPositional(const CLI::App& app,
                                                       const std::vector<std::string>& arguments) {
    const auto marker = std::find(arguments.begin(), arguments.end(), "--");
    std::vector<std::string> kept;
    std::vector<std::string> numbers;
    for (auto it = arguments.begin(); it != marker; ++it) {
        const bool number = it->size() > 2 && it->compare(0, 2, "-.") == 0 &&
                            std::isdigit(static_cast<unsigned char>((*it)[2])) != 0;
        const CLI::Option* before = nullptr;
        if (it != arguments.begin() && IsOption(*(it - 1)) &&
            (it - 1)->find('=') == std::string::npos) {
            before = app.get_option_no_throw(*(it - 1));
        }
        const bool value = before != nullptr && TakesAValue(*before);
        (number && !value ? numbers : kept).push_back(*it);
    }
    if (numbers.empty()) {
        return arguments;
    }
    kept.emplace_back("--");
    kept.insert(kept.end(), numbers.begin(), numbers.end());
    if (marker != arguments.end()) {
        kept.insert(kept.end(), marker + 1, arguments.end());
    }
    return kept;
}

const StyleEntry* FindStyle(std::string_view name) {
    const auto style = std::find_if(Styles.begin(), Styles.end(),
                                    [name](const StyleEntry& entry) { return entry.Name == name; });
    return style == Styles.end() ? nullptr : &*style;
}

// "QuarterTurn, HalfTurnRca, ...", with a line break after every `perLine` names.
std::string StyleNames(std::size_t perLine = Styles.size()) {
    std::string names;
    for (std::size_t i = 0; i < Styles.size(); ++i) {
        names += i == 0 ? "" : i % perLine == 0 ? ",\n" : ", ";
        names += Styles[i].Name;
    }
    return names;
}

}  // namespace

int RunCommandLine(int argc, char** argv, std::span<const CommandChoice> commands) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const CommandChoice* choice = &commands.front();
    for (auto it = arguments.begin(); it != arguments.end() && *it != "--"; ++it) {
        const auto chosen = std::find_if(commands.begin(), commands.end(), [&](const auto& c) {
            return !c.Option.empty() && c.Option == *it;
        });
        if (chosen != commands.end()) {
            choice = &*chosen;
            arguments.erase(it);
            break;
        }
    }

    const std::unique_ptr<Command> command = choice->Make();
    const std::unique_ptr<CLI::App> app = DefineApp(*choice, *command);
    if (choice->Option.empty()) {
        app->footer([commands] { return OtherCommands(commands); });
    }
    try {
        std::vector<std::string> reversed = KeepNegativeNumbersPositional(*app, arguments);
        std::reverse(reversed.begin(), reversed.end());
        app->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::cout << app->help();
        return 0;
    } catch (const CLI::ParseError& error) {
        std::cerr << ProgramName << ": " << error.what() << '\n'
                  << UsageLine(*app) << "Run " << app->get_name() << " --help for more.\n";
        return 2;
    }
    return command->Run(argv[0]);
}

void AddFrequency(CLI::App& app, std::string& frequency) {
    app.add_option("FREQUENCY", frequency,
                   "the design frequency in MHz, such as 137.50: digits\n"
                   "with an optional point, sign and exponent")
        ->required();
}

void AddStyle(CLI::App& app, const StyleEntry*& style) {
    const CLI::Validator known(
        [](std::string& name) {
            return FindStyle(name) == nullptr
                       ? "unknown style " + name + " (the styles are " + StyleNames() + ")"
                       : std::string();
        },
        "");
    app.add_option_function<std::string>(
           "STYLE", [&style](const std::string& name) { style = FindStyle(name); },
           "the style: " + StyleNames(3))
        ->required()
        ->check(known);
}

void AddJson(CLI::App& app, bool& json) {
    app.add_flag("--json", json, "print one JSON object instead of a table");
}

void AddPolarisation(CLI::App& app, Polarisation& sense) {
    app.add_flag_callback(
        "--lhcp", [&sense] { sense = Polarisation::Lhcp; },
        "the mirror image, for left-hand circular polarisation\n"
        "(the default is right-hand, as weather satellites\n"
        "transmit)");
}

void AddConductorDiameter(CLI::App& app, std::string& diameter) {
    app.add_option("--conductor-diameter", diameter,
                   "the builder's tube or wire, outside diameter in mm\n"
                   "(default: the calculator's tube diameter)")
        ->type_name("MM");
}

void AddZ0(CLI::App& app, std::string& z0) {
    app.add_option("--z0", z0, "the line's impedance the match is made to, in ohm\n(default 50)")
        ->type_name("OHM");
}

void AddInstallationOptions(CLI::App& app, InstallationArguments& arguments,
                            bool withMastDiameter) {
    std::string presets;
    for (const GroundPreset& preset : GroundPresets) {
        std::ostringstream line;
        line.imbue(std::locale::classic());
        line << "\n  " << preset.Name << ": permittivity " << preset.Permittivity << ", "
             << preset.ConductivitySPerM << " S/m";
        presets += line.str();
    }
    std::vector<std::string> grounds{"free", "perfect", "real"};
    for (const GroundPreset& preset : GroundPresets) {
        grounds.emplace_back(preset.Name);
    }
    app.add_option("--ground", arguments.Ground,
                   "the ground under the antenna: free (space, the default),\n"
                   "perfect, real (Sommerfeld-Norton, see the two options\n"
                   "below) or a named real ground:" +
                       presets)
        ->type_name("GROUND")
        ->check(CLI::IsMember(grounds));
    app.add_option("--ground-permittivity", arguments.Permittivity,
                   "a real ground's relative permittivity (default 13)")
        ->type_name("EPS");
    app.add_option("--ground-conductivity", arguments.Conductivity,
                   "a real ground's conductivity in S/m (default 0.005)")
        ->type_name("S_PER_M");
    app.add_option("--height", arguments.Height,
                   "of the antenna's lowest point above the ground, in m\n(default 3)")
        ->type_name("M");
    app.add_option("--mast", arguments.Mast,
                   "none (the default), insulating (not modelled) or metal:\n"
                   "a conductor on the axis from the antenna's bottom down\nto the ground")
        ->type_name("MAST")
        ->check(CLI::IsMember({"none", "insulating", "metal"}));
    if (withMastDiameter) {
        app.add_option("--mast-diameter", arguments.MastDiameter,
                       "a metal mast's outside diameter in mm (default 32)")
            ->type_name("MM");
    }
    app.add_option("--mast-length", arguments.MastLength,
                   "in free space, how far the mast and the coax run below\n"
                   "the antenna, in m (default 2)")
        ->type_name("M");
    app.add_option("--feedline", arguments.Feedline,
                   "none (the default), bare or choked: the coax's braid\n"
                   "from the feed down the axis and on below the antenna")
        ->type_name("LINE")
        ->check(CLI::IsMember({"none", "bare", "choked"}));
    app.add_option("--choke-ohm", arguments.ChokeOhm,
                   "the choke's series impedance, resistive, in ohm\n(default 1000)")
        ->type_name("R");
}

std::optional<std::string> ReadInstallation(const InstallationArguments& a,
                                            Installation& installation) {
    Installation read;
    const std::string ground = a.Ground.empty() ? "free" : a.Ground;
    read.GroundName = ground;
    if (ground == "perfect") {
        read.Ground = GroundKind::Perfect;
    } else if (ground != "free") {
        read.Ground = GroundKind::Real;
        if (const std::optional<GroundPreset> preset = FindGroundPreset(ground)) {
            read.Permittivity = preset->Permittivity;
            read.ConductivitySPerM = preset->ConductivitySPerM;
        }
    }
    read.Mast = a.Mast == "metal"        ? MastKind::Metal
                : a.Mast == "insulating" ? MastKind::Insulating
                                         : MastKind::None;
    read.Feedline = a.Feedline == "bare"     ? FeedlineKind::Bare
                    : a.Feedline == "choked" ? FeedlineKind::Choked
                                             : FeedlineKind::None;
    if (!a.Height.empty() && !read.HasGround()) {
        return std::string(
            "--height needs a ground (--ground perfect, real, ...): in free space "
            "the antenna has no height");
    }
    if ((!a.Permittivity.empty() || !a.Conductivity.empty()) && read.Ground != GroundKind::Real) {
        return std::string(
            "--ground-permittivity and --ground-conductivity are a real "
            "ground's: give --ground real");
    }
    if (!a.MastLength.empty() && read.HasGround()) {
        return std::string(
            "--mast-length is for free space: over a ground the mast and the coax "
            "reach down to it");
    }
    if (!a.ChokeOhm.empty() && read.Feedline != FeedlineKind::Choked) {
        return std::string("--choke-ohm needs --feedline choked");
    }
    struct Field {
        const std::string& Text;
        const char* Option;
        double& Value;
    };
    for (const Field& field :
         {Field{a.Permittivity, "--ground-permittivity", read.Permittivity},
          Field{a.Conductivity, "--ground-conductivity", read.ConductivitySPerM},
          Field{a.Height, "--height", read.HeightM},
          Field{a.MastDiameter, "--mast-diameter", read.MastDiameterMm},
          Field{a.MastLength, "--mast-length", read.MastLengthM},
          Field{a.ChokeOhm, "--choke-ohm", read.ChokeOhm}}) {
        if (field.Text.empty()) {
            continue;
        }
        const std::optional<double> value = ReadNumber(field.Text);
        if (!value) {
            return std::string(field.Option) + " must be a number, not \"" + field.Text + "\"";
        }
        field.Value = *value;
    }
    if (read.Ground == GroundKind::Real && (!a.Permittivity.empty() || !a.Conductivity.empty())) {
        read.GroundName = "real";
    }
    try {
        RequireBuildable(read);
    } catch (const ModelError& error) {
        return error.Detail();
    }
    installation = read;
    return std::nullopt;
}

std::optional<double> ReadNumber(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, last - first + 1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ReadPositiveNumber(std::string_view text) {
    const std::optional<double> value = ReadNumber(text);
    return value && *value > 0.0 ? value : std::nullopt;
}

}  // namespace zandrel
