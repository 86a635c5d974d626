// The feed table a builder follows, put through nec2c: joined as it says, the beam points up;
// with one loop joined the other way round, it turns over.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "helix_feed.h"
#include "helix_geometry.h"
#include "model_figures.h"
#include "nec2c_process.h"
#include "nec_deck.h"
#include "nec_output.h"

namespace zandrel {
namespace {

// A short sweep and a coarse pattern: only the zenith and the nadir are looked at.
DeckRequest ZenithAndNadir() {
    DeckRequest request;
    request.SweepPoints = 3;
    request.PatternStepDeg = 90.0;
    return request;
}

// Feeds each top wire as the table says: 1 V with its positive side on the arm the table joins
// to the centre conductor, whichever end of the wire that is.
void FeedAsTheTableSays(HelixGeometry& geometry, const std::vector<FeedArm>& table) {
    for (FeedSource& source : geometry.Sources) {
        const Wire& wire = geometry.Wires[static_cast<std::size_t>(source.Tag - 1)];
        const double endAzimuth = std::atan2(wire.End.Y, wire.End.X) * 180.0 / std::numbers::pi;
        for (const FeedArm& arm : table) {
            if (arm.Part == wire.Part && arm.Side == FeedSide::CoaxCentre) {
                const bool atEnd =
                    std::fabs(std::remainder(endAzimuth - arm.AzimuthDeg, 360.0)) < 1e-6;
                source.Voltage = atEnd ? 1.0 : -1.0;
            }
        }
    }
}

// Zenith total gain less nadir total gain, in dB, of the helix fed as the table says.
double ZenithOverNadirDb(const StyleEntry& style, Polarisation sense, bool largeLoopReversed) {
    HelixGeometry geometry = BuildHelixGeometry(style, "137.50", sense);
    std::vector<FeedArm> table = FeedConnections(geometry);
    if (largeLoopReversed) {
        for (FeedArm& arm : table) {
            if (arm.Part == WirePart::LargeTop) {
                arm.Side =
                    arm.Side == FeedSide::CoaxCentre ? FeedSide::CoaxBraid : FeedSide::CoaxCentre;
            }
        }
    }
    FeedAsTheTableSays(geometry, table);
    const test_support::Nec2cRun run =
        test_support::RunNec2c(WriteNecDeck(geometry, ZenithAndNadir()));
    EXPECT_EQ(run.Status, 0);
    return ComputeModelFigures(geometry, ParseNecOutput(run.Output), ZenithAndNadir())
        .FrontToBackDb.value();
}

TEST(FeedBeam, PointsUpForEveryStyleAndTwistWhenJoinedAsTheTableSays) {
    for (const Polarisation sense : {Polarisation::Rhcp, Polarisation::Lhcp}) {
        for (const StyleEntry& style : Styles) {
            EXPECT_GT(ZenithOverNadirDb(style, sense, false), 0.0)
                << style.Name << " " << PolarisationName(sense);
        }
    }
}

TEST(FeedBeam, TurnsOverWhenTheLargeLoopIsJoinedTheOtherWayRound) {
    for (const Polarisation sense : {Polarisation::Rhcp, Polarisation::Lhcp}) {
        int turnedOver = 0;
        for (const StyleEntry& style : Styles) {
            const double reversed = ZenithOverNadirDb(style, sense, true);
            EXPECT_LT(reversed, ZenithOverNadirDb(style, sense, false)) << style.Name;
            turnedOver += reversed < 0.0 ? 1 : 0;
        }
        EXPECT_GE(turnedOver, 2) << PolarisationName(sense);
    }
}

}  // namespace
}  // namespace zandrel
