#include "run/run_files.h"

#include "base/platform.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "base/text.h"
#include "input/grid_rotation.h"
#include "input/model_settings.h"
#include "output/result_files.h"

namespace zemo {

namespace {

using Role = RunFileUse::Role;

void add_input(std::vector<RunFileUse>& uses, const InputTable& table, const char* use) {
    if (!table.path.empty()) uses.push_back({table.path, use, Role::Input});
}

// Two inputs may well be one file (the same table read twice destroys
// nothing); a file that is written may share its path with nothing else.
bool may_share(const RunFileUse& a, const RunFileUse& b) { return a.role == Role::Input && b.role == Role::Input; }

}  // namespace

std::vector<RunFileUse> run_file_uses(const RunOptions& options, const ProjectConfig& pr, const RunLog& log,
                                      bool with_results) {
    std::vector<RunFileUse> uses;
    uses.push_back({project_file_path(options), "inicializační soubor"_cz, Role::Input});
    uses.push_back(
        {model_settings_path(options.installation_directory), "soubor nastavení modelu (CFG soubor)"_cz, Role::Input});
    for (const InputTable& t : pr.grid_files) add_input(uses, t, "tabulka referenčních bodů"_cz);
    add_input(uses, pr.point_sources, "tabulka bodových zdrojů"_cz);
    add_input(uses, pr.line_sources, "tabulka liniových zdrojů"_cz);
    add_input(uses, pr.area_sources, "tabulka plošných zdrojů"_cz);
    if (pr.transfers_given) add_input(uses, pr.transfers, "soubor s transfery"_cz);
    add_input(uses, pr.wind_roses, "soubor s větrnými růžicemi"_cz);
    if (pr.projection != kProjectionJina)
        uses.push_back({rotation_grid_path(options.installation_directory, pr.projection), "rotační síť projekce"_cz,
                        Role::Input});

    if (!log.log_path.empty()) uses.push_back({log.log_path, "LOG soubor"_cz, Role::Log});
    if (!log.log_given && !log.copy_path.empty())
        uses.push_back({log.copy_path, "kopie LOG souboru"_cz, Role::LogCopy});

    if (with_results)
        for (const PlannedResultFile& f : planned_result_files(pr)) uses.push_back({f.path, f.use, Role::Result});
    return uses;
}

void check_run_files(const RunOptions& options, const ProjectConfig& project, RunLog& log) {
    const std::vector<RunFileUse> uses = run_file_uses(options, project, log, true);
    std::vector<std::string> keys;
    keys.reserve(uses.size());
    for (const RunFileUse& u : uses)
        keys.push_back(platform::file_key(platform::path_in_directory(options.computation_directory, u.path)));
    for (std::size_t j = 1; j < uses.size(); ++j)
        for (std::size_t i = 0; i < j; ++i) {
            if (keys[i] != keys[j] || may_share(uses[i], uses[j])) continue;
            log.messagef(kFatalCreate, "%s [%s] a %s [%s] jsou tentýž soubor"_cz, uses[j].use.c_str(),
                         uses[j].path.c_str(), uses[i].use.c_str(), uses[i].path.c_str());
        }
}

void check_portable_result_names(const ProjectConfig& project, RunLog& log) {
    const auto check = [&](const char* item, const std::string& value, bool directory) {
        std::string name = value;
        if (directory)
            while (!name.empty() && platform::is_dir_separator(name.back())) name.pop_back();
        name = name.substr(platform::file_name_start(name));
        // A drive alone ("C:") or the root names no file of its own.
        if (name.empty() || (directory && name.size() == 2 && name[1] == ':')) return;
        if (!platform::portable_file_name(name))
            log.messagef(kFatalData,
                         "Název [%s] položky %s nelze použít pro soubor ve Windows (inicializační soubor)"_cz,
                         name.c_str(), item);
    };
    check("ADRESAR", project.output_directory_value, true);
    check("ZAKLADNI", project.base_basic, false);
    check("PODILY ZDROJU", project.base_source_shares, false);
    check("PODILY SKUPIN", project.base_group_shares, false);
    check("SEKTORY MAX", project.base_sector_max, false);
    check("SEKTORY PRUM", project.base_sector_mean, false);
    check("ROZSIRENY", project.base_report, false);
}

bool held_log_may_be_created(const RunOptions& options, const ProjectConfig& project, const RunLog& log) {
    const std::string path = log.held_path();
    if (path.empty()) return true;
    const auto key_of = [&](const std::string& p) {
        return platform::file_key(platform::path_in_directory(options.computation_directory, p));
    };
    const std::string key = key_of(path);
    // The result paths are known only once the output directory is.
    for (const RunFileUse& u : run_file_uses(options, project, log, !project.output_directory.empty()))
        if (u.role != Role::Log && u.role != Role::LogCopy && key_of(u.path) == key) return false;
    return true;
}

}  // namespace zemo
