#include "nec_output.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>

#include "model_error.h"

namespace zandrel {

namespace {

constexpr std::string_view EndMarker = "TOTAL RUN TIME";

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
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
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

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

class Reader {
  public:
    explicit Reader(std::string_view text) : lines_(SplitLines(text)) {}

    NecOutput Read() {
        bool ended = false;
        for (index_ = 0; index_ < lines_.size(); ++index_) {
            const std::string_view line = lines_[index_];
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
                         "line " + std::to_string(index_ + 1) + ": " + std::string(what));
    }

    double Number(std::string_view token) const {
        double value = 0.0;
        const char* end = token.data() + token.size();
        const auto result = std::from_chars(token.data(), end, value);
        if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
            Fail("\"" + std::string(token.substr(0, 20)) + "\" is not a number");
        }
        return value;
    }

    int Integer(std::string_view token) const {
        int value = 0;
        const char* end = token.data() + token.size();
        const auto result = std::from_chars(token.data(), end, value);
        if (result.ec != std::errc() || result.ptr != end) {
            Fail("\"" + std::string(token.substr(0, 20)) + "\" is not a whole number");
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
        if (index_ + 1 >= lines_.size()) {
            Fail("a table is cut short");
        }
        return lines_[++index_];
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
            const std::vector<std::string_view> t = Tokens(line);
            if (t.size() != 12) {
                Fail("a pattern row does not have 12 columns");
            }
            if (t[7] != "RIGHT" && t[7] != "LEFT" && t[7] != "LINEAR") {
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

    std::vector<std::string_view> lines_;
    std::size_t index_ = 0;
    NecOutput output_;
};

}  // namespace

NecOutput ParseNecOutput(std::string_view text) { return Reader(text).Read(); }

std::string LastWords(std::string_view text, int lines) {
    const std::vector<std::string_view> all = SplitLines(text);
    std::vector<std::string> words;
    for (auto it = all.rbegin(); it != all.rend() && static_cast<int>(words.size()) < lines; ++it) {
        const std::vector<std::string_view> tokens = Tokens(*it);
        if (tokens.empty()) {
            continue;
        }
        std::string joined;
        for (std::string_view token : tokens) {
            joined += (joined.empty() ? "" : " ") + std::string(token);
        }
        words.insert(words.begin(), joined);
    }
    std::string result;
    for (const std::string& line : words) {
        result += (result.empty() ? "" : "\n") + line;
    }
    return result;
}

}  // namespace zandrel
