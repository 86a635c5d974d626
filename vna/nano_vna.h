// A NanoVNA (or NanoVNA-H, firmware 0.7 on) driven through its text shell: each command line
// ends in CR, the device echoes it, answers in CR LF lines and ends with the prompt "ch> ".
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "one_port.h"
#include "serial_line.h"

namespace zandrel {

// The most points one `scan` gives on most firmware: a wider sweep is read in segments.
inline constexpr int MostPointsPerScan = 101;
inline constexpr int MostSweepPoints = 10001;

struct SweepRequest {
    double FromMHz = 0.0;
    double ToMHz = 0.0;
    int Points = MostPointsPerScan;
};

// Called after each point read, with the points read and the points asked for.
using SweepProgress = std::function<void(int done, int total)>;

class NanoVna {
  public:
    // Opens the port and waits for the prompt. Raises VnaError: PortNotOpened, NoAnswer,
    // OtherProtocol for a binary answer, Garbled for any other, Disconnected, Stopped.
    NanoVna(const std::string& path, std::chrono::milliseconds timeout,
            const LineStop* stop = nullptr);

    const std::string& Path() const { return line_.Path(); }

    // The lines `info` prints, control characters replaced, for a file's comment.
    std::vector<std::string> Info();

    // The calibrated S11 (on 50 ohm) at `request.Points` frequencies evenly spread from
    // FromMHz to ToMHz, with `scan ... 3`, in segments of MostPointsPerScan. Raises VnaError:
    // Refused for a "usage:" answer, Garbled for a line that is not "FREQ_HZ RE IM" with finite
    // numbers at the expected frequency, NoAnswer when fewer points come within the time limit,
    // Disconnected, Stopped.
    Measurement Sweep(const SweepRequest& request, const SweepProgress& progress = {});

    // The lines a command prints before the prompt, its echo left out; `onLine` sees each as it
    // comes, and may raise. Raises as Sweep does.
    std::vector<std::string> Command(const std::string& command, const std::string& expected,
                                     const std::function<void(const std::string&)>& onLine = {});

  private:
    std::string ReadLine(const std::string& expected, bool& prompt);

    SerialLine line_;
    std::string pending_;
};

// The comment lines of a measurement's Touchstone file: the device, its `info`, and the time.
std::vector<std::string> MeasurementComments(const std::string& path,
                                             const std::vector<std::string>& info,
                                             std::chrono::system_clock::time_point when);

// Refuses a request the device cannot sweep: a range that is not rising, positive, within
// 10 kHz to 6 GHz, or points outside 2 to MostSweepPoints. Returns what is wrong, or nothing.
std::string SweepRequestProblem(const SweepRequest& request);

}  // namespace zandrel
