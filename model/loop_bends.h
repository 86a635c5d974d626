// The length of tube to cut for a loop whose four corners are bent to a radius rather than
// sharp, as the calculator's lengths assume.
#pragma once

namespace zandrel {

// A loop as cut: its perimeter, one of its two top arms (from the feed to a corner) and its
// bottom arm (a corner at each end), in mm.
struct LoopSides {
    double PerimeterMm = 0.0;
    double TopArmMm = 0.0;
    double BottomArmMm = 0.0;
};

// The perimeter less what bending its four 90-degree corners to the centre-line radius saves:
// each corner's two legs of r become a quarter circle, 4 x (2 - pi/2) x r in all. A radius of 0
// is the sharp loop. Raises ModelError(BendDoesNotFit) for a radius that is not 0 or a positive
// number, or that does not fit in a top arm (one bend) or in the bottom arm (two bends).
double BentCutLengthMm(const LoopSides& loop, double bendRadiusMm);

}  // namespace zandrel
