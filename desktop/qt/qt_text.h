// The windows' side of the text rule: the logic holds Windows-1250 bytes,
// Qt holds UTF-16. Every text crosses here, and nowhere else.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

class QWidget;

namespace zemo::desktop::ui {

// A Windows-1250 text of the logic as the window shows it.
QString qt_text(std::string_view cp1250);
// A text typed or chosen in a window as the logic holds it; a character
// that Windows-1250 has no byte for becomes "?", and ok (when given) is
// set to false.
std::string logic_text(const QString& text, bool* ok = nullptr);

// The "text|pattern|..." filter of a file dialog as Qt name filters.
QStringList qt_name_filters(std::string_view cp1250_filter);

// The system's decimal separator ("," in a Czech locale).
char system_decimal_separator();

// Loads Qt's own Czech texts (qtbase_cs.qm, the standard dialogs' buttons
// and labels) from the first of directories that has them, into the
// application. False when none has them (the dialogs then speak English).
bool install_qt_translations(const QStringList& directories);
// Where the program looks for them: the installation's share tree next to
// the program ("../share/zemo/translations"), the installation directory
// on Windows ("translations" beside the program), then Qt's own place.
QStringList qt_translation_directories();

// The program's message box: caption "Zemo", exclamation icon, "OK".
void show_zemo_message(QWidget* parent, std::string_view cp1250);

}  // namespace zemo::desktop::ui
