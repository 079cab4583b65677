#include "desktop/logic/window_place.h"

#include <algorithm>

namespace zemo::desktop {

namespace {

long long overlap(const WindowRect& a, const WindowRect& b) {
    const long long w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const long long h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

bool contains(const WindowRect& outer, const WindowRect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

}  // namespace

WindowRect keep_on_screen(WindowRect client, FrameMargins frame, const std::vector<WindowRect>& screens) {
    if (screens.empty()) return client;
    const WindowRect outer{client.x - frame.left, client.y - frame.top, client.width + frame.left + frame.right,
                           client.height + frame.top + frame.bottom};
    const WindowRect* best = &screens.front();
    long long best_overlap = 0;
    for (const WindowRect& s : screens) {
        if (contains(s, outer)) return client;
        if (const long long o = overlap(s, outer); o > best_overlap) {
            best_overlap = o;
            best = &s;
        }
    }
    const WindowRect& s = *best;
    const int horizontal = frame.left + frame.right;
    const int vertical = frame.top + frame.bottom;
    client.width = std::max(1, std::min(client.width, s.width - horizontal));
    client.height = std::max(1, std::min(client.height, s.height - vertical));
    // Within the screen: the right and bottom edges first, so that the
    // top-left corner (with the title bar) wins where both cannot hold.
    client.x = std::min(client.x, s.x + s.width - frame.right - client.width);
    client.y = std::min(client.y, s.y + s.height - frame.bottom - client.height);
    client.x = std::max(client.x, s.x + frame.left);
    client.y = std::max(client.y, s.y + frame.top);
    return client;
}

WindowRect centred_over(WindowRect parent, int width, int height, FrameMargins frame,
                        const std::vector<WindowRect>& screens) {
    const WindowRect client{parent.x + (parent.width - width) / 2, parent.y + (parent.height - height) / 2, width,
                            height};
    return keep_on_screen(client, frame, screens);
}

}  // namespace zemo::desktop
