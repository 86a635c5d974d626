// The signal over a satellite's pass: the chosen style's relative signal against elevation, the
// other styles' lighter behind it.
#pragma once

#include <QString>
#include <vector>

#include "satellite_pass.h"

class QChart;

namespace zandrel {

struct PassCurve {
    QString Caption;
    PassFigures Pass;
    bool Chosen = false;
};

// A chart of the relative signal (dB against an isotropic antenna overhead, which the window's
// caption beside it says) against elevation from the horizon to the zenith, with a legend.
QChart* NewPassChart();

// Shows the curves, the chosen one bold and named in the title with its weakest signal from 10°
// to 90°, the others thin and light under one legend entry; no curves when there are none.
void ShowPass(QChart& chart, const std::vector<PassCurve>& curves, double altitudeKm);

}  // namespace zandrel
