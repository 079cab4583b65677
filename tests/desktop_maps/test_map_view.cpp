// "Mapy výsledků" of the desktop program: refused while a run goes on,
// before the first run and after a failed one; after a complete run the
// maps of its form, named after its project; a refusal of the map tool
// becomes the message.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/text.h"
#include "desktop/logic/project_form_file.h"
#include "desktop/maps/map_view.h"
#include "tests/test_support.h"

using namespace zemo;
using namespace zemo::desktop;
using zemo::test::read_file;
using zemo::test::TempDir;
using zemo::test::write_file;

namespace fs = std::filesystem;

namespace {

// The town run by zemo, and the desktop's record of that run.
struct TownRun {
    TempDir dir;
    TempDir temp;
    LastRun last;
    TownRun() {
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / "examples/town", dir.path(), fs::copy_options::recursive);
        fs::remove_all(dir.path() / "vysledky");
        fs::create_directory(dir.path() / "vysledky");
        const auto r = test::run_zemo("-a -c -i town.atm -l beh.log", dir.str());
        EXPECT_EQ(r.exit_code, 0) << r.output;
        std::string error;
        EXPECT_TRUE(read_project_form(dir.file("town.atm"), last.form, error)) << error;
        last.any = true;
        last.status = 0;
        last.project_name = "town";
        last.project_directory = dir.str();
        last.log_path = dir.file("beh.log");
        last.root_dir = test::staged_file();
    }
};

}  // namespace

TEST(MapView, RefusedWhileRunningBeforeTheFirstRunAndAfterAFailedOne) {
    LastRun none;
    EXPECT_EQ(cp1250_to_utf8(make_map_view(none, true, "/tmp").message), "Probíhá výpočet!");
    EXPECT_EQ(cp1250_to_utf8(make_map_view(none, false, "/tmp").message), "Dosud nebyl proveden žádný výpočet!");
    LastRun failed;
    failed.any = true;
    failed.status = -100;
    EXPECT_EQ(cp1250_to_utf8(make_map_view(failed, false, "/tmp").message),
              "Poslední výpočet nebyl dokončen, mapy nelze vytvořit!");
}

TEST(MapView, TheLastCompleteRunGivesAPicturePerPollutant) {
    const TownRun town;
    // Another user of the temporary directory planted a link under the
    // name the project form once took there, aimed at a file of ours.
    TempDir mine;
    write_file(mine.file("dulezity.txt"), "a file of the modeller's");
    fs::create_symlink(mine.native("dulezity.txt"), town.temp.native("town.atm"));
    const MapView view = make_map_view(town.last, false, town.temp.str());
    ASSERT_EQ(view.message, "") << cp1250_to_utf8(view.message);
    ASSERT_EQ(view.maps.pictures.size(), 4u);
    ASSERT_EQ(view.titles.size(), 4u);
    EXPECT_EQ(cp1250_to_utf8(view.titles[1]), "NO2 - Oxid dusičitý");
    EXPECT_EQ(fs::path(view.maps.pictures[1]).filename(), "mapa_NO2.png");
    EXPECT_TRUE(fs::exists(town.dir.native("vysledky/mapy/town.gpkg")));
    // The run's log records its tables' digests: they were checked, no note.
    for (const std::string& note : view.maps.notes) EXPECT_EQ(note.rfind("Poznámka", 0), std::string::npos) << note;
    // The form was handed over as a project file in a directory of its
    // own, which is gone again; the planted link led nowhere.
    EXPECT_EQ(test::file_names_in(town.temp.path()), std::vector<std::string>{"town.atm"});
    EXPECT_EQ(read_file(mine.file("dulezity.txt")), "a file of the modeller's");
}

TEST(MapView, TablesThatNoLongerFitTheFormAreRefusedWithTheToolsReason) {
    TownRun town;
    std::string points = read_file(town.dir.file("body.txt"));
    points.replace(points.find("R0002"), 5, "Q0002");
    write_file(town.dir.file("body.txt"), points);
    const std::string message = cp1250_to_utf8(make_map_view(town.last, false, town.temp.str()).message);
    EXPECT_EQ(message.rfind("Mapy nelze vytvořit:\n", 0), 0u) << message;
    EXPECT_NE(message.find("[R0002] místo [Q0002]"), std::string::npos) << message;
}
