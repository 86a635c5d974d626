// The reader and writer of one-port measurements, on files written by hand with known values.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "measurement_error.h"
#include "one_port.h"

namespace zandrel {
namespace {

using Complex = std::complex<double>;

// The five reflection coefficients every file below holds, at 130 to 140 MHz.
const std::vector<Complex> Expected{{0.6, 0.8}, {-0.5, 0.0}, {0.0, 0.3}, {0.1, -0.1}, {-0.2, -0.4}};
const std::vector<double> ExpectedMHz{130.0, 132.5, 135.0, 137.5, 140.0};

void ExpectPoints(const Measurement& measurement, const std::string& file) {
    ASSERT_EQ(measurement.Points.size(), Expected.size()) << file;
    for (std::size_t i = 0; i < Expected.size(); ++i) {
        EXPECT_NEAR(measurement.Points[i].FrequencyMHz, ExpectedMHz[i], 1e-9) << file << " " << i;
        EXPECT_NEAR(std::abs(measurement.Points[i].Reflection - Expected[i]), 0.0, 1e-12)
            << file << " " << i;
    }
}

TEST(TouchstoneReading, GivesTheSameValuesInEveryFormatAndFrequencyUnit) {
    const std::vector<std::pair<std::string, std::string>> files{
        {"RI in MHz, lower case",
         "! NanoVNA\n# mhz s ri r 50\n130 0.6 0.8\n132.5 -0.5 0\n135 0 0.3\n137.5 0.1 -0.1\n"
         "140 -0.2 -0.4\n"},
        {"MA in GHz with tabs, comments between and after the data and blank lines",
         "! saved by a VNA program\n!\n#\tGHz\tS\tMA\tR\t50\n\n0.13\t1\t53.13010235415599 ! one\n"
         "! between the points\n0.1325\t0.5\t180\n\n0.135\t0.3\t90\n0.1375 0.1414213562373095 -45\n"
         "   0.14   0.447213595499958   -116.56505117707799   \n! the end\n"},
        {"DB in kHz, upper case, Windows line ends",
         "# KHZ S DB R 50\r\n130000 0 53.13010235415599\r\n132500 -6.020599913279624 180\r\n"
         "135000 -10.457574905606752 90\r\n137500 -16.989700043360187 -45\r\n"
         "140000 -6.9897000433601875 -116.56505117707799\r\n"},
        {"RI in Hz, options in another order, signs and exponents",
         "#RI R 50 Hz S\n1.3E+08 +6e-1 +8.0E-01\n1.325e8 -5.0e-1 0\n1.35e8 0 3e-1\n"
         "1.375e8 1e-1 -1e-1\n1.4e8 -2e-1 -4e-1"},
        {"an option line with no fields: GHz, S, MA on 50 ohm",
         "#\n0.130 1 53.13010235415599\n0.1325 0.5 180\n0.135 0.3 90\n"
         "0.1375 0.1414213562373095 -45\n0.140 0.447213595499958 -116.56505117707799\n"},
    };
    for (const auto& [name, text] : files) {
        const Measurement measurement = ReadMeasurement(text);
        EXPECT_EQ(measurement.Format, MeasurementFormat::Touchstone) << name;
        EXPECT_EQ(measurement.ReferenceOhm, 50.0) << name;
        ExpectPoints(measurement, name);
    }
}

TEST(TouchstoneReading, TakesTheReferenceResistanceOfTheFirstOptionLine) {
    const Measurement measurement = ReadMeasurement(
        "# MHz S RI R 75\n# MHz S RI R 50\n130 0 0\n131 0.2 0\n132 0 0\n133 0 0\n134 0 0\n");
    EXPECT_EQ(measurement.ReferenceOhm, 75.0);
    // S11 = 0 is the reference itself; 0.2 on 75 ohm is 75 x 1.2 / 0.8.
    EXPECT_NEAR(std::abs(ImpedanceOf(measurement.Points[0].Reflection, 75.0) - 75.0), 0.0, 1e-12);
    EXPECT_NEAR(std::abs(ImpedanceOf(measurement.Points[1].Reflection, 75.0) - 112.5), 0.0, 1e-12);
}

TEST(CsvReading, ReadsFrequencyRAndXWithOrWithoutAHeaderOnFiftyOhm) {
    // 25 - j25, 150, 50 + j50, a short and a match, whose S11 on 50 ohm are known.
    const std::string rows =
        "130000000,25,-25\n132500000, 150 ,0\n135000000,50,50\n\n137500000,0,0\n"
        "140000000,50,0\n";
    const std::vector<Complex> reflections{
        {-0.2, -0.4}, {0.5, 0.0}, {0.2, 0.4}, {-1.0, 0.0}, {0.0, 0.0}};
    for (const std::string& text : {rows, "Frequency (Hz),R (ohm),X (ohm)\r\n" + rows,
                                    "\xEF\xBB\xBF"
                                    "freq,r,x\n" +
                                        rows}) {
        const Measurement measurement = ReadMeasurement(text);
        EXPECT_EQ(measurement.Format, MeasurementFormat::Csv);
        EXPECT_EQ(measurement.ReferenceOhm, 50.0);
        ASSERT_EQ(measurement.Points.size(), 5u);
        for (std::size_t i = 0; i < reflections.size(); ++i) {
            EXPECT_NEAR(measurement.Points[i].FrequencyMHz, ExpectedMHz[i], 1e-9);
            EXPECT_NEAR(std::abs(measurement.Points[i].Reflection - reflections[i]), 0.0, 1e-12)
                << i;
        }
    }
}

TEST(OnePortConversions, AgreeWithKnownLoads) {
    EXPECT_NEAR(std::abs(ReflectionOf({150.0, 0.0}, 50.0) - 0.5), 0.0, 1e-15);
    EXPECT_NEAR(std::abs(ImpedanceOf({0.2, 0.4}, 50.0) - Complex(50.0, 50.0)), 0.0, 1e-12);
    EXPECT_TRUE(std::isinf(ImpedanceOf({1.0, 0.0}, 50.0).real()));
    EXPECT_DOUBLE_EQ(SwrOf(0.5), 3.0);
    EXPECT_DOUBLE_EQ(SwrOf(Complex(0.0, -0.5)), 3.0);
    EXPECT_TRUE(std::isinf(SwrOf(Complex(0.6, 0.8))));
}

TEST(TouchstoneWriting, ReadsBackExactlyWithItsReferenceAndComments) {
    Measurement written;
    written.ReferenceOhm = 75.0;
    for (int i = 0; i < 41; ++i) {
        const double f = 123.75 + 0.6875 * i;
        written.Points.push_back({f, ReflectionOf({20.0 + i / 3.0, -30.0 + 1.7 * i}, 75.0)});
    }
    const std::string text =
        WriteTouchstone(written, {"zandrel2 model of 1/2 TURN RCA", "two\nlines"});
    EXPECT_EQ(text.substr(0, text.find("# ")), "! zandrel2 model of 1/2 TURN RCA\n! two lines\n");
    EXPECT_NE(text.find("\n# MHz S RI R 75\n"), std::string::npos);
    const Measurement read = ReadMeasurement(text);
    EXPECT_EQ(read.ReferenceOhm, 75.0);
    ASSERT_EQ(read.Points.size(), written.Points.size());
    for (std::size_t i = 0; i < read.Points.size(); ++i) {
        EXPECT_EQ(read.Points[i].FrequencyMHz, written.Points[i].FrequencyMHz);
        EXPECT_EQ(read.Points[i].Reflection, written.Points[i].Reflection);
    }
}

TEST(TouchstoneWriting, WritesAVnasWholeHertzAsWholeNumbersThatReadBackExactly) {
    Measurement written;
    for (int i = 0; i < 5; ++i) {
        written.Points.push_back({(116875000.0 + 412500.0 * i) * 1e-6, {0.25, -0.125}});
    }
    const std::string text = WriteTouchstone(written, {}, FrequencyUnit::Hz);
    EXPECT_EQ(text.substr(0, 36), "# Hz S RI R 50\n116875000 0.25 -0.125");
    const Measurement read = ReadMeasurement(text);
    ASSERT_EQ(read.Points.size(), 5u);
    for (std::size_t i = 0; i < read.Points.size(); ++i) {
        EXPECT_EQ(read.Points[i].FrequencyMHz, written.Points[i].FrequencyMHz);
    }
}

TEST(TouchstoneWriting, RefusesAReferenceOrPointThatIsNotANumber) {
    Measurement measurement;
    measurement.ReferenceOhm = 0.0;
    try {
        WriteTouchstone(measurement);
        ADD_FAILURE() << "a file on 0 ohm was written";
    } catch (const MeasurementError& error) {
        EXPECT_EQ(error.Kind(), MeasurementErrorKind::FileNotWritten);
        EXPECT_EQ(error.Message(), "The Touchstone file could not be written");
    }
    measurement.ReferenceOhm = 50.0;
    measurement.Points.push_back({137.5, {std::nan(""), 0.0}});
    EXPECT_THROW(WriteTouchstone(measurement), MeasurementError);
}

struct Malformed {
    const char* Name;
    std::string Text;
    int Line;
    const char* Words;
};

TEST(MeasurementReading, RefusesEachMalformedFileNamingTheLine) {
    const std::string five = "130 0 0\n131 0 0\n132 0 0\n133 0 0\n134 0 0\n";
    const std::vector<Malformed> cases{
        {"plain words", "! a comment\nhello world\n", 2, "neither a Touchstone option line"},
        {"an empty file", "", 1, "the file holds no points"},
        {"only comments", "! one\n! two\n\n", 3, "the file holds no points"},
        {"a two-port file", "# MHz S RI R 50\n130 0 0 1 0 1 0 0 0\n", 2, "9 values"},
        {"a line with two values", "# MHz S RI\n" + five + "135 0\n", 7, "2 values"},
        {"four points", "# MHz S RI\n130 0 0\n131 0 0\n\n132 0 0\n133 0 0\n! end\n", 7,
         "the file ends after 4 points; at least 5 are needed"},
        {"four CSV rows", "1,2,3\n2,2,3\n3,2,3\n4,2,3\n", 4, "after 4 points"},
        {"a repeated frequency", "# MHz S RI\n130 0 0\n131 0 0\n131 0 0\n", 4,
         "the frequency \"131\" does not rise"},
        {"a falling frequency after a comment", "# MHz S RI\n130 0 0\n! x\n129.9 0 0\n", 4,
         "\"129.9\" does not rise"},
        {"a falling CSV frequency", "f,r,x\n2e6,50,0\n1e6,50,0\n", 3, "\"1e6\" does not rise"},
        {"a frequency below zero", "# MHz S RI\n-1 0 0\n", 2, "below zero"},
        {"not a number", "# MHz S RI\n130 0 0\n131 0,5 0\n", 3, "\"0,5\" is not a number"},
        {"nan", "# MHz S RI\n130 nan 0\n", 2, "\"nan\" is not a finite number"},
        {"an overflowing value", "# MHz S MA\n130 1e999 0\n", 2, "\"1e999\" is not a finite"},
        {"an overflowing level in dB", "# MHz S DB\n130 1e308 0\n", 2, "is not finite"},
        {"an overflowing frequency", "# GHz S RI\n1e306 0 0\n", 2, "\"1e306\" is too large"},
        {"infinite CSV", "130e6,inf,0\n", 1, "\"inf\" is not a finite number"},
        {"Z parameters", "! z\n# MHz Z RI R 50\n" + five, 2, "only S parameters (S11) are read"},
        {"an unknown option", "# MHz S RI R 50 XYZ\n" + five, 1, "\"XYZ\" is not a Touchstone"},
        {"R without its value", "# MHz S RI R\n" + five, 1, "R has no value"},
        {"a reference of zero", "# MHz S RI R 0\n" + five, 1, "\"0\" ohm is outside 1 to 1000"},
        {"a reference of half an ohm", "# MHz S RI R 0.5\n" + five, 1, "\"0.5\" ohm is outside"},
        {"a reference of 1e300 ohm", "# MHz S RI R 1e300\n" + five, 1, "\"1e300\" ohm is outside"},
        {"a version 2 file", "[Version] 2.0\n# MHz S RI R 50\n", 1, "version 2 keyword"},
        {"a CSV row of four values", "f,r,x\n1,2,3\n2,2,3,4\n", 3, "4 values"},
        {"a CSV resistance below zero", "1,2,3\n2,-2,3\n", 2, "resistance \"-2\" is below zero"},
        {"a CSV of S11", "Frequency,Real,Imaginary\n1,0.1,0.2\n", 1, "reflection coefficient's"},
    };
    for (const Malformed& malformed : cases) {
        try {
            ReadMeasurement(malformed.Text);
            ADD_FAILURE() << malformed.Name << " was read";
        } catch (const MeasurementError& error) {
            EXPECT_EQ(error.Kind(), MeasurementErrorKind::Unreadable) << malformed.Name;
            EXPECT_EQ(error.Number(), 1102) << malformed.Name;
            EXPECT_EQ(error.Message(), "The measurement file could not be read") << malformed.Name;
            const std::string line = "line " + std::to_string(malformed.Line) + ": ";
            EXPECT_EQ(error.Detail().substr(0, line.size()), line)
                << malformed.Name << ": " << error.Detail();
            EXPECT_NE(error.Detail().find(malformed.Words), std::string::npos)
                << malformed.Name << ": " << error.Detail();
        }
    }
}

class MeasurementFile : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zandrel2-measurement-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
};

TEST_F(MeasurementFile, IsWrittenAndReadBackFromDisk) {
    Measurement measurement;
    for (std::size_t i = 0; i < Expected.size(); ++i) {
        measurement.Points.push_back({ExpectedMHz[i], Expected[i]});
    }
    WriteTouchstoneFile(folder_ / "antenna.s1p", measurement);
    ExpectPoints(ReadMeasurementFile(folder_ / "antenna.s1p"), "antenna.s1p");
}

TEST_F(MeasurementFile, ThatIsMissingIsLeftToItsCallerToNameAndAnUnwritableOneIsNamed) {
    try {
        ReadMeasurementFile(folder_ / "missing.s1p");
        ADD_FAILURE() << "a missing file was read";
    } catch (const MeasurementError& error) {
        EXPECT_EQ(error.Kind(), MeasurementErrorKind::FileNotOpened);
        EXPECT_EQ(error.Message(), "The measurement file could not be opened");
        EXPECT_EQ(error.Detail(), "No such file or directory");
    }
    try {
        ReadMeasurementFile(folder_);
        ADD_FAILURE() << "a folder was read";
    } catch (const MeasurementError& error) {
        EXPECT_EQ(error.Kind(), MeasurementErrorKind::FileNotOpened);
        EXPECT_EQ(error.Detail(), "it is a folder");
    }
    try {
        WriteTouchstoneFile(folder_ / "no-such-folder" / "model.s1p", Measurement{});
        ADD_FAILURE() << "a file was written into a missing folder";
    } catch (const MeasurementError& error) {
        EXPECT_EQ(error.Kind(), MeasurementErrorKind::FileNotWritten);
        EXPECT_NE(error.Detail().find("model.s1p"), std::string::npos);
    }
}

// The five expected points as a Touchstone file in RI, its lines ended by `end`.
std::string FivePoints(const std::string& end) {
    std::string text = "! measured" + end + "# MHz S RI R 50" + end;
    for (std::size_t i = 0; i < Expected.size(); ++i) {
        text += std::to_string(ExpectedMHz[i]) + " " + std::to_string(Expected[i].real()) + " " +
                std::to_string(Expected[i].imag()) + end;
    }
    return text;
}

TEST_F(MeasurementFile, ReadsAFifoAsAStream) {
    const std::filesystem::path fifo = folder_ / "vna";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&fifo] { std::ofstream(fifo, std::ios::binary) << FivePoints("\n"); });
    std::optional<Measurement> read;
    std::string failure;
    try {
        read = ReadMeasurementFile(fifo);
    } catch (const MeasurementError& error) {
        failure = error.Detail();
        std::ifstream letTheWriterGo(fifo);
    }
    writer.join();
    ASSERT_TRUE(read.has_value()) << failure;
    ExpectPoints(*read, "a FIFO");
}

TEST(MeasurementReading, ReadsLinesEndedByLineFeedsCarriageReturnsOrBoth) {
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        ExpectPoints(ReadMeasurement(FivePoints(end)),
                     "lines ended by " + std::to_string(end.size()));
    }
    // A line's number counts each end once, whichever it is.
    try {
        ReadMeasurement("# MHz S RI\r130 0 0\r\n131 0\n");
        ADD_FAILURE() << "two values were read as a point";
    } catch (const MeasurementError& error) {
        EXPECT_EQ(error.Detail().rfind("line 3: 2 values", 0), 0u) << error.Detail();
    }
}

// `text` as UTF-16, little- or big-endian, with or without its byte-order mark.
std::string Utf16(const std::string& text, bool littleEndian, bool mark) {
    std::string wide = mark ? (littleEndian ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (const char c : text) {
        wide += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
    }
    return wide;
}

TEST(MeasurementReading, RefusesUtf16WithOrWithoutItsMarkSayingHowToSaveIt) {
    const std::string csv = "130000000,50,0\n132500000,50,0\n";
    for (const bool little : {true, false}) {
        for (const bool mark : {true, false}) {
            try {
                ReadMeasurement(Utf16(csv, little, mark));
                ADD_FAILURE() << "UTF-16 was read";
            } catch (const MeasurementError& error) {
                EXPECT_EQ(error.Kind(), MeasurementErrorKind::Unreadable);
                EXPECT_EQ(error.Detail(), "saved as UTF-16: save it as UTF-8 or ASCII");
            }
        }
    }
}

TEST(MeasurementReading, SaysThatACsvsFrequenciesLookLikeMegahertz) {
    try {
        ReadMeasurement("f,r,x\n130,50,0\n132.5,50,0\n135,50,0\n137.5,50,0\n140,50,0\n");
        ADD_FAILURE() << "megahertz were read as hertz";
    } catch (const MeasurementError& error) {
        EXPECT_EQ(error.Kind(), MeasurementErrorKind::Unreadable);
        EXPECT_NE(error.Detail().find("every frequency is below 100000 Hz: they look like MHz"),
                  std::string::npos)
            << error.Detail();
    }
}

TEST(MeasurementReading, KeepsOfALineOnlyWhatItsValuesNeedAndRefusesTooManyPoints) {
    // A long comment, on its own line or after a point, is read past.
    const std::string comment(100000, 'c');
    std::string text = "!" + comment + "\n# MHz S RI\n";
    for (int i = 0; i < 5; ++i) {
        text += std::to_string(130 + i) + " 0 0 !" + comment + "\n";
    }
    EXPECT_EQ(ReadMeasurement(text).Points.size(), 5u);

    const std::vector<std::pair<std::string, std::string>> cases{
        {"# MHz S RI\n130 0 0" + std::string(10000, ' ') + "1\n", "line 2: more than 4096"},
        {"1," + std::string(10000, ',') + "\n", "line 1: more than 4096"},
    };
    for (const auto& [long_line, words] : cases) {
        try {
            ReadMeasurement(long_line);
            ADD_FAILURE() << words;
        } catch (const MeasurementError& error) {
            EXPECT_EQ(error.Detail().rfind(words, 0), 0u) << error.Detail();
        }
    }

    std::string many = "# Hz S RI\n";
    for (int i = 1; i <= 200'001; ++i) {
        many += std::to_string(i) + " 0 0\n";
    }
    try {
        ReadMeasurement(many);
        ADD_FAILURE() << "200001 points were read";
    } catch (const MeasurementError& error) {
        EXPECT_EQ(error.Detail(),
                  "line 200002: more than 200000 points; no measurement has so many");
    }
}

}  // namespace
}  // namespace zandrel
