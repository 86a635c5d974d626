#include "model_charts.h"

#include <QAbstractAxis>
#include <QChart>
#include <QLineSeries>
#include <QPen>
#include <QPolarChart>
#include <QValueAxis>
#include <algorithm>
#include <vector>

#include "model_figures.h"

namespace zandrel {

namespace {

constexpr double SwrCeiling = 5.0;

const QString AngleAxisName = QStringLiteral("angleAxis");
const QString GainAxisName = QStringLiteral("gainAxis");
const QString FrequencyAxisName = QStringLiteral("frequencyAxis");
const QString OhmAxisName = QStringLiteral("ohmAxis");
const QString SwrAxisName = QStringLiteral("swrAxis");

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

void Attach(QChart& chart, QLineSeries* series, QValueAxis* first, QValueAxis* second) {
    chart.addSeries(series);
    series->attachAxis(first);
    series->attachAxis(second);
}

// A gain as the plot can place it: directions weaker than the floor, or with no field at
// all, on the centre.
double Plotted(double gainDbic) {
    return gainDbic > PatternFloorDbic ? gainDbic : PatternFloorDbic;
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
    QValueAxis* angle =
        NewAxis(AngleAxisName, QObject::tr("Angle from zenith (\u00B0)"), QStringLiteral("%.0f"));
    angle->setRange(0.0, 360.0);
    angle->setTickCount(13);
    // The radial axis's title would lie across the curves: the chart's title names the unit.
    QValueAxis* gain = NewAxis(GainAxisName, {}, QStringLiteral("%.0f"));
    gain->setRange(PatternFloorDbic, PatternCeilingDbic);
    gain->setTickCount(5);
    chart->addAxis(angle, QPolarChart::PolarOrientationAngular);
    chart->addAxis(gain, QPolarChart::PolarOrientationRadial);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

void ShowPattern(QPolarChart& chart, const QString& caption, const ModelFigures* figures) {
    chart.removeAllSeries();
    chart.setTitle(QObject::tr("Elevation pattern (gain in dBic): %1").arg(caption));
    if (figures == nullptr) {
        return;
    }
    const CutStyle cuts[] = {
        {&ModelFigures::CutXz, true, "RHCP, \u03C6 0\u00B0", QColor(0, 70, 200), Qt::SolidLine},
        {&ModelFigures::CutYz, true, "RHCP, \u03C6 90\u00B0", QColor(0, 150, 170), Qt::SolidLine},
        {&ModelFigures::CutXz, false, "LHCP, \u03C6 0\u00B0", QColor(200, 30, 30), Qt::DashLine},
        {&ModelFigures::CutYz, false, "LHCP, \u03C6 90\u00B0", QColor(230, 130, 0), Qt::DashLine},
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
        NewAxis(FrequencyAxisName, QObject::tr("Frequency (MHz)"), QStringLiteral("%.1f"));
    QValueAxis* ohm = NewAxis(OhmAxisName, QObject::tr("R and X (\u03A9)"), QStringLiteral("%.0f"));
    QValueAxis* swr = NewAxis(SwrAxisName, QObject::tr("SWR with the matching component"),
                              QStringLiteral("%.0f"));
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
    chart.setTitle(QObject::tr("Impedance and SWR across the sweep: %1").arg(caption));
    if (figures == nullptr || figures->Sweep.empty()) {
        return;
    }
    QValueAxis* frequency = AxisNamed(chart, FrequencyAxisName);
    QValueAxis* ohm = AxisNamed(chart, OhmAxisName);
    QValueAxis* swr = AxisNamed(chart, SwrAxisName);
    QLineSeries* resistance = NewSeries(QObject::tr("R"), QColor(0, 70, 200), Qt::SolidLine);
    QLineSeries* reactance = NewSeries(QObject::tr("X"), QColor(0, 140, 60), Qt::SolidLine);
    QLineSeries* standingWave = NewSeries(QObject::tr("SWR"), QColor(200, 30, 30), Qt::DashLine);
    double lowestOhm = 0.0;
    double highestOhm = 0.0;
    for (QLineSeries* series : {resistance, reactance, standingWave}) {
        series->setPointsVisible(true);  // the frequencies nec2c computed
    }
    for (const SweepPoint& point : figures->Sweep) {
        resistance->append(point.FrequencyMHz, point.Impedance.real());
        reactance->append(point.FrequencyMHz, point.Impedance.imag());
        standingWave->append(point.FrequencyMHz, point.Swr);
        lowestOhm = std::min({lowestOhm, point.Impedance.real(), point.Impedance.imag()});
        highestOhm = std::max({highestOhm, point.Impedance.real(), point.Impedance.imag()});
    }
    frequency->setRange(figures->Sweep.front().FrequencyMHz, figures->Sweep.back().FrequencyMHz);
    frequency->setTickCount(static_cast<int>(figures->Sweep.size()));  // a line per frequency
    ohm->setRange(lowestOhm, highestOhm);
    ohm->applyNiceNumbers();
    QLineSeries* design =
        NewSeries(QObject::tr("design frequency"), QColor(120, 120, 120), Qt::DotLine);
    design->append(figures->FrequencyMHz, ohm->min());
    design->append(figures->FrequencyMHz, ohm->max());
    Attach(chart, resistance, frequency, ohm);
    Attach(chart, reactance, frequency, ohm);
    Attach(chart, design, frequency, ohm);
    Attach(chart, standingWave, frequency, swr);
}

}  // namespace zandrel
