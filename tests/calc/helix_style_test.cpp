// The style table: on-screen order, captions and the multipliers that make the styles differ.
#include "helix_style.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace zandrel {
namespace {

TEST(StyleTable, ListsTheSixStylesInOnScreenOrderWithTheirCaptions) {
    const HelixStyle order[] = {HelixStyle::QuarterTurn,   HelixStyle::HalfTurnRca,
                                HelixStyle::HalfTurnShort, HelixStyle::HalfTurnTall,
                                HelixStyle::OneTurn,       HelixStyle::OneAndHalfTurn};
    const char* captions[] = {"1/4 TURN .3 HIGH",  "1/2 TURN RCA",    "1/2 TURN .3 TALL",
                              "1/2 TURN .44 TALL", "1 TURN .37 TALL", "1 1/2 TURN"};
    for (std::size_t i = 0; i < Styles.size(); ++i) {
        EXPECT_EQ(Styles[i].Style, order[i]);
        EXPECT_EQ(Styles[i].Caption, captions[i]);
        EXPECT_EQ(&StyleEntryOf(order[i]), &Styles[i]);
    }
}

TEST(StyleTable, GivesOnlyHalfTurnRcaItsOwnTubeFactorAndUnequalLoops) {
    for (const StyleEntry& entry : Styles) {
        const StyleConstants& k = entry.Constants;
        const bool rca = entry.Style == HelixStyle::HalfTurnRca;
        EXPECT_EQ(k.TubeFactor, rca ? 0.0088 : 0.004);
        EXPECT_EQ(k.SmallTopSpanFactor == k.LargeTopSpanFactor, !rca);
        EXPECT_EQ(k.SmallBottomArmFactor == k.LargeBottomArmFactor, !rca);
    }
}

TEST(StyleTable, KeepsTheThreeHalfTurnStylesDistinct) {
    std::set<double> smallPerimeters;
    for (const StyleEntry& entry : Styles) {
        if (entry.Constants.TurnFactor == 0.5) {
            smallPerimeters.insert(entry.Constants.SmallPerimeterFactor);
        }
    }
    EXPECT_EQ(smallPerimeters.size(), 3u);
}

TEST(StyleTable, HoldsMultipliersThatASingleCannotRepresent) {
    int notSingles = 0;
    for (const StyleEntry& entry : Styles) {
        const double factor = entry.Constants.SmallPerimeterFactor;
        notSingles += static_cast<double>(static_cast<float>(factor)) != factor ? 1 : 0;
    }
    EXPECT_EQ(notSingles, 6);
}

}  // namespace
}  // namespace zandrel
