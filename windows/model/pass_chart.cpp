#include "pass_chart.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace zandrel {

namespace {

const QString ElevationAxisName = QStringLiteral("elevationAxis");
const QString SignalAxisName = QStringLiteral("signalAxis");

QValueAxis* AxisNamed(const QChart& chart, const QString& name) {
    for (QAbstractAxis* axis : chart.axes()) {
        if (axis->objectName() == name) {
            return qobject_cast<QValueAxis*>(axis);
        }
    }
    return nullptr;
}

QString Number(double value, int decimals) {
    return QString::number(value, 'f', decimals).replace(QLatin1Char('-'), QChar(0x2212));
}

}  // namespace

QChart* NewPassChart() {
    auto* chart = new QChart();
    auto* elevation = new QValueAxis();
    elevation->setObjectName(ElevationAxisName);
    elevation->setTitleText(
        QObject::tr("Elevation (°); dotted: 10°, where the pass is judged from"));
    elevation->setLabelFormat(QStringLiteral("%.0f"));
    elevation->setRange(0.0, 90.0);
    elevation->setTickCount(10);
    auto* signal = new QValueAxis();
    signal->setObjectName(SignalAxisName);
    signal->setTitleText(QObject::tr("Signal (dB)"));
    signal->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(elevation, Qt::AlignBottom);
    chart->addAxis(signal, Qt::AlignLeft);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

void ShowPass(QChart& chart, const std::vector<PassCurve>& curves, double altitudeKm) {
    chart.removeAllSeries();
    const auto chosen = std::find_if(curves.begin(), curves.end(),
                                     [](const PassCurve& curve) { return curve.Chosen; });
    const QString altitude = Number(altitudeKm, altitudeKm == std::round(altitudeKm) ? 0 : 1);
    chart.setTitle(chosen == curves.end()
                       ? QObject::tr("Signal over a pass at %1 km").arg(altitude)
                       : QObject::tr("Signal over a pass at %1 km: %2, weakest %3 dB at %4°")
                             .arg(altitude, chosen->Caption, Number(chosen->Pass.Worst10To90Db, 1),
                                  Number(chosen->Pass.WorstElevationDeg, 0)));
    if (curves.empty()) {
        return;
    }
    QValueAxis* elevation = AxisNamed(chart, ElevationAxisName);
    QValueAxis* signal = AxisNamed(chart, SignalAxisName);
    double lowest = 0.0;
    double highest = 0.0;
    bool othersNamed = false;
    // The others first, so that the chosen curve is drawn over them.
    std::vector<const PassCurve*> order;
    for (const PassCurve& curve : curves) {
        if (!curve.Chosen) {
            order.push_back(&curve);
        }
    }
    if (chosen != curves.end()) {
        order.push_back(&*chosen);
    }
    for (const PassCurve* curve : order) {
        auto* series = new QLineSeries();
        QPen pen(curve->Chosen ? QColor(0, 70, 200) : QColor(90, 90, 90, 80));
        pen.setWidthF(curve->Chosen ? 2.5 : 1.0);
        series->setPen(pen);
        series->setName(curve->Chosen ? curve->Caption : QObject::tr("the other styles"));
        for (const PassPoint& point : curve->Pass.Points) {
            series->append(point.ElevationDeg, point.RelativeSignalDb);
            lowest = std::min(lowest, point.RelativeSignalDb);
            highest = std::max(highest, point.RelativeSignalDb);
        }
        chart.addSeries(series);
        series->attachAxis(elevation);
        series->attachAxis(signal);
        if (!curve->Chosen) {
            for (QLegendMarker* marker : chart.legend()->markers(series)) {
                marker->setVisible(!othersNamed);
            }
            othersNamed = true;
        }
    }
    // Ticks every 5 dB, or every 10 dB over a wide span.
    const double step = highest - lowest > 40.0 ? 10.0 : 5.0;
    const double bottom = std::floor(lowest / step) * step;
    const double top = std::max(bottom + step, std::ceil(highest / step) * step);
    signal->setRange(bottom, top);
    signal->setTickCount(static_cast<int>(std::lround((top - bottom) / step)) + 1);
    auto* judged = new QLineSeries();
    QPen dotted(QColor(120, 120, 120));
    dotted.setStyle(Qt::DotLine);
    judged->setPen(dotted);
    judged->append(PassLowestElevationDeg, signal->min());
    judged->append(PassLowestElevationDeg, signal->max());
    chart.addSeries(judged);
    judged->attachAxis(elevation);
    judged->attachAxis(signal);
    for (QLegendMarker* marker : chart.legend()->markers(judged)) {
        marker->setVisible(false);
    }
}

}  // namespace zandrel
