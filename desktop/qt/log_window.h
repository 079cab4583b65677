// The run log shown read-only in a window of the program, with error and
// fatal lines marked (log_line_kind, desktop/logic/log_view.h).
#pragma once

#include <QString>

class QWidget;

namespace zemo::desktop::ui {

// Opens a window that shows the log file at path (Windows-1250 text);
// returns it (it deletes itself when closed).
QWidget* show_log_window(QWidget* parent, const QString& path);

}  // namespace zemo::desktop::ui
