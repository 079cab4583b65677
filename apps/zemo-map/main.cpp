// zemo-map: maps of a finished run of a project. Called like zemo:
//   zemo-map [-d adresar] -i projekt.atm [-o adresar_map] [-l protokol]
#include <string>

#include "base/platform.h"
#include "base/text.h"
#include "base/version.h"
#include "maps/map_maker.h"
#include "maps/map_picture_parts.h"

namespace {

void say(const std::string& utf8) { zemo::platform::console_write(zemo::utf8_to_cp1250(utf8)); }

void usage(bool full) {
    say("pouzij:\n   zemo-map [-h] [-d adresar] -i soubor [-o adresar] [-l soubor]\n");
    if (!full) return;
    say("     [-h]         - vypis teto napovedy\n"
        "     [-d adresar] - zakladni adresar vypoctu (jako u zemo)\n"
        "     [-i soubor]  - INI soubor (projekt) dokonceneho vypoctu\n"
        "     [-o adresar] - adresar map (implicitne mapy ve vystupnim adresari projektu)\n"
        "     [-l soubor]  - LOG soubor vypoctu, byl-li zadan volbou -l programu zemo\n\n");
}

int run(int argc, char** argv) {
    zemo::platform::ignore_file_size_signal();
    zemo::maps::MapOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& field) {
            if (i + 1 >= argc) return false;
            field = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "-h" || arg == "-help") {
            usage(true);
            return 0;
        } else if (arg == "-d") {
            ok = value(options.computation_directory);
        } else if (arg == "-i") {
            ok = value(options.project_file);
        } else if (arg == "-o") {
            ok = value(options.output_directory);
        } else if (arg == "-l") {
            ok = value(options.run_log);
        } else {
            ok = false;
        }
        if (!ok) {
            usage(false);
            return 3;
        }
    }
    if (options.project_file.empty()) {
        usage(false);
        return 3;
    }
    options.installation_directory =
        zemo::cp1250_to_utf8(zemo::platform::installation_root(zemo::version_key(zemo::program_version_text())));
    if (options.installation_directory.empty()) {
        say("*** Program neni korektne nainstalovan!\n");
        return -100;
    }
    try {
        const zemo::maps::MapResult result = zemo::maps::make_maps(options);
        for (const std::string& note : result.notes) say(note + "\n");
        for (const std::string& file : result.files) say("  " + file + "\n");
        say("Mapy zapsány do " + result.output_directory + "\n");
        return 0;
    } catch (const zemo::maps::MapError& e) {
        say(std::string("*** ") + e.what() + "\n");
        return -100;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int status = run(argc, argv);
    // The fonts cairo and fontconfig keep until the process ends, so that
    // a leak checker sees none.
    zemo::maps::picture::release_drawing_caches();
    return status;
}
