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
    Pattern,          // the design frequency's input impedance and whole pattern, no sweep
    Impedances,       // the input impedance only, at each of ImpedanceFrequenciesMHz
};

// The runs a deck asks nec2c for: by default the pattern at the design frequency, then the sweep.
struct DeckRequest {
    int SweepPoints = 11;         // odd, so that the middle point is the design frequency
    double SweepHalfSpan = 0.05;  // of the design frequency, each side
    double PatternStepDeg = 5.0;  // in theta and in phi; divides 90
    // NEC-2's extended thin-wire kernel, for segments short beside their radius. nec2c applies it
    // only along straight runs of one radius away from bends and junctions: the top arms, with
    // the feed, and the bottom arms, never the helical elements. It moves the thick-tubed
    // 1/2 TURN RCA by 0.4 ohm at 137.50 MHz, the other styles by under 0.05 ohm.
    bool ExtendedKernel = true;
    DeckRuns Runs = DeckRuns::PatternAndSweep;
    std::vector<double> ImpedanceFrequenciesMHz;  // for DeckRuns::Impedances, in this order
};

// The frequencies of the sweep, lowest first, in MHz.
std::vector<double> SweepFrequencies(double frequencyMHz, const DeckRequest& request = {});

// Over a ground the pattern covers the upper half-space only: theta from 0 to 90 degrees.
int PatternThetaCount(const DeckRequest& request = {}, bool upperHalfOnly = false);
int PatternPhiCount(const DeckRequest& request = {});

// The deck as nec2c reads it, one card a line; with the geometry's installation, its ground
// (GN 1 or GN 2 and GE 1), the choke (LD 4) and comment cards that name it. The runs of
// DeckRuns::Zenith, ::Pattern and ::Impedances are not the model's figures: only the sources
// and the pattern they ask for are read.
std::string WriteNecDeck(const HelixGeometry& geometry, const DeckRequest& request = {});

// Several helices' decks as one, each structure after the one before (an NX card between them),
// so that one nec2c run models them in turn: the output holds each one's frequencies, in order.
std::string WriteNecDecks(const std::vector<HelixGeometry>& geometries,
                          const DeckRequest& request = {});

}  // namespace zandrel
