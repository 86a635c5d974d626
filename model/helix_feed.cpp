#include "helix_feed.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model_error.h"

namespace zandrel {

namespace {

[[noreturn]] void NotAFeed(const std::string& why) {
    throw ModelError(ModelErrorKind::NotModellable, why);
}

double AzimuthDeg(const Point& point) {
    double degrees = std::atan2(point.Y, point.X) * 180.0 / std::numbers::pi;
    degrees = std::round(degrees * 1e6) / 1e6;  // no -0.000000001 or 359.999999999
    if (degrees < 0.0) {
        degrees += 360.0;
    }
    return degrees >= 360.0 ? degrees - 360.0 : degrees;
}

}  // namespace

std::string_view FeedSideName(FeedSide side) {
    return side == FeedSide::CoaxCentre ? "coax centre" : "coax braid";
}

std::vector<FeedArm> FeedConnections(const HelixGeometry& geometry) {
    std::vector<FeedArm> arms;
    const std::complex<double> first =
        geometry.Sources.empty() ? std::complex<double>{} : geometry.Sources.front().Voltage;
    for (const FeedSource& source : geometry.Sources) {
        const auto wire =
            std::find_if(geometry.Wires.begin(), geometry.Wires.end(),
                         [&source](const Wire& candidate) { return candidate.Tag == source.Tag; });
        if (wire == geometry.Wires.end() ||
            (wire->Part != WirePart::SmallTop && wire->Part != WirePart::LargeTop) ||
            source.Segment <= 1 || source.Segment >= wire->Segments) {
            NotAFeed("a source is not on an inner segment of a top arm");
        }
        if (source.Voltage.imag() != 0.0 || source.Voltage.real() == 0.0 ||
            std::fabs(source.Voltage.real()) != std::fabs(first.real())) {
            NotAFeed("the sources are not one coax's voltage, each way round");
        }
        const bool endToCentre = source.Voltage.real() > 0.0;
        const std::string_view name =
            wire->Part == WirePart::SmallTop ? "Small loop top arm" : "Large loop top arm";
        arms.push_back({name, wire->Part, AzimuthDeg(wire->End),
                        endToCentre ? FeedSide::CoaxCentre : FeedSide::CoaxBraid});
        arms.push_back({name, wire->Part, AzimuthDeg(wire->Start),
                        endToCentre ? FeedSide::CoaxBraid : FeedSide::CoaxCentre});
    }
    std::stable_sort(arms.begin(), arms.end(), [](const FeedArm& a, const FeedArm& b) {
        return a.Part != b.Part ? a.Part == WirePart::SmallTop : a.AzimuthDeg < b.AzimuthDeg;
    });
    return arms;
}

}  // namespace zandrel
