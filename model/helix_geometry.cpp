#include "helix_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model_error.h"

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
                    int topSegments, double segmentsPerMetre)
        : geometry_(geometry),
          wireRadius_(radius),
          turns_(turns),
          pieces_(pieces),
          topSegments_(topSegments),
          segmentsPerMetre_(segmentsPerMetre) {}

    // Adds the loop and returns its top wire's tag.
    int AddLoop(const LoopShape& loop) {
        const double pi = std::numbers::pi;
        // The top runs from the element on the negative side to the one on the positive side.
        const Point negative = OnHelix(loop.Radius, loop.StartAzimuth + pi, loop.TopZ);
        const Point positive = OnHelix(loop.Radius, loop.StartAzimuth, loop.TopZ);
        const int topTag = Add(negative, positive, topSegments_, loop.Top, 0);
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
        const double bottomLength = std::hypot(ends[1].X - ends[0].X, ends[1].Y - ends[0].Y);
        Add(ends[0], ends[1],
            std::max(1, static_cast<int>(std::ceil(bottomLength * segmentsPerMetre_))), loop.Bottom,
            0);
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
    double segmentsPerMetre_;
};

bool PositiveAndFinite(double value) { return std::isfinite(value) && value > 0.0; }

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
    HelixGeometry geometry;
    geometry.Style = &style;
    geometry.FrequencyText = std::string(frequencyText);
    geometry.Sense = sense;
    ComputeHelixDimensions(frequencyText, style.Constants, geometry.Dimensions);
    const HelixDimensions& d = geometry.Dimensions;
    geometry.FrequencyMHz = static_cast<double>(d.FreqMHz);

    const double tube = static_cast<double>(d.TubeDiameter) * MetresPerMm;
    const double smallRadius = static_cast<double>(d.SmallBottomArm) / 2.0 * MetresPerMm;
    const double largeRadius = static_cast<double>(d.LargeBottomArm) / 2.0 * MetresPerMm;
    const double smallHeight = static_cast<double>(d.SmallLoopHeight) * MetresPerMm;
    const double largeHeight = static_cast<double>(d.LargeLoopHeight) * MetresPerMm;
    for (double value :
         {geometry.FrequencyMHz, tube, smallRadius, largeRadius, smallHeight, largeHeight}) {
        if (!PositiveAndFinite(value)) {
            throw ModelError(ModelErrorKind::NotModellable,
                             "the frequency must give positive, finite dimensions");
        }
    }

    const double wavelength = SpeedOfLightMmMHz / geometry.FrequencyMHz * MetresPerMm;
    const double segmentsPerMetre = segmentation.SegmentsPerWavelength / wavelength;
    const double turns = style.Constants.TurnFactor;
    const double pi = std::numbers::pi;
    const double longestElement = std::max(std::hypot(largeHeight, 2.0 * pi * largeRadius * turns),
                                           std::hypot(smallHeight, 2.0 * pi * smallRadius * turns));
    geometry.SegmentsPerElement =
        std::max(segmentation.MinimumPerElement,
                 static_cast<int>(std::ceil(longestElement * segmentsPerMetre)));
    // The top and bottom wires are cut as finely as the elements.
    const double piecesPerMetre = geometry.SegmentsPerElement / longestElement;
    const int topSegments =
        OddAtLeastThree(2.0 * std::max(smallRadius, largeRadius) * piecesPerMetre);
    geometry.FeedSegment = topSegments / 2 + 1;

    GeometryBuilder builder(geometry, tube / 2.0, turns, geometry.SegmentsPerElement, topSegments,
                            piecesPerMetre);
    const double smallTop = std::max(smallHeight, largeHeight);
    geometry.SmallFeedTag =
        builder.AddLoop({smallRadius, smallHeight, smallTop, 0.0, WirePart::SmallTop,
                         WirePart::SmallElement, WirePart::SmallBottom});
    geometry.LargeFeedTag =
        builder.AddLoop({largeRadius, largeHeight, smallTop - 2.0 * tube, pi / 2.0,
                         WirePart::LargeTop, WirePart::LargeElement, WirePart::LargeBottom});

    if (sense == Polarisation::Lhcp) {
        for (Wire& wire : geometry.Wires) {
            wire.Start.Y = -wire.Start.Y;
            wire.End.Y = -wire.End.Y;
        }
    }
    return geometry;
}

}  // namespace zandrel
