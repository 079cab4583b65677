#include "desktop/logic/project_places.h"

#include <algorithm>

#include "base/platform.h"
#include "base/text.h"

namespace zemo::desktop {

namespace {

bool same_char(char a, char b) {
    if (platform::is_dir_separator(a) && platform::is_dir_separator(b)) return true;
#ifdef _WIN32
    return to_upper(std::string(1, a)) == to_upper(std::string(1, b));
#else
    return a == b;
#endif
}

}  // namespace

bool is_absolute_path(const std::string& path) {
    if (path.empty()) return false;
    if (platform::is_dir_separator(path[0])) return true;
    return path.size() >= 2 && path[1] == ':';
}

std::string path_relative_to(const std::string& path, const std::string& directory) {
    if (directory.empty() || !is_absolute_path(path) || path.size() <= directory.size()) return path;
    if (!platform::is_dir_separator(directory.back())) return path;
    for (std::size_t i = 0; i < directory.size(); ++i)
        if (!same_char(path[i], directory[i])) return path;
    return path.substr(directory.size());
}

std::string path_resolved_in(const std::string& path, const std::string& directory) {
    if (path.empty() || is_absolute_path(path)) return path;
    return directory + path;
}

std::string path_rebased(const std::string& path, const std::string& from_directory, const std::string& to_directory) {
    return path_relative_to(path_resolved_in(path, from_directory), to_directory);
}

void recent_projects_add(std::vector<std::string>& list, const std::string& project) {
    if (project.empty()) return;
    recent_projects_remove(list, project);
    list.insert(list.begin(), project);
    if (list.size() > kRecentProjects) list.resize(kRecentProjects);
}

void recent_projects_remove(std::vector<std::string>& list, const std::string& project) {
    list.erase(std::remove(list.begin(), list.end(), project), list.end());
}

std::string recent_project_item(int index, const std::string& project) {
    std::string item = "&";
    item += std::to_string(index + 1);
    item += ' ';
    item += project;
    return item;
}

std::string project_dialog_directory(const std::string& project_directory, bool project_directory_exists,
                                     const std::string& default_directory) {
    return !project_directory.empty() && project_directory_exists ? project_directory : default_directory;
}

}  // namespace zemo::desktop
