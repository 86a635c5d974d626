// Times the tuning of each style at 137.50 MHz and a fit to a 101-point measurement made from
// the model, in nec2c: wall time and nec2c runs of each.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "helix_style.h"
#include "loop_fit.h"
#include "loop_tuning.h"
#include "runtime_error.h"
#include "scaled_models.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The processor time, in seconds, of the nec2c runs that have ended so far.
double EngineSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

// A 101-point measurement, +-10 %, of the antenna built with these factors.
zandrel::Measurement Measured(const zandrel::LoopDesign& design, zandrel::LoopScales built,
                              const zandrel::DeckEvaluator& engine) {
    const double frequency = zandrel::BuildScaledGeometry(design, {}).FrequencyMHz;
    return zandrel::ModelMeasurement(design, built, zandrel::SpreadFrequencies(frequency, 101),
                                     50.0, engine);
}

int main(int argc, char** argv) {
    using namespace zandrel;
    // tune_bench [STYLE|all] [tune|fit]
    const std::string only = argc > 1 && std::string(argv[1]) != "all" ? argv[1] : "";
    const std::string part = argc > 2 ? argv[2] : "";
    const DeckEvaluator engine = Nec2cEvaluator();
    std::printf("wall time, nec2c processor time, nec2c runs\n");
    for (const StyleEntry& style : Styles) {
        if (!only.empty() && style.Name != only) {
            continue;
        }
        const std::string caption(style.Caption);
        const LoopDesign design{&style, "137.50", Polarisation::Rhcp, std::nullopt, {}};
        try {
            auto start = std::chrono::steady_clock::now();
            double engineStart = EngineSeconds();
            if (part != "fit") {
                const TuneResult tuned = TuneLoops(design, engine);
                std::printf(
                    "%-17s tune: %5.2f s %5.2f s %3d runs  small %.4f large %.4f  AR %.2f -> %.2f "
                    "dB"
                    "  Z %.2f%+.2fj -> %.2f%+.2fj%s\n",
                    caption.c_str(), Since(start), EngineSeconds() - engineStart, tuned.Nec2cRuns,
                    tuned.Scales.Small, tuned.Scales.Large, tuned.DesignAxialRatioDb,
                    tuned.AxialRatioDb, tuned.DesignImpedance.real(), tuned.DesignImpedance.imag(),
                    tuned.Impedance.real(), tuned.Impedance.imag(),
                    tuned.MeetsReactanceLimit ? "" : "  (|X| limit not met)");
                std::fflush(stdout);
            }
            if (part == "tune") {
                continue;
            }

            // Small loop 2 % long and large 1.5 % short, or the other way round where the
            // loops' bottom arms would touch.
            Measurement measurement;
            LoopScales built{1.02, 0.985};
            try {
                measurement = Measured(design, built, engine);
            } catch (const RuntimeError&) {
                built = {0.985, 1.02};
                measurement = Measured(design, built, engine);
            }
            start = std::chrono::steady_clock::now();
            engineStart = EngineSeconds();
            const FitResult fit =
                FitLoops(design, {{MeasuredPart::Whole, "measured", measurement}}, engine);
            std::printf(
                "%-17s fit:  %5.2f s %5.2f s %3d runs  built %.3f %.3f  fitted %.5f %.5f  "
                "(%.5f-%.5f, %.5f-%.5f) residual %.2g\n",
                caption.c_str(), Since(start), EngineSeconds() - engineStart, fit.Nec2cRuns,
                built.Small, built.Large, fit.Scales.Small, fit.Scales.Large, fit.Small.Low,
                fit.Small.High, fit.Large.Low, fit.Large.High, fit.Residual);
        } catch (const RuntimeError& error) {
            std::printf("%-17s %s: %s\n", caption.c_str(), error.Message().c_str(),
                        error.Detail().c_str());
        }
        std::fflush(stdout);
    }
    return EXIT_SUCCESS;
}
