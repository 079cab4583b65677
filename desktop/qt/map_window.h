// The map view of the last run: its pictures, one per pollutant, chosen in a
// list, with where the layers and rasters lie. What is shown is decided by
// make_map_view (desktop/maps/map_view.h); this window only shows it.
#pragma once

#include <QString>

#include "desktop/maps/map_view.h"

class QWidget;

namespace zemo::desktop::ui {

// Opens the window over view.maps, or shows view.message in the program's
// message box. Returns the window, nullptr for a message.
QWidget* show_map_window(QWidget* parent, const MapView& view);

}  // namespace zemo::desktop::ui
