// The helix's wires against the calculator's dimensions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "helix_geometry.h"
#include "model_error.h"
#include "nec_deck.h"
#include "numeric_error.h"

namespace zandrel {
namespace {

constexpr double MetresPerMm = 0.001;

double ChainLength(const HelixGeometry& geometry, WirePart part, int element) {
    double length = 0.0;
    for (const Wire& wire : geometry.Wires) {
        if (wire.Part == part && wire.Element == element) {
            length += WireLength(wire);
        }
    }
    return length;
}

const Wire& OnlyWire(const HelixGeometry& geometry, WirePart part) {
    return *std::find_if(geometry.Wires.begin(), geometry.Wires.end(),
                         [part](const Wire& wire) { return wire.Part == part; });
}

double Distance(const Point& a, const Point& b) {
    return std::sqrt((a.X - b.X) * (a.X - b.X) + (a.Y - b.Y) * (a.Y - b.Y) +
                     (a.Z - b.Z) * (a.Z - b.Z));
}

// The shortest distance between two straight wires, by sampling both finely.
double WireDistance(const Wire& a, const Wire& b) {
    constexpr int Samples = 24;
    double best = 1e30;
    for (int i = 0; i <= Samples; ++i) {
        const double s = static_cast<double>(i) / Samples;
        const Point p{a.Start.X + s * (a.End.X - a.Start.X), a.Start.Y + s * (a.End.Y - a.Start.Y),
                      a.Start.Z + s * (a.End.Z - a.Start.Z)};
        for (int j = 0; j <= Samples; ++j) {
            const double t = static_cast<double>(j) / Samples;
            const Point q{b.Start.X + t * (b.End.X - b.Start.X),
                          b.Start.Y + t * (b.End.Y - b.Start.Y),
                          b.Start.Z + t * (b.End.Z - b.Start.Z)};
            best = std::min(best, Distance(p, q));
        }
    }
    return best;
}

bool Joined(const Wire& a, const Wire& b) {
    constexpr double Tolerance = 1e-9;
    return Distance(a.Start, b.Start) < Tolerance || Distance(a.Start, b.End) < Tolerance ||
           Distance(a.End, b.Start) < Tolerance || Distance(a.End, b.End) < Tolerance;
}

TEST(HelixGeometry, ElementsMatchTheDisplayedHelixLengths) {
    for (const StyleEntry& style : Styles) {
        const HelixGeometry geometry = BuildHelixGeometry(style, "137.50", Polarisation::Rhcp);
        const HelixDimensions& d = geometry.Dimensions;
        // The calculator's arc uses pi = 3.14 and the element is a chain of chords, so the
        // chain is a little shorter or longer than the displayed length, never by 0.3 %.
        for (int element = 0; element < 2; ++element) {
            EXPECT_NEAR(ChainLength(geometry, WirePart::SmallElement, element),
                        static_cast<double>(d.SmallHelixLength) * MetresPerMm,
                        0.003 * static_cast<double>(d.SmallHelixLength) * MetresPerMm)
                << style.Name;
            EXPECT_NEAR(ChainLength(geometry, WirePart::LargeElement, element),
                        static_cast<double>(d.LargeHelixLength) * MetresPerMm,
                        0.003 * static_cast<double>(d.LargeHelixLength) * MetresPerMm)
                << style.Name;
        }
    }
}

TEST(HelixGeometry, SpansTheArmsAndHeightsAsStated) {
    for (const StyleEntry& style : Styles) {
        const HelixGeometry geometry = BuildHelixGeometry(style, "137.50", Polarisation::Rhcp);
        const HelixDimensions& d = geometry.Dimensions;
        const double tube = static_cast<double>(d.TubeDiameter) * MetresPerMm;
        const double smallArm = static_cast<double>(d.SmallBottomArm) * MetresPerMm;
        const double largeArm = static_cast<double>(d.LargeBottomArm) * MetresPerMm;
        const Wire& smallTop = OnlyWire(geometry, WirePart::SmallTop);
        const Wire& largeTop = OnlyWire(geometry, WirePart::LargeTop);
        EXPECT_NEAR(WireLength(smallTop), smallArm, 1e-9) << style.Name;
        EXPECT_NEAR(WireLength(largeTop), largeArm, 1e-9) << style.Name;
        EXPECT_NEAR(WireLength(OnlyWire(geometry, WirePart::SmallBottom)), smallArm, 1e-9);
        EXPECT_NEAR(WireLength(OnlyWire(geometry, WirePart::LargeBottom)), largeArm, 1e-9);
        // The small loop's top lies on the x axis, from -x to +x; the large one's on y, 2
        // tube diameters lower.
        EXPECT_NEAR(smallTop.Start.X, -smallArm / 2.0, 1e-9);
        EXPECT_NEAR(smallTop.End.X, smallArm / 2.0, 1e-9);
        EXPECT_NEAR(largeTop.Start.Y, -largeArm / 2.0, 1e-9);
        EXPECT_NEAR(largeTop.End.Y, largeArm / 2.0, 1e-9);
        const double top = std::max(static_cast<double>(d.SmallLoopHeight),
                                    static_cast<double>(d.LargeLoopHeight)) *
                           MetresPerMm;
        EXPECT_NEAR(smallTop.Start.Z, top, 1e-9);
        EXPECT_NEAR(largeTop.Start.Z, top - 2.0 * tube, 1e-9);
        EXPECT_NEAR(smallTop.Start.Z - OnlyWire(geometry, WirePart::SmallBottom).Start.Z,
                    static_cast<double>(d.SmallLoopHeight) * MetresPerMm, 1e-9);
        EXPECT_NEAR(largeTop.Start.Z - OnlyWire(geometry, WirePart::LargeBottom).Start.Z,
                    static_cast<double>(d.LargeLoopHeight) * MetresPerMm, 1e-9);
        for (const Wire& wire : geometry.Wires) {
            EXPECT_DOUBLE_EQ(wire.Radius, tube / 2.0);
        }
    }
}

TEST(HelixGeometry, TurnsEachElementByTheStylesTurnsCounterClockwiseGoingDown) {
    for (const StyleEntry& style : Styles) {
        const HelixGeometry geometry = BuildHelixGeometry(style, "137.50", Polarisation::Rhcp);
        double turned = 0.0;
        for (const Wire& wire : geometry.Wires) {
            if (wire.Part == WirePart::LargeElement && wire.Element == 1) {
                const double from = std::atan2(wire.Start.Y, wire.Start.X);
                const double to = std::atan2(wire.End.Y, wire.End.X);
                turned += std::remainder(to - from, 2.0 * std::numbers::pi);
                EXPECT_LT(wire.End.Z, wire.Start.Z);
            }
        }
        EXPECT_NEAR(turned / (2.0 * std::numbers::pi), style.Constants.TurnFactor, 1e-9)
            << style.Name;
    }
}

TEST(HelixGeometry, NoTwoWiresTouchExceptAtTheirJoints) {
    for (const StyleEntry& style : Styles) {
        const HelixGeometry geometry = BuildHelixGeometry(style, "137.50", Polarisation::Rhcp);
        const std::vector<Wire>& wires = geometry.Wires;
        for (std::size_t i = 0; i < wires.size(); ++i) {
            for (std::size_t j = i + 1; j < wires.size(); ++j) {
                if (!Joined(wires[i], wires[j])) {
                    EXPECT_GT(WireDistance(wires[i], wires[j]), wires[i].Radius + wires[j].Radius)
                        << style.Name << ": wires " << wires[i].Tag << " and " << wires[j].Tag;
                }
            }
        }
    }
}

TEST(HelixGeometry, CutsElementsAndFeedsAsTheDeckNeeds) {
    for (const StyleEntry& style : Styles) {
        const HelixGeometry geometry = BuildHelixGeometry(style, "137.50", Polarisation::Rhcp);
        EXPECT_GE(geometry.SegmentsPerElement, 8);
        const Wire& smallTop = geometry.Wires[static_cast<std::size_t>(geometry.SmallFeedTag - 1)];
        const Wire& largeTop = geometry.Wires[static_cast<std::size_t>(geometry.LargeFeedTag - 1)];
        EXPECT_EQ(smallTop.Part, WirePart::SmallTop);
        EXPECT_EQ(largeTop.Part, WirePart::LargeTop);
        EXPECT_EQ(smallTop.Segments % 2, 1);
        EXPECT_EQ(largeTop.Segments, smallTop.Segments);
        EXPECT_EQ(geometry.FeedSegment, smallTop.Segments / 2 + 1);
    }
}

TEST(HelixGeometry, LhcpIsTheMirrorImageInY) {
    const HelixGeometry right = BuildHelixGeometry(Styles[3], "137.50", Polarisation::Rhcp);
    const HelixGeometry left = BuildHelixGeometry(Styles[3], "137.50", Polarisation::Lhcp);
    ASSERT_EQ(right.Wires.size(), left.Wires.size());
    for (std::size_t i = 0; i < right.Wires.size(); ++i) {
        EXPECT_DOUBLE_EQ(left.Wires[i].Start.X, right.Wires[i].Start.X);
        EXPECT_DOUBLE_EQ(left.Wires[i].Start.Y, -right.Wires[i].Start.Y);
        EXPECT_DOUBLE_EQ(left.Wires[i].End.Z, right.Wires[i].End.Z);
    }
}

TEST(HelixGeometryErrors, RaisesTheCalculatorsErrorForABadFrequency) {
    try {
        BuildHelixGeometry(Styles[0], "abc", Polarisation::Rhcp);
        FAIL() << "a text that is not a number was modelled";
    } catch (const NumericError& error) {
        EXPECT_EQ(error.Kind(), NumericErrorKind::TypeMismatch);
        EXPECT_EQ(error.Number(), 13);
    }
}

TEST(HelixGeometryErrors, RefusesANegativeFrequency) {
    try {
        BuildHelixGeometry(Styles[0], "-137.5", Polarisation::Rhcp);
        FAIL() << "a negative frequency was modelled";
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Kind(), ModelErrorKind::NotModellable);
        EXPECT_EQ(error.Number(), 1005);
        EXPECT_EQ(error.Message(), "No NEC-2 model can be built for these dimensions");
    }
}

}  // namespace
}  // namespace zandrel
