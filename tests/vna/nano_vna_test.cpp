// A sweep read from the tests' own NanoVNA on a pseudo-terminal, whole and in segments, and
// each way a serial line fails: every failure names the device and what was expected.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "fake_nanovna.h"
#include "nano_vna.h"
#include "vna_error.h"

namespace {

using namespace zandrel;
using test_support::FakeNanoVna;
using test_support::VnaFault;
using namespace std::chrono_literals;

// A resonance near 137.5 MHz, smooth enough to tell the points apart.
std::complex<double> Resonance(double hz) {
    const std::complex<double> z(30.0, (hz - 137.5e6) / 1e5);
    return (z - 50.0) / (z + 50.0);
}

const SweepRequest Band{116.875, 158.125, 101};

VnaError SweepError(VnaFault fault, int afterPoints = 0) {
    FakeNanoVna device(Resonance, fault, afterPoints);
    try {
        NanoVna vna(device.Path(), 300ms);
        vna.Sweep(Band);
    } catch (const VnaError& error) {
        EXPECT_NE(error.Detail().find(device.Path()), std::string::npos) << error.Detail();
        return error;
    }
    ADD_FAILURE() << "the sweep did not fail";
    return VnaError(VnaErrorKind::Stopped);
}

TEST(NanoVnaSweep, ReadsEveryPointTheDeviceServedWithItsFrequency) {
    FakeNanoVna device(Resonance);
    NanoVna vna(device.Path(), 2s);
    int progressed = 0;
    const Measurement measured = vna.Sweep(Band, [&](int done, int total) {
        EXPECT_EQ(total, 101);
        progressed = done;
    });
    EXPECT_EQ(progressed, 101);
    EXPECT_EQ(measured.ReferenceOhm, 50.0);
    const auto served = device.Served();
    ASSERT_EQ(measured.Points.size(), served.size());
    ASSERT_EQ(served.size(), 101u);
    for (std::size_t i = 0; i < served.size(); ++i) {
        EXPECT_EQ(measured.Points[i].FrequencyMHz, served[i].Hz * 1e-6);
        EXPECT_EQ(measured.Points[i].Reflection, served[i].S11);
    }
    EXPECT_EQ(device.Commands().back(), "scan 116875000 158125000 101 3");
}

TEST(NanoVnaSweep, ReadsAWideSweepInSegmentsTheDeviceAccepts) {
    FakeNanoVna device(Resonance);
    NanoVna vna(device.Path(), 2s);
    const Measurement measured = vna.Sweep({100.0, 200.0, 251});
    ASSERT_EQ(measured.Points.size(), 251u);
    for (std::size_t i = 0; i < measured.Points.size(); ++i) {
        EXPECT_NEAR(measured.Points[i].FrequencyMHz, 100.0 + 0.4 * static_cast<double>(i), 1e-6);
    }
    const auto commands = device.Commands();
    ASSERT_EQ(commands.size(), 4u);  // the prompt, then three scans
    for (std::size_t i = 1; i < commands.size(); ++i) {
        EXPECT_LE(commands[i].size(), 48u);
    }
    EXPECT_EQ(commands[1], "scan 100000000 132800000 83 3");
}

TEST(NanoVnaSweep, GivesTheDevicesInfoLines) {
    FakeNanoVna device(Resonance);
    NanoVna vna(device.Path(), 2s);
    EXPECT_EQ(vna.Info(),
              (std::vector<std::string>{"Board: zandrel2 test device", "Version: 1.0-test"}));
    const std::vector<std::string> comments =
        MeasurementComments(device.Path(), vna.Info(), std::chrono::system_clock::time_point{});
    EXPECT_EQ(comments.front(), "Measured with the NanoVNA on " + device.Path() +
                                    " at 1970-01-01T00:00:00Z by zandrel2-dims");
    EXPECT_EQ(comments.back(), "info: Version: 1.0-test");
}

TEST(NanoVnaFailures, ASilentDeviceIsNoAnswerNamingThePrompt) {
    const VnaError error = SweepError(VnaFault::Silence);
    EXPECT_EQ(error.Kind(), VnaErrorKind::NoAnswer);
    EXPECT_EQ(error.Message(), "The VNA did not answer in time");
    EXPECT_NE(error.Detail().find("sent nothing for 0.3 s when the prompt \"ch> \" after a CR "
                                  "was expected"),
              std::string::npos)
        << error.Detail();
}

TEST(NanoVnaFailures, AUsageAnswerIsRefusedQuotingIt) {
    const VnaError error = SweepError(VnaFault::Usage);
    EXPECT_EQ(error.Kind(), VnaErrorKind::Refused);
    EXPECT_NE(error.Detail().find("answered \"scan 116875000 158125000 101 3\" with \"usage: scan"),
              std::string::npos)
        << error.Detail();
}

TEST(NanoVnaFailures, AGarbledShortOrNonFiniteLineIsUnreadableNamingTheLine) {
    for (const VnaFault fault : {VnaFault::Garbled, VnaFault::ShortLine, VnaFault::NonFinite}) {
        const VnaError error = SweepError(fault, 7);
        EXPECT_EQ(error.Kind(), VnaErrorKind::Garbled);
        EXPECT_NE(error.Detail().find("when 101 lines of \"FREQ_HZ RE IM\" from \"scan "),
                  std::string::npos)
            << error.Detail();
    }
    EXPECT_NE(SweepError(VnaFault::ShortLine, 7).Detail().find("(2 words)"), std::string::npos);
    EXPECT_NE(SweepError(VnaFault::Garbled, 7).Detail().find("sent \"1#7 ok ?[0m\""),
              std::string::npos);
}

TEST(NanoVnaFailures, ABinaryAnswerIsAnotherProtocol) {
    const VnaError error = SweepError(VnaFault::Binary);
    EXPECT_EQ(error.Kind(), VnaErrorKind::OtherProtocol);
    EXPECT_NE(error.Detail().find("answers in binary"), std::string::npos) << error.Detail();
}

TEST(NanoVnaFailures, FewerPointsBeforeThePromptAreSaidWithTheirCount) {
    const VnaError error = SweepError(VnaFault::FewerPoints, 40);
    EXPECT_EQ(error.Kind(), VnaErrorKind::Garbled);
    EXPECT_NE(error.Detail().find("sent 40 points before its prompt"), std::string::npos)
        << error.Detail();
}

TEST(NanoVnaFailures, ADisconnectMidSweepIsDisconnected) {
    const VnaError error = SweepError(VnaFault::Disconnect, 30);
    EXPECT_EQ(error.Kind(), VnaErrorKind::Disconnected);
    EXPECT_NE(error.Detail().find("closed the line when 101 lines"), std::string::npos)
        << error.Detail();
}

TEST(NanoVnaFailures, AStoppedLineStopsTheSweep) {
    FakeNanoVna device(Resonance);
    LineStop stop;
    NanoVna vna(device.Path(), 2s, &stop);
    stop.Stop();
    try {
        vna.Sweep(Band);
        FAIL() << "the sweep was not stopped";
    } catch (const VnaError& error) {
        EXPECT_EQ(error.Kind(), VnaErrorKind::Stopped);
    }
}

TEST(NanoVnaPort, APortThatCannotBeOpenedSaysWhyAndWhatToCheck) {
    try {
        NanoVna vna("/dev/zandrel2-no-such-port", 1s);
        FAIL();
    } catch (const VnaError& error) {
        EXPECT_EQ(error.Kind(), VnaErrorKind::PortNotOpened);
        EXPECT_EQ(error.Detail(),
                  "/dev/zandrel2-no-such-port: No such file or directory: is the "
                  "NanoVNA plugged in and switched on? (--vna auto finds it)");
    }
    try {
        NanoVna vna("/dev/null", 1s);
        FAIL();
    } catch (const VnaError& error) {
        EXPECT_EQ(error.Kind(), VnaErrorKind::PortNotOpened);
        EXPECT_EQ(error.Detail(), "/dev/null is not a serial port");
    }
}

TEST(NanoVnaPort, GetsItsSettingsBackWhenClosed) {
    FakeNanoVna device(Resonance);
    const int watcher = open(device.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(watcher, 0);
    termios before{};
    tcgetattr(watcher, &before);
    before.c_lflag |= ECHO;
    tcsetattr(watcher, TCSANOW, &before);
    {
        NanoVna vna(device.Path(), 2s);
        termios during{};
        tcgetattr(watcher, &during);
        EXPECT_EQ(during.c_lflag & ECHO, 0u);
    }
    termios after{};
    tcgetattr(watcher, &after);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
    close(watcher);
}

TEST(SweepRequests, AreRefusedOutsideWhatTheDeviceSweeps) {
    EXPECT_EQ(SweepRequestProblem(Band), "");
    EXPECT_NE(SweepRequestProblem({150.0, 120.0, 101}), "");
    EXPECT_NE(SweepRequestProblem({120.0, 150.0, 4}), "");
    EXPECT_NE(SweepRequestProblem({120.0, 7000.0, 101}), "");
}

}  // namespace
