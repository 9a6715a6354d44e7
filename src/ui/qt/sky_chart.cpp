#include "ui/qt/sky_chart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace kov::qt {

namespace {

constexpr double kPi = 3.14159265358979323846;

const QColor kTargetColor(40, 90, 200);
const QColor kSolvedColor(30, 150, 60);
const QColor kFailedColor(210, 40, 40);
const QColor kCurrentColor(240, 150, 0);
const QColor kListColor(120, 120, 120);
const QColor kHiddenSky(170, 140, 100, 110);

// Plot geometry: the circle of the horizon.
struct Dome {
    QPointF centre;
    double radius = 1.0;

    // Altitudes below the horizon stay on its circle, so nothing is drawn off the chart.
    QPointF at(double alt, double az) const {
        const double r = radius * std::clamp(90.0 - alt, 0.0, 90.0) / 90.0;
        const double a = az * kPi / 180.0;
        // Seen from below, east is on the left.
        return {centre.x() - r * std::sin(a), centre.y() - r * std::cos(a)};
    }
};

void Cross(QPainter& p, QPointF c, double s) {
    p.drawLine(c + QPointF(-s, -s), c + QPointF(s, s));
    p.drawLine(c + QPointF(-s, s), c + QPointF(s, -s));
}

}  // namespace

SkyChart::SkyChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SkyChart"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkyChart::setData(const ModelView& view, const SkyBackdrop& backdrop) {
    view_ = view;
    backdrop_ = backdrop;
    update();
}

int SkyChart::placed(PointOutcome outcome) const {
    return static_cast<int>(
        std::count_if(view_.points.begin(), view_.points.end(),
                      [&](const ModelViewPoint& p) { return p.sky && p.outcome == outcome; }));
}

void SkyChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm = p.fontMetrics();
    const int line = fm.height();

    // Title above, legend below, compass letters around the circle.
    p.setPen(Qt::black);
    p.drawText(QRect(0, 4, width(), line), Qt::AlignHCenter,
               QStringLiteral("Sky (north up, east left)"));
    const int legendTop = height() - line - 6;
    const double top = 8 + line + line;
    const double bottom = legendTop - line - 2;
    Dome dome;
    dome.radius = std::max(10.0, std::min((width() - 2.0 * line - 16) / 2.0, (bottom - top) / 2.0));
    dome.centre = QPointF(width() / 2.0, top + (bottom - top) / 2.0);

    // The sky the horizon heights hide, between the horizon circle and the height line.
    if (backdrop_.bMapPoints) {
        QPainterPath hidden;
        hidden.addEllipse(dome.centre, dome.radius, dome.radius);
        QPolygonF visible;
        for (int az = 0; az < 360; az += 5) {
            visible << dome.at(HorizonHeightAt(backdrop_.heights, az), az);
        }
        QPainterPath above;
        above.addPolygon(visible);
        above.closeSubpath();
        p.fillPath(hidden.subtracted(above), kHiddenSky);
        p.setPen(QPen(QColor(140, 100, 60), 1.5));
        p.drawPolygon(visible);
    }

    p.setPen(QPen(QColor(200, 200, 200), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    for (double alt : {30.0, 60.0}) {
        const double r = dome.radius * (90.0 - alt) / 90.0;
        p.drawEllipse(dome.centre, r, r);
        // Labelled along the north line, where a walk over the southern sky rarely goes.
        p.drawText(dome.at(alt, 0.0) + QPointF(3, -3), QStringLiteral("%1°").arg(alt));
    }
    p.drawLine(dome.at(0, 0), dome.at(0, 180));
    p.drawLine(dome.at(0, 90), dome.at(0, 270));
    p.setPen(QPen(Qt::black, 1.5));
    p.drawEllipse(dome.centre, dome.radius, dome.radius);
    const struct {
        const char* name;
        double az;
    } compass[] = {{"N", 0}, {"E", 90}, {"S", 180}, {"W", 270}};
    for (const auto& c : compass) {
        const double a = c.az * kPi / 180.0;
        const QPointF at(dome.centre.x() - (dome.radius + line * 0.7) * std::sin(a),
                         dome.centre.y() - (dome.radius + line * 0.7) * std::cos(a));
        p.drawText(QRectF(at.x() - line, at.y() - line / 2.0, 2 * line, line), Qt::AlignCenter,
                   QString::fromLatin1(c.name));
    }

    p.setPen(QPen(kListColor, 1));
    for (const HorizontalPosition& l : backdrop_.listPoints) {
        p.drawRect(QRectF(dome.at(l.alt, l.az) - QPointF(3, 3), QSizeF(6, 6)));
    }

    for (std::size_t i = 0; i < view_.points.size(); ++i) {
        const ModelViewPoint& pt = view_.points[i];
        if (!pt.sky) {
            continue;
        }
        const QPointF c = dome.at(pt.sky->alt, pt.sky->az);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kTargetColor, 1.5));
        p.drawEllipse(c, 7, 7);
        if (pt.outcome == PointOutcome::Failed) {
            p.setPen(QPen(kFailedColor, 2.5));
            Cross(p, c, 5);
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(kSolvedColor);
            p.drawEllipse(c, 4, 4);
        }
        if (view_.current == i) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kCurrentColor, 3));
            p.drawEllipse(c, 11, 11);
        }
    }

    // Legend: one sample of each marker with its name.
    struct Entry {
        QString name;
        int kind;
    };
    std::vector<Entry> entries{{QStringLiteral("target"), 0},
                               {QStringLiteral("solved"), 1},
                               {QStringLiteral("failed"), 2},
                               {QStringLiteral("current"), 3}};
    if (backdrop_.bMapPoints) {
        entries.push_back({QStringLiteral("list point"), 4});
    }
    int total = 0;
    for (const Entry& e : entries) {
        total += 22 + fm.horizontalAdvance(e.name) + 10;
    }
    double x = std::max(4.0, (width() - total) / 2.0);
    const double y = legendTop + line / 2.0;
    for (const Entry& e : entries) {
        const QPointF c(x + 8, y);
        p.setBrush(Qt::NoBrush);
        switch (e.kind) {
            case 0:
                p.setPen(QPen(kTargetColor, 1.5));
                p.drawEllipse(c, 7, 7);
                break;
            case 1:
                p.setPen(Qt::NoPen);
                p.setBrush(kSolvedColor);
                p.drawEllipse(c, 4, 4);
                break;
            case 2:
                p.setPen(QPen(kFailedColor, 2.5));
                Cross(p, c, 5);
                break;
            case 3:
                p.setPen(QPen(kCurrentColor, 3));
                p.drawEllipse(c, 7, 7);
                break;
            default:
                p.setPen(QPen(kListColor, 1));
                p.drawRect(QRectF(c - QPointF(3, 3), QSizeF(6, 6)));
                break;
        }
        p.setPen(Qt::black);
        p.drawText(QPointF(x + 20, y + fm.ascent() / 2.0 - 1), e.name);
        x += 22 + fm.horizontalAdvance(e.name) + 10;
    }
}

}  // namespace kov::qt
