// The windows' side of window_place.h: the screens' available areas, a
// window's frame, and placing a window before it is shown.
#pragma once

#include <vector>

#include "desktop/logic/window_place.h"

class QWidget;

namespace zemo::desktop::ui {

// The available areas of the screens, the primary screen first.
std::vector<WindowRect> screen_areas();
// The frame the window manager puts around window (zero before it is shown
// or where there is none).
FrameMargins frame_margins(const QWidget* window);
// Places a window that is about to be shown at its present size: centred
// over over (when given and visible), and wholly on a screen.
void place_window(QWidget* window, const QWidget* over);

}  // namespace zemo::desktop::ui
