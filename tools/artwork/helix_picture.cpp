// Paints the night-sky antenna picture with antialiased vector drawing.
#include "helix_picture.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRadialGradient>
#include <QRectF>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>

namespace zandrel::artwork {

namespace {

constexpr double CentreX = PictureWidth / 2.0;
constexpr double HorizonY = 262.0;
constexpr double AntennaTop = 46.0;
constexpr double MastFootY = 284.0;
constexpr double TiltDepth = 6.0;  // half height of a horizontal circle seen from below
constexpr int StarCount = 72;
constexpr unsigned StarSeed = 20240611U;
const QPointF MoonCentre(38.0, 44.0);
constexpr double MoonRadius = 13.0;

const QColor FrontWire(236, 160, 84);
const QColor BackWire(112, 72, 44);

// One bifilar loop: two half-turn helices on a cylinder, joined by straight arms across the top and
// bottom.
struct Loop {
    double radius;
    double height;
    double startAngle;
};

constexpr std::array<Loop, 2> Loops = {{
    {36.0, 160.0, std::numbers::pi / 4.0},
    {32.0, 146.0, 3.0 * std::numbers::pi / 4.0},
}};

struct SpacePoint {
    QPointF onScreen;
    double depth;  // +1 nearest the viewer, -1 furthest
};

SpacePoint OnCylinder(double radius, double y, double angle) {
    const double depth = std::cos(angle);
    return {QPointF(CentreX + radius * std::sin(angle), y - TiltDepth * depth), depth};
}

void DrawSky(QPainter& painter) {
    QLinearGradient sky(0.0, 0.0, 0.0, HorizonY);
    sky.setColorAt(0.0, QColor(4, 7, 22));
    sky.setColorAt(0.55, QColor(12, 26, 64));
    sky.setColorAt(1.0, QColor(36, 60, 108));
    painter.fillRect(0, 0, PictureWidth, PictureHeight, sky);
}

void DrawStars(QPainter& painter) {
    std::mt19937 random(StarSeed);
    painter.setPen(Qt::NoPen);
    for (int star = 0; star < StarCount; ++star) {
        const double x = static_cast<double>(random() % (PictureWidth * 4)) / 4.0;
        const double y = static_cast<double>(random() % 960) / 4.0;
        const int brightness = 110 + static_cast<int>(random() % 146);
        const bool sparkling = random() % 9 == 0;
        if (std::hypot(x - MoonCentre.x(), y - MoonCentre.y()) < MoonRadius + 2.0) {
            continue;
        }
        const QColor light(brightness, brightness, std::min(255, brightness + 20));
        painter.setBrush(light);
        painter.drawEllipse(QPointF(x, y), sparkling ? 1.0 : 0.6, sparkling ? 1.0 : 0.6);
        if (sparkling) {
            QColor ray = light;
            ray.setAlpha(110);
            painter.setPen(QPen(ray, 0.7));
            painter.drawLine(QPointF(x - 3.5, y), QPointF(x + 3.5, y));
            painter.drawLine(QPointF(x, y - 3.5), QPointF(x, y + 3.5));
            painter.setPen(Qt::NoPen);
        }
    }
}

void DrawMoon(QPainter& painter) {
    const QPointF centre = MoonCentre;
    const double radius = MoonRadius;

    QRadialGradient glow(centre, radius * 3.0);
    glow.setColorAt(0.0, QColor(200, 210, 240, 50));
    glow.setColorAt(1.0, QColor(200, 210, 240, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(glow);
    painter.drawEllipse(centre, radius * 3.0, radius * 3.0);

    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    QPainterPath shadow;
    shadow.addEllipse(centre + QPointF(6.5, -3.5), radius * 0.95, radius * 0.95);
    painter.setBrush(QColor(232, 228, 200, 215));
    painter.drawPath(disc.subtracted(shadow));
}

void DrawGround(QPainter& painter) {
    QPainterPath farHills;
    farHills.moveTo(0.0, HorizonY + 4.0);
    farHills.cubicTo(40.0, HorizonY - 14.0, 70.0, HorizonY - 4.0, 104.0, HorizonY + 2.0);
    farHills.cubicTo(140.0, HorizonY + 8.0, 170.0, HorizonY - 16.0, PictureWidth, HorizonY - 6.0);
    farHills.lineTo(PictureWidth, PictureHeight);
    farHills.lineTo(0.0, PictureHeight);
    farHills.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 32, 44));
    painter.drawPath(farHills);

    QPainterPath field;
    field.moveTo(0.0, 280.0);
    field.quadTo(CentreX, 266.0, PictureWidth, 282.0);
    field.lineTo(PictureWidth, PictureHeight);
    field.lineTo(0.0, PictureHeight);
    field.closeSubpath();
    QLinearGradient earth(0.0, 266.0, 0.0, PictureHeight);
    earth.setColorAt(0.0, QColor(22, 44, 30));
    earth.setColorAt(1.0, QColor(6, 14, 9));
    painter.setBrush(earth);
    painter.drawPath(field);
}

void DrawMast(QPainter& painter) {
    const double antennaBottom = AntennaTop + Loops[0].height;

    painter.setPen(QPen(QColor(120, 130, 146, 150), 0.8));
    painter.drawLine(QPointF(CentreX, antennaBottom + 40.0),
                     QPointF(CentreX - 62.0, MastFootY + 8.0));
    painter.drawLine(QPointF(CentreX, antennaBottom + 40.0),
                     QPointF(CentreX + 58.0, MastFootY + 10.0));

    QLinearGradient metal(CentreX - 3.0, 0.0, CentreX + 3.0, 0.0);
    metal.setColorAt(0.0, QColor(90, 98, 110));
    metal.setColorAt(0.4, QColor(190, 198, 208));
    metal.setColorAt(1.0, QColor(60, 66, 76));
    painter.setPen(Qt::NoPen);
    painter.setBrush(metal);
    painter.drawRect(
        QRectF(CentreX - 3.0, antennaBottom + 6.0, 6.0, MastFootY - antennaBottom - 6.0));

    painter.setBrush(QColor(58, 62, 66));
    painter.drawRect(QRectF(CentreX - 9.0, MastFootY - 2.0, 18.0, 6.0));

    painter.setBrush(QColor(110, 116, 124));
    painter.drawRect(QRectF(CentreX - 5.0, antennaBottom + 2.0, 10.0, 5.0));
}

void DrawSupportTube(QPainter& painter) {
    const double antennaBottom = AntennaTop + Loops[0].height;
    QLinearGradient plastic(CentreX - 2.5, 0.0, CentreX + 2.5, 0.0);
    plastic.setColorAt(0.0, QColor(120, 124, 130));
    plastic.setColorAt(0.45, QColor(226, 228, 224));
    plastic.setColorAt(1.0, QColor(110, 112, 118));
    painter.setPen(Qt::NoPen);
    painter.setBrush(plastic);
    painter.drawRect(
        QRectF(CentreX - 2.5, AntennaTop - 6.0, 5.0, antennaBottom - AntennaTop + 8.0));

    painter.setBrush(QColor(40, 44, 50));
    painter.drawRoundedRect(QRectF(CentreX - 5.0, AntennaTop - 10.0, 10.0, 7.0), 2.0, 2.0);
}

void StrokeSegment(QPainter& painter, const SpacePoint& from, const SpacePoint& to, bool front) {
    painter.setPen(
        QPen(front ? FrontWire : BackWire, front ? 2.4 : 1.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from.onScreen, to.onScreen);
}

// Draws only the parts of the wires on one side of the axis, so the front can go over the tube.
void DrawWires(QPainter& painter, bool front) {
    constexpr int Steps = 180;
    for (const Loop& loop : Loops) {
        for (int element = 0; element < 2; ++element) {
            const double start = loop.startAngle + element * std::numbers::pi;
            SpacePoint previous = OnCylinder(loop.radius, AntennaTop, start);
            for (int step = 1; step <= Steps; ++step) {
                const double along = static_cast<double>(step) / Steps;
                const SpacePoint next = OnCylinder(loop.radius, AntennaTop + along * loop.height,
                                                   start + along * std::numbers::pi);
                if ((previous.depth + next.depth >= 0.0) == front) {
                    StrokeSegment(painter, previous, next, front);
                }
                previous = next;
            }

            for (double armY : {AntennaTop, AntennaTop + loop.height}) {
                const double angle = armY == AntennaTop ? start : start + std::numbers::pi;
                const SpacePoint end = OnCylinder(loop.radius, armY, angle);
                const SpacePoint middle = {QPointF(CentreX, armY), 0.0};
                if ((end.depth >= 0.0) == front) {
                    StrokeSegment(painter, middle, end, front);
                }
            }
        }
    }
}

}  // namespace

QImage HelixPicture() {
    QImage canvas(PictureWidth, PictureHeight, QImage::Format_RGB32);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawSky(painter);
    DrawStars(painter);
    DrawMoon(painter);
    DrawGround(painter);
    DrawMast(painter);
    DrawWires(painter, false);
    DrawSupportTube(painter);
    DrawWires(painter, true);
    painter.end();
    return canvas.convertToFormat(QImage::Format_RGB888);
}

}  // namespace zandrel::artwork
