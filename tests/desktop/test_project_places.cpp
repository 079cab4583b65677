// The recent-project list, the relative-path rule and where the project
// dialogs start.
#include <gtest/gtest.h>

#include "desktop/logic/preferences.h"
#include "desktop/logic/project_places.h"

using namespace zemo::desktop;

TEST(ProjectPlaces, PathsBeneathTheProjectDirectoryAreKeptRelative) {
    EXPECT_EQ(path_relative_to("/home/jan/town/body.txt", "/home/jan/town/"), "body.txt");
    EXPECT_EQ(path_relative_to("/home/jan/town/data/zdroje.dbf", "/home/jan/town/"), "data/zdroje.dbf");
    // A directory that only begins the same way is not the project's.
    EXPECT_EQ(path_relative_to("/home/jan/town2/body.txt", "/home/jan/town/"), "/home/jan/town2/body.txt");
    EXPECT_EQ(path_relative_to("/home/jan/body.txt", "/home/jan/town/"), "/home/jan/body.txt");
    // Either separator, and a path that is relative already.
    EXPECT_EQ(path_relative_to("C:/Data/town\\body.txt", "C:\\Data\\town\\"), "body.txt");
    EXPECT_EQ(path_relative_to("body.txt", "/home/jan/town/"), "body.txt");
    // The project's directory itself, and a directory without its separator.
    EXPECT_EQ(path_relative_to("/home/jan/town/", "/home/jan/town/"), "/home/jan/town/");
    EXPECT_EQ(path_relative_to("/home/jan/town/body.txt", "/home/jan/town"), "/home/jan/town/body.txt");
    EXPECT_EQ(path_relative_to("/home/jan/town/body.txt", ""), "/home/jan/town/body.txt");

    EXPECT_TRUE(is_absolute_path("/x"));
    EXPECT_TRUE(is_absolute_path("D:\\x"));
    EXPECT_TRUE(is_absolute_path("\\\\server\\x"));
    EXPECT_FALSE(is_absolute_path("data/x"));
    EXPECT_FALSE(is_absolute_path(""));
    EXPECT_EQ(path_resolved_in("data/x.txt", "/p/"), "/p/data/x.txt");
    EXPECT_EQ(path_resolved_in("/q/x.txt", "/p/"), "/q/x.txt");
    EXPECT_EQ(path_resolved_in("", "/p/"), "");

    // Saved into another directory: a relative path keeps naming its file.
    EXPECT_EQ(path_rebased("body.txt", "/a/town/", "/a/copy/"), "/a/town/body.txt");
    EXPECT_EQ(path_rebased("town/body.txt", "/a/", "/a/town/"), "body.txt");
    EXPECT_EQ(path_rebased("/a/copy/r.txt", "/a/town/", "/a/copy/"), "r.txt");
}

TEST(ProjectPlaces, TheLastFiveProjectsMostRecentFirst) {
    std::vector<std::string> list;
    for (const char* p : {"/p/1.atm", "/p/2.atm", "/p/3.atm", "/p/4.atm", "/p/5.atm"}) recent_projects_add(list, p);
    EXPECT_EQ(list, (std::vector<std::string>{"/p/5.atm", "/p/4.atm", "/p/3.atm", "/p/2.atm", "/p/1.atm"}));
    // Opened again: to the front, not twice.
    recent_projects_add(list, "/p/3.atm");
    EXPECT_EQ(list, (std::vector<std::string>{"/p/3.atm", "/p/5.atm", "/p/4.atm", "/p/2.atm", "/p/1.atm"}));
    // A sixth: the oldest falls off.
    recent_projects_add(list, "/p/6.atm");
    EXPECT_EQ(list, (std::vector<std::string>{"/p/6.atm", "/p/3.atm", "/p/5.atm", "/p/4.atm", "/p/2.atm"}));
    recent_projects_add(list, "");
    EXPECT_EQ(list.size(), 5u);
    recent_projects_remove(list, "/p/5.atm");
    EXPECT_EQ(list, (std::vector<std::string>{"/p/6.atm", "/p/3.atm", "/p/4.atm", "/p/2.atm"}));
    EXPECT_EQ(recent_project_item(0, "/p/6.atm"), "&1 /p/6.atm");
    EXPECT_EQ(recent_project_item(4, "/p/x.atm"), "&5 /p/x.atm");

    // Stored at once in the per-user group, read back by prefs_load.
    MemorySettingsStore machine, user;
    machine.set("1.0", "RootDir", "/inst");
    EXPECT_FALSE(recent_projects_save(user, "1.0", list));  // no group: nothing created
    EXPECT_FALSE(user.has_group("1.0"));
    user.add_group("1.0");
    ASSERT_TRUE(recent_projects_save(user, "1.0", list));
    EXPECT_EQ(user.get("1.0", "LastPrj1"), "/p/6.atm");
    EXPECT_EQ(user.get("1.0", "LastPrj5"), "");
    user.set("1.0", "LastPrj5", "/p/3.atm");  // a place edited by hand: not twice
    Preferences prefs;
    ASSERT_TRUE(prefs_load(machine, user, "1.0", "/home/u", prefs));
    EXPECT_EQ(prefs.recent_projects, list);
    // prefs_save ("&Konec") writes the list with the other values.
    prefs.recent_projects = {"/q/a.atm"};
    ASSERT_TRUE(prefs_save(user, "1.0", prefs));
    EXPECT_EQ(user.get("1.0", "LastPrj1"), "/q/a.atm");
    EXPECT_EQ(user.get("1.0", "LastPrj2"), "");
}

TEST(ProjectPlaces, ProjectDialogsStartInTheProjectsDirectoryElseInTheDocuments) {
    EXPECT_EQ(project_dialog_directory("/p/town/", true, "/home/u/Documents/"), "/p/town/");
    EXPECT_EQ(project_dialog_directory("/p/gone/", false, "/home/u/Documents/"), "/home/u/Documents/");
    EXPECT_EQ(project_dialog_directory("", true, "/home/u/Documents/"), "/home/u/Documents/");
}
