// Preferences over a key-value store: defaults, range rules, the installation
// check, saving only into an existing per-user group, the first start
// without an installer, the settings dialog's values.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/platform.h"
#include "base/text.h"
#include "desktop/logic/preferences.h"
#include "tests/test_support.h"

using namespace zemo;
using namespace zemo::desktop;

namespace {

const std::string kGroup = "1.0";
const std::string kHome = "/home/jana";

struct PreferencesTest : ::testing::Test {
    MemorySettingsStore machine, user;
    Preferences prefs;
    void SetUp() override {
        machine.set(kGroup, "RootDir", "/opt/zemo");
        user.add_group(kGroup);
    }
    Preferences load_ok() {
        EXPECT_TRUE(prefs_load(machine, user, kGroup, kHome, prefs));
        return prefs;
    }
};

}  // namespace

TEST_F(PreferencesTest, MissingValuesTakeTheirDefaults) {
    const Preferences p = load_ok();
    EXPECT_EQ(p.root_dir, std::string("/opt/zemo") + platform::kDirSeparator);
    EXPECT_EQ(p.form_top, 100);
    EXPECT_EQ(p.form_left, 100);
    EXPECT_FALSE(p.audio);
    EXPECT_EQ(p.priority, kPriorityLowest);  // a missing Priority is the lowest level
    EXPECT_FALSE(p.close_after_run);
    EXPECT_EQ(p.log_file, "");
    EXPECT_EQ(p.log_level, 1);
    EXPECT_EQ(p.dialog_data_filter, 1);
    EXPECT_EQ(p.dialog_wind_filter, 1);
    EXPECT_EQ(p.last_path, kHome);
}

TEST_F(PreferencesTest, StoredValuesAndTheirRangeRules) {
    struct Case {
        const char* priority;
        int level;
    };
    for (const Case c :
         {Case{"0", -2}, Case{"1", -1}, Case{"2", 0}, Case{"4", 2}, Case{"7", 0}, Case{"-1", 0}, Case{"x", -2}}) {
        user.set(kGroup, "Priority", c.priority);
        EXPECT_EQ(load_ok().priority, c.level) << c.priority;
    }
    for (const char* v : {"5", "2", "-1", "0", "yes"}) {
        user.set(kGroup, "Audio", v);
        user.set(kGroup, "Close", v);
        EXPECT_FALSE(load_ok().audio) << v;
        EXPECT_FALSE(prefs.close_after_run) << v;
    }
    user.set(kGroup, "Audio", "1");
    user.set(kGroup, "Close", " 1 ");
    user.set(kGroup, "mForm_x", "-20");
    user.set(kGroup, "mForm_y", "640");
    user.set(kGroup, "LogFile", "/tmp/my.log");
    user.set(kGroup, "LogLvl", "7");
    user.set(kGroup, "iDlgData", "2");
    user.set(kGroup, "iDlgWnd", "3");
    user.set(kGroup, "LastPath", "/data/");
    const Preferences p = load_ok();
    EXPECT_TRUE(p.audio);
    EXPECT_TRUE(p.close_after_run);
    EXPECT_EQ(p.form_top, -20);
    EXPECT_EQ(p.form_left, 640);
    EXPECT_EQ(p.log_file, "/tmp/my.log");
    EXPECT_EQ(p.log_level, 7);  // kept; a run uses it as 1
    EXPECT_EQ(run_log_level(p.log_level), 1);
    EXPECT_EQ(run_log_level(0), 0);
    EXPECT_EQ(run_log_level(2), 2);
    EXPECT_EQ(p.dialog_data_filter, 2);
    EXPECT_EQ(p.dialog_wind_filter, 3);
    EXPECT_EQ(p.last_path, "/data/");
}

TEST_F(PreferencesTest, AMissingInstallationOrUserGroupFailsTheStart) {
    MemorySettingsStore no_root;
    no_root.add_group(kGroup);
    EXPECT_FALSE(prefs_load(no_root, user, kGroup, kHome, prefs));
    EXPECT_FALSE(prefs_load(MemorySettingsStore{}, user, kGroup, kHome, prefs));
    EXPECT_FALSE(prefs_load(machine, MemorySettingsStore{}, kGroup, kHome, prefs));
    EXPECT_FALSE(prefs_load(machine, user, "2.0", kHome, prefs));  // another release's key
    machine.set(kGroup, "RootDir", "/opt/zemo/");
    EXPECT_EQ(load_ok().root_dir, "/opt/zemo/");  // no second separator
    EXPECT_EQ(cp1250_to_utf8(kNotInstalledText), "Program není korektně nainstalován!");
}

TEST_F(PreferencesTest, SavingWritesEveryValueOnlyIntoAnExistingGroup) {
    Preferences p = load_ok();
    p.form_top = 33;
    p.form_left = 44;
    p.audio = true;
    p.priority = 1;
    p.close_after_run = true;
    p.log_file = "/var/log/z.log";
    p.log_level = 0;
    p.dialog_data_filter = 3;
    p.dialog_wind_filter = 2;
    p.last_path = "/srv/";
    ASSERT_TRUE(prefs_save(user, kGroup, p));
    EXPECT_EQ(user.get(kGroup, "Priority"), "3");  // the level plus 2
    EXPECT_EQ(user.get(kGroup, "mForm_x"), "33");  // the top
    EXPECT_EQ(user.get(kGroup, "Audio"), "1");
    EXPECT_EQ(p.priority, 1);
    Preferences back;
    ASSERT_TRUE(prefs_load(machine, user, kGroup, kHome, back));
    EXPECT_EQ(back, p);

    // The group disappeared while the program ran: nothing is written or created.
    user.remove_group(kGroup);
    EXPECT_FALSE(prefs_save(user, kGroup, p));
    EXPECT_FALSE(user.has_group(kGroup));
}

TEST_F(PreferencesTest, FirstStartWithoutInstallerCreatesTheUserGroupWithDefaults) {
    MemorySettingsStore fresh;
    ASSERT_TRUE(prefs_create_user_group(fresh, kGroup, kHome));
    ASSERT_TRUE(prefs_load(machine, fresh, kGroup, kHome, prefs));
    EXPECT_EQ(prefs.priority, kPriorityLowest);
    EXPECT_EQ(prefs.log_level, 1);
    EXPECT_EQ(prefs.last_path, kHome);
    EXPECT_EQ(fresh.get(kGroup, "Priority"), "0");
    // An existing group is left as it is.
    fresh.set(kGroup, "Audio", "1");
    EXPECT_FALSE(prefs_create_user_group(fresh, kGroup, "/elsewhere"));
    EXPECT_EQ(fresh.get(kGroup, "Audio"), "1");
    EXPECT_EQ(fresh.get(kGroup, "LastPath"), kHome);
}

TEST_F(PreferencesTest, SettingsDialogShowsAndStoresTheValues) {
    Preferences p = default_preferences(kHome);
    p.priority = 5;  // outside the slider: shown as normal
    p.log_level = 9;
    SettingsDialogValues v = settings_dialog_values(p);
    EXPECT_EQ(v.priority, 0);
    EXPECT_EQ(v.log_option, -1);  // no option chosen
    settings_dialog_store(v, p);
    EXPECT_EQ(p.log_level, 1);  // "OK" without a chosen option stores the standard level
    EXPECT_EQ(p.priority, 0);

    v.audio = true;
    v.close_after_run = true;
    v.priority = -1;
    v.log_file = "";
    v.log_option = 2;
    settings_dialog_store(v, p);
    EXPECT_TRUE(p.audio);
    EXPECT_TRUE(p.close_after_run);
    EXPECT_EQ(p.priority, -1);
    EXPECT_EQ(p.log_level, 2);
    v.log_option = 0;
    settings_dialog_store(v, p);
    EXPECT_EQ(p.log_level, 0);
    EXPECT_EQ(settings_dialog_values(p).log_option, 0);
}

TEST(LogFileName, ExtensionAndFilterOfTheBrowsedName) {
    EXPECT_EQ(log_name_with_extension("C:\\runs\\model"), "C:\\runs\\model.log");
    EXPECT_EQ(log_name_with_extension("/home/jan.novak/model"), "/home/jan.novak/model.log");
    EXPECT_EQ(log_name_with_extension("/runs/model.txt"), "/runs/model.txt");
    EXPECT_EQ(log_name_with_extension(""), "");
    EXPECT_EQ(log_dialog_filter("/runs/a.LOG"), 1);
    EXPECT_EQ(log_dialog_filter("/runs/a.txt"), 2);
    EXPECT_EQ(log_dialog_filter("/runs.x/a"), 1);
}

// The fallback log is a new file of the run's own: never a name another
// user of the temporary directory could have taken before it.
TEST(LogFileName, TheFallbackLogIsANewFileOfItsOwn) {
    test::TempDir temp;
    test::write_file(temp.file("cizi.txt"), "another user's file");
    std::filesystem::create_symlink(temp.native("cizi.txt"), temp.native("mZemo.log"));
    const std::string first = create_fallback_log(temp.str());
    const std::string second = create_fallback_log(temp.str() + "/");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        const std::string name = platform::base_name(path) + ".log";
        EXPECT_EQ(name.rfind("mZemo-", 0), 0u) << name;
        EXPECT_EQ(name.size(), std::string("mZemo-123456.log").size()) << name;
        EXPECT_EQ(test::read_file(path), "");
        EXPECT_EQ(std::filesystem::status(test::native_path(path)).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    EXPECT_EQ(test::read_file(temp.file("cizi.txt")), "another user's file");
    EXPECT_TRUE(create_fallback_log(temp.file("chybi")).empty());
}
