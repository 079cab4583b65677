// wzemo: the desktop program. Reads the installation and the preferences,
// the pollutant catalogue, and shows the main window; "wzemo project.atm"
// opens the project, "wzemo -h" prints the usage (outside Windows, where
// the program has a console to print on).
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>
#include <cstring>

#include "base/platform.h"
#include "base/version.h"
#include "desktop/logic/pollutant_catalogue.h"
#include "desktop/logic/preferences.h"
#include "desktop/qt/help_window.h"
#include "desktop/qt/main_window.h"
#include "desktop/qt/pictures.h"
#include "desktop/qt/qt_settings_store.h"
#include "desktop/qt/qt_text.h"

using namespace zemo;
using namespace zemo::desktop;
using namespace zemo::desktop::ui;

#ifndef _WIN32
namespace {

// The usage in the form of zemo's and zemo-map's; the manual page is made
// from it. Printed before any window or display is opened.
void print_usage() {
    platform::console_write(
        "pouzij:\n"
        "   wzemo [-h] [projekt]\n"
        "     [-h]         - vypis teto napovedy\n"
        "     [projekt]    - INI soubor (projekt), ktery se otevre v hlavnim okne;\n"
        "                    bez pripony se hleda projekt.atm\n\n");
}

}  // namespace
#endif

int main(int argc, char* argv[]) {
    platform::ignore_file_size_signal();
#ifndef _WIN32
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "-help") == 0)) {
        print_usage();
        return 0;
    }
#endif
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ZEMO"));
    QApplication::setApplicationName(QStringLiteral("Model ZEMO"));
    QApplication::setWindowIcon(program_icon());
    // Every text of the program is Czech, the standard dialogs' too.
    install_qt_translations(qt_translation_directories());

    const std::string version = zemo::program_version_text();
    const std::string group = zemo::version_key(version);
    InstallationStore machine(group, zemo::platform::installation_root(group));
    QtSettingsStore user;
    const std::string home = logic_text(QDir::toNativeSeparators(QDir::homePath()));
    // A user's first start creates the per-user group with its defaults:
    // the installer runs for one user, the program is started by every user
    // of the machine. A missing installation still ends the program.
    if (machine.has_group(group)) prefs_create_user_group(user, group, home);
    Preferences prefs;
    if (!prefs_load(machine, user, group, home, prefs)) {
        show_zemo_message(nullptr, kNotInstalledText);
        return 1;
    }
    user.sync();
    set_help_directory(qt_text(zemo::platform::with_separator(prefs.root_dir)) + QStringLiteral("help"));

    PollutantCatalogue catalogue;
    const std::string catalogue_message = load_catalogue(catalogue, zemo::platform::with_separator(prefs.root_dir));
    if (!catalogue_message.empty()) show_zemo_message(nullptr, catalogue_message);

    MainWindowSetup setup;
    setup.catalogue = &catalogue;
    setup.prefs = &prefs;
    setup.user_store = &user;
    setup.settings_group = group;
    setup.version = version;
    // The installation is not writable for a standard user: a new project
    // starts in the user's documents (the home directory when there are none).
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty() || !QDir(documents).exists()) documents = QDir::homePath();
    setup.default_directory = zemo::platform::with_separator(logic_text(QDir::toNativeSeparators(documents)));
    setup.decimal_separator = system_decimal_separator();
    MainWindow window(setup);
    window.show();
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    window.start(arguments);
    const int status = QApplication::exec();
    user.sync();
    return status;
}
