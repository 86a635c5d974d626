// The NEC-2 deck of a helix: comment cards, geometry, sources, the sweep and the pattern request.
#pragma once

#include <string>
#include <vector>

#include "helix_geometry.h"

namespace zandrel {

// What a deck asks nec2c to compute.
enum class DeckRuns {
    PatternAndSweep,  // the whole pattern at the design frequency, then the sweep
    Zenith,           // the design frequency's input impedance and the field at the zenith only
    Impedances,       // the input impedance only, at each of ImpedanceFrequenciesMHz
};

// The runs a deck asks nec2c for: by default the pattern at the design frequency, then the sweep.
struct DeckRequest {
    int SweepPoints = 11;         // odd, so that the middle point is the design frequency
    double SweepHalfSpan = 0.05;  // of the design frequency, each side
    double PatternStepDeg = 5.0;  // in theta and in phi; divides 90
    bool ExtendedKernel = true;   // NEC-2's extended thin-wire kernel: the tube is thick
    DeckRuns Runs = DeckRuns::PatternAndSweep;
    std::vector<double> ImpedanceFrequenciesMHz;  // for DeckRuns::Impedances, in this order
};

// The frequencies of the sweep, lowest first, in MHz.
std::vector<double> SweepFrequencies(double frequencyMHz, const DeckRequest& request = {});

int PatternThetaCount(const DeckRequest& request = {});
int PatternPhiCount(const DeckRequest& request = {});

// The deck as nec2c reads it, one card a line. The runs of DeckRuns::Zenith and ::Impedances
// are not the model's figures: only the sources and (for the zenith) one pattern point are read.
std::string WriteNecDeck(const HelixGeometry& geometry, const DeckRequest& request = {});

}  // namespace zandrel
