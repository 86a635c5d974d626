#include "one_port.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <numbers>
#include <optional>
#include <sstream>

#include "measurement_error.h"

namespace zandrel {

namespace {

constexpr std::size_t FewestPoints = 5;
constexpr std::uintmax_t LargestFileBytes = 64u * 1024u * 1024u;
constexpr double CsvReferenceOhm = 50.0;
constexpr double MHzPerHz = 1e-6;

struct Line {
    std::size_t Number = 0;  // from 1
    std::string_view Text;
};

std::vector<Line> SplitLines(std::string_view text) {
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark) {
        text.remove_prefix(ByteOrderMark.size());
    }
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back({lines.size() + 1, line});
        start = end + 1;
    }
    return lines;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && !IsSpace(text[i])) {
            ++i;
        }
        if (i > start) {
            tokens.push_back(text.substr(start, i - start));
        }
    }
    return tokens;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// A token quoted in a message, cut short when it is long.
std::string Quoted(std::string_view token) {
    constexpr std::size_t Longest = 24;
    std::string text(token.substr(0, Longest));
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
            c = '?';
        }
    }
    return "\"" + text + (token.size() > Longest ? "...\"" : "\"");
}

// The shortest text that reads back to the same double, whatever the locale.
std::string Exact(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// Reads the lines of one file, failing with the number of the line being read.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : lines_(SplitLines(text)) {}

    const std::vector<Line>& Lines() const { return lines_; }

    [[noreturn]] void Fail(std::size_t lineNumber, const std::string& what) const {
        throw MeasurementError(MeasurementErrorKind::Unreadable,
                               "line " + std::to_string(lineNumber) + ": " + what);
    }

    double Number(std::size_t lineNumber, std::string_view token) const {
        std::string_view digits = token;
        if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-' && digits[1] != '+') {
            digits.remove_prefix(1);
        }
        double value = 0.0;
        const char* end = digits.data() + digits.size();
        const auto result = std::from_chars(digits.data(), end, value);
        if (result.ptr != end ||
            (result.ec != std::errc() && result.ec != std::errc::result_out_of_range)) {
            Fail(lineNumber, Quoted(token) + " is not a number");
        }
        if (result.ec == std::errc::result_out_of_range) {
            // Too small to hold is zero; too large is not finite.
            const std::size_t exponent = digits.find_first_of("eE");
            if (exponent != std::string_view::npos && exponent + 1 < digits.size() &&
                digits[exponent + 1] == '-') {
                return 0.0;
            }
            Fail(lineNumber, Quoted(token) + " is not a finite number");
        }
        if (!std::isfinite(value)) {
            Fail(lineNumber, Quoted(token) + " is not a finite number");
        }
        return value;
    }

    // Checks that a point's frequency, in MHz, is finite, not negative and rises.
    void CheckFrequency(std::size_t lineNumber, std::string_view token, double frequency,
                        const std::optional<double>& previous) const {
        if (!std::isfinite(frequency)) {
            Fail(lineNumber, "the frequency " + Quoted(token) + " is too large");
        }
        if (frequency < 0.0) {
            Fail(lineNumber, "the frequency " + Quoted(token) + " is below zero");
        }
        if (previous && frequency <= *previous) {
            Fail(lineNumber,
                 "the frequency " + Quoted(token) + " does not rise above the previous point's");
        }
    }

    void CheckEnough(const Measurement& measurement) const {
        if (measurement.Points.size() < FewestPoints) {
            Fail(std::max<std::size_t>(1, lines_.size()),
                 "the file ends after " + std::to_string(measurement.Points.size()) +
                     (measurement.Points.size() == 1 ? " point" : " points") + "; at least " +
                     std::to_string(FewestPoints) + " are needed");
        }
    }

  private:
    std::vector<Line> lines_;
};

enum class ValueFormat { RealImaginary, MagnitudeAngle, DecibelAngle };

struct TouchstoneOptions {
    double MHzPerUnit = 1e3;  // GHz where the line names no unit
    ValueFormat Format = ValueFormat::MagnitudeAngle;
    double ReferenceOhm = 50.0;
};

TouchstoneOptions ReadOptions(const LineReader& reader, const Line& line,
                              std::string_view content) {
    TouchstoneOptions options;
    content.remove_prefix(1);  // the '#'
    const std::vector<std::string_view> tokens = Tokens(content);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string option = Lower(tokens[i]);
        if (option == "hz") {
            options.MHzPerUnit = 1e-6;
        } else if (option == "khz") {
            options.MHzPerUnit = 1e-3;
        } else if (option == "mhz") {
            options.MHzPerUnit = 1.0;
        } else if (option == "ghz") {
            options.MHzPerUnit = 1e3;
        } else if (option == "s") {
        } else if (option == "y" || option == "z" || option == "h" || option == "g") {
            reader.Fail(line.Number, "the file holds " + Lower(tokens[i]) +
                                         " parameters; only S parameters (S11) are read");
        } else if (option == "ri") {
            options.Format = ValueFormat::RealImaginary;
        } else if (option == "ma") {
            options.Format = ValueFormat::MagnitudeAngle;
        } else if (option == "db") {
            options.Format = ValueFormat::DecibelAngle;
        } else if (option == "r") {
            if (i + 1 == tokens.size()) {
                reader.Fail(line.Number, "the reference resistance R has no value");
            }
            options.ReferenceOhm = reader.Number(line.Number, tokens[++i]);
            if (!(options.ReferenceOhm >= LowestReferenceOhm &&
                  options.ReferenceOhm <= HighestReferenceOhm)) {
                reader.Fail(line.Number, "the reference resistance " + Quoted(tokens[i]) +
                                             " ohm is outside 1 to 1000 ohm, where VNAs measure");
            }
        } else {
            reader.Fail(line.Number, Quoted(tokens[i]) + " is not a Touchstone option");
        }
    }
    return options;
}

std::complex<double> Reflection(ValueFormat format, double first, double second) {
    if (format == ValueFormat::RealImaginary) {
        return {first, second};
    }
    const double magnitude =
        format == ValueFormat::MagnitudeAngle ? first : std::pow(10.0, first / 20.0);
    const double angle = second * std::numbers::pi / 180.0;
    return {magnitude * std::cos(angle), magnitude * std::sin(angle)};
}

Measurement ReadTouchstone(const LineReader& reader) {
    Measurement measurement;
    measurement.Format = MeasurementFormat::Touchstone;
    std::optional<TouchstoneOptions> options;
    std::optional<double> previous;
    for (const Line& line : reader.Lines()) {
        const std::string_view content = Trimmed(line.Text.substr(0, line.Text.find('!')));
        if (content.empty()) {
            continue;
        }
        if (content.front() == '#') {
            if (!options) {  // as in version 1, a later option line is ignored
                options = ReadOptions(reader, line, content);
                measurement.ReferenceOhm = options->ReferenceOhm;
            }
            continue;
        }
        if (content.front() == '[') {
            reader.Fail(line.Number,
                        "a Touchstone version 2 keyword; only version 1 files are read");
        }
        if (!options) {
            reader.Fail(line.Number, "data before the option line (# ...)");
        }
        const std::vector<std::string_view> tokens = Tokens(content);
        if (tokens.size() != 3) {
            reader.Fail(line.Number,
                        std::to_string(tokens.size()) +
                            " values where a one-port file has 3: frequency and S11 in two parts");
        }
        const double frequency = reader.Number(line.Number, tokens[0]) * options->MHzPerUnit;
        reader.CheckFrequency(line.Number, tokens[0], frequency, previous);
        previous = frequency;
        const std::complex<double> reflection =
            Reflection(options->Format, reader.Number(line.Number, tokens[1]),
                       reader.Number(line.Number, tokens[2]));
        if (!std::isfinite(reflection.real()) || !std::isfinite(reflection.imag())) {
            reader.Fail(line.Number,
                        "S11 " + Quoted(tokens[1]) + " " + Quoted(tokens[2]) + " is not finite");
        }
        measurement.Points.push_back({frequency, reflection, line.Number});
    }
    reader.CheckEnough(measurement);
    return measurement;
}

std::vector<std::string_view> CsvFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(Trimmed(text.substr(start, comma - start)));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

bool LooksLikeNumber(std::string_view field) {
    return !field.empty() && (std::isdigit(static_cast<unsigned char>(field.front())) != 0 ||
                              field.front() == '+' || field.front() == '-' || field.front() == '.');
}

Measurement ReadCsv(const LineReader& reader) {
    Measurement measurement;
    measurement.Format = MeasurementFormat::Csv;
    measurement.ReferenceOhm = CsvReferenceOhm;
    std::optional<double> previous;
    bool first = true;
    for (const Line& line : reader.Lines()) {
        const std::string_view content = Trimmed(line.Text);
        if (content.empty() || content.front() == '!') {
            continue;
        }
        const std::vector<std::string_view> fields = CsvFields(line.Text);
        if (first && !LooksLikeNumber(fields.front())) {
            first = false;
            if (fields.size() == 3 &&
                ((Lower(fields[1]).starts_with("real") && Lower(fields[2]).starts_with("imag")) ||
                 Lower(fields[1]).find("s11") != std::string::npos)) {
                reader.Fail(line.Number,
                            "the columns are named as a reflection coefficient's (real, "
                            "imaginary); a CSV is read as frequency (Hz), R, X in ohm");
            }
            continue;  // the header line
        }
        first = false;
        if (fields.size() != 3) {
            reader.Fail(line.Number, std::to_string(fields.size()) +
                                         " values where a line has 3: frequency (Hz), R, X");
        }
        const double frequency = reader.Number(line.Number, fields[0]) * MHzPerHz;
        reader.CheckFrequency(line.Number, fields[0], frequency, previous);
        previous = frequency;
        const double resistance = reader.Number(line.Number, fields[1]);
        const double reactance = reader.Number(line.Number, fields[2]);
        if (resistance < 0.0) {
            reader.Fail(line.Number, "the resistance " + Quoted(fields[1]) + " is below zero");
        }
        const std::complex<double> reflection =
            ReflectionOf({resistance, reactance}, measurement.ReferenceOhm);
        if (!std::isfinite(reflection.real()) || !std::isfinite(reflection.imag())) {
            reader.Fail(line.Number, "the impedance " + Quoted(fields[1]) + " " +
                                         Quoted(fields[2]) + " is not finite on 50 ohm");
        }
        measurement.Points.push_back({frequency, reflection, line.Number});
    }
    reader.CheckEnough(measurement);
    return measurement;
}

[[noreturn]] void NotWritten(const std::string& what) {
    throw MeasurementError(MeasurementErrorKind::FileNotWritten, what);
}

}  // namespace

std::complex<double> ReflectionOf(std::complex<double> impedance, double referenceOhm) {
    return (impedance - referenceOhm) / (impedance + referenceOhm);
}

std::complex<double> ImpedanceOf(std::complex<double> reflection, double referenceOhm) {
    const std::complex<double> below = 1.0 - reflection;
    if (below == 0.0) {
        return {std::numeric_limits<double>::infinity(), 0.0};
    }
    return referenceOhm * (1.0 + reflection) / below;
}

double SwrOf(std::complex<double> reflection) {
    const double magnitude = std::abs(reflection);
    return magnitude >= 1.0 ? std::numeric_limits<double>::infinity()
                            : (1.0 + magnitude) / (1.0 - magnitude);
}

Measurement ReadMeasurement(std::string_view text) {
    const LineReader reader(text);
    for (const Line& line : reader.Lines()) {
        const std::string_view content = Trimmed(line.Text);
        if (content.empty() || content.front() == '!') {
            continue;
        }
        if (content.front() == '#' || content.front() == '[') {
            return ReadTouchstone(reader);
        }
        if (content.find(',') != std::string_view::npos) {
            return ReadCsv(reader);
        }
        reader.Fail(line.Number,
                    "neither a Touchstone option line (# ...) nor comma-separated values");
    }
    reader.Fail(std::max<std::size_t>(1, reader.Lines().size()), "the file holds no points");
}

Measurement ReadMeasurementFile(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        throw MeasurementError(MeasurementErrorKind::FileNotOpened,
                               path.string() + ": " + error.message());
    }
    if (size > LargestFileBytes) {
        throw MeasurementError(MeasurementErrorKind::FileNotOpened,
                               path.string() + ": larger than any measurement (" +
                                   std::to_string(size / (1024u * 1024u)) + " MiB)");
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf())) {
        if (size != 0) {
            throw MeasurementError(MeasurementErrorKind::FileNotOpened,
                                   path.string() + ": it cannot be read");
        }
    }
    return ReadMeasurement(text.str());
}

std::string WriteTouchstone(const Measurement& measurement,
                            const std::vector<std::string>& comments) {
    if (!(measurement.ReferenceOhm > 0.0) || !std::isfinite(measurement.ReferenceOhm)) {
        NotWritten("the reference resistance is not a positive number");
    }
    std::string text;
    for (const std::string& comment : comments) {
        std::string line = comment;
        for (char& c : line) {
            if (c == '\n' || c == '\r') {
                c = ' ';
            }
        }
        text += "! " + line + "\n";
    }
    text += "# MHz S RI R " + Exact(measurement.ReferenceOhm) + "\n";
    for (const MeasuredPoint& point : measurement.Points) {
        for (const double value :
             {point.FrequencyMHz, point.Reflection.real(), point.Reflection.imag()}) {
            if (!std::isfinite(value)) {
                NotWritten("a point is not a finite number");
            }
        }
        text += Exact(point.FrequencyMHz) + " " + Exact(point.Reflection.real()) + " " +
                Exact(point.Reflection.imag()) + "\n";
    }
    return text;
}

void WriteTouchstoneFile(const std::filesystem::path& path, const Measurement& measurement,
                         const std::vector<std::string>& comments) {
    const std::string text = WriteTouchstone(measurement, comments);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file || !file.write(text.data(), static_cast<std::streamsize>(text.size())) ||
        !file.flush()) {
        NotWritten(path.string());
    }
}

}  // namespace zandrel
