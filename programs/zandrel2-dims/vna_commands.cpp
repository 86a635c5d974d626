#include "vna_commands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <iostream>

#include "error_words.h"
#include "file_names.h"
#include "measurement_error.h"
#include "output_file.h"
#include "vna_error.h"
#include "vna_ports.h"

namespace zandrel {

namespace {

constexpr double DefaultTimeoutSeconds = 5.0;
constexpr double LongestTimeoutSeconds = 3600.0;

LineStop* ActiveStop = nullptr;
std::atomic<int> CaughtSignal{0};

void StopSweep(int signal) {
    int none = 0;
    CaughtSignal.compare_exchange_strong(none, signal);
    if (ActiveStop != nullptr) {
        ActiveStop->Stop();
    }
}

// Catches SIGINT, SIGTERM and SIGHUP while it lives, each stopping the sweep, so that the port
// gets its settings back before the program ends; a signal that was ignored stays ignored.
class SweepSignals {
  public:
    explicit SweepSignals(LineStop& stop) {
        ActiveStop = &stop;
        CaughtSignal = 0;
        struct sigaction action {};
        action.sa_handler = StopSweep;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < Signals.size(); ++i) {
            sigaction(Signals[i], nullptr, &saved_[i]);
            if (saved_[i].sa_handler != SIG_IGN) {
                sigaction(Signals[i], &action, nullptr);
            }
        }
    }
    ~SweepSignals() {
        for (std::size_t i = 0; i < Signals.size(); ++i) {
            sigaction(Signals[i], &saved_[i], nullptr);
        }
        ActiveStop = nullptr;
    }
    SweepSignals(const SweepSignals&) = delete;
    SweepSignals& operator=(const SweepSignals&) = delete;

  private:
    static constexpr std::array<int, 3> Signals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> saved_{};
};

class MeasureCommand : public Command {
  public:
    void Define(CLI::App& app) override {
        app.description(
            "Sweeps the antenna's S11 with a NanoVNA on its USB serial port and saves it\n"
            "as a one-port Touchstone file (RI, Hz, 50 ohm) for --trim --measured.");
        app.add_option("--vna", device_, "the NanoVNA's serial port, or auto to find it")
            ->type_name("DEVICE")
            ->required();
        app.add_option("--from", from_, "the sweep's first frequency in MHz")
            ->type_name("MHZ")
            ->required();
        app.add_option("--to", to_, "the sweep's last frequency in MHz")
            ->type_name("MHZ")
            ->required();
        app.add_option("--points", points_, "the number of points (101)")->type_name("N");
        AddVnaTimeout(app, timeout_);
        app.add_option("-o", output_, "the file to write; - writes to the standard output")
            ->type_name("FILE.s1p")
            ->required();
    }

    int Run(char*) override {
        SweepRequest request;
        const std::optional<double> from = ReadPositiveNumber(from_);
        const std::optional<double> to = ReadPositiveNumber(to_);
        if (!from || !to) {
            std::cerr << "zandrel2-dims: --from and --to must be positive numbers of MHz, not \""
                      << (from ? to_ : from_) << "\"\n";
            return 1;
        }
        request.FromMHz = *from;
        request.ToMHz = *to;
        request.Points = points_;
        if (const std::string problem = SweepRequestProblem(request); !problem.empty()) {
            std::cerr << "zandrel2-dims: " << problem << "\n";
            return 1;
        }
        if (output_ != "-") {
            try {
                CheckOutputPath(output_);  // before the sweep
            } catch (const RuntimeError& error) {
                std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
                return 1;
            }
        }
        int status = 0;
        const std::optional<VnaSweep> sweep = SweepWithVna(device_, request, timeout_, status);
        if (!sweep) {
            return status;
        }
        try {
            const std::string text =
                WriteTouchstone(sweep->Data, sweep->Comments, FrequencyUnit::Hz);
            if (output_ == "-") {
                WriteToDescriptor(STDOUT_FILENO, text, "the standard output");
            } else {
                WriteOutputFile(output_, text, ReaderWait::Wait);
                std::cerr << "zandrel2-dims: " << ShownName(output_) << ": "
                          << sweep->Data.Points.size() << " points measured with the NanoVNA on "
                          << sweep->Port << "\n";
            }
        } catch (const RuntimeError& error) {
            std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
            return 1;
        }
        return 0;
    }

  private:
    std::string device_;
    std::string from_;
    std::string to_;
    int points_ = MostPointsPerScan;
    std::string timeout_;
    std::string output_;
};

}  // namespace

void AddVnaTimeout(CLI::App& app, std::string& timeout) {
    app.add_option("--vna-timeout", timeout,
                   "how long to wait for each of the VNA's answers,\nin seconds (5)")
        ->type_name("S");
}

std::string VnaMeasurementName(const std::string& port) { return "the NanoVNA on " + port; }

std::optional<VnaSweep> SweepWithVna(const std::string& device, const SweepRequest& request,
                                     const std::string& timeout, int& status) {
    double seconds = DefaultTimeoutSeconds;
    if (!timeout.empty()) {
        const std::optional<double> given = ReadPositiveNumber(timeout);
        if (!given || *given > LongestTimeoutSeconds) {
            std::cerr << "zandrel2-dims: --vna-timeout must be a positive number of seconds up "
                         "to 3600, not \""
                      << timeout << "\"\n";
            status = 1;
            return std::nullopt;
        }
        seconds = *given;
    }
    const auto limit = std::chrono::milliseconds(std::max(1LL, std::llround(seconds * 1000.0)));
    LineStop stop;
    SweepSignals signals(stop);
    try {
        const std::string port = ChooseVnaPort(device);
        NanoVna vna(port, limit, &stop);
        const std::vector<std::string> info = vna.Info();
        VnaSweep sweep{port, vna.Sweep(request), {}};
        sweep.Comments = MeasurementComments(port, info, std::chrono::system_clock::now());
        return sweep;
    } catch (const VnaError& error) {
        if (error.Kind() == VnaErrorKind::Stopped && CaughtSignal != 0) {
            std::cerr << "zandrel2-dims: " << error.Detail() << "\n";
            status = 128 + CaughtSignal;
        } else {
            std::cerr << "zandrel2-dims: " << MessageWithDetail(error) << "\n";
            status = 3;
        }
        return std::nullopt;
    }
}

std::unique_ptr<Command> MakeMeasureCommand() { return std::make_unique<MeasureCommand>(); }

}  // namespace zandrel
