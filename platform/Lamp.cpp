#include "platform/Lamp.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace kestro {

namespace {
constexpr int kTextGap = 5;
}

Lamp::Lamp(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Lamp::setShape(Shape shape) {
    shape_ = shape;
    update();
}

void Lamp::setChecked(bool checked) {
    if (checked == checked_)
        return;
    checked_ = checked;
    update();
    emit toggled(checked_);
}

void Lamp::setOnColor(const QColor& color) {
    onColor_ = color;
    update();
}

void Lamp::setOffColor(const QColor& color) {
    offColor_ = color;
    update();
}

void Lamp::setLampSize(int pixels) {
    lampSize_ = qMax(5, pixels);
    updateGeometry();
    update();
}

void Lamp::setText(const QString& text) {
    text_ = text;
    updateGeometry();
    update();
}

QColor Lamp::currentColor() const {
    if (checked_)
        return onColor_;
    if (offColor_.isValid())
        return offColor_;
    // A dark lamp of the same colour, so that it still reads as a lamp.
    QColor dim = onColor_.darker(260);
    dim.setHsv(dim.hue(), dim.saturation() * 2 / 3, dim.value());
    return dim;
}

QSize Lamp::sizeHint() const {
    if (text_.isEmpty())
        return QSize(lampSize_, lampSize_);
    const QFontMetrics metrics(font());
    const int width = lampSize_ + kTextGap + metrics.horizontalAdvance(text_) + 1;
    return QSize(width, qMax(lampSize_, metrics.height()));
}

QRect Lamp::lampRect() const {
    return QRect(0, (height() - lampSize_) / 2, lampSize_, lampSize_);
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(lampRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (shape_ == Round)
        paintRound(painter, box, currentColor());
    else
        paintArrow(painter, box, currentColor());
    if (text_.isEmpty())
        return;
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const QRect textRect(lampSize_ + kTextGap, 0, width() - lampSize_ - kTextGap, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text_);
}

void Lamp::paintRound(QPainter& painter, const QRectF& box, const QColor& fill) const {
    // A highlight towards the upper left gives the lamp its glass look.
    QRadialGradient glass(box.center(), box.width() / 2,
                          box.topLeft() + QPointF(box.width() / 3, box.height() / 3));
    glass.setColorAt(0, checked_ ? fill.lighter(170) : fill.lighter(130));
    glass.setColorAt(1, fill);
    painter.setPen(QPen(fill.darker(200), 1));
    painter.setBrush(glass);
    painter.drawEllipse(box);
}

void Lamp::paintArrow(QPainter& painter, const QRectF& box, const QColor& fill) const {
    // Drawn pointing right, mirrored for the left arrow.
    const qreal w = box.width(), h = box.height();
    const qreal shaftTop = h * 0.32, shaftBottom = h * 0.68, headStart = w * 0.45;
    QPainterPath arrow;
    arrow.moveTo(0, shaftTop);
    arrow.lineTo(headStart, shaftTop);
    arrow.lineTo(headStart, 0);
    arrow.lineTo(w, h / 2);
    arrow.lineTo(headStart, h);
    arrow.lineTo(headStart, shaftBottom);
    arrow.lineTo(0, shaftBottom);
    arrow.closeSubpath();

    QTransform place;
    place.translate(box.left(), box.top());
    if (shape_ == ArrowLeft)
        place.translate(w, 0).scale(-1, 1);
    painter.setPen(QPen(fill.darker(200), 1));
    painter.setBrush(fill);
    painter.drawPath(place.map(arrow));
}

}  // namespace kestro
