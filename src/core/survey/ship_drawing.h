#pragma once
// The two ship pictures of the main window: the ship seen from above, bow up, with its hold empty
// or full of cargo. Each stands between the port and the starboard column of readings of its state,
// and marks the gauge points at the height of the rows of reading fields.
#include <array>

#include "core/forms/painter.h"

namespace ijken::survey {

enum class HoldState { empty, loaded };

// The picture is designed at 80 x 307 pixels (the size of the window's picture boxes) and scaled
// to width x height. Gauge marks are drawn for the points in use (index 0 = point 1).
void paint_ship(forms::Painter& painter, int width, int height, HoldState hold,
                const std::array<bool, 5>& marks = {true, true, true, true, true});

// The designed size, and the heights (in the designed picture) of the gauge marks of points 1 to 5.
inline constexpr int kShipDesignWidth = 80;
inline constexpr int kShipDesignHeight = 307;
inline constexpr int kGaugeMarkY[5] = {84, 119, 155, 190, 226};

}  // namespace ijken::survey
