// The reader of nec2c's output: the input parameters of each run and its radiation pattern.
#pragma once

#include <complex>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

struct SourceInput {
    int Tag = 0;
    int Segment = 0;
    std::complex<double> Voltage;
    std::complex<double> Current;
    std::complex<double> Impedance;
};

struct PatternPoint {
    double ThetaDeg = 0.0;
    double PhiDeg = 0.0;
    double VerticalDb = 0.0;
    double HorizontalDb = 0.0;
    double TotalDb = 0.0;
    std::string Sense;  // as nec2c writes it: RIGHT, LEFT or LINEAR; empty where no field is left
    std::complex<double> ETheta;
    std::complex<double> EPhi;
};

// One frequency of the output.
struct FrequencyRun {
    double FrequencyMHz = 0.0;
    std::vector<SourceInput> Sources;
    std::vector<PatternPoint> Pattern;  // empty when none was asked for at this frequency
};

struct NecOutput {
    std::vector<FrequencyRun> Runs;
};

// Reads the whole output of a finished run. Raises ModelError(OutputUnreadable), naming the
// line, when the output is truncated, a table is malformed or a number is not a finite number.
NecOutput ParseNecOutput(std::string_view text);

// The last words nec2c wrote before it stopped: the last non-blank lines of its output or its
// standard error, safe to show: control characters, terminal sequences and bytes that are not
// UTF-8 are replaced by '?', and a long line is cut short.
std::string LastWords(std::string_view text, int lines = 2);

// The line in which nec2c refuses the structure's geometry (a segment or geometry data error,
// such as segments too short for their wire at the frequency), safe to show; empty when the text
// has none.
std::string GeometryRejection(std::string_view text);

}  // namespace zandrel
