#include "tools/wiring/PhasorPainter.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <QStringList>
#include <cmath>

#include "platform/Regional.h"

namespace kestro::wiring {

namespace {

// Red, green and blue: apart on screen and on paper, also for most readers
// who do not tell red from green (the labels name every arrow anyway).
const QRgb kPhaseColours[kPhaseCount] = {0xc62828, 0x2e7d32, 0x1565c0};
// Currents are drawn shorter than the voltages, so that a current in phase
// with its voltage stays apart from it.
constexpr double kCurrentReach = 0.72;

QColor phaseColour(int phase, bool old) {
    const QColor colour(kPhaseColours[phase]);
    // An old picture in washed-out colours: still readable, plainly not live.
    return old ? QColor::fromHsvF(colour.hsvHueF(), colour.hsvSaturationF() * 0.3, 0.75) : colour;
}

// A point at `angle` degrees counter-clockwise from the right, as the
// diagram counts angles (the screen's y grows downwards).
QPointF pointAt(const QPointF& centre, double radius, double angle) {
    const double a = angle * kRadiansPerDegree;
    return centre + QPointF(radius * std::cos(a), -radius * std::sin(a));
}

void drawArrow(QPainter& painter, const QPointF& from, const QPointF& to, double head) {
    const QLineF shaft(from, to);
    if (shaft.length() < 1)
        return;
    painter.drawLine(shaft);
    const QPointF along = (from - to) / shaft.length() * head;
    const QPointF across(-along.y() * 0.45, along.x() * 0.45);
    QPainterPath tip;
    tip.moveTo(to);
    tip.lineTo(to + along + across);
    tip.lineTo(to + along - across);
    tip.closeSubpath();
    painter.fillPath(tip, painter.pen().color());
}

// A label centred `gap` beyond `tip`, away from the centre.
void drawLabel(QPainter& painter, const QPointF& centre, const QPointF& tip, double gap,
               const QString& text) {
    const QFontMetricsF metrics(painter.font());
    QLineF out(centre, tip);
    if (out.length() < 1)
        out = QLineF(centre, centre + QPointF(1, 0));
    out.setLength(out.length() + gap);
    QRectF box(QPointF(), QSizeF(metrics.horizontalAdvance(text) + 2, metrics.height()));
    box.moveCenter(out.p2());
    painter.drawText(box, Qt::AlignCenter, text);
}

QString degrees(double value) {
    return FormatFixed(value, 1) + QChar(0x00B0);
}

// One line per phase: its angle, power factor and quadrant.
QString phaseLine(int phase, const PhasePhasors& phasors) {
    const QString name = QString::fromLatin1(kPhaseNames[phase]) + QStringLiteral(": ");
    if (!phasors.phi)
        return name + QStringLiteral("no angle (no active or reactive power)");
    const QString lag = *phasors.phi > 0   ? QStringLiteral(" (I lags V)")
                        : *phasors.phi < 0 ? QStringLiteral(" (I leads V)")
                                           : QString();
    return name + QChar(0x03C6) + QStringLiteral(" ") + degrees(*phasors.phi) + lag +
           QStringLiteral(", PF ") + FormatFixed(*phasors.powerFactor, 2) + QStringLiteral(", ") +
           QString::fromLatin1(quadrantName(*phasors.quadrant));
}

void drawAxes(QPainter& painter, const QPointF& centre, double radius) {
    painter.setPen(QPen(QColor(0xbdbdbd), std::max(1.0, radius * 0.004)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);
    painter.drawLine(centre - QPointF(radius, 0), centre + QPointF(radius, 0));
    painter.drawLine(centre - QPointF(0, radius), centre + QPointF(0, radius));
}

void drawPhasors(QPainter& painter, const QPointF& centre, double radius,
                 const PhasorDiagram& diagram, bool old) {
    const QFontMetricsF metrics(painter.font());
    const double head = std::max(metrics.height() * 0.4, radius * 0.06);
    const double width = std::max(1.5, radius * 0.012);
    for (int ph = 0; ph < kPhaseCount; ++ph) {
        const PhasePhasors& phasors = diagram.phase[ph];
        const QColor colour = phaseColour(ph, old);
        painter.setPen(QPen(colour, width * 1.6, Qt::SolidLine, Qt::FlatCap));
        const QPointF v = pointAt(centre, radius * phasors.voltage.length, phasors.voltage.angle);
        drawArrow(painter, centre, v, head);
        drawLabel(painter, centre, pointAt(centre, radius, phasors.voltage.angle),
                  metrics.height() * 0.8, QStringLiteral("V") + kPhaseNames[ph]);

        painter.setPen(QPen(colour, width, Qt::DashLine, Qt::FlatCap));
        const double reach = radius * kCurrentReach * phasors.current.length;
        const QPointF i = pointAt(centre, reach, phasors.current.angle);
        drawArrow(painter, centre, i, head * 0.8);
        painter.setPen(QPen(colour));
        drawLabel(painter, centre,
                  pointAt(centre, std::max(reach, radius * 0.2), phasors.current.angle),
                  metrics.height() * 0.8, QStringLiteral("I") + kPhaseNames[ph]);
    }
}

// The legend: what the arrows are, the convention, and each phase's angle,
// power factor and quadrant. Returns the height it takes in `width`.
double drawLegend(QPainter& painter, const QRectF& area, const PhasorDiagram& diagram, bool old,
                  bool measureOnly) {
    const QFontMetricsF metrics(painter.font());
    const double line = metrics.lineSpacing();
    const QColor ink = old ? QColor(0x757575) : QColor(Qt::black);
    double y = area.top();
    auto text = [&](const QString& words, const QColor& colour, double indent = 0) {
        const QRectF box(area.left() + indent, y, area.width() - indent, 10000);
        const QRectF used = metrics.boundingRect(box, Qt::TextWordWrap, words);
        if (!measureOnly) {
            painter.setPen(colour);
            painter.drawText(box, Qt::TextWordWrap, words);
        }
        y += used.height();
    };

    const double sample = metrics.horizontalAdvance(QStringLiteral("MMM"));
    if (!measureOnly) {
        const double mid = y + line / 2;
        painter.setPen(QPen(ink, line * 0.16, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(area.left(), mid), QPointF(area.left() + sample, mid));
    }
    text(QStringLiteral("voltage (V)"), ink, sample + metrics.averageCharWidth());
    if (!measureOnly) {
        const double mid = y + line / 2;
        painter.setPen(QPen(ink, line * 0.1, Qt::DashLine, Qt::FlatCap));
        painter.drawLine(QPointF(area.left(), mid), QPointF(area.left() + sample, mid));
    }
    text(QStringLiteral("current (I)"), ink, sample + metrics.averageCharWidth());
    text(QStringLiteral("Angles count counter-clockwise from VR; a lagging current is turned "
                        "clockwise from its voltage by ") +
             QChar(0x03C6) + QStringLiteral(" = atan2(Q, P)."),
         ink);
    y += line * 0.3;
    for (int ph = 0; ph < kPhaseCount; ++ph)
        text(phaseLine(ph, diagram.phase[ph]), phaseColour(ph, old));
    return y - area.top();
}

}  // namespace

void paintPhasorDiagram(QPainter& painter, const QRectF& area, const PhasorDiagram& diagram,
                        bool old) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QFontMetricsF metrics(painter.font());
    const double gap = metrics.height() * 0.6;

    // The legend goes beside the circle in a wide area, below it otherwise.
    QRectF plot = area, legend;
    if (area.width() >= area.height() * 1.4) {
        const double width = std::min(area.width() * 0.45, metrics.averageCharWidth() * 44);
        legend = QRectF(area.right() - width, area.top(), width, area.height());
        plot.setRight(legend.left() - gap);
        legend.moveTop(area.top() +
                       (area.height() - drawLegend(painter, legend, diagram, old, true)) / 2);
    } else {
        legend = QRectF(area.left(), area.top(), area.width(), area.height());
        const double height = drawLegend(painter, legend, diagram, old, true);
        legend.moveTop(area.bottom() - height);
        plot.setBottom(legend.top() - gap);
    }
    if (old) {
        const QFont font = painter.font();
        QFont bold = font;
        bold.setBold(true);
        painter.setFont(bold);
        const QRectF banner(plot.left(), plot.top(), plot.width(), QFontMetricsF(bold).height());
        painter.setPen(QColor(0xb71c1c));
        painter.drawText(banner, Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("Old: no reading has come for a while"));
        painter.setFont(font);
        plot.setTop(banner.bottom());
    }

    // Room around the circle for the voltage labels.
    const double margin = metrics.height() * 1.6;
    const double radius = std::max(0.0, std::min(plot.width(), plot.height()) / 2 - margin);
    const QPointF centre = plot.center();
    drawAxes(painter, centre, radius);
    drawPhasors(painter, centre, radius, diagram, old);
    drawLegend(painter, legend, diagram, old, false);
    painter.restore();
}

}  // namespace kestro::wiring
