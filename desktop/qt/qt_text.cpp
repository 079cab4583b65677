#include "desktop/qt/qt_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include "base/text.h"
#include "desktop/logic/dialog_filter.h"

namespace zemo::desktop::ui {

QString qt_text(std::string_view cp1250) {
    const std::string utf8 = cp1250_to_utf8(cp1250);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string logic_text(const QString& text, bool* ok) {
    bool converted = true;
    std::string bytes = utf8_to_cp1250(text.toStdString(), &converted);
    if (ok) *ok = converted;
    return bytes;
}

QStringList qt_name_filters(std::string_view cp1250_filter) {
    QStringList filters;
    for (const std::string& f : dialog_name_filters(cp1250_filter)) filters << qt_text(f);
    return filters;
}

char system_decimal_separator() {
    const QString point = QLocale::system().decimalPoint();
    return point == QStringLiteral(",") ? ',' : '.';
}

bool install_qt_translations(const QStringList& directories) {
    for (const QString& dir : directories) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QStringLiteral("qtbase_cs"), dir)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
        delete translator;
    }
    return false;
}

QStringList qt_translation_directories() {
    // Beside the installation data: share/zemo next to bin/ on Linux, the
    // installation directory itself on Windows.
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.filePath(QStringLiteral("../share/zemo/translations")),
            program.filePath(QStringLiteral("translations")), QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

void show_zemo_message(QWidget* parent, std::string_view cp1250) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Zemo"), qt_text(cp1250), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace zemo::desktop::ui
