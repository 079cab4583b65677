// Where the desktop program's windows open, without any windowing toolkit.
//
// Rectangles are in the desktop's pixels. A window's rectangle is its client
// area (what the program draws, without the frame and title bar the window
// manager adds around it); the frame is given as margins around it, measured
// on a window that is shown, or zero where none is known yet.
//
// Invariants:
//   1. The main window's stored position (preferences mForm_x, mForm_y) is
//      its client area's top-left corner, and it is restored as that same
//      corner: a start followed by "&Konec" stores what it restored, so the
//      window never creeps by the height of its title bar.
//   2. Every window opens wholly on one screen when it fits (a window larger
//      than the screen is shrunk to it): a position stored on a monitor
//      that is gone, or a window placed beyond the screen's edge, is moved
//      onto the screen it overlaps most, else onto the first screen.
#pragma once

#include <vector>

namespace zemo::desktop {

struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowRect&) const = default;
};

// The frame around a client area, in pixels on each side.
struct FrameMargins {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const FrameMargins&) const = default;
};

// The frame assumed where none is known yet (a window not yet shown, no
// window shown to measure): a title bar and borders of common desktops, so
// that a window placed before it is framed still fits its screen.
inline constexpr FrameMargins kUsualFrame{8, 32, 8, 8};

// The client rectangle moved (and, when it is larger, shrunk) so that the
// window with its frame lies on one of screens (their available areas, the
// first being the primary screen). Unchanged when it lies on one already,
// or when there is no screen.
WindowRect keep_on_screen(WindowRect client, FrameMargins frame, const std::vector<WindowRect>& screens);

// A window of size width x height centred over the client area of parent,
// then kept on a screen (keep_on_screen).
WindowRect centred_over(WindowRect parent, int width, int height, FrameMargins frame,
                        const std::vector<WindowRect>& screens);

}  // namespace zemo::desktop
