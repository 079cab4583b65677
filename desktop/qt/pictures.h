// The program's pictures, made for it and drawn in code (the logo as in
// pictures/logo.svg).
#pragma once

#include <QIcon>
#include <QPixmap>

namespace zemo::desktop::ui {

QIcon program_icon();
QIcon add_icon();     // the add buttons of the pollutant lists
QIcon delete_icon();  // the delete buttons
// The logo at the given size.
QPixmap logo_pixmap(int width, int height);

}  // namespace zemo::desktop::ui
