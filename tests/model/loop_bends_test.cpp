// The cut length of a loop with bent corners, against the loop worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "loop_bends.h"
#include "model_error.h"

namespace zandrel {
namespace {

// 1/2 TURN .3 TALL at 137.50 MHz, small loop, as the result boxes show it.
const LoopSides HalfTurnShortSmallLoop{2316.46, 104.72, 220.42};

TEST(BentLoop, IsShorterByWhatFourQuarterCirclesSaveOnTheirLegs) {
    // Each corner bent at 45 mm: 2 x 45 mm of straight legs become a quarter circle of
    // pi / 2 x 45 = 70.69 mm, so the loop is 4 x 19.31 = 77.26 mm shorter.
    const double byHand = 2316.46 - 4.0 * (2.0 * 45.0 - std::numbers::pi / 2.0 * 45.0);
    EXPECT_NEAR(byHand, 2239.20, 0.005);
    EXPECT_NEAR(BentCutLengthMm(HalfTurnShortSmallLoop, 45.0), byHand, 1e-9);
    EXPECT_DOUBLE_EQ(BentCutLengthMm(HalfTurnShortSmallLoop, 0.0), 2316.46);
}

TEST(BentLoop, TakesABendThatFillsAnArmExactly) {
    EXPECT_NO_THROW(BentCutLengthMm(HalfTurnShortSmallLoop, 104.72));
    EXPECT_NO_THROW(BentCutLengthMm({1000.0, 200.0, 100.0}, 50.0));
}

TEST(BentLoopErrors, RefuseARadiusThatDoesNotFitOrIsNotANumber) {
    struct Case {
        LoopSides Loop;
        double Radius;
        std::string Why;
    };
    for (const Case& c : std::vector<Case>{
             {HalfTurnShortSmallLoop, 104.73,
              "a bend radius of 104.73 mm does not fit in the top arm of 104.72 mm"},
             {{1000.0, 200.0, 100.0},
              50.01,
              "two bends of radius 50.01 mm do not fit in the bottom arm of 100.00 mm"},
             {HalfTurnShortSmallLoop, -1.0, "the bend radius must be 0 or a positive number"},
             {HalfTurnShortSmallLoop, std::nan(""),
              "the bend radius must be 0 or a positive number"}}) {
        try {
            BentCutLengthMm(c.Loop, c.Radius);
            ADD_FAILURE() << "a bend of " << c.Radius << " mm was taken";
        } catch (const ModelError& error) {
            EXPECT_EQ(error.Kind(), ModelErrorKind::BendDoesNotFit);
            EXPECT_EQ(error.Message(), "The bend does not fit in the loop");
            EXPECT_EQ(error.Detail(), c.Why);
        }
    }
}

}  // namespace
}  // namespace zandrel
