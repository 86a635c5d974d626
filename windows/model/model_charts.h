// The plots of one modelled style: its elevation pattern, and its impedance and SWR across the
// sweep, drawn from the model's figures as they are.
#pragma once

#include <QString>
#include <vector>

#include "loop_fit.h"

class QChart;
class QPolarChart;

namespace zandrel {

// The weakest gain the pattern plot shows; weaker directions lie on its centre.
inline constexpr double PatternFloorDbic = -30.0;
inline constexpr double PatternCeilingDbic = 10.0;
inline constexpr int PatternRings = 4;

// A polar chart for the two vertical cuts: the angle from the zenith round the circle, the
// gain in dBic outwards, and a legend.
QPolarChart* NewPatternChart();

// Shows the RHCP and LHCP gains of the cuts through the small loop's plane (phi 0) and the
// large loop's plane (phi 90), or no curves when `figures` is null. The title names the style
// by `caption` when it is not empty.
void ShowPattern(QPolarChart& chart, const QString& caption, const ModelFigures* figures);

// A chart of R and X (ohm, left axis) and two SWRs (right axis) against frequency: on the line
// through the L-network, and lighter against R with the matching component in series.
QChart* NewSweepChart();

// Shows the sweep of `figures` with the design frequency marked, or no curves when it is null.
void ShowSweep(QChart& chart, const QString& caption, const ModelFigures* figures);

// Lays measured antennas over the sweep that ShowSweep drew of `figures`, as points at the
// measured frequencies within the design frequency +-15 % (the band a fit looks at): the whole
// antenna's R, X and SWR in their curves' colours under one legend entry, "measured", drawn as
// they are; each loop alone's SWR in a colour of its own with an entry of its own. Beside them,
// in place of the SWR against R, the model's SWR on the first measurement's reference with
// nothing fitted ("bare"); the curve through the L-network stays, named as such by its axis.
// The axes grow to hold them. Nothing is drawn without a sweep.
void ShowMeasurements(QChart& chart, const std::vector<PartMeasurement>& measurements,
                      const ModelFigures& figures);

}  // namespace zandrel
