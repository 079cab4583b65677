#include "desktop/qt/window_placing.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace zemo::desktop::ui {

namespace {

WindowRect rect_of(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

}  // namespace

std::vector<WindowRect> screen_areas() {
    std::vector<WindowRect> areas;
    if (QScreen* primary = QGuiApplication::primaryScreen()) areas.push_back(rect_of(primary->availableGeometry()));
    for (QScreen* s : QGuiApplication::screens())
        if (s != QGuiApplication::primaryScreen()) areas.push_back(rect_of(s->availableGeometry()));
    return areas;
}

FrameMargins frame_margins(const QWidget* window) {
    if (!window || !window->isVisible()) return {};
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

void place_window(QWidget* window, const QWidget* over) {
    // A new window gets the frame the visible one has, else the usual one.
    FrameMargins frame = frame_margins(over);
    if (frame == FrameMargins{}) frame = kUsualFrame;
    const QSize size = window->size();
    WindowRect r;
    if (over && over->isVisible()) {
        r = centred_over(rect_of(over->geometry()), size.width(), size.height(), frame, screen_areas());
    } else {
        r = keep_on_screen(rect_of(window->geometry()), frame, screen_areas());
    }
    window->setGeometry(r.x, r.y, r.width, r.height);
}

}  // namespace zemo::desktop::ui
