#include "desktop/maps/map_view.h"

#include <cstdio>

#include "base/platform.h"
#include "base/text.h"
#include "desktop/logic/project_form_file.h"

namespace zemo::desktop {

MapView make_map_view(const LastRun& last, bool running, const std::string& temp_directory) {
    MapView view;
    if (running) {
        view.message = "Probíhá výpočet!"_cz;
        return view;
    }
    if (!last.any) {
        view.message = "Dosud nebyl proveden žádný výpočet!"_cz;
        return view;
    }
    if (last.status != 0) {
        view.message = "Poslední výpočet nebyl dokončen, mapy nelze vytvořit!"_cz;
        return view;
    }
    // The map tool reads projects: the run's form as one, under the
    // project's own name (the name of the GeoPackage), in a directory of
    // this call's own that no other user can have planted a file in.
    const std::string private_dir = platform::make_private_directory(temp_directory, "zemo-mapy-");
    if (private_dir.empty()) {
        view.message = "Mapy nelze vytvořit: dočasný adresář nelze vytvořit\n"_cz + temp_directory;
        return view;
    }
    const std::string project =
        private_dir + (last.project_name.empty() ? std::string("projekt") : last.project_name) + ".atm";
    if (!write_project_form(project, last.form)) {
        view.message = "Mapy nelze vytvořit: dočasný soubor projektu nelze zapsat\n"_cz + project;
        platform::remove_file(project);
        platform::remove_directory(private_dir);
        return view;
    }
    maps::MapOptions options;
    options.computation_directory = cp1250_to_utf8(last.project_directory);
    options.project_file = cp1250_to_utf8(project);
    options.run_log = cp1250_to_utf8(last.log_path);
    options.installation_directory = cp1250_to_utf8(last.root_dir);
    options.log_names_project = false;
    try {
        view.maps = maps::make_maps(options);
        for (const FormPollutant& p : last.form.pollutants) view.titles.push_back(p.indicative + " - " + p.name);
    } catch (const maps::MapError& e) {
        view.message = "Mapy nelze vytvořit:\n"_cz + utf8_to_cp1250(e.what());
    }
    platform::remove_file(project);
    platform::remove_directory(private_dir);
    return view;
}

}  // namespace zemo::desktop
