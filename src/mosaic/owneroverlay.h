#pragma once

#include <QColor>
#include <QImage>

// The map with each picture's region tinted in a colour of its own and the borders between
// regions drawn, to show which picture each part of a mosaic comes from. Uncovered pixels stay
// as they are. `owners` is MosaicResult::owners for the same map.
QImage ownerOverlay(const QImage &map, const QImage &owners);

// The tint of picture `index` (0-based), the same in the overlay and in lists beside it.
QColor ownerColour(int index);
