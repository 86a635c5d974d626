#include "helix_geometry.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <locale>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "model_error.h"
#include "numeric.h"

namespace zandrel {

namespace {

constexpr double MetresPerMm = 0.001;
constexpr double SpeedOfLightMmMHz = 299792.458;  // mm per MHz of wavelength

Point OnHelix(double radius, double azimuth, double z) {
    return {radius * std::cos(azimuth), radius * std::sin(azimuth), z};
}

// A loop: two helical elements of `turns` turns starting on opposite sides at `startAzimuth`,
// the top wire through the axis that feeds them and the bottom wire that joins them.
struct LoopShape {
    double Radius;
    double Height;
    double TopZ;
    double StartAzimuth;
    int BottomSegments;
    bool Fed;          // else its top wire has an open gap in place of the feed segment
    bool SplitBottom;  // the bottom wire as two, joined where it crosses the axis
    WirePart Top;
    WirePart Element;
    WirePart Bottom;
};

int OddAtLeastThree(double segments) {
    int count = std::max(3, static_cast<int>(std::ceil(segments)));
    return count % 2 == 0 ? count + 1 : count;
}

class GeometryBuilder {
  public:
    GeometryBuilder(HelixGeometry& geometry, double radius, double turns, int pieces,
                    int topSegments)
        : geometry_(geometry),
          wireRadius_(radius),
          turns_(turns),
          pieces_(pieces),
          topSegments_(topSegments) {}

    // Adds the loop and returns its fed top wire's tag, or 0 when the loop is not fed.
    int AddLoop(const LoopShape& loop) {
        const double pi = std::numbers::pi;
        // The top runs from the element on the negative side to the one on the positive side.
        const Point negative = OnHelix(loop.Radius, loop.StartAzimuth + pi, loop.TopZ);
        const Point positive = OnHelix(loop.Radius, loop.StartAzimuth, loop.TopZ);
        int topTag = 0;
        if (loop.Fed) {
            topTag = Add(negative, positive, topSegments_, loop.Top, 0);
        } else {
            const int half = topSegments_ / 2;
            const auto at = [&](int segment) {
                const double t = static_cast<double>(segment) / topSegments_;
                return Point{negative.X + (positive.X - negative.X) * t,
                             negative.Y + (positive.Y - negative.Y) * t,
                             negative.Z + (positive.Z - negative.Z) * t};
            };
            Add(negative, at(half), half, loop.Top, 0);
            Add(at(half + 1), positive, half, loop.Top, 0);
        }
        Point ends[2];
        for (int element = 0; element < 2; ++element) {
            const double start = loop.StartAzimuth + pi * element;
            Point previous = OnHelix(loop.Radius, start, loop.TopZ);
            for (int piece = 1; piece <= pieces_; ++piece) {
                const double t = static_cast<double>(piece) / pieces_;
                const Point next = OnHelix(loop.Radius, start + 2.0 * pi * turns_ * t,
                                           loop.TopZ - loop.Height * t);
                Add(previous, next, 1, loop.Element, element);
                previous = next;
            }
            ends[element] = previous;
        }
        if (loop.SplitBottom) {
            const Point axis{0.0, 0.0, ends[0].Z};
            const int half = (loop.BottomSegments + 1) / 2;
            Add(ends[0], axis, half, loop.Bottom, 0);
            Add(axis, ends[1], half, loop.Bottom, 0);
        } else {
            Add(ends[0], ends[1], loop.BottomSegments, loop.Bottom, 0);
        }
        return topTag;
    }

  private:
    int Add(Point start, Point end, int segments, WirePart part, int element) {
        const int tag = static_cast<int>(geometry_.Wires.size()) + 1;
        geometry_.Wires.push_back({tag, segments, start, end, wireRadius_, part, element});
        return tag;
    }

    HelixGeometry& geometry_;
    double wireRadius_;
    double turns_;
    int pieces_;
    int topSegments_;
};

bool PositiveAndFinite(double value) { return std::isfinite(value) && value > 0.0; }

// The dimensions the wires are built from, named as a person reads them.
struct ModelledDimension {
    const char* Words;
    float HelixDimensions::*Field;
};

constexpr ModelledDimension ModelledDimensions[] = {
    {"tube diameter", &HelixDimensions::TubeDiameter},
    {"small loop's bottom arm", &HelixDimensions::SmallBottomArm},
    {"large loop's bottom arm", &HelixDimensions::LargeBottomArm},
    {"small loop's height", &HelixDimensions::SmallLoopHeight},
    {"large loop's height", &HelixDimensions::LargeLoopHeight},
};

[[noreturn]] void NotModellable(const std::string& why) {
    throw ModelError(ModelErrorKind::NotModellable, why);
}

// A model is built of the dimensions the windows show: each must be at least the hundredth of
// a millimetre they are shown in. The tube is the first to round to 0 mm, a little above
// 200 GHz; nec2c itself refuses the wires only far beyond that.
void CheckModellable(const HelixDimensions& d) {
    for (const ModelledDimension& dimension : ModelledDimensions) {
        const float value = d.*dimension.Field;
        if (!std::isfinite(value) || !(Round(value, 2) > 0.0f)) {
            NotModellable(std::string("at this frequency the ") + dimension.Words + " is " +
                          FormatDimension(value) + " mm");
        }
    }
}

std::string Millimetres(double metres) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(2) << metres / MetresPerMm << " mm";
    return text.str();
}

Point Along(const Point& a, const Point& b, double t) {
    return {a.X + t * (b.X - a.X), a.Y + t * (b.Y - a.Y), a.Z + t * (b.Z - a.Z)};
}

double Dot(const Point& a, const Point& b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }

Point Minus(const Point& a, const Point& b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }

// The shortest distance between two straight wires' centre lines.
double Separation(const Wire& a, const Wire& b) {
    const Point u = Minus(a.End, a.Start);
    const Point v = Minus(b.End, b.Start);
    const Point w = Minus(a.Start, b.Start);
    const double uu = Dot(u, u);
    const double uv = Dot(u, v);
    const double vv = Dot(v, v);
    const double uw = Dot(u, w);
    const double vw = Dot(v, w);
    const double denominator = uu * vv - uv * uv;
    // The closest points of the infinite lines, then clamped onto the wires one after the other.
    double s = denominator > 1e-12 * uu * vv
                   ? std::clamp((uv * vw - vv * uw) / denominator, 0.0, 1.0)
                   : 0.0;
    double t = std::clamp((uv * s + vw) / vv, 0.0, 1.0);
    s = std::clamp((uv * t - uw) / uu, 0.0, 1.0);
    const Point gap = Minus(Along(a.Start, a.End, s), Along(b.Start, b.End, t));
    return std::sqrt(Dot(gap, gap));
}

bool OfSmallLoop(WirePart part) {
    return part == WirePart::SmallTop || part == WirePart::SmallElement ||
           part == WirePart::SmallBottom;
}

std::string PartName(WirePart part) {
    switch (part) {
        case WirePart::SmallTop:
            return "the small loop's top arm";
        case WirePart::SmallElement:
            return "a helical element of the small loop";
        case WirePart::SmallBottom:
            return "the small loop's bottom arm";
        case WirePart::LargeTop:
            return "the large loop's top arm";
        case WirePart::LargeElement:
            return "a helical element of the large loop";
        case WirePart::LargeBottom:
            return "the large loop's bottom arm";
        case WirePart::Mast:
            return "the mast";
        case WirePart::Braid:
            return "the coax's braid";
    }
    return "a wire";
}

// Refuses a helix in which a wire of one loop comes closer to a wire of the other than the
// conductor's diameter: the loops would touch.
void RequireLoopsApart(const HelixGeometry& geometry) {
    const double conductor = geometry.ConductorDiameterMm * MetresPerMm;
    for (const Wire& a : geometry.Wires) {
        if (!OfSmallLoop(a.Part)) {
            continue;
        }
        for (const Wire& b : geometry.Wires) {
            if (OfSmallLoop(b.Part)) {
                continue;
            }
            const double apart = Separation(a, b);
            if (apart <= conductor) {
                NotModellable(PartName(a.Part) + " and " + PartName(b.Part) +
                              " touch: their centre lines are " + Millimetres(apart) +
                              " apart, the conductor is " + Millimetres(conductor) + " thick");
            }
        }
    }
}

double Distance(const Point& a, const Point& b) {
    const Point d = Minus(b, a);
    return std::sqrt(Dot(d, d));
}

// The segments of a wire cut `perMetre` to the metre, at least one.
int SegmentsFor(const Point& a, const Point& b, double perMetre) {
    return std::max(1, static_cast<int>(std::ceil(Distance(a, b) * perMetre)));
}

// The segments below the antenna, where the current changes slowly along a long straight wire.
constexpr double SegmentsPerWavelengthBelow = 20.0;

// The braid's side of a fed top wire's source segment, where the coax's braid meets its arm.
Point BraidSideOfFeed(const HelixGeometry& geometry, int tag) {
    const Wire& wire = geometry.Wires[static_cast<std::size_t>(tag - 1)];
    // A source's positive side faces its wire's end: the braid is on the start's side.
    const double t = static_cast<double>(geometry.FeedSegment - 1) / wire.Segments;
    const bool positive =
        std::any_of(geometry.Sources.begin(), geometry.Sources.end(),
                    [tag](const FeedSource& s) { return s.Tag == tag && s.Voltage.real() > 0.0; });
    return Along(wire.Start, wire.End, positive ? t : t + 1.0 / wire.Segments);
}

// Where the braid runs down beside the axis: this far from it, in the horizontal direction
// that keeps it farthest from the top and bottom arms, which all cross the axis.
Point BraidOffset(const HelixGeometry& geometry, double distance) {
    std::vector<double> arms;
    for (const Wire& wire : geometry.Wires) {
        if (wire.Part == WirePart::SmallTop || wire.Part == WirePart::LargeTop ||
            wire.Part == WirePart::SmallBottom || wire.Part == WirePart::LargeBottom) {
            arms.push_back(std::atan2(wire.End.Y - wire.Start.Y, wire.End.X - wire.Start.X));
        }
    }
    double best = 0.0;
    double bestClearance = -1.0;
    for (int step = 0; step < 180; ++step) {
        const double angle = step * std::numbers::pi / 180.0;
        double clearance = 1.0;
        for (const double arm : arms) {
            clearance = std::min(clearance, std::fabs(std::sin(angle - arm)));
        }
        if (clearance > bestClearance) {
            bestClearance = clearance;
            best = angle;
        }
    }
    return {distance * std::cos(best), distance * std::sin(best), 0.0};
}

// How far the braid runs from the axis: inside a support tube, clear of the arms that cross it
// and, with a metal mast, beside it.
constexpr double BraidOffAxisM = 0.025;

// Adds the metal mast and the coax's braid below a built helix, then raises it all over the
// ground. The mast runs on the axis from the lower bottom arm, joined to it, down to the ground
// (or its length in free space). The braid runs from the fed arms' braid sides to beside the
// axis, down past the bottom arms without touching them and on below the antenna; a choke is
// its first segment below the antenna.
void AddInstallation(HelixGeometry& geometry, double perMetre, double wavelength) {
    const Installation& install = geometry.Install;
    const auto add = [&](Point a, Point b, int segments, WirePart part, double radius) {
        const int tag = static_cast<int>(geometry.Wires.size()) + 1;
        geometry.Wires.push_back({tag, segments, a, b, radius, part, 0});
        return tag;
    };
    double lowerArm = std::numeric_limits<double>::infinity();
    for (const Wire& wire : geometry.Wires) {
        if (wire.Part == WirePart::SmallBottom || wire.Part == WirePart::LargeBottom) {
            lowerArm = std::min(lowerArm, wire.Start.Z);
        }
    }
    const double belowPerMetre = SegmentsPerWavelengthBelow / wavelength;
    const double bottom = lowerArm - install.BelowAntennaM();
    const bool metalMast = install.Mast == MastKind::Metal;
    if (metalMast) {
        const Point top{0.0, 0.0, lowerArm};
        const Point foot{0.0, 0.0, bottom};
        add(top, foot, SegmentsFor(top, foot, belowPerMetre), WirePart::Mast,
            install.MastDiameterMm / 2000.0);
    }
    if (install.Feedline != FeedlineKind::None) {
        const double braidRadius = BraidDiameterMm / 2000.0;
        const double offAxis = std::max(
            BraidOffAxisM, metalMast ? install.MastDiameterMm / 2000.0 + braidRadius : 0.0);
        const Point offset = BraidOffset(geometry, offAxis);
        std::vector<Point> path;
        for (const int tag : {geometry.SmallFeedTag, geometry.LargeFeedTag}) {
            if (tag != 0) {
                path.push_back(BraidSideOfFeed(geometry, tag));
            }
        }
        path.push_back({offset.X, offset.Y, path.back().Z});
        path.push_back({offset.X, offset.Y, lowerArm});
        for (std::size_t i = 0; i + 1 < path.size(); ++i) {
            add(path[i], path[i + 1], SegmentsFor(path[i], path[i + 1], perMetre), WirePart::Braid,
                braidRadius);
        }
        const Point end{offset.X, offset.Y, bottom};
        const int below = add(path.back(), end, SegmentsFor(path.back(), end, belowPerMetre),
                              WirePart::Braid, braidRadius);
        if (install.Feedline == FeedlineKind::Choked) {
            geometry.ChokeTag = below;
            geometry.ChokeSegment = 1;
        }
    }
    if (install.HasGround()) {
        double lowest = std::numeric_limits<double>::infinity();
        for (const Wire& wire : geometry.Wires) {
            if (wire.Part != WirePart::Mast && wire.Part != WirePart::Braid) {
                lowest = std::min({lowest, wire.Start.Z, wire.End.Z});
            }
        }
        geometry.RaisedByM = install.HeightM - lowest;
        for (Wire& wire : geometry.Wires) {
            for (Point* end : {&wire.Start, &wire.End}) {
                // The foot of the mast and of the braid stands on the ground, exactly.
                end->Z = end->Z == bottom && wire.Part != WirePart::SmallBottom &&
                                 wire.Part != WirePart::LargeBottom
                             ? 0.0
                             : end->Z + geometry.RaisedByM;
            }
        }
    }
}

}  // namespace

std::string_view PolarisationName(Polarisation polarisation) {
    return polarisation == Polarisation::Rhcp ? "RHCP" : "LHCP";
}

int HelixGeometry::TotalSegments() const {
    int total = 0;
    for (const Wire& wire : Wires) {
        total += wire.Segments;
    }
    return total;
}

double WireLength(const Wire& wire) {
    return std::sqrt((wire.End.X - wire.Start.X) * (wire.End.X - wire.Start.X) +
                     (wire.End.Y - wire.Start.Y) * (wire.End.Y - wire.Start.Y) +
                     (wire.End.Z - wire.Start.Z) * (wire.End.Z - wire.Start.Z));
}

HelixGeometry BuildHelixGeometry(const StyleEntry& style, std::string_view frequencyText,
                                 Polarisation sense, const Segmentation& segmentation) {
    return BuildHelixGeometry(style, frequencyText, sense, GeometryOptions{}, segmentation);
}

HelixGeometry BuildHelixGeometry(const StyleEntry& style, std::string_view frequencyText,
                                 Polarisation sense, const GeometryOptions& options,
                                 const Segmentation& segmentation) {
    HelixGeometry geometry;
    geometry.Style = &style;
    geometry.FrequencyText = std::string(frequencyText);
    geometry.Sense = sense;
    ComputeHelixDimensions(frequencyText, style.Constants, geometry.Dimensions);
    const HelixDimensions& d = geometry.Dimensions;
    geometry.FrequencyMHz = static_cast<double>(d.FreqMHz);

    // The calculator's design, then the builder's loops.
    CheckModellable(d);
    const double tube = static_cast<double>(d.TubeDiameter) * MetresPerMm;
    const double designSmallRadius = static_cast<double>(d.SmallBottomArm) / 2.0 * MetresPerMm;
    const double designLargeRadius = static_cast<double>(d.LargeBottomArm) / 2.0 * MetresPerMm;
    const double designSmallHeight = static_cast<double>(d.SmallLoopHeight) * MetresPerMm;
    const double designLargeHeight = static_cast<double>(d.LargeLoopHeight) * MetresPerMm;
    if (!PositiveAndFinite(options.SmallLoopScale) || !PositiveAndFinite(options.LargeLoopScale)) {
        NotModellable("a loop's scale factor must be a positive number");
    }
    geometry.SmallLoopScale = options.SmallLoopScale;
    geometry.LargeLoopScale = options.LargeLoopScale;
    const double smallRadius = designSmallRadius * options.SmallLoopScale;
    const double largeRadius = designLargeRadius * options.LargeLoopScale;
    const double smallHeight = designSmallHeight * options.SmallLoopScale;
    const double largeHeight = designLargeHeight * options.LargeLoopScale;
    geometry.ConductorDiameterMm =
        options.ConductorDiameterMm.value_or(static_cast<double>(d.TubeDiameter));
    const double conductor = geometry.ConductorDiameterMm * MetresPerMm;
    if (!PositiveAndFinite(conductor)) {
        NotModellable("the conductor diameter must be a positive number");
    }
    const double smallerRadius = std::min(smallRadius, largeRadius);
    if (!(conductor < smallerRadius)) {
        NotModellable("the conductor diameter " + Millimetres(conductor) +
                      " must be smaller than the smaller loop's radius " +
                      Millimetres(smallerRadius));
    }

    // The segments are cut for the design's loops, whatever the scale factors.
    const double wavelength = SpeedOfLightMmMHz / geometry.FrequencyMHz * MetresPerMm;
    const double segmentsPerMetre = segmentation.SegmentsPerWavelength / wavelength;
    const double turns = style.Constants.TurnFactor;
    const double pi = std::numbers::pi;
    const double longestElement =
        std::max(std::hypot(designLargeHeight, 2.0 * pi * designLargeRadius * turns),
                 std::hypot(designSmallHeight, 2.0 * pi * designSmallRadius * turns));
    geometry.SegmentsPerElement =
        std::max(segmentation.MinimumPerElement,
                 static_cast<int>(std::ceil(longestElement * segmentsPerMetre)));
    // The top and bottom wires are cut as finely as the elements.
    const double piecesPerMetre = geometry.SegmentsPerElement / longestElement;
    const int topSegments =
        OddAtLeastThree(2.0 * std::max(designSmallRadius, designLargeRadius) * piecesPerMetre);
    geometry.FeedSegment = topSegments / 2 + 1;
    const auto bottomSegments = [&](double radius) {
        return std::max(1, static_cast<int>(std::ceil(2.0 * radius * piecesPerMetre)));
    };

    GeometryBuilder builder(geometry, conductor / 2.0, turns, geometry.SegmentsPerElement,
                            topSegments);
    const double smallTop = std::max(smallHeight, largeHeight);
    geometry.Fed = options.Fed;
    RequireBuildable(options.Install);
    geometry.Install = options.Install;
    const bool split = options.Install.Mast == MastKind::Metal;
    geometry.SmallFeedTag =
        builder.AddLoop({smallRadius, smallHeight, smallTop, 0.0, bottomSegments(designSmallRadius),
                         options.Fed != FedLoops::LargeAlone, split, WirePart::SmallTop,
                         WirePart::SmallElement, WirePart::SmallBottom});
    geometry.LargeFeedTag =
        builder.AddLoop({largeRadius, largeHeight, smallTop - 2.0 * tube, pi / 2.0,
                         bottomSegments(designLargeRadius), options.Fed != FedLoops::SmallAlone,
                         split, WirePart::LargeTop, WirePart::LargeElement, WirePart::LargeBottom});
    RequireLoopsApart(geometry);
    for (const int tag : {geometry.SmallFeedTag, geometry.LargeFeedTag}) {
        if (tag != 0) {
            geometry.Sources.push_back({tag, geometry.FeedSegment, 1.0});
        }
    }

    if (sense == Polarisation::Lhcp) {
        for (Wire& wire : geometry.Wires) {
            wire.Start.Y = -wire.Start.Y;
            wire.End.Y = -wire.End.Y;
        }
    }
    AddInstallation(geometry, piecesPerMetre, wavelength);
    return geometry;
}

}  // namespace zandrel
