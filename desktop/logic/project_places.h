// Where the desktop program keeps and finds projects and their files,
// without any windowing toolkit: the list of the last projects of the
// "Projekt" menu, the directory a new project starts in, and the rule that
// keeps a file field's path relative to the project's directory.
//
// Relative paths: a file field holds a path relative to the project's
// directory when the file lies beneath that directory, else the full path.
// The desktop resolves a relative path against the project's directory (it
// becomes the run's current directory); the console program resolves the
// same text against its computation directory (-d). A project saved into
// another directory has its relative paths rebased onto the new directory,
// so that they keep naming the same files; a project saved for the first
// time keeps its relative paths as typed, and its full paths beneath the
// new directory become relative.
//
// Invariants of the recent-project list:
//   1. At most kRecentProjects names, the most recent first, none twice,
//      none empty.
//   2. It lives in the per-user group under LastPrj1 .. LastPrj5
//      (Preferences::recent_projects) and is written whenever it changes (not only by the "&Konec" button), so
//      that a project opened before any way of leaving stays listed.
#pragma once

#include <string>
#include <vector>

#include "desktop/logic/preferences.h"

namespace zemo::desktop {

// True for a path that does not depend on a current directory: one that
// begins with a directory separator or with a drive ("C:").
bool is_absolute_path(const std::string& path);

// path relative to directory (which ends in a separator, or is empty) when
// path is absolute and lies beneath directory; otherwise path as it is.
// Separators "\" and "/" compare equal; on Windows letter case is ignored.
std::string path_relative_to(const std::string& path, const std::string& directory);

// A relative path prefixed with directory (which ends in a separator);
// an absolute or empty path as it is.
std::string path_resolved_in(const std::string& path, const std::string& directory);

// A field's path relative to from_directory, made relative to to_directory
// (the full path when the file does not lie beneath it).
std::string path_rebased(const std::string& path, const std::string& from_directory, const std::string& to_directory);

// The list after opening or saving project (a full path): it moves to the
// front, the oldest falls off beyond kRecentProjects.
void recent_projects_add(std::vector<std::string>& list, const std::string& project);
// The list without project (a project that could not be opened).
void recent_projects_remove(std::vector<std::string>& list, const std::string& project);
// (The list is read by prefs_load and written by recent_projects_save.)
// The menu item of place index (0 ..): "&1 " + project.
std::string recent_project_item(int index, const std::string& project);

// Where the project open and save dialogs start: the project's directory
// when it exists, else default_directory (the user's documents).
std::string project_dialog_directory(const std::string& project_directory, bool project_directory_exists,
                                     const std::string& default_directory);

}  // namespace zemo::desktop
