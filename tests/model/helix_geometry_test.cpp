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

double TopZ(const HelixGeometry& geometry, WirePart part) {
    return OnlyWire(geometry, part).Start.Z;
}

double Span(const Wire& wire) {
    return std::hypot(wire.End.X - wire.Start.X, wire.End.Y - wire.Start.Y);
}

// The geometry's options refused: expects the model's error and a reason containing `why`.
void ExpectRefused(const StyleEntry& style, const GeometryOptions& options,
                   const std::string& why) {
    try {
        BuildHelixGeometry(style, "137.50", Polarisation::Rhcp, options);
        ADD_FAILURE() << "modelled although " << why;
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Kind(), ModelErrorKind::NotModellable);
        EXPECT_EQ(error.Message(), "No NEC-2 model can be built for these dimensions");
        EXPECT_NE(error.Detail().find(why), std::string::npos) << error.Detail();
    }
}

TEST(HelixGeometryOptions, ScaleOneLoopsRadiusAndHeightAndLeaveTheRestAsDesigned) {
    GeometryOptions options;
    options.SmallLoopScale = 1.1;
    options.LargeLoopScale = 0.9;
    for (const StyleEntry& style : Styles) {
        const HelixGeometry design = BuildHelixGeometry(style, "137.50", Polarisation::Rhcp);
        const HelixGeometry scaled =
            BuildHelixGeometry(style, "137.50", Polarisation::Rhcp, options);
        const HelixDimensions& d = design.Dimensions;
        const double tube = static_cast<double>(d.TubeDiameter) * MetresPerMm;
        EXPECT_NEAR(Span(OnlyWire(scaled, WirePart::SmallTop)),
                    1.1 * static_cast<double>(d.SmallBottomArm) * MetresPerMm, 1e-9);
        EXPECT_NEAR(Span(OnlyWire(scaled, WirePart::SmallBottom)),
                    1.1 * static_cast<double>(d.SmallBottomArm) * MetresPerMm, 1e-9);
        EXPECT_NEAR(Span(OnlyWire(scaled, WirePart::LargeBottom)),
                    0.9 * static_cast<double>(d.LargeBottomArm) * MetresPerMm, 1e-9);
        EXPECT_NEAR(TopZ(scaled, WirePart::SmallTop) - TopZ(scaled, WirePart::SmallBottom),
                    1.1 * static_cast<double>(d.SmallLoopHeight) * MetresPerMm, 1e-9);
        EXPECT_NEAR(TopZ(scaled, WirePart::LargeTop) - TopZ(scaled, WirePart::LargeBottom),
                    0.9 * static_cast<double>(d.LargeLoopHeight) * MetresPerMm, 1e-9);
        EXPECT_NEAR(TopZ(scaled, WirePart::SmallTop) - TopZ(scaled, WirePart::LargeTop), 2.0 * tube,
                    1e-9);
        // Radius and height together: each element is the design's, scaled, with its turns.
        for (int element = 0; element < 2; ++element) {
            EXPECT_NEAR(ChainLength(scaled, WirePart::SmallElement, element),
                        1.1 * ChainLength(design, WirePart::SmallElement, element), 1e-9);
            EXPECT_NEAR(ChainLength(scaled, WirePart::LargeElement, element),
                        0.9 * ChainLength(design, WirePart::LargeElement, element), 1e-9);
        }
        ASSERT_EQ(scaled.Wires.size(), design.Wires.size());
        for (std::size_t i = 0; i < design.Wires.size(); ++i) {
            EXPECT_EQ(scaled.Wires[i].Segments, design.Wires[i].Segments) << style.Name;
            EXPECT_DOUBLE_EQ(scaled.Wires[i].Radius, tube / 2.0);
            // A wire of the small loop keeps its azimuth: only the radius changes.
            EXPECT_NEAR(std::atan2(scaled.Wires[i].End.Y, scaled.Wires[i].End.X),
                        std::atan2(design.Wires[i].End.Y, design.Wires[i].End.X), 1e-9);
        }
        EXPECT_EQ(scaled.FeedSegment, design.FeedSegment);
    }
}

TEST(HelixGeometryOptions, GiveEveryWireHalfTheBuildersConductorAndSayItInTheDeck) {
    GeometryOptions options;
    options.ConductorDiameterMm = 2.0;
    const HelixGeometry geometry =
        BuildHelixGeometry(Styles[3], "137.50", Polarisation::Rhcp, options);
    for (const Wire& wire : geometry.Wires) {
        EXPECT_DOUBLE_EQ(wire.Radius, 0.001);
    }
    const std::string deck = WriteNecDeck(geometry);
    EXPECT_NE(deck.find("CM Conductor diameter 2 mm instead of the tube's\n"), std::string::npos);
    EXPECT_EQ(deck.find("scaled"), std::string::npos);
    const std::string design =
        WriteNecDeck(BuildHelixGeometry(Styles[3], "137.50", Polarisation::Rhcp));
    EXPECT_EQ(design.find("Conductor diameter"), std::string::npos);
    options.SmallLoopScale = 1.02;
    options.LargeLoopScale = 0.985;
    const std::string scaled =
        WriteNecDeck(BuildHelixGeometry(Styles[3], "137.50", Polarisation::Rhcp, options));
    EXPECT_NE(scaled.find("CM Loops scaled in radius and height: small x 1.02, large x 0.985\n"),
              std::string::npos);
}

// A loop measured alone: the other loop's top wire loses its middle segment, an open gap, and
// only the measured loop is fed; everything else stays where it was.
TEST(HelixGeometryOptions, LeaveAnOpenGapInTheTopOfTheLoopThatIsNotFed) {
    const HelixGeometry both = BuildHelixGeometry(Styles[3], "137.50", Polarisation::Rhcp);
    for (const FedLoops fed : {FedLoops::SmallAlone, FedLoops::LargeAlone}) {
        GeometryOptions options;
        options.Fed = fed;
        const HelixGeometry alone =
            BuildHelixGeometry(Styles[3], "137.50", Polarisation::Rhcp, options);
        const bool small = fed == FedLoops::SmallAlone;
        const WirePart open = small ? WirePart::LargeTop : WirePart::SmallTop;
        ASSERT_EQ(alone.Sources.size(), 1u);
        EXPECT_EQ(alone.Sources[0].Tag, small ? alone.SmallFeedTag : alone.LargeFeedTag);
        EXPECT_EQ(small ? alone.LargeFeedTag : alone.SmallFeedTag, 0);
        EXPECT_EQ(alone.Wires.size(), both.Wires.size() + 1);
        EXPECT_EQ(alone.TotalSegments(), both.TotalSegments() - 1);
        std::vector<Wire> halves;
        for (const Wire& wire : alone.Wires) {
            if (wire.Part == open) {
                halves.push_back(wire);
            }
        }
        const Wire& whole = OnlyWire(both, open);
        ASSERT_EQ(halves.size(), 2u);
        // Each half runs from an element's top to the gap's edge, one segment short of the axis.
        const double segment = WireLength(whole) / whole.Segments;
        for (const Wire& half : halves) {
            EXPECT_EQ(half.Segments, whole.Segments / 2);
            EXPECT_NEAR(WireLength(half), (whole.Segments / 2) * segment, 1e-9);
        }
        EXPECT_NEAR(std::hypot(halves[1].Start.X - halves[0].End.X,
                               halves[1].Start.Y - halves[0].End.Y),
                    segment, 1e-9);
        const std::string deck = WriteNecDeck(alone);
        EXPECT_NE(deck.find(std::string("CM ") + (small ? "Large" : "Small") +
                            " loop's top arms off the coax: an open gap in place of its feed "
                            "segment\n"),
                  std::string::npos);
    }
}

TEST(HelixGeometryOptions, KeepTheLoopsApartWhereverTheyAreAccepted) {
    // Checked independently by sampling the wires, over the factors a tuner may try.
    for (const StyleEntry* style : {&Styles[0], &Styles[5]}) {
        for (const double small : {0.8, 1.2}) {
            for (const double large : {0.8, 1.2}) {
                GeometryOptions options;
                options.SmallLoopScale = small;
                options.LargeLoopScale = large;
                HelixGeometry geometry;
                try {
                    geometry = BuildHelixGeometry(*style, "137.50", Polarisation::Rhcp, options);
                } catch (const ModelError& error) {
                    ADD_FAILURE() << style->Name << " " << small << " " << large << ": "
                                  << error.Detail();
                    continue;
                }
                for (const Wire& a : geometry.Wires) {
                    for (const Wire& b : geometry.Wires) {
                        if (a.Part <= WirePart::SmallBottom && b.Part > WirePart::SmallBottom) {
                            ASSERT_GT(WireDistance(a, b), a.Radius + b.Radius)
                                << style->Name << " " << small << " " << large;
                        }
                    }
                }
            }
        }
    }
}

TEST(HelixGeometryOptionErrors, RefuseAConductorThatIsNotAPositiveNumber) {
    for (const double diameter : {0.0, -2.0, std::nan(""), HUGE_VAL}) {
        GeometryOptions options;
        options.ConductorDiameterMm = diameter;
        ExpectRefused(Styles[0], options, "the conductor diameter must be a positive number");
    }
}

TEST(HelixGeometryOptionErrors, RefuseAConductorNotSmallerThanTheSmallerLoopsRadius) {
    GeometryOptions options;
    options.ConductorDiameterMm = 110.25;  // 1/2 TURN .3 TALL: both bottom arms 220.42 mm
    ExpectRefused(Styles[2], options,
                  "the conductor diameter 110.25 mm must be smaller than the smaller loop's "
                  "radius 110.21 mm");
    options.LargeLoopScale = 0.4;
    options.ConductorDiameterMm = 60.0;
    ExpectRefused(Styles[2], options, "smaller than the smaller loop's radius 44.08 mm");
}

TEST(HelixGeometryOptionErrors, RefuseTopArmsThatTouchWhereTheyCross) {
    // The top arms cross on the axis two tube diameters apart: 2 x 8.727 mm, which the result
    // box shows as 8.73.
    const double gap =
        2.0 *
        static_cast<double>(
            BuildHelixGeometry(Styles[2], "137.50", Polarisation::Rhcp).Dimensions.TubeDiameter);
    ASSERT_NEAR(gap, 17.45, 0.005);
    GeometryOptions options;
    options.ConductorDiameterMm = gap - 0.01;
    EXPECT_NO_THROW(BuildHelixGeometry(Styles[2], "137.50", Polarisation::Rhcp, options));
    options.ConductorDiameterMm = gap + 0.01;
    ExpectRefused(Styles[2], options,
                  "the small loop's top arm and the large loop's top arm touch: their centre "
                  "lines are 17.45 mm apart, the conductor is 17.46 mm thick");
}

TEST(HelixGeometryOptionErrors, RefuseLoopsScaledUntilTheirBottomArmsMeet) {
    // The small loop's bottom arm passes through the axis at the large one's depth when its
    // height reaches the large loop's height plus the two tube diameters between the tops.
    const HelixDimensions& d =
        BuildHelixGeometry(Styles[0], "137.50", Polarisation::Rhcp).Dimensions;
    GeometryOptions options;
    options.SmallLoopScale =
        (static_cast<double>(d.LargeLoopHeight) + 2.0 * static_cast<double>(d.TubeDiameter)) /
        static_cast<double>(d.SmallLoopHeight);
    ExpectRefused(Styles[0], options,
                  "the small loop's bottom arm and the large loop's bottom arm touch");
}

TEST(HelixGeometryOptionErrors, RefuseScaleFactorsThatAreNotPositiveNumbers) {
    for (const double factor : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        GeometryOptions small;
        small.SmallLoopScale = factor;
        ExpectRefused(Styles[1], small, "a loop's scale factor must be a positive number");
        GeometryOptions large;
        large.LargeLoopScale = factor;
        ExpectRefused(Styles[1], large, "a loop's scale factor must be a positive number");
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

TEST(HelixGeometryErrors, RefusesDimensionsThatRoundToNothingAndSaysWhich) {
    // Far above any band the dimensions round to 0 mm as the main window shows them.
    for (const StyleEntry& style : Styles) {
        try {
            BuildHelixGeometry(style, "1E+30", Polarisation::Rhcp);
            ADD_FAILURE() << style.Caption << " was modelled at 1E+30 MHz";
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::NotModellable);
            EXPECT_EQ(error.Detail(), "at this frequency the tube diameter is 0 mm");
        }
    }
    try {
        BuildHelixGeometry(Styles[0], "-137.5", Polarisation::Rhcp);
        FAIL() << "a negative frequency was modelled";
    } catch (const ModelError& error) {
        EXPECT_EQ(error.Detail(), "at this frequency the tube diameter is -8.73 mm");
    }
}

TEST(HelixGeometry, BuildsEveryStyleWhereItsSmallestDimensionIsStillShown) {
    // 10 GHz and 200 GHz: every dimension the wires are built from is at least 0.01 mm.
    for (const char* frequency : {"1E+4", "2E+5"}) {
        for (const StyleEntry& style : Styles) {
            const HelixGeometry geometry = BuildHelixGeometry(style, frequency, Polarisation::Rhcp);
            EXPECT_GT(std::stod(FormatDimension(geometry.Dimensions.TubeDiameter)), 0.0)
                << frequency;
            EXPECT_FALSE(geometry.Wires.empty());
        }
    }
}

}  // namespace
}  // namespace zandrel
