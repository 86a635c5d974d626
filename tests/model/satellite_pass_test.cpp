// The pass's geometry against distances worked out by hand, and what the pass makes of gains
// whose answer is known.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "line_match.h"
#include "model_error.h"
#include "satellite_pass.h"

namespace zandrel {
namespace {

// Worked by hand for a satellite at 850 km over an Earth of radius 6371 km: at 0° the line of
// sight is the tangent, sqrt(7221^2 - 6371^2) = 3399.0 km; at 10°, sqrt(7221^2 - (6371 cos 10°)^2)
// - 6371 sin 10° = 3574.5 - 1106.3 = 2468.2 km; at 60°, 6480.4 - 5517.5 = 962.9 km.
constexpr double HorizonKm = 3399.0;
constexpr double TenDegreesKm = 2468.2;
constexpr double SixtyDegreesKm = 962.9;

double HandLossDb(double rangeKm) { return 20.0 * std::log10(rangeKm / 850.0); }

// Gains of `dbic` at every elevation from 0° to 90°, the cross-polar hand 30 dB below.
std::vector<ElevationGain> FlatGains(double dbic) {
    std::vector<ElevationGain> gains;
    for (int e = 0; e <= 90; e += 5) {
        gains.push_back({static_cast<double>(e), dbic, dbic - 30.0});
    }
    return gains;
}

TEST(PassGeometry, GivesTheRangesAndLossesWorkedOutByHand) {
    EXPECT_NEAR(SlantRangeKm(850.0, 90.0), 850.0, 1e-9);
    EXPECT_NEAR(SlantRangeKm(850.0, 10.0), TenDegreesKm, 0.2);
    EXPECT_NEAR(SlantRangeKm(850.0, 0.0), HorizonKm, 0.2);
    EXPECT_NEAR(SlantRangeKm(850.0, 60.0), SixtyDegreesKm, 0.2);
    EXPECT_NEAR(ExtraPathLossDb(850.0, 90.0), 0.0, 1e-9);
    EXPECT_NEAR(ExtraPathLossDb(850.0, 10.0), HandLossDb(TenDegreesKm), 0.001);
    EXPECT_NEAR(ExtraPathLossDb(850.0, 0.0), HandLossDb(HorizonKm), 0.001);
    // The figures the users quote: 12.0 dB at the horizon, 9.3 at 10°, 4.8 at 30°.
    EXPECT_NEAR(ExtraPathLossDb(850.0, 0.0), 12.0, 0.05);
    EXPECT_NEAR(ExtraPathLossDb(850.0, 30.0), 4.8, 0.05);
    // A geostationary satellite is barely farther at the horizon than overhead, relatively.
    EXPECT_LT(ExtraPathLossDb(35786.0, 0.0), 1.4);
}

TEST(PassFigures, AreTheGainLessTheExtraLossAndJudgeOnlyTenDegreesUp) {
    // An isotropic circular antenna: the signal is the extra loss, weakest at 10° within the span
    // judged although 0° and 5° are weaker still.
    const PassFigures flat = ComputePassFigures(FlatGains(0.0), Polarisation::Rhcp, 850.0);
    ASSERT_EQ(flat.Points.size(), 19u);
    EXPECT_NEAR(flat.Points.front().RelativeSignalDb, -HandLossDb(HorizonKm), 0.001);
    EXPECT_NEAR(flat.Worst10To90Db, -HandLossDb(TenDegreesKm), 0.001);
    EXPECT_DOUBLE_EQ(flat.WorstElevationDeg, 10.0);
    EXPECT_NEAR(flat.Spread10To90Db, HandLossDb(TenDegreesKm), 0.001);

    // A null of -20 dBic at 60° is the weakest point, and the left-hand antenna takes its own
    // hand's gains.
    std::vector<ElevationGain> gains = FlatGains(3.0);
    for (ElevationGain& gain : gains) {
        std::swap(gain.RhcpDbic, gain.LhcpDbic);
    }
    gains[12].LhcpDbic = -20.0;
    const PassFigures nulled = ComputePassFigures(gains, Polarisation::Lhcp, 850.0);
    EXPECT_NEAR(nulled.Points[12].GainDbic, -20.0, 1e-12);
    EXPECT_NEAR(nulled.Worst10To90Db, -20.0 - HandLossDb(SixtyDegreesKm), 0.001);
    EXPECT_DOUBLE_EQ(nulled.WorstElevationDeg, 60.0);
    EXPECT_NEAR(nulled.Spread10To90Db, 3.0 - nulled.Worst10To90Db, 1e-9);
    for (const PassPoint& point : nulled.Points) {
        EXPECT_NEAR(point.RelativeSignalDb, point.GainDbic - point.ExtraLossDb, 1e-12);
    }
}

TEST(PassRanking, PutsTheHighestWeakestSignalFirstAndKeepsTiesInOrder) {
    PassFigures a;
    a.Worst10To90Db = -9.0;
    PassFigures b;
    b.Worst10To90Db = -5.0;
    PassFigures c;
    c.Worst10To90Db = -9.0;
    const std::vector<std::size_t> order = RankPasses({&a, &b, &c});
    EXPECT_EQ(order, (std::vector<std::size_t>{1, 0, 2}));

    const PassFigures best = ComputePassFigures(FlatGains(2.0), Polarisation::Rhcp, 850.0);
    const PassFigures next = ComputePassFigures(FlatGains(1.0), Polarisation::Rhcp, 850.0);
    const std::string sentence = PassChoiceSentence({{"1 1/2 TURN", &best}, {"1 TURN", &next}});
    EXPECT_EQ(sentence.rfind("Build the 1 1/2 TURN for a satellite at 850 km: ", 0), 0u)
        << sentence;
    EXPECT_NE(sentence.find("-7.3 dB against an isotropic antenna overhead at 10°"),
              std::string::npos)
        << sentence;
    EXPECT_NE(sentence.find("(the 1 TURN's is -8.3 dB)"), std::string::npos) << sentence;
    EXPECT_NE(sentence.find("rises by 0.0 dB from the zenith to 10°, where the longer path loses "
                            "9.3 dB."),
              std::string::npos)
        << sentence;
}

TEST(PassErrors, RefuseAnAltitudeOutsideTheOrbitsWithTheRange) {
    EXPECT_NO_THROW(RequirePassAltitude(150.0));
    EXPECT_NO_THROW(RequirePassAltitude(36000.0));
    for (const double altitude :
         {149.9, 36000.5, -850.0, std::numeric_limits<double>::quiet_NaN()}) {
        try {
            ComputePassFigures(FlatGains(0.0), Polarisation::Rhcp, altitude);
            ADD_FAILURE() << altitude << " km was accepted";
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::AltitudeOutOfRange);
            EXPECT_EQ(error.Number(), 1008);
            EXPECT_EQ(error.Message(),
                      "The satellite's altitude is outside the orbits a pass is worked out for");
            EXPECT_NE(error.Detail().find("is outside 150 to 36000 km"), std::string::npos)
                << error.Detail();
        }
    }
    // Gains that stop short of 10° cannot be judged.
    std::vector<ElevationGain> high = FlatGains(0.0);
    high.erase(high.begin(), high.begin() + 3);
    EXPECT_THROW(ComputePassFigures(high, Polarisation::Rhcp, 850.0), ModelError);
}

TEST(PracticalNetwork, IsOneABuilderCanWindOrBuyAndAnyOtherIsCountedInDecades) {
    const auto network = [](Matching series, Matching shunt) {
        return LNetwork{series, shunt, ShuntSide::Line};
    };
    // The designs' own networks at 137.50 MHz.
    EXPECT_EQ(DecadesBeyondPractical(
                  network({MatchingKind::Inductor, 47.8e-9}, {MatchingKind::Capacitor, 41.4e-12})),
              0.0);
    EXPECT_EQ(DecadesBeyondPractical(network({}, {MatchingKind::Capacitor, 3.89e-12})), 0.0);
    EXPECT_NEAR(DecadesBeyondPractical(network({MatchingKind::Inductor, 10e-6}, {})), 1.0, 1e-12);
    EXPECT_NEAR(DecadesBeyondPractical(
                    network({MatchingKind::Inductor, 100e-9}, {MatchingKind::Capacitor, 0.005e-12})),
                2.0, 1e-12);
    EXPECT_NEAR(DecadesBeyondPractical(network({MatchingKind::Capacitor, 100e-9}, {})), 2.0, 1e-12);
}

}  // namespace
}  // namespace zandrel
