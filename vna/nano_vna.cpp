#include "nano_vna.h"

#include <charconv>
#include <cmath>
#include <ctime>

#include "vna_error.h"

namespace zandrel {

namespace {

constexpr std::string_view Prompt = "ch> ";
// Longer than any line the shell prints: a line that grows past it is noise.
constexpr std::size_t LongestLine = 512;
// More lines than any answer has: a device that goes on and on is not answering.
constexpr std::size_t MostLines = 1000;

// The text of `bytes` with control characters and bytes above ASCII replaced by '?', for a
// message or a file's comment.
std::string Printable(std::string_view bytes) {
    std::string text;
    for (const char c : bytes.substr(0, 120)) {
        const auto byte = static_cast<unsigned char>(c);
        text += byte >= 0x20 && byte < 0x7F ? c : '?';
    }
    return bytes.size() > 120 ? text + "..." : text;
}

std::optional<double> ReadNumber(std::string_view token) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(' ', at)) != std::string_view::npos) {
        const std::size_t end = std::min(line.find(' ', at), line.size());
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

long long Hz(double mhz) { return std::llround(mhz * 1e6); }

}  // namespace

NanoVna::NanoVna(const std::string& path, std::chrono::milliseconds timeout, const LineStop* stop)
    : line_(path, timeout, stop) {
    const std::string expected = "the prompt \"ch> \" after a CR";
    line_.Discard();
    line_.Write("\r", expected);
    std::string answer;
    while (answer.find(Prompt) == std::string::npos) {
        const std::string bytes = line_.ReadSome(expected);
        if (bytes.empty()) {
            throw VnaError(VnaErrorKind::Disconnected,
                           path + " closed the line when " + expected + " was expected");
        }
        if (answer.empty() && bytes.front() != '\r' && bytes.front() != '\n' &&
            bytes.front() != 'c') {
            const auto first = static_cast<unsigned char>(bytes.front());
            const bool binary = first == '2' || first < 0x20 || first >= 0x7F;
            throw VnaError(binary ? VnaErrorKind::OtherProtocol : VnaErrorKind::Garbled,
                           path + " answered \"" + Printable(bytes) + "\" when " + expected +
                               " was expected" +
                               (binary ? ": a NanoVNA V2 or LiteVNA answers in binary and is "
                                         "not supported"
                                       : ""));
        }
        answer += bytes;
        if (answer.size() > LongestLine) {
            break;
        }
    }
    const std::size_t prompt = answer.find(Prompt);
    if (prompt == std::string::npos || (prompt != 0 && answer.compare(0, prompt, "\r\n") != 0)) {
        throw VnaError(VnaErrorKind::Garbled, path + " answered \"" + Printable(answer) +
                                                  "\" when " + expected + " was expected");
    }
    pending_ = answer.substr(prompt + Prompt.size());
}

std::string NanoVna::ReadLine(const std::string& expected, bool& prompt) {
    prompt = false;
    for (;;) {
        if (pending_.compare(0, Prompt.size(), Prompt) == 0) {
            pending_.erase(0, Prompt.size());
            prompt = true;
            return {};
        }
        const std::size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            return line;
        }
        if (pending_.size() > LongestLine) {
            throw VnaError(VnaErrorKind::Garbled,
                           Path() + " sent a line of more than " + std::to_string(LongestLine) +
                               " characters when " + expected + " was expected");
        }
        const std::string bytes = line_.ReadSome(expected);
        if (bytes.empty()) {
            throw VnaError(VnaErrorKind::Disconnected,
                           Path() + " closed the line when " + expected + " was expected");
        }
        pending_ += bytes;
    }
}

std::vector<std::string> NanoVna::Command(const std::string& command, const std::string& expected,
                                          const std::function<void(const std::string&)>& onLine) {
    line_.Write(command + "\r", expected);
    std::vector<std::string> lines;
    bool echoed = false;
    for (;;) {
        bool prompt = false;
        std::string line = ReadLine(expected, prompt);
        if (prompt) {
            return lines;
        }
        if (!echoed && line == command) {
            echoed = true;
            continue;
        }
        echoed = true;
        if (line.rfind("usage:", 0) == 0) {
            throw VnaError(VnaErrorKind::Refused, Path() + " answered \"" + command + "\" with \"" +
                                                      Printable(line) + "\" when " + expected +
                                                      " was expected");
        }
        if (onLine) {
            onLine(line);
        }
        if (lines.size() >= MostLines) {
            throw VnaError(VnaErrorKind::Garbled, Path() + " sent more than " +
                                                      std::to_string(MostLines) + " lines when " +
                                                      expected + " was expected");
        }
        lines.push_back(std::move(line));
    }
}

std::vector<std::string> NanoVna::Info() {
    std::vector<std::string> lines = Command("info", "the lines of \"info\"");
    for (std::string& line : lines) {
        line = Printable(line);
    }
    return lines;
}

Measurement NanoVna::Sweep(const SweepRequest& request, const SweepProgress& progress) {
    const int total = request.Points;
    const int segments = (total + MostPointsPerScan - 1) / MostPointsPerScan;
    const double step = (request.ToMHz - request.FromMHz) / (total - 1);
    Measurement measurement;
    measurement.Format = MeasurementFormat::Touchstone;
    measurement.ReferenceOhm = 50.0;
    int first = 0;
    for (int segment = 0; segment < segments; ++segment) {
        const int count = (total - first) / (segments - segment);
        const int last = first + count - 1;
        const long long startHz = Hz(request.FromMHz + step * first);
        const long long stopHz = Hz(request.FromMHz + step * last);
        const std::string command = "scan " + std::to_string(startHz) + " " +
                                    std::to_string(stopHz) + " " + std::to_string(count) + " 3";
        const std::string expected =
            std::to_string(count) + " lines of \"FREQ_HZ RE IM\" from \"" + command + "\"";
        const double tolerance = std::max(2.0, step * 1e6 / 2.0);
        int got = 0;
        Command(command, expected, [&](const std::string& line) {
            const std::vector<std::string_view> words = Words(line);
            std::optional<double> values[3];
            for (std::size_t i = 0; i < 3 && i < words.size(); ++i) {
                values[i] = ReadNumber(words[i]);
            }
            const auto wrong = [&](const std::string& what) {
                throw VnaError(VnaErrorKind::Garbled, Path() + " sent \"" + Printable(line) +
                                                          "\" (" + what + ") when " + expected +
                                                          " was expected");
            };
            if (words.size() != 3 || !values[0] || !values[1] || !values[2]) {
                wrong(words.size() != 3 ? std::to_string(words.size()) + " words"
                                        : "not three finite numbers");
            }
            if (got >= count) {
                wrong("more points than asked for");
            }
            const double expectedHz =
                static_cast<double>(startHz) +
                (count > 1 ? static_cast<double>(stopHz - startHz) * got / (count - 1) : 0.0);
            if (std::abs(*values[0] - expectedHz) > tolerance) {
                wrong("point " + std::to_string(got + 1) + " should be near " +
                      std::to_string(std::llround(expectedHz)) + " Hz");
            }
            measurement.Points.push_back({*values[0] * 1e-6, {*values[1], *values[2]}, 0});
            ++got;
            if (progress) {
                progress(first + got, total);
            }
        });
        if (got != count) {
            throw VnaError(VnaErrorKind::Garbled, Path() + " sent " + std::to_string(got) +
                                                      " points before its prompt when " + expected +
                                                      " was expected");
        }
        first = last + 1;
    }
    return measurement;
}

std::vector<std::string> MeasurementComments(const std::string& path,
                                             const std::vector<std::string>& info,
                                             std::chrono::system_clock::time_point when) {
    const std::time_t time = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::vector<std::string> comments{"Measured with the NanoVNA on " + path + " at " +
                                      std::string(stamp) + " by zandrel2-dims"};
    for (const std::string& line : info) {
        comments.push_back("info: " + line);
    }
    return comments;
}

std::string SweepRequestProblem(const SweepRequest& request) {
    if (!(request.FromMHz >= 0.01) || !(request.ToMHz <= 6000.0) ||
        !(request.FromMHz < request.ToMHz)) {
        return "the sweep must rise from --from to --to within 0.01 to 6000 MHz";
    }
    if (request.Points < 5 || request.Points > MostSweepPoints) {
        return "--points must be from 5 to " + std::to_string(MostSweepPoints);
    }
    return {};
}

}  // namespace zandrel
