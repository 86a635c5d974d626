#include "one_port.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <numbers>
#include <optional>
#include <utility>

#include "measurement_error.h"

namespace zandrel {

namespace {

constexpr std::size_t FewestPoints = 5;
constexpr std::uintmax_t LargestFileBytes = 64u * 1024u * 1024u;
// More points than any instrument measures (they stop at about 100,000); it bounds the memory a
// measurement, and the fit's copy of it, take whatever the file's size.
constexpr std::size_t MostPoints = 200'000;
// What is kept of one line: far more than a line of values and its comment need. The rest of a
// longer line is read past, never kept.
constexpr std::size_t KeptLineBytes = 4096;
constexpr std::size_t ReadBytes = 64 * 1024;
constexpr double CsvReferenceOhm = 50.0;
constexpr double MHzPerHz = 1e-6;
// Below this, every frequency of a CSV (in Hz) looks like one written in MHz.
constexpr double LowestCsvHz = 100'000.0;

struct Line {
    std::size_t Number = 0;  // from 1
    std::string_view Text;   // at most KeptLineBytes, without its line end
    bool Cut = false;        // the line went on past Text
};

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

// The first `most` whitespace-separated tokens of `text`, and how many it holds in all.
struct SomeTokens {
    std::array<std::string_view, 4> First;
    std::size_t Count = 0;
};

SomeTokens Tokens(std::string_view text) {
    SomeTokens tokens;
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
            if (tokens.Count < tokens.First.size()) {
                tokens.First[tokens.Count] = text.substr(start, i - start);
            }
            ++tokens.Count;
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

// A frequency in MHz written in Hz: a whole number of Hz, as a VNA sends it, stays whole, so
// that it reads back as the same number of MHz.
std::string Hertz(double mhz) {
    const double hz = mhz / MHzPerHz;
    return Exact(std::abs(hz - std::round(hz)) < 1e-3 ? std::round(hz) : hz);
}

[[noreturn]] void Fail(std::size_t lineNumber, const std::string& what) {
    throw MeasurementError(MeasurementErrorKind::Unreadable,
                           "line " + std::to_string(lineNumber) + ": " + what);
}

double Number(std::size_t lineNumber, std::string_view token) {
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
                    const std::optional<double>& previous) {
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

// A line of values that goes on past what is kept of it is refused for its length.
void RefuseCut(const Line& line, const char* expected) {
    if (line.Cut) {
        Fail(line.Number, "more than " + std::to_string(KeptLineBytes) +
                              " characters of values where a line has " + expected);
    }
}

enum class ValueFormat { RealImaginary, MagnitudeAngle, DecibelAngle };

struct TouchstoneOptions {
    double MHzPerUnit = 1e3;  // GHz where the line names no unit
    ValueFormat Format = ValueFormat::MagnitudeAngle;
    double ReferenceOhm = 50.0;
};

TouchstoneOptions ReadOptions(const Line& line, std::string_view content) {
    TouchstoneOptions options;
    content.remove_prefix(1);  // the '#'
    std::size_t i = 0;
    const auto next = [&content, &i]() -> std::string_view {
        while (i < content.size() && IsSpace(content[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < content.size() && !IsSpace(content[i])) {
            ++i;
        }
        return content.substr(start, i - start);
    };
    for (std::string_view token = next(); !token.empty(); token = next()) {
        const std::string option = Lower(token);
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
            Fail(line.Number,
                 "the file holds " + option + " parameters; only S parameters (S11) are read");
        } else if (option == "ri") {
            options.Format = ValueFormat::RealImaginary;
        } else if (option == "ma") {
            options.Format = ValueFormat::MagnitudeAngle;
        } else if (option == "db") {
            options.Format = ValueFormat::DecibelAngle;
        } else if (option == "r") {
            const std::string_view value = next();
            if (value.empty()) {
                Fail(line.Number, "the reference resistance R has no value");
            }
            options.ReferenceOhm = Number(line.Number, value);
            if (!(options.ReferenceOhm >= LowestReferenceOhm &&
                  options.ReferenceOhm <= HighestReferenceOhm)) {
                Fail(line.Number, "the reference resistance " + Quoted(value) +
                                      " ohm is outside 1 to 1000 ohm, where VNAs measure");
            }
        } else {
            Fail(line.Number, Quoted(token) + " is not a Touchstone option");
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

// The first four comma-separated fields of `text`, trimmed, and how many it holds in all.
SomeTokens CsvFields(std::string_view text) {
    SomeTokens fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        if (fields.Count < fields.First.size()) {
            fields.First[fields.Count] = Trimmed(text.substr(start, comma - start));
        }
        ++fields.Count;
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

// Reads a measurement one line at a time, keeping nothing of a line once it is read.
class MeasurementParser {
  public:
    void Read(const Line& line) {
        lastLine_ = line.Number;
        if (!format_) {
            const std::string_view content = Trimmed(line.Text);
            if (content.empty() || content.front() == '!') {
                return;
            }
            if (content.front() == '#' || content.front() == '[') {
                format_ = MeasurementFormat::Touchstone;
            } else if (content.find(',') != std::string_view::npos) {
                format_ = MeasurementFormat::Csv;
                measurement_.ReferenceOhm = CsvReferenceOhm;
            } else {
                Fail(line.Number,
                     "neither a Touchstone option line (# ...) nor comma-separated values");
            }
            measurement_.Format = *format_;
        }
        if (*format_ == MeasurementFormat::Touchstone) {
            ReadTouchstoneLine(line);
        } else {
            ReadCsvLine(line);
        }
    }

    Measurement Finish() {
        const std::size_t last = std::max<std::size_t>(1, lastLine_);
        if (!format_) {
            Fail(last, "the file holds no points");
        }
        if (measurement_.Points.size() < FewestPoints) {
            Fail(last, "the file ends after " + std::to_string(measurement_.Points.size()) +
                           (measurement_.Points.size() == 1 ? " point" : " points") +
                           "; at least " + std::to_string(FewestPoints) + " are needed");
        }
        if (*format_ == MeasurementFormat::Csv &&
            measurement_.Points.back().FrequencyMHz < LowestCsvHz * MHzPerHz) {
            throw MeasurementError(
                MeasurementErrorKind::Unreadable,
                "every frequency is below 100000 Hz: they look like MHz, but a CSV's frequencies "
                "are read in Hz; write them in Hz");
        }
        return std::move(measurement_);
    }

  private:
    void AddPoint(std::size_t lineNumber, double frequency, std::complex<double> reflection) {
        if (measurement_.Points.size() == MostPoints) {
            Fail(lineNumber,
                 "more than " + std::to_string(MostPoints) + " points; no measurement has so many");
        }
        measurement_.Points.push_back({frequency, reflection, lineNumber});
    }

    void ReadTouchstoneLine(const Line& line) {
        const std::size_t comment = line.Text.find('!');
        const std::string_view content = Trimmed(line.Text.substr(0, comment));
        if (content.empty()) {
            return;
        }
        if (content.front() == '#') {
            if (!options_) {  // as in version 1, a later option line is ignored
                if (comment == std::string_view::npos) {
                    RefuseCut(line, "a few options");
                }
                options_ = ReadOptions(line, content);
                measurement_.ReferenceOhm = options_->ReferenceOhm;
            }
            return;
        }
        if (content.front() == '[') {
            Fail(line.Number, "a Touchstone version 2 keyword; only version 1 files are read");
        }
        if (!options_) {
            Fail(line.Number, "data before the option line (# ...)");
        }
        if (comment == std::string_view::npos) {
            RefuseCut(line, "3 values");
        }
        const SomeTokens tokens = Tokens(content);
        if (tokens.Count != 3) {
            Fail(line.Number,
                 std::to_string(tokens.Count) +
                     " values where a one-port file has 3: frequency and S11 in two parts");
        }
        const double frequency = Number(line.Number, tokens.First[0]) * options_->MHzPerUnit;
        CheckFrequency(line.Number, tokens.First[0], frequency, previous_);
        previous_ = frequency;
        const std::complex<double> reflection =
            Reflection(options_->Format, Number(line.Number, tokens.First[1]),
                       Number(line.Number, tokens.First[2]));
        if (!std::isfinite(reflection.real()) || !std::isfinite(reflection.imag())) {
            Fail(line.Number, "S11 " + Quoted(tokens.First[1]) + " " + Quoted(tokens.First[2]) +
                                  " is not finite");
        }
        AddPoint(line.Number, frequency, reflection);
    }

    void ReadCsvLine(const Line& line) {
        const std::string_view content = Trimmed(line.Text);
        if (content.empty() || content.front() == '!') {
            return;
        }
        const SomeTokens fields = CsvFields(line.Text);
        if (first_ && !LooksLikeNumber(fields.First[0])) {
            first_ = false;
            if (fields.Count == 3 && ((Lower(fields.First[1]).starts_with("real") &&
                                       Lower(fields.First[2]).starts_with("imag")) ||
                                      Lower(fields.First[1]).find("s11") != std::string::npos)) {
                Fail(line.Number,
                     "the columns are named as a reflection coefficient's (real, "
                     "imaginary); a CSV is read as frequency (Hz), R, X in ohm");
            }
            return;  // the header line
        }
        first_ = false;
        RefuseCut(line, "3 values: frequency (Hz), R, X");
        if (fields.Count != 3) {
            Fail(line.Number,
                 std::to_string(fields.Count) + " values where a line has 3: frequency (Hz), R, X");
        }
        const double frequency = Number(line.Number, fields.First[0]) * MHzPerHz;
        CheckFrequency(line.Number, fields.First[0], frequency, previous_);
        previous_ = frequency;
        const double resistance = Number(line.Number, fields.First[1]);
        const double reactance = Number(line.Number, fields.First[2]);
        if (resistance < 0.0) {
            Fail(line.Number, "the resistance " + Quoted(fields.First[1]) + " is below zero");
        }
        const std::complex<double> reflection =
            ReflectionOf({resistance, reactance}, measurement_.ReferenceOhm);
        if (!std::isfinite(reflection.real()) || !std::isfinite(reflection.imag())) {
            Fail(line.Number, "the impedance " + Quoted(fields.First[1]) + " " +
                                  Quoted(fields.First[2]) + " is not finite on 50 ohm");
        }
        AddPoint(line.Number, frequency, reflection);
    }

    std::optional<MeasurementFormat> format_;
    Measurement measurement_;
    std::optional<TouchstoneOptions> options_;
    std::optional<double> previous_;
    bool first_ = true;
    std::size_t lastLine_ = 0;
};

// Splits bytes that arrive in pieces into lines ended by LF, CR LF or CR alone, keeping at most
// KeptLineBytes of each, and gives each line to the parser as it ends.
class LineSplitter {
  public:
    explicit LineSplitter(MeasurementParser& parser) : parser_(parser) {
        kept_.reserve(KeptLineBytes);
    }

    void Take(std::string_view bytes) {
        if (start_) {
            start_ = false;
            CheckStart(bytes);
        }
        while (!bytes.empty()) {
            if (afterCr_) {
                afterCr_ = false;
                if (bytes.front() == '\n') {
                    bytes.remove_prefix(1);
                    continue;
                }
            }
            std::size_t end = 0;
            while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') {
                ++end;
            }
            Keep(bytes.substr(0, end));
            if (end == bytes.size()) {
                return;
            }
            afterCr_ = bytes[end] == '\r';
            bytes.remove_prefix(end + 1);
            EndLine();
        }
    }

    // Ends the last line, when the bytes did not end with a line end.
    void Finish() {
        if (!kept_.empty() || cut_) {
            EndLine();
        }
    }

  private:
    // Refuses the text of another encoding than ASCII or UTF-8, and reads past UTF-8's mark.
    void CheckStart(std::string_view& bytes) const {
        constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
        const bool utf16Mark = bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
        // Without its mark, UTF-16 shows as a zero byte beside each ASCII character.
        const bool utf16Text = bytes.size() >= 2 && ((bytes[0] != '\0') != (bytes[1] != '\0'));
        if (utf16Mark || utf16Text) {
            throw MeasurementError(MeasurementErrorKind::Unreadable,
                                   "saved as UTF-16: save it as UTF-8 or ASCII");
        }
        if (bytes.starts_with(Utf8Mark)) {
            bytes.remove_prefix(Utf8Mark.size());
        }
    }

    void Keep(std::string_view piece) {
        const std::size_t room = KeptLineBytes - kept_.size();
        kept_.append(piece.substr(0, room));
        cut_ = cut_ || piece.size() > room;
    }

    void EndLine() {
        parser_.Read({++number_, kept_, cut_});
        kept_.clear();
        cut_ = false;
    }

    MeasurementParser& parser_;
    std::string kept_;
    bool cut_ = false;
    bool afterCr_ = false;
    bool start_ = true;
    std::size_t number_ = 0;
};

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
    MeasurementParser parser;
    LineSplitter lines(parser);
    lines.Take(text);
    lines.Finish();
    return parser.Finish();
}

Measurement ReadMeasurementStream(std::istream& stream) {
    MeasurementParser parser;
    LineSplitter lines(parser);
    std::vector<char> buffer(ReadBytes);
    std::uintmax_t total = 0;
    while (stream) {
        stream.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(stream.gcount());
        total += got;
        if (total > LargestFileBytes) {
            throw MeasurementError(MeasurementErrorKind::FileNotOpened,
                                   "larger than any measurement (more than " +
                                       std::to_string(LargestFileBytes / (1024u * 1024u)) +
                                       " MiB)");
        }
        lines.Take({buffer.data(), got});
    }
    if (stream.bad()) {
        throw MeasurementError(MeasurementErrorKind::FileNotOpened, "it cannot be read");
    }
    lines.Finish();
    return parser.Finish();
}

Measurement ReadMeasurementFile(const std::filesystem::path& path) {
    if (path == "-") {
        return ReadMeasurementStream(std::cin);
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) {
        throw MeasurementError(MeasurementErrorKind::FileNotOpened, error.message());
    }
    if (std::filesystem::is_directory(status)) {
        throw MeasurementError(MeasurementErrorKind::FileNotOpened, "it is a folder");
    }
    if (std::filesystem::is_regular_file(status)) {
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error && size > LargestFileBytes) {
            throw MeasurementError(
                MeasurementErrorKind::FileNotOpened,
                "larger than any measurement (" + std::to_string(size / (1024u * 1024u)) + " MiB)");
        }
    }
    // A pipe or a FIFO is read as a stream, as a regular file is.
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw MeasurementError(MeasurementErrorKind::FileNotOpened,
                               "it cannot be read: " + std::string(std::strerror(errno)));
    }
    return ReadMeasurementStream(file);
}

std::string WriteTouchstone(const Measurement& measurement,
                            const std::vector<std::string>& comments, FrequencyUnit unit) {
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
    const bool hertz = unit == FrequencyUnit::Hz;
    text +=
        std::string(hertz ? "# Hz" : "# MHz") + " S RI R " + Exact(measurement.ReferenceOhm) + "\n";
    for (const MeasuredPoint& point : measurement.Points) {
        for (const double value :
             {point.FrequencyMHz, point.Reflection.real(), point.Reflection.imag()}) {
            if (!std::isfinite(value)) {
                NotWritten("a point is not a finite number");
            }
        }
        text += (hertz ? Hertz(point.FrequencyMHz) : Exact(point.FrequencyMHz)) + " " +
                Exact(point.Reflection.real()) + " " + Exact(point.Reflection.imag()) + "\n";
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
