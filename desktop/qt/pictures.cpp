#include "desktop/qt/pictures.h"

#include <QPainter>
#include <QSvgRenderer>

// The pictures are compiled into the static library wzemo_ui, whose resource
// object the linker drops unless something refers to it: registered here,
// before the first picture is drawn.
static void register_pictures() { Q_INIT_RESOURCE(pictures); }

namespace zemo::desktop::ui {

namespace {
QPixmap render(const QString& resource, int width, int height) {
    static const bool registered = (register_pictures(), true);
    (void)registered;
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon icon_of(const QString& resource) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) icon.addPixmap(render(resource, size, size));
    return icon;
}
}  // namespace

QIcon program_icon() { return icon_of(QStringLiteral(":/pictures/logo.svg")); }
QIcon add_icon() { return icon_of(QStringLiteral(":/pictures/add.svg")); }
QIcon delete_icon() { return icon_of(QStringLiteral(":/pictures/delete.svg")); }
QPixmap logo_pixmap(int width, int height) { return render(QStringLiteral(":/pictures/logo.svg"), width, height); }

}  // namespace zemo::desktop::ui
