#include "tools/wiring/PhasorView.h"

#include <QPainter>

#include "tools/wiring/PhasorPainter.h"

namespace kestro {

PhasorView::PhasorView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void PhasorView::setDiagram(const std::optional<wiring::PhasorDiagram>& diagram, bool old) {
    diagram_ = diagram;
    old_ = old;
    update();
}

void PhasorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRectF area = QRectF(rect()).adjusted(8, 8, -8, -8);
    if (diagram_) {
        wiring::paintPhasorDiagram(painter, area, *diagram_, old_);
        return;
    }
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
                     QStringLiteral("The diagram follows the first reading."));
}

}  // namespace kestro
