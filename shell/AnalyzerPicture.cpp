#include "shell/AnalyzerPicture.h"

#include <QLinearGradient>
#include <QPainter>

namespace kestro {

namespace {

void paintCase(QPainter& p, const QRectF& face) {
    QLinearGradient metal(face.topLeft(), face.bottomRight());
    metal.setColorAt(0, QColor(232, 234, 238));
    metal.setColorAt(1, QColor(168, 172, 180));
    p.setPen(QPen(QColor(80, 84, 92), 1.5));
    p.setBrush(metal);
    p.drawRoundedRect(face, 8, 8);
}

void paintDisplay(QPainter& p, const QRectF& lcd) {
    p.setPen(QPen(QColor(40, 44, 48), 1));
    p.setBrush(QColor(24, 52, 36));
    p.drawRoundedRect(lcd, 3, 3);
    QFont digits("Monospace");
    digits.setStyleHint(QFont::TypeWriter);
    digits.setPixelSize(int(lcd.height() / 4.2));
    digits.setBold(true);
    p.setFont(digits);
    p.setPen(QColor(120, 255, 150));
    const qreal line = lcd.height() / 3;
    const char* rows[] = {"230.1 V", " 12.4 A", "2.85 kW"};
    for (int i = 0; i < 3; ++i) {
        const QRectF row(lcd.left() + 4, lcd.top() + i * line, lcd.width() - 8, line);
        p.drawText(row, Qt::AlignRight | Qt::AlignVCenter, rows[i]);
    }
}

void paintLamps(QPainter& p, qreal left, qreal top, qreal width) {
    const QColor colours[] = {QColor(40, 210, 40), QColor(40, 210, 40), QColor(220, 40, 30)};
    const qreal step = width / 3;
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(colours[i]);
        p.drawEllipse(QPointF(left + step * (i + 0.5), top), 3.5, 3.5);
    }
}

void paintKeys(QPainter& p, qreal left, qreal top, qreal width) {
    const qreal step = width / 4, key = step * 0.7;
    for (int i = 0; i < 4; ++i) {
        const QRectF r(left + step * i + (step - key) / 2, top, key, key * 0.7);
        p.setPen(QPen(QColor(50, 54, 60), 1));
        p.setBrush(QColor(70, 90, 140));
        p.drawRoundedRect(r, 2, 2);
    }
}

void paintTerminals(QPainter& p, const QRectF& strip) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(60, 120, 70));
    p.drawRect(strip);
    const int screws = 8;
    const qreal step = strip.width() / screws;
    p.setBrush(QColor(200, 200, 200));
    for (int i = 0; i < screws; ++i)
        p.drawEllipse(QPointF(strip.left() + step * (i + 0.5), strip.center().y()), 3, 3);
}

}  // namespace

AnalyzerPicture::AnalyzerPicture(QWidget* parent) : QWidget(parent) {}

void AnalyzerPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(250, 250, 252));

    const QRectF face = QRectF(rect()).adjusted(12, 24, -12, -44);
    paintCase(p, face);
    const QRectF inner = face.adjusted(10, 12, -10, -12);
    const QRectF lcd(inner.left(), inner.top(), inner.width(), inner.height() * 0.52);
    paintDisplay(p, lcd);
    paintLamps(p, inner.left(), lcd.bottom() + 12, inner.width());
    paintKeys(p, inner.left(), lcd.bottom() + 24, inner.width());
    paintTerminals(p, QRectF(face.left() + 6, face.bottom() + 6, face.width() - 12, 14));

    QFont label = font();
    label.setPixelSize(11);
    label.setBold(true);
    p.setFont(label);
    p.setPen(QColor(40, 44, 52));
    p.drawText(QRectF(0, 4, width(), 18), Qt::AlignCenter, "RVX82A");
}

}  // namespace kestro
