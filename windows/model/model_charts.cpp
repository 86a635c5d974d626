#include "model_charts.h"

#include <QAbstractAxis>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QPolarChart>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "loop_fit.h"
#include "model_figures.h"
#include "one_port.h"

namespace zandrel {

namespace {

constexpr double SwrCeiling = 5.0;
constexpr int MostFrequencyLabels = 6;
constexpr double MeasuredHalfSpan = 0.15;  // of the design frequency: what a fit looks at

const QString AngleAxisName = QStringLiteral("angleAxis");
const QString GainAxisName = QStringLiteral("gainAxis");
const QString FrequencyAxisName = QStringLiteral("frequencyAxis");
const QString OhmAxisName = QStringLiteral("ohmAxis");
const QString SwrAxisName = QStringLiteral("swrAxis");
const QString DesignFrequencyName = QStringLiteral("designFrequency");
const QString SeriesSwrName = QStringLiteral("swrWithTheSeriesPart");

QValueAxis* NewAxis(const QString& name, const QString& title, const QString& labelFormat) {
    auto* axis = new QValueAxis();
    axis->setObjectName(name);
    axis->setTitleText(title);
    axis->setLabelFormat(labelFormat);
    return axis;
}

QValueAxis* AxisNamed(const QChart& chart, const QString& name) {
    for (QAbstractAxis* axis : chart.axes()) {
        if (axis->objectName() == name) {
            return qobject_cast<QValueAxis*>(axis);
        }
    }
    return nullptr;
}

QLineSeries* NewSeries(const QString& name, const QColor& colour, Qt::PenStyle style) {
    auto* series = new QLineSeries();
    series->setName(name);
    QPen pen(colour);
    pen.setWidthF(2.0);
    pen.setStyle(style);
    series->setPen(pen);
    return series;
}

void Attach(QChart& chart, QXYSeries* series, QValueAxis* first, QValueAxis* second) {
    chart.addSeries(series);
    series->attachAxis(first);
    series->attachAxis(second);
}

// A gain as the plot can place it: directions weaker than the floor, or with no field at
// all, on the centre.
double Plotted(double gainDbic) {
    return gainDbic > PatternFloorDbic ? gainDbic : PatternFloorDbic;
}

// A round step (1, 2, 2.5 or 5 times a power of ten) that cuts `span` into at most `most` parts.
double RoundStep(double span, int most) {
    const double least = span / most;
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (const double factor : {1.0, 2.0, 2.5, 5.0}) {
        if (factor * power >= least * (1.0 - 1e-9)) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

// The places after the point that a multiple of `step` needs: one more for a step of 2.5.
int PlacesOf(double step) {
    const double power = std::floor(std::log10(step));
    const double leading = step / std::pow(10.0, power);
    return -static_cast<int>(power) + (std::fabs(leading - std::round(leading)) > 1e-6 ? 1 : 0);
}

// Labels every `step` apart up to `highest`, as short as they can be while each differs from
// the next: fixed decimals for frequencies of up to seven digits, powers of ten above.
QString LabelFormat(double highest, double step) {
    if (std::fabs(highest) < 1e7) {
        return QStringLiteral("%.%1f").arg(std::max(0, PlacesOf(step)));
    }
    const int leadingDigit = static_cast<int>(std::floor(std::log10(std::fabs(highest))));
    return QStringLiteral("%.%1e").arg(std::max(1, leadingDigit + PlacesOf(step)));
}

// Round frequencies on the axis from `lowest` to `highest`.
void ShowFrequencies(QValueAxis& frequency, double lowest, double highest) {
    const double step = RoundStep(highest - lowest, MostFrequencyLabels);
    frequency.setRange(lowest, highest);
    frequency.setTickType(QValueAxis::TicksDynamic);
    frequency.setTickAnchor(std::ceil(lowest / step) * step);
    frequency.setTickInterval(step);
    frequency.setLabelFormat(LabelFormat(highest, step));
}

struct CutStyle {
    const std::vector<CutPoint> ModelFigures::*Cut;
    bool RightHand;
    const char* Name;
    QColor Colour;
    Qt::PenStyle Line;
};

}  // namespace

QPolarChart* NewPatternChart() {
    auto* chart = new QPolarChart();
    // The angle's title sits in the chart's title, where a small chart has room for it.
    QValueAxis* angle = NewAxis(AngleAxisName, {}, QStringLiteral("%.0f"));
    angle->setRange(0.0, 360.0);
    angle->setTickCount(13);
    // Each ring carries its gain in small grey numbers; the radial axis's title would lie
    // across the curves, so the chart's title gives the scale.
    QValueAxis* gain = NewAxis(GainAxisName, {}, QStringLiteral("%.0f"));
    gain->setRange(PatternFloorDbic, PatternCeilingDbic);
    gain->setTickCount(PatternRings + 1);
    QFont ringFont = gain->labelsFont();
    ringFont.setPointSizeF(ringFont.pointSizeF() * 0.8);
    gain->setLabelsFont(ringFont);
    gain->setLabelsColor(QColor(110, 110, 110));
    chart->addAxis(angle, QPolarChart::PolarOrientationAngular);
    chart->addAxis(gain, QPolarChart::PolarOrientationRadial);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

void ShowPattern(QPolarChart& chart, const QString& caption, const ModelFigures* figures) {
    chart.removeAllSeries();
    const QString scale = QObject::tr("\u00B0 from zenith; rings %1 dB apart, %2 to +%3 dBic")
                              .arg((PatternCeilingDbic - PatternFloorDbic) / PatternRings)
                              .arg(PatternFloorDbic)
                              .arg(PatternCeilingDbic);
    chart.setTitle(caption.isEmpty()
                       ? QObject::tr("Elevation pattern<br>%1").arg(scale)
                       : QObject::tr("Elevation pattern: %1<br>%2").arg(caption, scale));
    if (figures == nullptr) {
        return;
    }
    const CutStyle cuts[] = {
        {&ModelFigures::CutXz, true, "RHCP \u03C6 0\u00B0", QColor(0, 70, 200), Qt::SolidLine},
        {&ModelFigures::CutYz, true, "RHCP \u03C6 90\u00B0", QColor(0, 150, 170), Qt::SolidLine},
        {&ModelFigures::CutXz, false, "LHCP \u03C6 0\u00B0", QColor(200, 30, 30), Qt::DashLine},
        {&ModelFigures::CutYz, false, "LHCP \u03C6 90\u00B0", QColor(230, 130, 0), Qt::DashLine},
    };
    QValueAxis* angle = AxisNamed(chart, AngleAxisName);
    QValueAxis* gain = AxisNamed(chart, GainAxisName);
    for (const CutStyle& style : cuts) {
        const std::vector<CutPoint>& cut = figures->*style.Cut;
        if (cut.empty()) {
            continue;
        }
        QLineSeries* series = NewSeries(QString::fromUtf8(style.Name), style.Colour, style.Line);
        for (const CutPoint& point : cut) {
            series->append(point.AngleFromZenithDeg,
                           Plotted(style.RightHand ? point.RhcpDbic : point.LhcpDbic));
        }
        // Back to the zenith, closing the curve.
        const CutPoint& zenith = cut.front();
        series->append(360.0, Plotted(style.RightHand ? zenith.RhcpDbic : zenith.LhcpDbic));
        Attach(chart, series, angle, gain);
    }
}

QChart* NewSweepChart() {
    auto* chart = new QChart();
    QValueAxis* frequency =
        NewAxis(FrequencyAxisName, QObject::tr("Frequency (MHz); dotted: design frequency"),
                QStringLiteral("%.1f"));
    QValueAxis* ohm = NewAxis(OhmAxisName, QObject::tr("R and X (\u03A9)"), QStringLiteral("%.0f"));
    QValueAxis* swr = NewAxis(SwrAxisName, QObject::tr("SWR"), QStringLiteral("%.0f"));
    swr->setRange(1.0, SwrCeiling);
    swr->setTickCount(5);
    chart->addAxis(frequency, Qt::AlignBottom);
    chart->addAxis(ohm, Qt::AlignLeft);
    chart->addAxis(swr, Qt::AlignRight);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

void ShowSweep(QChart& chart, const QString& caption, const ModelFigures* figures) {
    chart.removeAllSeries();
    chart.setTitle(caption.isEmpty()
                       ? QObject::tr("Impedance and SWR across the sweep")
                       : QObject::tr("Impedance and SWR across the sweep: %1").arg(caption));
    if (figures == nullptr || figures->Sweep.empty()) {
        return;
    }
    QValueAxis* frequency = AxisNamed(chart, FrequencyAxisName);
    QValueAxis* ohm = AxisNamed(chart, OhmAxisName);
    QValueAxis* swr = AxisNamed(chart, SwrAxisName);
    QLineSeries* resistance = NewSeries(QObject::tr("R"), QColor(0, 70, 200), Qt::SolidLine);
    QLineSeries* reactance = NewSeries(QObject::tr("X"), QColor(0, 140, 60), Qt::SolidLine);
    // The SWR on the line through the L-network is the one a builder meets; the designer's,
    // against R with one series part, stays beside it, lighter. The legend names each by its
    // reference alone, short enough to stay whole beside the advice.
    const QString z0 = QString::number(figures->Line.Z0Ohm);
    swr->setTitleText(QObject::tr("SWR on %1 \u03A9, L-network fitted").arg(z0));
    QLineSeries* onLine =
        NewSeries(QObject::tr("SWR on %1 \u03A9").arg(z0), QColor(200, 30, 30), Qt::SolidLine);
    QLineSeries* againstR =
        NewSeries(QObject::tr("SWR on R"), QColor(200, 30, 30, 90), Qt::DashLine);
    againstR->setObjectName(SeriesSwrName);
    double lowestOhm = 0.0;
    double highestOhm = 0.0;
    for (QLineSeries* series : {resistance, reactance, onLine}) {
        series->setPointsVisible(true);  // the frequencies nec2c computed
    }
    for (const SweepPoint& point : figures->Sweep) {
        resistance->append(point.FrequencyMHz, point.Impedance.real());
        reactance->append(point.FrequencyMHz, point.Impedance.imag());
        onLine->append(point.FrequencyMHz, point.SwrZ0Matched);
        againstR->append(point.FrequencyMHz, point.Swr);
        lowestOhm = std::min({lowestOhm, point.Impedance.real(), point.Impedance.imag()});
        highestOhm = std::max({highestOhm, point.Impedance.real(), point.Impedance.imag()});
    }
    // Round frequencies on the axis; the points mark the ones nec2c computed.
    const double lowest = figures->Sweep.front().FrequencyMHz;
    const double highest = figures->Sweep.back().FrequencyMHz;
    ShowFrequencies(*frequency, lowest, highest);
    ohm->setRange(lowestOhm, highestOhm);
    ohm->applyNiceNumbers();
    QLineSeries* design =
        NewSeries(QObject::tr("design frequency"), QColor(120, 120, 120), Qt::DotLine);
    design->setObjectName(DesignFrequencyName);
    design->append(figures->FrequencyMHz, ohm->min());
    design->append(figures->FrequencyMHz, ohm->max());
    Attach(chart, resistance, frequency, ohm);
    Attach(chart, reactance, frequency, ohm);
    Attach(chart, design, frequency, ohm);
    // The frequency axis's title names the dotted line: the legend keeps its room for the curves.
    for (QLegendMarker* marker : chart.legend()->markers(design)) {
        marker->setVisible(false);
    }
    Attach(chart, againstR, frequency, swr);
    Attach(chart, onLine, frequency, swr);
}

void ShowMeasurements(QChart& chart, const std::vector<PartMeasurement>& measurements,
                      const ModelFigures& figures) {
    QValueAxis* frequency = AxisNamed(chart, FrequencyAxisName);
    QValueAxis* ohm = AxisNamed(chart, OhmAxisName);
    QValueAxis* swr = AxisNamed(chart, SwrAxisName);
    QLineSeries* design = nullptr;
    QAbstractSeries* againstR = nullptr;
    for (QAbstractSeries* series : chart.series()) {
        if (series->objectName() == DesignFrequencyName) {
            design = qobject_cast<QLineSeries*>(series);
        } else if (series->objectName() == SeriesSwrName) {
            againstR = series;
        }
    }
    if (design == nullptr || measurements.empty()) {
        return;
    }
    // The designer's SWR against R gives way to the one a measurement is compared with.
    if (againstR != nullptr) {
        chart.removeSeries(againstR);
        delete againstR;
    }
    const auto newPoints = [](const QString& name, const QColor& colour) {
        auto* series = new QScatterSeries();
        series->setName(name);
        series->setMarkerSize(7.0);
        series->setColor(colour);
        series->setBorderColor(colour.darker());
        return series;
    };
    // Like with like: the measured SWR beside the model's on the same reference with nothing
    // fitted; the curve through the L-network keeps its place, named so by the axis.
    const double reference = measurements.front().Data.ReferenceOhm;
    QLineSeries* bare = NewSeries(QObject::tr("SWR bare"),
                                  QColor(200, 30, 30, 110), Qt::DashLine);
    for (const SweepPoint& point : figures.Sweep) {
        const double ratio = SwrOf(ReflectionOf(point.Impedance, reference));
        bare->append(point.FrequencyMHz, std::isfinite(ratio) ? ratio : SwrCeiling);
    }
    Attach(chart, bare, frequency, swr);
    // The band the fit looks at, or the sweep's where that is wider.
    const double designMHz = design->at(0).x();
    double lowest = frequency->min();
    double highest = frequency->max();
    double lowestOhm = ohm->min();
    double highestOhm = ohm->max();
    for (const PartMeasurement& part : measurements) {
        const Measurement& measurement = part.Data;
        const bool whole = part.Part == MeasuredPart::Whole;
        QScatterSeries* resistance =
            whole ? newPoints(QObject::tr("R measured"), QColor(120, 160, 240)) : nullptr;
        QScatterSeries* reactance =
            whole ? newPoints(QObject::tr("X measured"), QColor(110, 200, 130)) : nullptr;
        QScatterSeries* standingWave =
            whole ? newPoints(QObject::tr("SWR measured"), QColor(240, 120, 120))
            : part.Part == MeasuredPart::SmallLoop
                ? newPoints(QObject::tr("small loop alone"), QColor(240, 160, 40))
                : newPoints(QObject::tr("large loop alone"), QColor(40, 170, 200));
        const double low =
            std::max(measurement.Points.front().FrequencyMHz, designMHz * (1.0 - MeasuredHalfSpan));
        const double high =
            std::min(measurement.Points.back().FrequencyMHz, designMHz * (1.0 + MeasuredHalfSpan));
        lowest = std::min(lowest, low);
        highest = std::max(highest, high);
        for (const MeasuredPoint& point : measurement.Points) {
            if (point.FrequencyMHz < low || point.FrequencyMHz > high) {
                continue;
            }
            if (const double ratio = SwrOf(point.Reflection); std::isfinite(ratio)) {
                standingWave->append(point.FrequencyMHz, ratio);
            }
            const std::complex<double> impedance =
                ImpedanceOf(point.Reflection, measurement.ReferenceOhm);
            if (!whole || !std::isfinite(impedance.real()) || !std::isfinite(impedance.imag())) {
                continue;  // an open circuit has no place on the plot
            }
            resistance->append(point.FrequencyMHz, impedance.real());
            reactance->append(point.FrequencyMHz, impedance.imag());
            lowestOhm = std::min({lowestOhm, impedance.real(), impedance.imag()});
            highestOhm = std::max({highestOhm, impedance.real(), impedance.imag()});
        }
        if (whole) {
            Attach(chart, resistance, frequency, ohm);
            Attach(chart, reactance, frequency, ohm);
        }
        Attach(chart, standingWave, frequency, swr);
        // The whole antenna's points take their curves' colours under one legend entry.
        if (whole) {
            for (QXYSeries* series : {static_cast<QXYSeries*>(resistance),
                                      static_cast<QXYSeries*>(reactance),
                                      static_cast<QXYSeries*>(standingWave)}) {
                for (QLegendMarker* marker : chart.legend()->markers(series)) {
                    marker->setVisible(false);
                }
            }
            Attach(chart, newPoints(QObject::tr("measured"), QColor(150, 150, 150)), frequency,
                   ohm);
        }
    }
    ShowFrequencies(*frequency, lowest, highest);
    ohm->setRange(lowestOhm, highestOhm);
    ohm->applyNiceNumbers();
    design->replace({{design->at(0).x(), ohm->min()}, {design->at(0).x(), ohm->max()}});
    chart.setTitle(chart.title() +
                   QObject::tr("<br>Points: measured, SWR on %1 \u03A9; SWR bare: the model's on "
                               "%1 \u03A9, nothing fitted")
                       .arg(reference));
}

}  // namespace zandrel
