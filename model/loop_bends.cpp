#include "loop_bends.h"

#include <cmath>
#include <iomanip>
#include <locale>
#include <numbers>
#include <sstream>
#include <string>

#include "model_error.h"

namespace zandrel {

namespace {

std::string Millimetres(double value) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(2) << value << " mm";
    return text.str();
}

}  // namespace

double BentCutLengthMm(const LoopSides& loop, double bendRadiusMm) {
    if (!std::isfinite(bendRadiusMm) || bendRadiusMm < 0.0) {
        throw ModelError(ModelErrorKind::BendDoesNotFit,
                         "the bend radius must be 0 or a positive number");
    }
    if (bendRadiusMm > loop.TopArmMm) {
        throw ModelError(ModelErrorKind::BendDoesNotFit,
                         "a bend radius of " + Millimetres(bendRadiusMm) +
                             " does not fit in the top arm of " + Millimetres(loop.TopArmMm));
    }
    if (2.0 * bendRadiusMm > loop.BottomArmMm) {
        throw ModelError(ModelErrorKind::BendDoesNotFit,
                         "two bends of radius " + Millimetres(bendRadiusMm) +
                             " do not fit in the bottom arm of " + Millimetres(loop.BottomArmMm));
    }
    return loop.PerimeterMm - 4.0 * (2.0 - std::numbers::pi / 2.0) * bendRadiusMm;
}

}  // namespace zandrel
