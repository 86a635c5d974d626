// What the tuning, the fit and the sensitivity share when they run decks: the engine run once
// per distinct deck, NLopt runs that let the engine's errors through, and a helix's impedances.
#pragma once

#include <complex>
#include <exception>
#include <map>
#include <mutex>
#include <nlopt.hpp>
#include <optional>
#include <string>
#include <vector>

#include "helix_geometry.h"
#include "model_error.h"
#include "nec2c_engine.h"

namespace zandrel {

// The evaluator, run once per distinct deck: optimisers come back to points they have seen.
// Several threads may run decks through it at once.
class CountedEngine {
  public:
    explicit CountedEngine(const DeckEvaluator& evaluate) : evaluate_(evaluate) {}

    NecOutput Run(const std::string& deck);
    int Runs() const;

  private:
    const DeckEvaluator& evaluate_;
    mutable std::mutex mutex_;
    std::map<std::string, NecOutput> outputs_;
    int runs_ = 0;
};

// Runs an NLopt minimisation whose functions call Guard: an exception they raise (the engine's,
// a cancellation) comes out of Minimise as it was, not as NLopt's own failure.
class Minimisation {
  public:
    template <typename Function>
    double Guard(Function function) {
        try {
            return function();
        } catch (...) {
            error_ = std::current_exception();
            throw nlopt::forced_stop();
        }
    }

    // Minimises from `start`; the caller keeps the best point it has seen itself.
    void Minimise(nlopt::opt& optimiser, std::vector<double> start);

    const std::string& Failure() const { return failure_; }

  private:
    std::exception_ptr error_;
    std::string failure_;
};

nlopt::opt BoundedOptimiser(nlopt::algorithm algorithm, double lowest, double highest);

// What `model` gives for a pair of factors, or nothing where they make a helix that cannot be
// modelled: loops that touch, say, or a geometry nec2c rejects. The searches treat such factors
// as the worst there is; `why` keeps the reason.
template <typename Model>
auto IfModellable(Model model, std::string& why) -> std::optional<decltype(model())> {
    try {
        return model();
    } catch (const ModelError& error) {
        if (error.Kind() != ModelErrorKind::NotModellable) {
            throw;
        }
        why = error.Detail();
        return std::nullopt;
    }
}

[[noreturn]] void Unreadable(const std::string& what);

// The input impedance of the geometry at each frequency, from one impedance-only deck.
std::vector<std::complex<double>> ModelImpedances(const HelixGeometry& geometry,
                                                  const std::vector<double>& frequenciesMHz,
                                                  CountedEngine& engine);

// The input impedance of each geometry at one frequency, from one deck of them all, in order.
std::vector<std::complex<double>> ModelImpedancesOfEach(const std::vector<HelixGeometry>& geometries,
                                                        double frequencyMHz, CountedEngine& engine);

// Picks `count` of the indices 0 .. size - 1, spread evenly, the first and last among them.
std::vector<std::size_t> SpreadIndices(std::size_t size, std::size_t count);

}  // namespace zandrel
