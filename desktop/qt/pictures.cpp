#include "desktop/qt/pictures.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

// The pictures are drawn here rather than read from SVG files, so that the
// program needs no SVG module (there is none for the Windows build) and
// every platform shows the same pictures. The logo is the one of
// desktop/qt/pictures/logo.svg, which the desktop entry and the installer
// use; the drawing follows it in its own 128 x 128 units.

namespace zemo::desktop::ui {

namespace {

// The round buttons: a disc with a white bar, and a second bar across it
// for "add", in 24 x 24 units.
void draw_round_button(QPainter& p, const QColor& disc, bool plus) {
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(QPointF(12, 12), 10, 10);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 10.5, 12, 3));
    if (plus) p.drawRect(QRectF(10.5, 6, 3, 12));
}

void draw_logo(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x4e, 0x89));
    p.drawRoundedRect(QRectF(0, 0, 128, 128), 16, 16);
    // Isolines of the plume, the outer first.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x9f, 0xd3, 0xf5), 4));
    p.drawEllipse(QPointF(74, 58), 46, 26);
    p.setPen(QPen(QColor(0xf6, 0xd5, 0x5c), 4));
    p.drawEllipse(QPointF(66, 56), 30, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xed, 0x55, 0x3b));
    p.drawEllipse(QPointF(58, 54), 14, 8);
    // The stack and the ground.
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(0xd9, 0xd9, 0xd9));
    p.drawRect(QRectF(22, 54, 14, 58));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(18, 108, 92, 6));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    // Centred on x = 76, its base line at y = 100.
    const QString name = QStringLiteral("ZEMO");
    p.drawText(QPointF(76 - QFontMetricsF(font).horizontalAdvance(name) / 2, 100), name);
}

enum class Picture { Logo, Add, Delete };

QPixmap render(Picture picture, int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double units = picture == Picture::Logo ? 128.0 : 24.0;
    painter.scale(width / units, height / units);
    switch (picture) {
        case Picture::Logo: draw_logo(painter); break;
        case Picture::Add: draw_round_button(painter, QColor(0x2e, 0x8b, 0x57), true); break;
        case Picture::Delete: draw_round_button(painter, QColor(0xc0, 0x39, 0x2b), false); break;
    }
    return pixmap;
}

QIcon icon_of(Picture picture) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) icon.addPixmap(render(picture, size, size));
    return icon;
}

}  // namespace

QIcon program_icon() { return icon_of(Picture::Logo); }
QIcon add_icon() { return icon_of(Picture::Add); }
QIcon delete_icon() { return icon_of(Picture::Delete); }
QPixmap logo_pixmap(int width, int height) { return render(Picture::Logo, width, height); }

}  // namespace zemo::desktop::ui
