// A one-port measurement of an antenna's input: the reflection coefficient over frequency, and
// the files it is read from and written to (Touchstone version 1 `.s1p`, or a CSV of R and X).
#pragma once

#include <complex>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

struct MeasuredPoint {
    double FrequencyMHz = 0.0;
    std::complex<double> Reflection;  // S11 on the measurement's reference resistance
    std::size_t Line = 0;             // the file's line it was read from; 0 when not read
};

// The reference resistances a measurement may have: what VNAs measure on.
inline constexpr double LowestReferenceOhm = 1.0;
inline constexpr double HighestReferenceOhm = 1000.0;

enum class MeasurementFormat { Touchstone, Csv };

struct Measurement {
    MeasurementFormat Format = MeasurementFormat::Touchstone;
    double ReferenceOhm = 50.0;
    std::vector<MeasuredPoint> Points;  // at least five, frequencies rising
};

// The reflection coefficient of an impedance on a reference resistance, and back again; an
// impedance is infinite where the reflection coefficient is 1.
std::complex<double> ReflectionOf(std::complex<double> impedance, double referenceOhm);
std::complex<double> ImpedanceOf(std::complex<double> reflection, double referenceOhm);

// The standing-wave ratio of a reflection coefficient; infinite from |S11| = 1 on.
double SwrOf(std::complex<double> reflection);

// Reads a one-port Touchstone version 1 file (its `#` option line first) or a CSV of frequency
// (Hz), R and X (ohm) with or without a header line; CSV values are put on 50 ohm. Lines end in
// LF, CR LF or CR alone; UTF-8's byte-order mark is read past. One line at a time is read, and
// of a line no more than its values and comment need is kept, so that the memory it takes
// follows the points, never the text. Raises MeasurementError(Unreadable), naming the line, for
// anything else, a line of values far longer than one needs, fewer than five or more than
// 200,000 points, frequencies that do not rise or values that are not finite; for a file saved
// as UTF-16 ("saved as UTF-16: save it as UTF-8 or ASCII"); and for a CSV whose frequencies are
// all below 100000 Hz, which look like MHz.
Measurement ReadMeasurement(std::string_view text);

// Reads a stream, a pipe or standard input say, as ReadMeasurement does, a piece at a time;
// raises MeasurementError(FileNotOpened) when it cannot be read or is far larger than any
// measurement.
Measurement ReadMeasurementStream(std::istream& stream);

// Reads a file as ReadMeasurementStream does: a regular file, a FIFO or a pipe, or standard
// input for "-". Raises MeasurementError(FileNotOpened) when the file cannot be read, is a
// folder or is far larger than any measurement. The errors' details say what is wrong, never
// the file's name, which the caller says once, in its own words.
Measurement ReadMeasurementFile(const std::filesystem::path& path);

// The unit of a written Touchstone file's frequencies: MHz for the model's, Hz as a VNA sends them.
enum class FrequencyUnit { MHz, Hz };

// A one-port Touchstone file of the points: `!` lines with the comments, then
// `# MHz S RI R <reference>` (or `# Hz ...`) and one point a line, each number written so that
// it reads back exactly. Raises MeasurementError(FileNotWritten) for a reference that is not a
// positive number or a value that is not finite.
std::string WriteTouchstone(const Measurement& measurement,
                            const std::vector<std::string>& comments = {},
                            FrequencyUnit unit = FrequencyUnit::MHz);

// Writes WriteTouchstone's text to a file; raises MeasurementError(FileNotWritten).
void WriteTouchstoneFile(const std::filesystem::path& path, const Measurement& measurement,
                         const std::vector<std::string>& comments = {});

}  // namespace zandrel
