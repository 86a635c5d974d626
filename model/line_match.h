// Matching an antenna's impedance to a coax line: the SWR it gives, a two-part L-network that
// matches it exactly at one frequency and a quarter-wave transformer of standard coax.
#pragma once

#include <array>
#include <complex>
#include <string_view>
#include <vector>

namespace zandrel {

enum class MatchingKind { None, Inductor, Capacitor };

// One ideal component: an inductor or a capacitor, or none at all.
struct Matching {
    MatchingKind Kind = MatchingKind::None;
    double Value = 0.0;  // henry or farad

    // Its reactance at a frequency, in ohm (0 for none).
    double ReactanceAt(double frequencyMHz) const;
};

// "inductor", "capacitor" or "none".
std::string_view ComponentName(const Matching& part);

// The velocity factor of coax with a solid polyethylene dielectric, the commonest: what a
// quarter-wave section or a measuring cable is taken to be made of unless said otherwise.
inline constexpr double SolidPolyethyleneVelocityFactor = 0.66;

// The line a match is made to.
struct LineRequest {
    double Z0Ohm = 50.0;
    double VelocityFactor = SolidPolyethyleneVelocityFactor;
};

// The standard coax impedances a quarter-wave section is made of, in ohm.
inline constexpr std::array<double, 3> StandardCoaxOhms{{50.0, 75.0, 93.0}};

// The standing-wave ratio of a load on a line of real impedance z0; infinite for a load that
// reflects everything.
double SwrOn(std::complex<double> load, double z0Ohm);

enum class ShuntSide { Antenna, Line };

// "antenna" or "line".
std::string_view ShuntSideName(ShuntSide side);

// A series part and a shunt part between the antenna and the line; the shunt part sits across
// the antenna's terminals or across the line's.
struct LNetwork {
    Matching Series;
    Matching Shunt;
    ShuntSide Side = ShuntSide::Antenna;

    // What the line sees at a frequency, looking through the network into `load`.
    std::complex<double> InputImpedance(std::complex<double> load, double frequencyMHz) const;
};

// The L-network that matches `load` to z0 exactly at the frequency: of those that do, the
// low-pass one (series inductor, shunt capacitor) where there is one, else the one whose two
// reactances add up to less. A part that is not needed is None. Raises ModelError(NotMatchable)
// for a load whose resistance is not a positive number, or a z0 that is not.
LNetwork DesignLNetwork(std::complex<double> load, double z0Ohm, double frequencyMHz);

// The parts a builder can wind or buy and fit at the feed: an inductor from 2 nH to 1 µH, a
// capacitor from 0.5 pF to 1 nF. Smaller ones are lost in the strays of the leads, larger ones
// resonate on their own near the satellite bands.
inline constexpr double LeastPracticalHenry = 2e-9;
inline constexpr double MostPracticalHenry = 1e-6;
inline constexpr double LeastPracticalFarad = 0.5e-12;
inline constexpr double MostPracticalFarad = 1e-9;

// How many decades the farther of the network's parts lies outside its practical range; 0 when
// both are practical (a part that is not needed always is).
double DecadesBeyondPractical(const LNetwork& network);

// A quarter-wave section that turns a resistance (after a series part has cancelled the
// reactance) into z0.
struct QuarterWave {
    double LineOhm = 0.0;   // sqrt(z0 x R), the section that would match exactly
    double CoaxOhm = 0.0;   // the standard coax nearest to it, by ratio
    double SwrZ0 = 0.0;     // on z0, with the section made of that coax
    double LengthMm = 0.0;  // a quarter wavelength in the coax
};

// Two equal coax sections in parallel, of half a standard coax's impedance (25 or 37.5 ohm),
// the nearer by ratio to sqrt(z0 x R): for when one coax does no better than none.
QuarterWave DesignParallelQuarterWave(double resistanceOhm, const LineRequest& line,
                                      double frequencyMHz);

// A part of an L-network that is not built as the ideal part: left out because the other part
// alone, at the value that does best alone, gives an SWR of at most 1.1 on Z0; or too small to
// buy (under 0.5 pF or 2 nH).
struct PartAdvice {
    bool Series = true;  // else the shunt part
    Matching Part;
    bool LeftOut = false;       // else impractical
    double SwrWithout = 0.0;    // on Z0 at the design frequency, with the part left out
    double StubLengthMm = 0.0;  // impractical: a stub of the line's coax with the part's
                                // reactance, short-circuited for an inductor, open for a capacitor
};

// The parts of `network` for `load` that are left out or impractical. When one is left out,
// `network` becomes the other part alone at its best value.
std::vector<PartAdvice> AdviseParts(LNetwork& network, std::complex<double> load,
                                    const LineRequest& line, double frequencyMHz);

// Raises ModelError(NotMatchable) for a resistance, z0, frequency or velocity factor that is not
// a positive number, and a velocity factor above 1.
QuarterWave DesignQuarterWave(double resistanceOhm, const LineRequest& line, double frequencyMHz);

// Raises ModelError(NotMatchable) for a z0 that is not a positive number or a velocity factor
// that is not above 0 and at most 1.
void RequireValidLine(const LineRequest& line);

}  // namespace zandrel
