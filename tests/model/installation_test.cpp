// The antenna as installed: its wires over the ground, its mast and braid, and their deck cards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "helix_geometry.h"
#include "installation.h"
#include "model_error.h"
#include "nec_deck.h"

namespace zandrel {
namespace {

HelixGeometry Installed(const Installation& installation, const StyleEntry& style = Styles[3],
                        Polarisation sense = Polarisation::Rhcp) {
    GeometryOptions options;
    options.Install = installation;
    return BuildHelixGeometry(style, "137.50", sense, options);
}

std::vector<std::string> Cards(const std::string& deck, const std::string& name) {
    std::vector<std::string> cards;
    std::istringstream lines(deck);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + " ", 0) == 0) {
            cards.push_back(line);
        }
    }
    return cards;
}

bool IsAntenna(const Wire& wire) {
    return wire.Part != WirePart::Mast && wire.Part != WirePart::Braid;
}

double LowestAntennaZ(const HelixGeometry& geometry) {
    double lowest = std::numeric_limits<double>::infinity();
    for (const Wire& wire : geometry.Wires) {
        if (IsAntenna(wire)) {
            lowest = std::min({lowest, wire.Start.Z, wire.End.Z});
        }
    }
    return lowest;
}

bool Same(const Point& a, const Point& b) {
    return std::fabs(a.X - b.X) < 1e-9 && std::fabs(a.Y - b.Y) < 1e-9 &&
           std::fabs(a.Z - b.Z) < 1e-9;
}

// The wires with an end at the point.
int WiresEndingAt(const HelixGeometry& geometry, const Point& point) {
    return static_cast<int>(
        std::count_if(geometry.Wires.begin(), geometry.Wires.end(),
                      [&](const Wire& w) { return Same(w.Start, point) || Same(w.End, point); }));
}

TEST(InstalledModel, PutsTheAntennasLowestPointAtTheGivenHeightWithItsShapeKept) {
    const HelixGeometry free = Installed({});
    for (const GroundKind ground : {GroundKind::Perfect, GroundKind::Real}) {
        Installation installation;
        installation.Ground = ground;
        installation.HeightM = 7.5;
        const HelixGeometry raised = Installed(installation);
        ASSERT_EQ(raised.Wires.size(), free.Wires.size());
        EXPECT_NEAR(LowestAntennaZ(raised), 7.5, 1e-12);
        const double lift = raised.Wires[0].Start.Z - free.Wires[0].Start.Z;
        for (std::size_t i = 0; i < free.Wires.size(); ++i) {
            EXPECT_NEAR(raised.Wires[i].End.Z - free.Wires[i].End.Z, lift, 1e-12);
            EXPECT_DOUBLE_EQ(raised.Wires[i].End.X, free.Wires[i].End.X);
        }
    }
}

TEST(InstalledModel, StandsTheMetalMastOnTheGroundAndJoinsItToTheLowerBottomArmOnTheAxis) {
    Installation installation;
    installation.Ground = GroundKind::Perfect;
    installation.Mast = MastKind::Metal;
    installation.MastDiameterMm = 40.0;
    const HelixGeometry geometry = Installed(installation);
    const auto mast = std::find_if(geometry.Wires.begin(), geometry.Wires.end(),
                                   [](const Wire& w) { return w.Part == WirePart::Mast; });
    ASSERT_NE(mast, geometry.Wires.end());
    EXPECT_TRUE(Same(mast->Start, {0.0, 0.0, 3.0}));
    EXPECT_TRUE(Same(mast->End, {0.0, 0.0, 0.0}));
    EXPECT_DOUBLE_EQ(mast->Radius, 0.020);
    // The two halves of the lower bottom arm and the mast meet there.
    EXPECT_EQ(WiresEndingAt(geometry, mast->Start), 3);
}

TEST(InstalledModel, RunsTheBraidFromBothFeedsDownBesideTheAxisAndChokesItJustBelowTheAntenna) {
    for (const Polarisation sense : {Polarisation::Rhcp, Polarisation::Lhcp}) {
        Installation installation;
        installation.Feedline = FeedlineKind::Choked;
        installation.MastLengthM = 0.7;
        const HelixGeometry geometry = Installed(installation, Styles[1], sense);
        std::vector<const Wire*> braid;
        for (const Wire& wire : geometry.Wires) {
            if (wire.Part == WirePart::Braid) {
                braid.push_back(&wire);
            }
        }
        ASSERT_EQ(braid.size(), 4u);
        // From the braid's side of one source segment to the other's, where the top arms meet
        // the coax's braid.
        const auto braidSide = [&](int tag) {
            const Wire& top = geometry.Wires[static_cast<std::size_t>(tag - 1)];
            const double t = (geometry.FeedSegment - 1.0) / top.Segments;
            return Point{top.Start.X + t * (top.End.X - top.Start.X),
                         top.Start.Y + t * (top.End.Y - top.Start.Y), top.Start.Z};
        };
        EXPECT_TRUE(Same(braid[0]->Start, braidSide(geometry.SmallFeedTag)));
        EXPECT_TRUE(Same(braid[0]->End, braidSide(geometry.LargeFeedTag)));
        EXPECT_TRUE(Same(braid[1]->End, braid[2]->Start));
        EXPECT_NEAR(std::hypot(braid[2]->Start.X, braid[2]->Start.Y), 0.025, 1e-12);
        const Wire& below = *braid.back();
        EXPECT_EQ(geometry.ChokeTag, below.Tag);
        EXPECT_EQ(geometry.ChokeSegment, 1);
        EXPECT_NEAR(below.Start.Z - below.End.Z, 0.7, 1e-12);
        EXPECT_NEAR(below.Start.Z, LowestAntennaZ(geometry), 1e-12);
        // Joined to nothing but itself on its way down.
        EXPECT_EQ(WiresEndingAt(geometry, below.Start), 2);
        EXPECT_TRUE(Same(below.Start, braid[2]->End));
    }
}

TEST(InstalledDeck, AsksNec2cForTheGroundAndTheUpperHalfOfThePattern) {
    Installation installation;
    installation.Ground = GroundKind::Perfect;
    const std::string perfect = WriteNecDeck(Installed(installation));
    EXPECT_EQ(Cards(perfect, "GE"), std::vector<std::string>{"GE 1"});
    EXPECT_EQ(Cards(perfect, "GN"), std::vector<std::string>{"GN 1 0 0 0 0 0"});
    EXPECT_EQ(Cards(perfect, "RP").front(), "RP 0 19 72 1000 0 0 5 5");

    installation.Ground = GroundKind::Real;
    installation.Permittivity = 80.0;
    installation.ConductivitySPerM = 5.0;
    const std::string sea = WriteNecDeck(Installed(installation));
    EXPECT_EQ(Cards(sea, "GN"), std::vector<std::string>{"GN 2 0 0 0 80 5"});
    EXPECT_NE(sea.find("CM Real ground by the Sommerfeld-Norton method (GN 2)"), std::string::npos);
    EXPECT_NE(sea.find("lowest point 3 m up"), std::string::npos);
}

TEST(InstalledDeck, LoadsTheChokedBraidWithASeriesResistanceAndNamesItInComments) {
    Installation installation;
    installation.Mast = MastKind::Metal;
    installation.Feedline = FeedlineKind::Choked;
    installation.ChokeOhm = 2500.0;
    const HelixGeometry geometry = Installed(installation);
    const std::string deck = WriteNecDeck(geometry);
    const std::string choke = std::to_string(geometry.ChokeTag);
    EXPECT_EQ(Cards(deck, "LD"), std::vector<std::string>{"LD 4 " + choke + " 1 1 2500 0"});
    EXPECT_EQ(Cards(deck, "GN").size(), 0u);
    EXPECT_EQ(Cards(deck, "GE"), std::vector<std::string>{"GE 0"});
    EXPECT_NE(deck.find("CM Metal mast 32 mm on the axis"), std::string::npos);
    EXPECT_NE(deck.find("CM Choke: 2500 ohm in series"), std::string::npos);
    installation.Feedline = FeedlineKind::Bare;
    EXPECT_EQ(Cards(WriteNecDeck(Installed(installation)), "LD").size(), 0u);
}

TEST(InstalledDeck, LeavesTheAntennaAloneInFreeSpaceAsItWasAndSaysAnInsulatingMastIsNotModelled) {
    const std::string alone =
        WriteNecDeck(BuildHelixGeometry(Styles[0], "137.50", Polarisation::Rhcp));
    EXPECT_EQ(WriteNecDeck(Installed({}, Styles[0])), alone);
    Installation insulating;
    insulating.Mast = MastKind::Insulating;
    const std::string deck = WriteNecDeck(Installed(insulating, Styles[0]));
    EXPECT_NE(deck.find("CM Insulating mast: not modelled\n"), std::string::npos);
    EXPECT_EQ(Cards(deck, "GW"), Cards(alone, "GW"));
}

TEST(InstalledModel, RefusesWhatCannotBeBuiltSayingWhy) {
    struct Case {
        void (*Change)(Installation&);
        const char* Words;
    };
    const Case cases[] = {
        {[](Installation& i) { i.HeightM = 0.0; }, "a height above 0 m"},
        {[](Installation& i) {
             i.Ground = GroundKind::Real;
             i.ConductivitySPerM = -0.01;
         },
         "conductivity must be a number of S/m of at least 0"},
        {[](Installation& i) {
             i.Ground = GroundKind::Free;
             i.MastLengthM = 101.0;
         },
         "longer than 100 m"},
        {[](Installation& i) {
             i.Mast = MastKind::Metal;
             i.HeightM = 150.0;
         },
         "the antenna is 150 m up"},
        {[](Installation& i) { i.MastDiameterMm = 0.0; }, "diameter must be a positive number"},
    };
    for (const Case& c : cases) {
        Installation installation;
        installation.Ground = GroundKind::Perfect;
        c.Change(installation);
        try {
            Installed(installation);
            ADD_FAILURE() << "built: " << c.Words;
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::NotModellable);
            EXPECT_NE(error.Detail().find(c.Words), std::string::npos) << error.Detail();
        }
    }
    Installation high;
    high.Ground = GroundKind::Perfect;
    high.HeightM = 150.0;  // with nothing below it, any height
    EXPECT_NO_THROW(Installed(high));
}

}  // namespace
}  // namespace zandrel
