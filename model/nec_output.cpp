#include "nec_output.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <deque>
#include <numbers>
#include <optional>

#include "file_names.h"
#include "model_error.h"

namespace zandrel {

namespace {

constexpr std::string_view EndMarker = "TOTAL RUN TIME";

// The text's lines one after another, without their line breaks, not kept: an output of a
// million empty lines costs no memory.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line) {
        if (start_ >= text_.size()) {
            return false;
        }
        std::size_t end = text_.find('\n', start_);
        if (end == std::string_view::npos) {
            end = text_.size();
        }
        line = text_.substr(start_, end - start_);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        start_ = end + 1;
        ++number_;
        return true;
    }
    // The number of the line Next() gave last, from 1.
    std::size_t Number() const { return number_; }

  private:
    std::string_view text_;
    std::size_t start_ = 0;
    std::size_t number_ = 0;
};

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            tokens.push_back(line.substr(start, i - start));
        }
    }
    return tokens;
}

bool IsBlank(std::string_view line) { return Tokens(line).empty(); }

// A line of the engine's as a terminal or a window may show it: its words with single spaces,
// every control character (a terminal sequence's ESC included) and every byte that is not
// UTF-8 as '?', and cut after ShownLineLimit characters.
std::string ShownLine(std::string_view line) {
    constexpr std::size_t ShownLineLimit = 200;
    std::string joined;
    for (const std::string_view token : Tokens(line)) {
        joined += (joined.empty() ? "" : " ") + std::string(token);
    }
    return ShownText(joined, ShownLineLimit);
}

class Reader {
  public:
    explicit Reader(std::string_view text) : lines_(text) {}

    NecOutput Read() {
        bool ended = false;
        std::string_view line;
        while (lines_.Next(line)) {
            if (line.find("FREQUENCY :") != std::string_view::npos) {
                ReadFrequency(line);
            } else if (line.find("ANTENNA INPUT PARAMETERS") != std::string_view::npos) {
                ReadInputParameters();
            } else if (line.find("RADIATION PATTERNS") != std::string_view::npos) {
                ReadPattern();
            } else if (line.find(EndMarker) != std::string_view::npos) {
                ended = IsEndLine(line);
                break;
            }
        }
        if (!ended) {
            throw ModelError(ModelErrorKind::OutputUnreadable,
                             "the output ends before the run's end (truncated)");
        }
        if (output_.Runs.empty()) {
            throw ModelError(ModelErrorKind::OutputUnreadable, "the output holds no frequency");
        }
        for (const FrequencyRun& run : output_.Runs) {
            if (run.Sources.empty()) {
                throw ModelError(ModelErrorKind::OutputUnreadable,
                                 "a frequency has no antenna input parameters");
            }
        }
        return std::move(output_);
    }

  private:
    [[noreturn]] void Fail(std::string_view what) const {
        throw ModelError(ModelErrorKind::OutputUnreadable,
                         "line " + std::to_string(lines_.Number()) + ": " + std::string(what));
    }

    double Number(std::string_view token) const {
        double value = 0.0;
        const char* end = token.data() + token.size();
        const auto result = std::from_chars(token.data(), end, value);
        if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
            Fail("\"" + ShownLine(token.substr(0, 20)) + "\" is not a number");
        }
        return value;
    }

    int Integer(std::string_view token) const {
        int value = 0;
        const char* end = token.data() + token.size();
        const auto result = std::from_chars(token.data(), end, value);
        if (result.ec != std::errc() || result.ptr != end) {
            Fail("\"" + ShownLine(token.substr(0, 20)) + "\" is not a whole number");
        }
        return value;
    }

    // "TOTAL RUN TIME: 480 msec", whole: the last line nec2c writes.
    bool IsEndLine(std::string_view line) const {
        const std::vector<std::string_view> tokens =
            Tokens(line.substr(line.find(EndMarker) + EndMarker.size()));
        if (tokens.size() != 3 || tokens[0] != ":" || tokens[2] != "msec") {
            return false;
        }
        Integer(tokens[1]);
        return true;
    }

    std::string_view NextLine() {
        std::string_view line;
        if (!lines_.Next(line)) {
            Fail("a table is cut short");
        }
        return line;
    }

    FrequencyRun& CurrentRun() {
        if (output_.Runs.empty()) {
            Fail("a table comes before any frequency");
        }
        return output_.Runs.back();
    }

    void ReadFrequency(std::string_view line) {
        const std::vector<std::string_view> tokens = Tokens(line.substr(line.find(':') + 1));
        if (tokens.size() != 2 || tokens[1] != "MHz") {
            Fail("the frequency line is malformed");
        }
        const double frequency = Number(tokens[0]);
        if (frequency <= 0.0) {
            Fail("the frequency is not positive");
        }
        output_.Runs.push_back({frequency, {}, {}});
    }

    // Skips the table's header lines up to and including the one that starts with `last`.
    void SkipHeaderTo(std::string_view last) {
        for (int i = 0; i < 4; ++i) {
            const std::vector<std::string_view> tokens = Tokens(NextLine());
            if (!tokens.empty() && tokens.front() == last) {
                return;
            }
        }
        Fail("a table's header is malformed");
    }

    void ReadInputParameters() {
        FrequencyRun& run = CurrentRun();
        if (!run.Sources.empty()) {
            Fail("a frequency has two tables of input parameters");
        }
        SkipHeaderTo("No:");
        for (std::string_view line = NextLine(); !IsBlank(line); line = NextLine()) {
            const std::vector<std::string_view> t = Tokens(line);
            if (t.size() != 11) {
                Fail("an input parameter row does not have 11 columns");
            }
            run.Sources.push_back({Integer(t[0]),
                                   Integer(t[1]),
                                   {Number(t[2]), Number(t[3])},
                                   {Number(t[4]), Number(t[5])},
                                   {Number(t[6]), Number(t[7])}});
        }
        if (run.Sources.empty()) {
            Fail("the table of input parameters is empty");
        }
    }

    std::complex<double> Field(std::string_view magnitude, std::string_view phaseDeg) const {
        const double m = Number(magnitude);
        if (m < 0.0) {
            Fail("a field magnitude is negative");
        }
        return std::polar(m, Number(phaseDeg) * std::numbers::pi / 180.0);
    }

    void ReadPattern() {
        FrequencyRun& run = CurrentRun();
        if (!run.Pattern.empty()) {
            Fail("a frequency has two radiation patterns");
        }
        SkipHeaderTo("DEGREES");
        for (std::string_view line = NextLine(); !IsBlank(line); line = NextLine()) {
            std::vector<std::string_view> t = Tokens(line);
            // Over a ground, nec2c leaves the sense blank where the field has vanished, at the
            // horizon: the row has no sense's column.
            if (t.size() == 11) {
                if (Number(t[5]) != 0.0) {
                    Fail("a pattern row has no polarisation sense");
                }
                t.insert(t.begin() + 7, std::string_view{});
            }
            if (t.size() != 12) {
                Fail("a pattern row does not have 12 columns");
            }
            if (t[7] != "RIGHT" && t[7] != "LEFT" && t[7] != "LINEAR" && !t[7].empty()) {
                Fail("a pattern row has no polarisation sense");
            }
            Number(t[5]);  // the axial ratio and tilt are not used, but must be numbers
            Number(t[6]);
            run.Pattern.push_back({Number(t[0]), Number(t[1]), Number(t[2]), Number(t[3]),
                                   Number(t[4]), std::string(t[7]), Field(t[8], t[9]),
                                   Field(t[10], t[11])});
        }
        if (run.Pattern.empty()) {
            Fail("the radiation pattern is empty");
        }
    }

    Lines lines_;
    NecOutput output_;
};

}  // namespace

NecOutput ParseNecOutput(std::string_view text) { return Reader(text).Read(); }

std::string LastWords(std::string_view text, int lines) {
    std::deque<std::string_view> last;
    Lines all(text);
    std::string_view line;
    while (all.Next(line)) {
        if (!IsBlank(line)) {
            last.push_back(line);
            if (static_cast<int>(last.size()) > lines) {
                last.pop_front();
            }
        }
    }
    std::string result;
    for (const std::string_view kept : last) {
        result += (result.empty() ? "" : "\n") + ShownLine(kept);
    }
    return result;
}

std::string GeometryRejection(std::string_view text) {
    static constexpr std::array<std::string_view, 4> Complaints{{
        "SEGMENT DATA ERROR",
        "GEOMETRY DATA ERROR",
        "SEGMENT CONNECTION ERROR",
        "SEGMENT CONNENTION ERROR",  // as nec2c spells it in one place
    }};
    Lines all(text);
    std::string_view line;
    while (all.Next(line)) {
        for (const std::string_view complaint : Complaints) {
            if (line.find(complaint) != std::string_view::npos) {
                return ShownLine(line);
            }
        }
    }
    return {};
}

}  // namespace zandrel
