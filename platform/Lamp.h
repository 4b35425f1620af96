#pragma once
// An on/off lamp painted by the program itself: round, or an arrow pointing
// left or right, bright in its colour when checked and dimmed when not, with
// an optional caption to its right. It also serves as a port status light.
//
// Usable in Designer forms as a promoted QWidget (class kestro::Lamp, header
// Lamp.h); its properties are set from the form.

#include <QColor>
#include <QString>
#include <QWidget>

#include "platform/core/StatusLightController.h"

class QPainter;

namespace kestro {

class Lamp : public QWidget, public StatusLight {
    Q_OBJECT
    Q_PROPERTY(Shape shape READ shape WRITE setShape)
    Q_PROPERTY(bool checked READ isChecked WRITE setChecked NOTIFY toggled)
    Q_PROPERTY(QColor onColor READ onColor WRITE setOnColor)
    Q_PROPERTY(QColor offColor READ offColor WRITE setOffColor)
    Q_PROPERTY(int lampSize READ lampSize WRITE setLampSize)
    Q_PROPERTY(QString text READ text WRITE setText)

  public:
    enum Shape { Round, ArrowLeft, ArrowRight };
    Q_ENUM(Shape)

    explicit Lamp(QWidget* parent = nullptr);

    Shape shape() const { return shape_; }
    void setShape(Shape shape);

    bool isChecked() const { return checked_; }
    void setChecked(bool checked);

    QColor onColor() const { return onColor_; }
    void setOnColor(const QColor& color);
    // The colour when not checked; without one the lamp shows its on
    // colour dimmed.
    QColor offColor() const { return offColor_; }
    void setOffColor(const QColor& color);

    // Edge length of the lamp's square in pixels.
    int lampSize() const { return lampSize_; }
    void setLampSize(int pixels);

    QString text() const { return text_; }
    void setText(const QString& text);

    // The colour the lamp shows now.
    QColor currentColor() const;

    void setLit(bool lit) override { setChecked(lit); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    void toggled(bool checked);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QRect lampRect() const;
    void paintRound(QPainter& painter, const QRectF& box, const QColor& fill) const;
    void paintArrow(QPainter& painter, const QRectF& box, const QColor& fill) const;

    Shape shape_ = Round;
    bool checked_ = false;
    QColor onColor_ = QColor(0, 200, 0);
    QColor offColor_;
    int lampSize_ = 13;
    QString text_;
};

}  // namespace kestro
