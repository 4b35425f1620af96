#pragma once
// The phasor diagram on screen: the wiring check's latest picture, drawn by
// paintPhasorDiagram to fill the widget.

#include <QWidget>
#include <optional>

#include "tools/wiring/PhasorGeometry.h"

namespace kestro {

class PhasorView : public QWidget {
    Q_OBJECT

  public:
    explicit PhasorView(QWidget* parent = nullptr);

    // Nothing to draw before the first reading.
    void setDiagram(const std::optional<wiring::PhasorDiagram>& diagram, bool old);

    QSize sizeHint() const override { return {440, 440}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::optional<wiring::PhasorDiagram> diagram_;
    bool old_ = false;
};

}  // namespace kestro
