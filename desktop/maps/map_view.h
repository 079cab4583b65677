// "Mapy výsledků" of the desktop program's tools menu, without any windowing
// toolkit: the maps of the last run (the pictures, layers and rasters of
// zemo-map) or the message why there are none.
#pragma once

#include <string>
#include <vector>

#include "desktop/logic/project_form.h"
#include "maps/map_maker.h"

namespace zemo::desktop {

// What the window keeps of its last run.
struct LastRun {
    bool any = false;               // a run was started in this session
    int status = -100;              // its result: 0 complete
    ProjectForm form;               // the form it ran
    std::string project_name;       // base name of the project file, "projekt" when unsaved (Windows-1250)
    std::string project_directory;  // the computation directory (Windows-1250)
    std::string log_path;           // where its log was written (Windows-1250)
    std::string root_dir;           // the installation directory (Windows-1250)
};

struct MapView {
    std::string message;              // for a message box (Windows-1250); empty when the maps were made
    maps::MapResult maps;             // the files, pictures in pollutant order
    std::vector<std::string> titles;  // per picture: indicative and name (Windows-1250)
};

// The maps of the last run: refused while a run goes on, before the first
// run and after a run that did not complete; otherwise the form of the last
// run is written as a project file into temp_directory for the map tool to
// read, and the maps go to "mapy" in the run's output directory. A refusal
// of the map tool (tables of another or an unfinished run) becomes the
// message.
MapView make_map_view(const LastRun& last, bool running, const std::string& temp_directory);

}  // namespace zemo::desktop
