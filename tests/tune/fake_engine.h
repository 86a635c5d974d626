// A stand-in NEC-2 engine with known answers, for the tuning's tests: it reads each loop's
// scale factor from the length of its fed top wire in the deck and answers with the impedance
// and zenith field that functions of the factors give.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <mutex>
#include <numbers>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "loop_tuning.h"
#include "nec_output.h"

namespace zandrel::test_support {

class FakeEngine {
  public:
    using Impedance = std::function<std::complex<double>(LoopScales, double frequencyMHz)>;
    // The right- and left-hand circular components of the zenith field.
    using Zenith = std::function<std::pair<std::complex<double>, std::complex<double>>(LoopScales)>;

    FakeEngine(const LoopDesign& design, Impedance impedance, Zenith zenith = {})
        : impedance_(std::move(impedance)), zenith_(std::move(zenith)) {
        const HelixGeometry geometry = BuildScaledGeometry(design, {});
        smallTopMetres_ =
            WireLength(geometry.Wires[static_cast<std::size_t>(geometry.SmallFeedTag - 1)]);
        largeTopMetres_ =
            WireLength(geometry.Wires[static_cast<std::size_t>(geometry.LargeFeedTag - 1)]);
    }

    DeckEvaluator Evaluator() {
        return [this](const std::string& deck) { return Run(deck); };
    }

    // Raises `error` from the call after `calls` calls on.
    template <typename Error>
    void FailAfter(int calls, Error error) {
        failAfter_ = calls;
        raise_ = [error] { throw error; };
    }

    int Calls() const { return calls_; }
    const std::vector<std::size_t>& FrequenciesPerDeck() const { return frequenciesPerDeck_; }
    const std::vector<LoopScales>& Asked() const { return asked_; }

  private:
    NecOutput Run(const std::string& deck) {
        // The fit runs decks from two threads.
        const std::lock_guard<std::mutex> lock(mutex_);
        if (failAfter_ >= 0 && calls_ >= failAfter_) {
            raise_();
        }
        ++calls_;
        // Each structure of a deck that holds several, one after another.
        NecOutput output;
        std::size_t start = 0;
        for (std::size_t next = deck.find("\nNX\n"); next != std::string::npos;
             start = next + 4, next = deck.find("\nNX\n", start)) {
            Answer(deck.substr(start, next + 1 - start), output);
        }
        Answer(deck.substr(start), output);
        return output;
    }

    void Answer(const std::string& deck, NecOutput& output) {
        std::vector<std::pair<int, double>> tops;  // tag, length of its wire in metres
        std::vector<int> fed;
        std::vector<double> frequencies;
        bool zenith = false;
        std::istringstream lines(deck);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream card(line);
            std::string name;
            card >> name;
            if (name == "GW") {
                int tag = 0;
                int segments = 0;
                double c[7] = {};
                card >> tag >> segments >> c[0] >> c[1] >> c[2] >> c[3] >> c[4] >> c[5] >> c[6];
                tops.emplace_back(tag, std::hypot(c[3] - c[0], c[4] - c[1], c[5] - c[2]));
            } else if (name == "EX") {
                int type = 0;
                int tag = 0;
                card >> type >> tag;
                fed.push_back(tag);
            } else if (name == "FR") {
                int type = 0;
                int count = 0;
                int unused = 0;
                double frequency = 0.0;
                card >> type >> count >> unused >> unused >> frequency;
                EXPECT_EQ(count, 1) << "the stand-in answers single-frequency cards only";
                frequencies.push_back(frequency);
            } else if (name == "RP") {
                zenith = true;
            }
        }
        EXPECT_EQ(fed.size(), 2u);
        const auto topLength = [&](int tag) {
            for (const auto& [wireTag, length] : tops) {
                if (wireTag == tag) {
                    return length;
                }
            }
            ADD_FAILURE() << "no wire " << tag;
            return 0.0;
        };
        const LoopScales scales{topLength(fed.at(0)) / smallTopMetres_,
                                topLength(fed.at(1)) / largeTopMetres_};
        asked_.push_back(scales);
        frequenciesPerDeck_.push_back(frequencies.size());
        for (const double frequency : frequencies) {
            const std::complex<double> z = impedance_(scales, frequency);
            const std::complex<double> current = 1.0 / (2.0 * z);
            FrequencyRun run{frequency, {}, {}};
            for (const int tag : fed) {
                run.Sources.push_back({tag, 1, 1.0, current, 2.0 * z});
            }
            if (zenith) {
                const auto [right, left] = zenith_(scales);
                PatternPoint point;
                point.ETheta = (right + left) / std::numbers::sqrt2;
                point.EPhi =
                    (right - left) / (std::complex<double>(0.0, 1.0) * std::numbers::sqrt2);
                run.Pattern.push_back(point);
            }
            output.Runs.push_back(run);
        }
    }

    std::mutex mutex_;
    Impedance impedance_;
    Zenith zenith_;
    double smallTopMetres_ = 0.0;
    double largeTopMetres_ = 0.0;
    int calls_ = 0;
    int failAfter_ = -1;
    std::function<void()> raise_;
    std::vector<std::size_t> frequenciesPerDeck_;
    std::vector<LoopScales> asked_;
};

}  // namespace zandrel::test_support
