// Help: the HTML pages shipped in <RootDir>help/, shown in one help window
// per program. The page of a context help topic comes from help_page
// (desktop/logic/help_topics.h).
#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace zemo::desktop::ui {

// The directory of the help pages; set once at start.
void set_help_directory(const QString& directory);
// Shows the page of topic (0: the contents) in the help window, creating
// it when needed.
void show_help(int topic);
// Closes the help window (when the main window closes).
void close_help();
// The help window, nullptr when none is open (for the tests).
QWidget* help_window();
// Every topic asked for since the program started, in order (for the tests).
QList<int>& requested_help_topics();

}  // namespace zemo::desktop::ui
