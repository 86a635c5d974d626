// Which top arms the builder joins to the coax's centre conductor and which to its braid.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "helix_feed.h"
#include "helix_geometry.h"
#include "model_error.h"

namespace zandrel {
namespace {

struct ExpectedArm {
    std::string Name;
    double AzimuthDeg;
    FeedSide Side;
};

void ExpectArms(const std::vector<FeedArm>& arms, const std::vector<ExpectedArm>& expected,
                const std::string& what) {
    ASSERT_EQ(arms.size(), expected.size()) << what;
    for (std::size_t i = 0; i < arms.size(); ++i) {
        EXPECT_EQ(arms[i].ArmName, expected[i].Name) << what << ", arm " << i;
        EXPECT_EQ(arms[i].AzimuthDeg, expected[i].AzimuthDeg) << what << ", arm " << i;
        EXPECT_EQ(FeedSideName(arms[i].Side), FeedSideName(expected[i].Side))
            << what << ", arm " << i;
    }
}

constexpr FeedSide Centre = FeedSide::CoaxCentre;
constexpr FeedSide Braid = FeedSide::CoaxBraid;

TEST(FeedConnections, JoinTheSmallLoops0AndTheLargeLoops90DegreeArmsToTheCentreForRhcp) {
    for (const StyleEntry& style : Styles) {
        ExpectArms(FeedConnections(BuildHelixGeometry(style, "137.50", Polarisation::Rhcp)),
                   {{"Small loop top arm", 0.0, Centre},
                    {"Small loop top arm", 180.0, Braid},
                    {"Large loop top arm", 90.0, Centre},
                    {"Large loop top arm", 270.0, Braid}},
                   std::string(style.Name));
    }
}

TEST(FeedConnections, PairTheLargeLoops270DegreeArmWithTheSmallLoops0ForLhcp) {
    for (const StyleEntry& style : Styles) {
        ExpectArms(FeedConnections(BuildHelixGeometry(style, "137.50", Polarisation::Lhcp)),
                   {{"Small loop top arm", 0.0, Centre},
                    {"Small loop top arm", 180.0, Braid},
                    {"Large loop top arm", 90.0, Braid},
                    {"Large loop top arm", 270.0, Centre}},
                   std::string(style.Name));
    }
}

TEST(FeedConnections, FollowTheSourceWhenOneLoopIsFedTheOtherWayRound) {
    HelixGeometry geometry = BuildHelixGeometry(Styles[2], "137.50", Polarisation::Rhcp);
    geometry.Sources[1].Voltage = -1.0;
    ExpectArms(FeedConnections(geometry),
               {{"Small loop top arm", 0.0, Centre},
                {"Small loop top arm", 180.0, Braid},
                {"Large loop top arm", 90.0, Braid},
                {"Large loop top arm", 270.0, Centre}},
               "large loop reversed");
}

TEST(FeedConnections, NameTheAzimuthsWhereTheLoopsElementsLeaveTheirArms) {
    for (const Polarisation sense : {Polarisation::Rhcp, Polarisation::Lhcp}) {
        const HelixGeometry geometry = BuildHelixGeometry(Styles[4], "137.50", sense);
        for (const FeedArm& arm : FeedConnections(geometry)) {
            const WirePart element =
                arm.Part == WirePart::SmallTop ? WirePart::SmallElement : WirePart::LargeElement;
            const double topZ =
                geometry
                    .Wires[arm.Part == WirePart::SmallTop
                               ? static_cast<std::size_t>(geometry.SmallFeedTag - 1)
                               : static_cast<std::size_t>(geometry.LargeFeedTag - 1)]
                    .Start.Z;
            int leaving = 0;
            for (const Wire& wire : geometry.Wires) {
                const double azimuth =
                    std::atan2(wire.Start.Y, wire.Start.X) * 180.0 / std::numbers::pi;
                if (wire.Part == element && std::fabs(wire.Start.Z - topZ) < 1e-12 &&
                    std::fabs(std::remainder(azimuth - arm.AzimuthDeg, 360.0)) < 1e-6) {
                    ++leaving;
                }
            }
            EXPECT_EQ(leaving, 1) << arm.ArmName << " " << arm.AzimuthDeg;
        }
    }
}

TEST(FeedConnectionErrors, RefuseSourcesThatNoOneCoaxCanGive) {
    const HelixGeometry design = BuildHelixGeometry(Styles[0], "137.50", Polarisation::Rhcp);
    struct Case {
        std::string What;
        FeedSource Source;
        std::string Why;
    };
    const std::string notOneCoax = "the sources are not one coax's voltage, each way round";
    const std::string notATopArm = "a source is not on an inner segment of a top arm";
    const int tag = design.LargeFeedTag;
    const int segment = design.FeedSegment;
    for (const Case& c :
         std::vector<Case>{{"a quarter-period phase", {tag, segment, {0.0, 1.0}}, notOneCoax},
                           {"half the voltage", {tag, segment, 0.5}, notOneCoax},
                           {"no voltage", {tag, segment, 0.0}, notOneCoax},
                           {"an end segment", {tag, 1, 1.0}, notATopArm},
                           {"an element", {tag + 1, 1, 1.0}, notATopArm},
                           {"no wire", {9999, 1, 1.0}, notATopArm}}) {
        HelixGeometry geometry = design;
        geometry.Sources[1] = c.Source;
        try {
            FeedConnections(geometry);
            ADD_FAILURE() << c.What << " was taken for a feed";
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::NotModellable) << c.What;
            EXPECT_EQ(error.Detail(), c.Why) << c.What;
        }
    }
}

}  // namespace
}  // namespace zandrel
