// The wire structure of a quadrifilar helix built from the calculator's dimensions.
#pragma once

#include <complex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "helix_dimensions.h"
#include "helix_style.h"
#include "installation.h"

namespace zandrel {

// The circular polarisation the antenna radiates upwards. Left-hand twist radiates RHCP; the
// LHCP antenna is the mirror image (y to -y) of the RHCP one.
enum class Polarisation { Rhcp, Lhcp };

std::string_view PolarisationName(Polarisation polarisation);

struct Point {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
};

// What a wire is part of, so that its neighbours and its purpose can be told apart.
enum class WirePart {
    SmallTop,
    SmallElement,
    SmallBottom,
    LargeTop,
    LargeElement,
    LargeBottom,
    Mast,   // a metal mast on the axis, below the antenna
    Braid,  // the outside of the coax's braid, from the feed down the axis and below
};

// One straight wire, in metres.
struct Wire {
    int Tag = 0;
    int Segments = 1;
    Point Start;
    Point End;
    double Radius = 0.0;
    WirePart Part = WirePart::SmallTop;
    int Element = 0;  // 0 or 1 for an element's wires, else 0
};

// How finely the wires are cut into segments: an element gets the larger of the two counts,
// and the top and bottom wires segments as long as the elements'.
struct Segmentation {
    double SegmentsPerWavelength = 40.0;
    int MinimumPerElement = 32;
};

// What the builder makes differently from the calculator's design. A loop's scale factor
// multiplies its helix radius (half its bottom arm) and its height; its turns, the conductor and
// the gap of two tube diameters between the top arms stay. The segment counts are the design's
// whatever the factors, so that the model changes smoothly with them.
// Which loops the coax feeds. A builder measures one loop alone with the other loop's two top
// arms taken off the coax: that loop's top wire then has an open gap where its feed was.
enum class FedLoops { Both, SmallAlone, LargeAlone };

struct GeometryOptions {
    std::optional<double> ConductorDiameterMm;  // empty: the calculator's tube diameter
    double SmallLoopScale = 1.0;
    double LargeLoopScale = 1.0;
    FedLoops Fed = FedLoops::Both;
    Installation Install;
};

// One voltage source of the deck, on a segment of a top wire. Its positive side faces the wire's
// end: a positive voltage drives current from the wire's start towards its end.
struct FeedSource {
    int Tag = 0;
    int Segment = 0;
    std::complex<double> Voltage{1.0, 0.0};
};

struct HelixGeometry {
    const StyleEntry* Style = nullptr;
    std::string FrequencyText;
    Polarisation Sense = Polarisation::Rhcp;
    HelixDimensions Dimensions;  // the dimensions the model was built from
    double FrequencyMHz = 0.0;
    double ConductorDiameterMm = 0.0;  // every wire's radius is half of it
    double SmallLoopScale = 1.0;
    double LargeLoopScale = 1.0;
    std::vector<Wire> Wires;
    // The small loop's source, then the large loop's, both 1 V: the deck's EX cards.
    std::vector<FeedSource> Sources;
    FedLoops Fed = FedLoops::Both;
    // The loops' top wires, fed on their middle segments; 0 for a loop the coax does not feed,
    // whose top is two wires with its middle segment left out.
    int SmallFeedTag = 0;
    int LargeFeedTag = 0;
    int FeedSegment = 0;  // the middle segment of a top wire (both have the same count)
    int SegmentsPerElement = 0;
    // The ground, mast and coax; in free space with neither the antenna alone, as before.
    Installation Install;
    // The braid's segment that holds the choke's series impedance; 0 without a choke.
    int ChokeTag = 0;
    int ChokeSegment = 0;
    // How far the antenna was raised: its lowest point's height over the ground, in metres.
    double RaisedByM = 0.0;

    int TotalSegments() const;
};

// Computes the style's dimensions for the frequency text into a private set and builds the
// helix from them, with the builder's options. Raises the calculator's RuntimeError when the
// computation fails, and ModelError(NotModellable) when a dimension it is built from rounds to
// 0 mm or less as the windows show it (the error names it), when a scale factor is not a
// positive number, when the conductor diameter is not a positive number smaller than the
// smaller loop's radius, when wires of the two loops would touch, or when the installation
// cannot be built (RequireBuildable). With a ground, the antenna is raised so that its lowest
// point is the installation's height above the ground (z = 0). With a metal mast, each loop's
// bottom arm is split where it crosses the axis and the mast joins the lower one there; the coax's
// braid runs beside the axis, joined to the antenna only at the feed.
HelixGeometry BuildHelixGeometry(const StyleEntry& style, std::string_view frequencyText,
                                 Polarisation sense, const GeometryOptions& options,
                                 const Segmentation& segmentation = {});

// The calculator's design, as the options' defaults give it.
HelixGeometry BuildHelixGeometry(const StyleEntry& style, std::string_view frequencyText,
                                 Polarisation sense, const Segmentation& segmentation = {});

// The length of a wire in metres.
double WireLength(const Wire& wire);

}  // namespace zandrel
