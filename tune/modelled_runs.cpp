#include "modelled_runs.h"

#include <cmath>
#include <stdexcept>

#include "model_figures.h"
#include "nec_deck.h"

namespace zandrel {

NecOutput CountedEngine::Run(const std::string& deck) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = outputs_.find(deck);
        if (found != outputs_.end()) {
            return found->second;
        }
    }
    NecOutput output = evaluate_(deck);
    const std::lock_guard<std::mutex> lock(mutex_);
    ++runs_;
    outputs_.emplace(deck, output);
    return output;
}

int CountedEngine::Runs() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return runs_;
}

void Minimisation::Minimise(nlopt::opt& optimiser, std::vector<double> start) {
    double value = 0.0;
    try {
        optimiser.optimize(start, value);
    } catch (const nlopt::forced_stop&) {
    } catch (const nlopt::roundoff_limited&) {
    } catch (const std::runtime_error& failure) {
        failure_ = failure.what();
    } catch (const std::invalid_argument& failure) {
        failure_ = failure.what();
    }
    if (error_) {
        std::rethrow_exception(error_);
    }
}

nlopt::opt BoundedOptimiser(nlopt::algorithm algorithm, double lowest, double highest) {
    nlopt::opt optimiser(algorithm, 2);
    optimiser.set_lower_bounds(std::vector<double>{lowest, lowest});
    optimiser.set_upper_bounds(std::vector<double>{highest, highest});
    return optimiser;
}

void Unreadable(const std::string& what) {
    throw ModelError(ModelErrorKind::OutputUnreadable, what);
}

std::vector<std::complex<double>> ModelImpedances(const HelixGeometry& geometry,
                                                  const std::vector<double>& frequenciesMHz,
                                                  CountedEngine& engine) {
    DeckRequest request;
    request.Runs = DeckRuns::Impedances;
    request.ImpedanceFrequenciesMHz = frequenciesMHz;
    const NecOutput output = engine.Run(WriteNecDeck(geometry, request));
    if (output.Runs.size() != frequenciesMHz.size()) {
        Unreadable("the output has " + std::to_string(output.Runs.size()) +
                   " frequencies instead of " + std::to_string(frequenciesMHz.size()));
    }
    std::vector<std::complex<double>> impedances;
    for (std::size_t i = 0; i < frequenciesMHz.size(); ++i) {
        // nec2c prints the frequency to five significant digits.
        if (std::fabs(output.Runs[i].FrequencyMHz - frequenciesMHz[i]) > 1e-4 * frequenciesMHz[i]) {
            Unreadable("the output's frequencies are not the deck's");
        }
        impedances.push_back(InputImpedance(geometry, output.Runs[i]));
    }
    return impedances;
}

std::vector<std::complex<double>> ModelImpedancesOfEach(const std::vector<HelixGeometry>& geometries,
                                                        double frequencyMHz, CountedEngine& engine) {
    DeckRequest request;
    request.Runs = DeckRuns::Impedances;
    request.ImpedanceFrequenciesMHz = {frequencyMHz};
    const NecOutput output = engine.Run(WriteNecDecks(geometries, request));
    if (output.Runs.size() != geometries.size()) {
        Unreadable("the output has " + std::to_string(output.Runs.size()) +
                   " structures' frequencies instead of " + std::to_string(geometries.size()));
    }
    std::vector<std::complex<double>> impedances;
    for (std::size_t i = 0; i < geometries.size(); ++i) {
        if (std::fabs(output.Runs[i].FrequencyMHz - frequencyMHz) > 1e-4 * frequencyMHz) {
            Unreadable("the output's frequencies are not the deck's");
        }
        impedances.push_back(InputImpedance(geometries[i], output.Runs[i]));
    }
    return impedances;
}

std::vector<std::size_t> SpreadIndices(std::size_t size, std::size_t count) {
    if (count >= size) {
        std::vector<std::size_t> all(size);
        for (std::size_t i = 0; i < size; ++i) {
            all[i] = i;
        }
        return all;
    }
    std::vector<std::size_t> picked;
    for (std::size_t k = 0; k < count; ++k) {
        picked.push_back(static_cast<std::size_t>(
            std::lround(static_cast<double>(k) * static_cast<double>(size - 1) /
                        static_cast<double>(count - 1))));
    }
    return picked;
}

}  // namespace zandrel
