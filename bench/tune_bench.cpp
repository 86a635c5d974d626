// Times the tuning of each style at 137.50 MHz and a fit to a 101-point measurement made from
// the model, in nec2c: wall time and nec2c runs of each.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "helix_style.h"
#include "loop_tuning.h"
#include "nec_deck.h"
#include "runtime_error.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zandrel;
    const std::string only = argc > 1 ? argv[1] : "";
    const DeckEvaluator engine = Nec2cEvaluator();
    for (const StyleEntry& style : Styles) {
        if (!only.empty() && style.Name != only) {
            continue;
        }
        const LoopDesign design{&style, "137.50", Polarisation::Rhcp, std::nullopt};
        try {
            auto start = std::chrono::steady_clock::now();
            const TuneResult tuned = TuneLoops(design, engine);
            std::printf(
                "%-16s tune: %6.2f s %3d runs  small %.4f large %.4f  AR %.2f -> %.2f dB  "
                "Z %.2f%+.2fj -> %.2f%+.2fj%s\n",
                std::string(style.Caption).c_str(), Since(start), tuned.Nec2cRuns,
                tuned.Scales.Small, tuned.Scales.Large, tuned.DesignAxialRatioDb,
                tuned.AxialRatioDb, tuned.DesignImpedance.real(), tuned.DesignImpedance.imag(),
                tuned.Impedance.real(), tuned.Impedance.imag(),
                tuned.MeetsReactanceLimit ? "" : "  (|X| limit not met)");

            // A 101-point measurement of the antenna built with known factors, +-10 %.
            const LoopScales built{1.02, 0.985};
            const HelixGeometry geometry = BuildScaledGeometry(design, built);
            DeckRequest request;
            request.Runs = DeckRuns::Impedances;
            for (int i = 0; i <= 100; ++i) {
                request.ImpedanceFrequenciesMHz.push_back(geometry.FrequencyMHz *
                                                          (0.9 + 0.002 * i));
            }
            const NecOutput output = engine(WriteNecDeck(geometry, request));
            Measurement measurement;
            for (std::size_t i = 0; i < output.Runs.size(); ++i) {
                measurement.Points.push_back(
                    {request.ImpedanceFrequenciesMHz[i],
                     ReflectionOf(InputImpedance(geometry, output.Runs[i]), 50.0)});
            }
            start = std::chrono::steady_clock::now();
            const FitResult fit = FitLoops(design, measurement, engine);
            std::printf("%-16s fit:  %6.2f s %3d runs  small %.5f large %.5f  residual %.2g\n",
                        std::string(style.Caption).c_str(), Since(start), fit.Nec2cRuns,
                        fit.Scales.Small, fit.Scales.Large, fit.Residual);
        } catch (const RuntimeError& error) {
            std::printf("%-16s %s: %s\n", std::string(style.Caption).c_str(),
                        error.Message().c_str(), error.Detail().c_str());
        }
        std::fflush(stdout);
    }
    return EXIT_SUCCESS;
}
