#pragma once
// Draws the phasor diagram of a reading: the three voltages and currents as
// arrows with their labels, each current's angle against its voltage, the
// quadrant of each phase and a legend of the convention. The wiring check's
// window draws it on screen; a report draws the same picture into a PDF.

#include <QPainter>
#include <QRectF>

#include "tools/wiring/PhasorGeometry.h"

namespace kestro::wiring {

// Draws into `area` with the painter's font, leaving the painter as it was.
// Line widths and gaps follow the font and the area, so the same call suits
// a window and a page of a high-resolution PDF.
// An `old` diagram (readings have stopped) is drawn faded and says so.
void paintPhasorDiagram(QPainter& painter, const QRectF& area, const PhasorDiagram& diagram,
                        bool old);

}  // namespace kestro::wiring
