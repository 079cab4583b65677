#include <gtest/gtest.h>

#include <algorithm>

#include "base/files.h"
#include "base/platform.h"
#include "base/run_log.h"
#include "input/sources.h"
#include "input/wind_roses.h"
#include "tests/input/dbf_bytes.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::write_file;

namespace {

const std::string kFixtures = test::source_file("tests/fixtures/sources") + "/";

// Pollutants NO2 and "pm10" (the DBF field is E_PM10), wind roses 11 and 22.
struct SourcesTest : ::testing::Test {
    test::TempDir dir;
    std::string log_path = dir.file("run.log");
    RunLog runlog;
    PartialNumbers notes;
    InputContext in{runlog, notes};
    ProjectConfig project;
    WindRoses roses;
    std::uint64_t memory_limit = 0;  // as RunOptions holds it: 0, what the system allows
    Sources sources;                 // what the last reading returned; empty after a fatal stop

    void SetUp() override { fresh_run(); }
    void TearDown() override {
        simulate_source_allocation_failure("");
        set_memory_files(nullptr);
    }
    // The records of a new run over the same log file (a fatal stop closes
    // the log).
    void fresh_run() {
        runlog.reset();
        runlog.open(log_path, 2);
        notes = PartialNumbers{};
        in.directory.clear();
        project.reset();
        set_pollutants(true);
        roses.reset();
        roses.count = 2;
        roses.Wnd_id = {11, 22};
        memory_limit = 0;
        sources.reset();
    }

    void set_pollutants(bool with_no2) {
        ProjectConfig& p = project;
        p.pollutants.clear();
        Pollutant a;
        a.indicative = with_no2 ? "NO2" : "NOx";
        a.type = with_no2 ? kTypeNO2 : kTypeNOX;
        Pollutant b;
        b.indicative = "pm10";
        b.type = kTypePM10;
        p.pollutants = {a, b};
        p.no2_count = with_no2 ? 1 : 0;
    }
    void set_tables(const std::string& point, const std::string& line, const std::string& area,
                    const std::string& keyword = "") {
        ProjectConfig& p = project;
        p.point_sources = InputTable{};
        p.line_sources = InputTable{};
        p.area_sources = InputTable{};
        p.point_sources.path = point;
        p.line_sources.path = line;
        p.area_sources.path = area;
        if (!keyword.empty())
            for (InputTable* t : {&p.point_sources, &p.line_sources, &p.area_sources})
                if (!t->empty()) set_type_from_keyword(*t, keyword);
        p.source_kinds = !area.empty() ? 3 : !line.empty() ? 2 : !point.empty() ? 1 : 0;
    }
    // A text table of one kind written into the test directory (UTF-8 in the
    // test, Windows-1250 with CR LF in the file).
    std::string table(const std::string& name, const std::string& utf8) {
        const std::string path = dir.file(name);
        write_file(path, cp(utf8));
        return path;
    }
    // One reading of the project's tables (Fill: counting, then filling):
    // 0, or -100 when a fatal message stopped it.
    int run(ReaderPass pass = ReaderPass::Fill) {
        sources.reset();
        return run_stage(runlog, [&] {
            sources = read_sources(pass, project, roses, memory_limit, in);
            return 0;
        });
    }
    std::string log() {
        runlog.flush();
        return cp1250_to_utf8(read_file(log_path));
    }
};

// The log lines of a message about a table line, in UTF-8 with CR LF.
std::string with_file(const char* band, const std::string& text, const std::string& path) {
    const std::string b = band;
    return b + " chybná vstupní data\r\n       - " + text + "\r\n" + b +
           " chybná vstupní data\r\n       -     (soubor: " + cp1250_to_utf8(path) + ")\r\n";
}
std::string error_line(const std::string& text, const std::string& path) { return with_file("+++", text, path); }
std::string fatal_line(const std::string& text, const std::string& path) { return with_file("***", text, path); }

// Point source lines: id x y z height heat hours class group rose ratio e1 e2.
std::string point(const std::string& id, const std::string& height, const std::string& heat, const std::string& hours,
                  int cls, const std::string& ratio = "0.5", const std::string& e1 = "1.0", int group = 1,
                  int rose = 11) {
    return id + "\t100.0\t200.0\t300.0\t" + height + "\t" + heat + "\t" + hours + "\t" + std::to_string(cls) + "\t" +
           std::to_string(group) + "\t" + std::to_string(rose) + "\t" + ratio + "\t" + e1 + "\t2.0\n";
}
// Line sources: id x1 y1 z1 x2 y2 z2 hours class group rose width ratio e1 e2.
std::string line(const std::string& id, const std::string& end, const std::string& hours, int cls,
                 const std::string& width, const std::string& e1 = "1.0") {
    return id + "\t0.0\t0.0\t300.0\t" + end + "\t" + hours + "\t" + std::to_string(cls) + "\t1\t11\t" + width +
           "\t0.5\t" + e1 + "\t2.0\n";
}
// Area sources: id x y z height heat hours class group rose size ratio e1 e2.
std::string area(const std::string& id, const std::string& height, const std::string& heat, int cls,
                 const std::string& size) {
    return id + "\t0.0\t0.0\t300.0\t" + height + "\t" + heat + "\t8760.0\t" + std::to_string(cls) + "\t1\t22\t" + size +
           "\t0.5\t1.0\t2.0\n";
}

void expect_same_arrays(const Sources& a, const Sources& b) {
    EXPECT_EQ(a.NP, b.NP);
    EXPECT_EQ(a.NL, b.NL);
    EXPECT_EQ(a.NA, b.NA);
    EXPECT_EQ(a.SrcP_id, b.SrcP_id);
    EXPECT_EQ(a.SrcP_class, b.SrcP_class);
    EXPECT_EQ(a.SrcP_group, b.SrcP_group);
    EXPECT_EQ(a.SrcP_wrose, b.SrcP_wrose);
    EXPECT_EQ(a.SrcP_x, b.SrcP_x);
    EXPECT_EQ(a.SrcP_y, b.SrcP_y);
    EXPECT_EQ(a.SrcP_z, b.SrcP_z);
    EXPECT_EQ(a.SrcP_h, b.SrcP_h);
    EXPECT_EQ(a.SrcP_q, b.SrcP_q);
    EXPECT_EQ(a.SrcP_doba, b.SrcP_doba);
    EXPECT_EQ(a.SrcP_no2_nox, b.SrcP_no2_nox);
    EXPECT_EQ(a.SrcP_e, b.SrcP_e);
    EXPECT_EQ(a.SrcL_id, b.SrcL_id);
    EXPECT_EQ(a.SrcL_class, b.SrcL_class);
    EXPECT_EQ(a.SrcL_group, b.SrcL_group);
    EXPECT_EQ(a.SrcL_wrose, b.SrcL_wrose);
    EXPECT_EQ(a.SrcL_x, b.SrcL_x);
    EXPECT_EQ(a.SrcL_y, b.SrcL_y);
    EXPECT_EQ(a.SrcL_z, b.SrcL_z);
    EXPECT_EQ(a.SrcL_x1, b.SrcL_x1);
    EXPECT_EQ(a.SrcL_y1, b.SrcL_y1);
    EXPECT_EQ(a.SrcL_z1, b.SrcL_z1);
    EXPECT_EQ(a.SrcL_dx, b.SrcL_dx);
    EXPECT_EQ(a.SrcL_doba, b.SrcL_doba);
    EXPECT_EQ(a.SrcL_no2_nox, b.SrcL_no2_nox);
    EXPECT_EQ(a.SrcL_e, b.SrcL_e);
    EXPECT_EQ(a.SrcA_id, b.SrcA_id);
    EXPECT_EQ(a.SrcA_class, b.SrcA_class);
    EXPECT_EQ(a.SrcA_group, b.SrcA_group);
    EXPECT_EQ(a.SrcA_wrose, b.SrcA_wrose);
    EXPECT_EQ(a.SrcA_x, b.SrcA_x);
    EXPECT_EQ(a.SrcA_y, b.SrcA_y);
    EXPECT_EQ(a.SrcA_z, b.SrcA_z);
    EXPECT_EQ(a.SrcA_h, b.SrcA_h);
    EXPECT_EQ(a.SrcA_q, b.SrcA_q);
    EXPECT_EQ(a.SrcA_dx, b.SrcA_dx);
    EXPECT_EQ(a.SrcA_doba, b.SrcA_doba);
    EXPECT_EQ(a.SrcA_no2_nox, b.SrcA_no2_nox);
    EXPECT_EQ(a.SrcA_e, b.SrcA_e);
    EXPECT_EQ(a.groups, b.groups);
    EXPECT_EQ(a.group_counts, b.group_counts);
    EXPECT_EQ(a.max_group, b.max_group);
}

int count_of(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

// Values as a table holds them: converted in single precision.
double f(double v) { return static_cast<double>(static_cast<float>(v)); }
std::string w1250(const char* utf8) { return utf8_to_cp1250(utf8); }

}  // namespace

// The GDAL tables against values worked out by hand from point.csv,
// line.csv and area.csv.
TEST_F(SourcesTest, DbfTablesWrittenByGdalReadToTheHandWorkedArrays) {
    set_tables(kFixtures + "point.dbf", kFixtures + "line.dbf", kFixtures + "area.dbf");
    ASSERT_EQ(run(), 0) << log();
    const Sources& s = sources;
    EXPECT_EQ(runlog.error_count, 0) << log();
    EXPECT_EQ(s.NP, 3);
    EXPECT_EQ(s.NL, 2);
    EXPECT_EQ(s.NA, 2);
    EXPECT_EQ(s.total, 7);

    EXPECT_EQ(s.SrcP_id, (std::vector<std::string>{w1250("Komín1"), w1250("Teplárna"), "Kotelna"}));
    EXPECT_EQ(s.SrcP_x, (std::vector<double>{-745123.25, -745500.75, -746000.5}));
    EXPECT_EQ(s.SrcP_y, (std::vector<double>{-1043210.5, -1043000.25, -1042500.75}));
    EXPECT_EQ(s.SrcP_z, (std::vector<double>{312.5, 305.25, 298.0}));
    EXPECT_EQ(s.SrcP_h, (std::vector<double>{120.0, 45.5, 0.0}));
    // Heat term: 16^0.25 = 2 at 120 m: 2 * (1.5 * 120 - 50) * 0.25 = 65;
    // 81^0.25 = 3 below 100 m: 3 * 25 = 75; no heat output: 0.
    EXPECT_DOUBLE_EQ(s.SrcP_q[0], 65.0);
    EXPECT_DOUBLE_EQ(s.SrcP_q[1], 75.0);
    EXPECT_EQ(s.SrcP_q[2], 0.0);
    // Share of the year: 8760, 4380 and 2190 hours.
    EXPECT_DOUBLE_EQ(s.SrcP_doba[0], 1.0);
    EXPECT_DOUBLE_EQ(s.SrcP_doba[1], 0.5);
    EXPECT_DOUBLE_EQ(s.SrcP_doba[2], 0.25);
    EXPECT_EQ(s.SrcP_class, (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(s.SrcP_group, (std::vector<int>{5, 1, 3}));
    EXPECT_EQ(s.SrcP_wrose, (std::vector<int>{0, 1, 0}));  // roses 11, 22, 11
    EXPECT_EQ(s.SrcP_no2_nox, (std::vector<double>{f(0.3), f(0.1), 10.0}));
    // Emissions times 1,000,000: 2.5, 0.0625, 0 of NO2; 0.125, 0.001, 0 of PM10.
    ASSERT_EQ(s.SrcP_e.size(), 2u);
    EXPECT_EQ(s.SrcP_e[0], (std::vector<double>{2500000.0, 62500.0, 0.0}));
    EXPECT_EQ(s.SrcP_e[1][0], 125000.0);
    EXPECT_EQ(s.SrcP_e[1][1], f(0.001) * 1000000.0);
    EXPECT_NEAR(s.SrcP_e[1][1], 1000.0, 1e-3);
    EXPECT_EQ(s.SrcP_e[1][2], 0.0);  // a source without emissions is kept

    EXPECT_EQ(s.SrcL_id, (std::vector<std::string>{w1250("Dálnice"), w1250("Náměstí")}));
    EXPECT_EQ(s.SrcL_x, (std::vector<double>{-745000.0, -745200.5}));
    EXPECT_EQ(s.SrcL_y, (std::vector<double>{-1043000.0, -1043100.5}));
    EXPECT_EQ(s.SrcL_z, (std::vector<double>{300.0, 301.0}));
    EXPECT_EQ(s.SrcL_x1, (std::vector<double>{-744000.0, -745200.5}));
    EXPECT_EQ(s.SrcL_y1, (std::vector<double>{-1043000.0, -1043100.0}));
    EXPECT_EQ(s.SrcL_z1, (std::vector<double>{302.5, 301.0}));
    EXPECT_EQ(s.SrcL_dx, (std::vector<double>{50.0, 7.5}));
    EXPECT_DOUBLE_EQ(s.SrcL_doba[1], 0.75);  // 6570 h
    EXPECT_EQ(s.SrcL_class, (std::vector<int>{2, 1}));
    EXPECT_EQ(s.SrcL_group, (std::vector<int>{5, 7}));
    EXPECT_EQ(s.SrcL_wrose, (std::vector<int>{0, 1}));
    EXPECT_EQ(s.SrcL_no2_nox, (std::vector<double>{f(0.05), f(0.2)}));
    EXPECT_EQ(s.SrcL_e[0], (std::vector<double>{750000.0, 500000.0}));
    EXPECT_EQ(s.SrcL_e[1], (std::vector<double>{250000.0, 31250.0}));

    EXPECT_EQ(s.SrcA_id, (std::vector<std::string>{w1250("Skládka"), w1250("LomŽďár")}));
    EXPECT_EQ(s.SrcA_x, (std::vector<double>{-746500.0, -747000.25}));
    EXPECT_EQ(s.SrcA_y, (std::vector<double>{-1044000.0, -1044500.5}));
    EXPECT_EQ(s.SrcA_z, (std::vector<double>{290.0, 350.0}));
    EXPECT_EQ(s.SrcA_dx, (std::vector<double>{1000.0, 250.5}));
    EXPECT_EQ(s.SrcA_h, (std::vector<double>{10.0, 0.0}));
    // 256^0.25 = 4 and 625^0.25 = 5, times 25 whatever the height.
    EXPECT_DOUBLE_EQ(s.SrcA_q[0], 100.0);
    EXPECT_DOUBLE_EQ(s.SrcA_q[1], 125.0);
    EXPECT_DOUBLE_EQ(s.SrcA_doba[1], 0.125);  // 1095 h
    EXPECT_EQ(s.SrcA_class, (std::vector<int>{1, 2}));
    EXPECT_EQ(s.SrcA_group, (std::vector<int>{3, 9}));
    EXPECT_EQ(s.SrcA_wrose, (std::vector<int>{0, 1}));  // roses 11, 22
    EXPECT_EQ(s.SrcA_no2_nox, (std::vector<double>{f(0.15), f(0.25)}));
    EXPECT_EQ(s.SrcA_e[0], (std::vector<double>{f(0.02) * 1000000.0, 0.0}));
    EXPECT_EQ(s.SrcA_e[1], (std::vector<double>{500000.0, 1500000.0}));

    // Groups in order of first appearance: points 5, 1, 3; lines 5, 7; areas 3, 9.
    EXPECT_EQ(s.groups, (std::vector<int>{5, 1, 3, 7, 9}));
    EXPECT_EQ(s.group_counts, (std::vector<std::array<int, 3>>{{1, 1, 0}, {1, 0, 0}, {1, 0, 1}, {0, 1, 0}, {0, 0, 1}}));
    EXPECT_EQ(s.max_group, 9);
    EXPECT_EQ(s.group_index(3), 2);
    EXPECT_EQ(s.group_index(4), -1);
    // Sources in the order points, lines, areas.
    EXPECT_EQ(s.group_of(3), 5);
    EXPECT_EQ(s.group_of(6), 9);
    EXPECT_EQ(s.id_of(4), w1250("Náměstí"));
}

TEST_F(SourcesTest, TextTablesInEverySeparatorConventionReadLikeTheDbfTables) {
    set_tables(kFixtures + "point.dbf", kFixtures + "line.dbf", kFixtures + "area.dbf");
    ASSERT_EQ(run(), 0) << log();
    const Sources from_dbf = sources;
    ASSERT_EQ(from_dbf.NP, 3);

    for (const std::string form : {"tsv_dot", "ssv_dot", "csv_dot", "tsv_comma", "ssv_comma", "space"}) {
        SCOPED_TRACE(form);
        set_tables(kFixtures + "point_" + form + ".txt", kFixtures + "line_" + form + ".txt",
                   kFixtures + "area_" + form + ".txt", form == "space" ? "FIX" : "");
        ASSERT_EQ(run(), 0) << log();
        expect_same_arrays(sources, from_dbf);
    }
    EXPECT_EQ(runlog.error_count, 0) << log();
}

TEST_F(SourcesTest, OverviewShowsCountsRangesAndGroupsInAscendingOrder) {
    set_tables(kFixtures + "point_ssv_comma.txt", kFixtures + "line.dbf", kFixtures + "area_tsv_dot.txt");
    ASSERT_EQ(run(), 0) << log();
    const std::string text = log();
    const std::string p = cp1250_to_utf8(project.point_sources.path);
    EXPECT_NE(text.find("--- BODOVÉ ZDROJE\r\n--- Soubor s bodovými zdroji: " + p + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("--- PLOŠNÉ ZDROJE\r\n"), std::string::npos);
    // Ranges over every kind (both ends of the lines), emissions in the
    // units of the tables: NO2 2.5 + 0.0625 + 0.75 + 0.5 + 0.02 = 3.8325,
    // PM10 0.125 + 0.001 + 0.25 + 0.03125 + 0.5 + 1.5 = 2.40725.
    const std::string expected =
        "=== ZDROJE - SOUHRN\r\n"
        "=== Počty zdrojů v souborech (celkem 7):\r\n"
        "===    bodových :     3\r\n"
        "===    liniových:     2\r\n"
        "===    plošných :     2\r\n"
        "=== Přehled načtených hodnot:\r\n"
        "===    souřadnice X      : -747000.25 - -744000.00\r\n"
        "===    souřadnice Y      : -1044500.50 - -1042500.75\r\n"
        "===    souřadnice Z      : 290.00 - 350.00\r\n"
        "===    emise      NO2    : 0.000000 - 2.500000, celkem 3.832500\r\n"
        "===    emise     pm10    : 0.000000 - 1.500000, celkem 2.407250\r\n"
        "===    stavební výška    : 0.000000 - 120.000000\r\n"
        "===    tepelná vydatnost : 0.000000 - 625.000000\r\n"
        "===    šířka LZ          : 7.500000 - 50.000000\r\n"
        "===    rozměr PZ         : 250.500000 - 1000.000000\r\n"
        "===    provozní hodiny   : 1095.000000 - 8760.000000\r\n"
        "===    poměr NO2/NOx     : 0.050000 - 10.000000\r\n"
        "===    skupiny           : 1 - 9\r\n"
        "===    vetrné růžice     : 11 - 22\r\n"
        "=== Přehled skupin zdrojů\r\n"
        "===    zdroje jsou rozděleny do 5 skupin\r\n"
        "===    Skupina   Celkem   Bodové  Liniové   Plošné\r\n"
        "===         1        1        1        0        0\r\n"
        "===         3        2        1        0        1\r\n"
        "===         5        2        1        1        0\r\n"
        "===         7        1        0        1        0\r\n"
        "===         9        1        0        0        1\r\n";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
}

TEST_F(SourcesTest, LevelOneOverviewHasOnlyTheCounts) {
    runlog.reset();
    runlog.open(log_path, 1);
    set_tables("", kFixtures + "line.dbf", "");
    ASSERT_EQ(run(), 0) << log();
    const std::string text = log();
    EXPECT_NE(text.find("=== ZDROJE - SOUHRN\r\n=== Počty zdrojů v souborech (celkem 2):\r\n"
                        "===    bodových :     0\r\n===    liniových:     2\r\n===    plošných :     0\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Přehled"), std::string::npos) << text;
    EXPECT_EQ(text.find("BODOVÉ"), std::string::npos);  // the kind without a file is skipped
    EXPECT_EQ(sources.NP, 0);
    EXPECT_TRUE(sources.SrcP_x.empty());
}

TEST_F(SourcesTest, OperatingHoursNo2RatioAndEmissionRanges) {
    const std::string path =
        table("p.txt", point("A", "20.0", "1.0", "8760.0", 1, "10.0") +  // silent
                           point("B", "20.0", "1.0", "0.0", 1) + point("C", "20.0", "1.0", "8760.5", 1, "10.5") +
                           point("D", "20.0", "1.0", "100.0", 1, "-0.5", "-1.0"));
    set_tables(path, "", "");
    ASSERT_EQ(run(), 0) << log();
    EXPECT_EQ(log().find("řádku 1"), std::string::npos) << log();
    const std::string expected = error_line("Provozní doba na řádku 2 mimo hodnotu (0,8760>: 0.000000", path) +
                                 error_line("Provozní doba na řádku 3 mimo hodnotu (0,8760>: 8760.500000", path) +
                                 error_line("Poměr NO2/NOx na řádku 3 mimo hodnotu <0,10): 10.500000", path) +
                                 error_line("Poměr NO2/NOx na řádku 4 mimo hodnotu <0,10): -0.500000", path) +
                                 error_line("Emise řádku 4 záporná: -1.000000", path);
    EXPECT_NE(log().find(expected), std::string::npos) << log();
    // Counted errors keep the records as read.
    const Sources& s = sources;
    EXPECT_EQ(s.SrcP_doba[1], 0.0);
    EXPECT_EQ(s.SrcP_no2_nox[3], -0.5);
    EXPECT_EQ(s.SrcP_e[0][3], -1000000.0);
}

TEST_F(SourcesTest, ZeroNo2RatioEndsTheRun) {
    const std::string path =
        table("p.txt", point("A", "20.0", "1.0", "8760", 1) + point("B", "20.0", "1.0", "8760", 1, "0"));
    set_tables(path, "", "");
    EXPECT_EQ(run(), -100);
    EXPECT_NE(log().find(fatal_line("Poměr NO2/NOx nesmí být nulový (řádek 2)", path)), std::string::npos) << log();
}

TEST_F(SourcesTest, PointHeightsHeatOutputAndClasses) {
    // Accepted: heights 0 (class 1) and 400, heat 1000. Errors: height
    // 400.5 and -1 of a class-1 source, heat 1000.5.
    const std::string path =
        table("p.txt", point("A", "0.0", "1000.0", "8760", 1) + point("B", "400.0", "1.0", "8760", 0) +
                           point("C", "400.5", "1000.5", "8760", 1) + point("D", "-1.0", "1.0", "8760", 1));
    set_tables(path, "", "");
    ASSERT_EQ(run(), 0) << log();
    EXPECT_EQ(count_of(log(), "(soubor:"), 3) << log();
    EXPECT_NE(log().find(error_line("Stavební výška na řádku 3 mimo hodnotu (0,400): 400.500000", path) +
                         error_line("Tepelná vydatnost na řádku 3 mimo hodnotu (0,1000): 1000.500000", path) +
                         error_line("Stavební výška na řádku 4 mimo hodnotu (0,400): -1.000000", path)),
              std::string::npos)
        << log();

    struct Case {
        std::string record, message;
    };
    const Case fatal_cases[] = {
        {point("E", "20.0", "1.0", "8760", 3), "Neznámá třída zdroje na řádce 1"},
        {point("E", "20.0", "1.0", "8760", -1), "Neznámá třída zdroje na řádce 1"},
        {point("E", "20.0", "1.0", "8760", 2), "Bodový zdroj nemůže být dopravní (řádka 1)"},
        {point("E", "0.0", "1.0", "8760", 0), "Stavební výška vzdáleného zdroje nesmí být nulová (řádek 1)"},
        {point("E", "-1.0", "1.0", "8760", 0), "Stavební výška na řádku 1 mimo hodnotu (0,400): -1.000000"},
        {point("E", "20.0", "-0.5", "8760", 1), "Tepelná vydatnost na řádku 1 mimo hodnotu (0,1000): -0.500000"},
        {point("E", "20.0", "1.0", "8760", 1, "0.5", "1.0", 1, 33), "Růžice 33 neexistuje (řádka 1)"},
    };
    for (const Case& c : fatal_cases) {
        SCOPED_TRACE(c.message);
        fresh_run();
        const std::string p = table("e.txt", c.record);
        set_tables(p, "", "");
        EXPECT_EQ(run(), -100);
        EXPECT_NE(log().find(fatal_line(c.message, p)), std::string::npos) << log();
    }
}

TEST_F(SourcesTest, PointHeatTermAroundOneHundredMetres) {
    // Q = 16, Q^0.25 = 2: 25 * 2 = 50 below and at 100 m (1.5 * 100 - 50 = 100,
    // times 0.25 = 25); at 200 m 2 * (300 - 50) * 0.25 = 125.
    const std::string path =
        table("p.txt", point("A", "99.5", "16.0", "8760", 1) + point("B", "100.0", "16.0", "8760", 1) +
                           point("C", "200.0", "16.0", "8760", 1));
    set_tables(path, "", "");
    ASSERT_EQ(run(), 0) << log();
    EXPECT_DOUBLE_EQ(sources.SrcP_q[0], 50.0);
    EXPECT_DOUBLE_EQ(sources.SrcP_q[1], 50.0);
    EXPECT_DOUBLE_EQ(sources.SrcP_q[2], 125.0);
}

TEST_F(SourcesTest, LineWidthClassesAndZeroLength) {
    // Width 50 passes; width 0 warns; hours 0, a negative emission and the
    // width come in their fixed order.
    const std::string path = table("l.txt", line("A", "10.0\t0.0\t300.0", "8760", 2, "50.0") +
                                                line("B", "10.0\t5.0\t300.0", "0", 1, "0.0", "-2.0") +
                                                line("C", "0.0\t1.0\t300.0", "8760", 1, "50.5"));
    set_tables("", path, "");
    ASSERT_EQ(run(), 0) << log();
    EXPECT_NE(log().find(error_line("Provozní doba na řádku 2 mimo hodnotu (0,8760>: 0.000000", path) +
                         error_line("Emise řádku 2 záporná: -2.000000", path) +
                         error_line("Šířka komunikace na řádku 2 mimo hodnotu <0,50): 0.000000", path) +
                         error_line("Šířka komunikace na řádku 3 mimo hodnotu <0,50): 50.500000", path)),
              std::string::npos)
        << log();
    EXPECT_EQ(count_of(log(), "(soubor:"), 4);
    EXPECT_EQ(sources.SrcL_x1, (std::vector<double>{10.0, 10.0, 0.0}));
    EXPECT_EQ(sources.SrcL_y1, (std::vector<double>{0.0, 5.0, 1.0}));

    const std::pair<std::string, std::string> fatal_cases[] = {
        {line("E", "10.0\t0.0\t300.0", "8760", 0, "7.0"), "Liniový zdroj nemůže být vzdálený (řádka 1)"},
        {line("E", "10.0\t0.0\t300.0", "8760", 5, "7.0"), "Neznámá třída zdroje na řádce 1"},
        // start and end differ in Z only
        {line("E", "0.0\t0.0\t310.0", "8760", 1, "7.0"), "Délka komunikace nesmí být nulová (řádek 1)"},
    };
    for (const auto& [record, message] : fatal_cases) {
        SCOPED_TRACE(message);
        fresh_run();
        const std::string p = table("e.txt", record);
        set_tables("", p, "");
        EXPECT_EQ(run(), -100);
        EXPECT_NE(log().find(fatal_line(message, p)), std::string::npos) << log();
    }
}

TEST_F(SourcesTest, AreaHeightsSizesAndClasses) {
    const std::string path =
        table("a.txt", area("A", "100.0", "1000.0", 2, "1000.0") +  // silent
                           area("B", "100.5", "1.0", 1, "1000.5") + area("C", "-0.5", "1.0", 1, "0.5"));
    set_tables("", "", path);
    ASSERT_EQ(run(), 0) << log();
    EXPECT_NE(log().find(error_line("Stavební výška na řádku 2 mimo hodnotu (0,100): 100.500000", path) +
                         error_line("Rozměr zdroje na řádku 2 mimo hodnotu (0,1000): 1000.500000", path) +
                         error_line("Stavební výška na řádku 3 mimo hodnotu (0,100): -0.500000", path)),
              std::string::npos)
        << log();
    EXPECT_EQ(count_of(log(), "(soubor:"), 3);

    const std::pair<std::string, std::string> fatal_cases[] = {
        {area("E", "5.0", "1.0", 0, "10.0"), "Plošný zdroj nemůže být vzdálený (řádka 1)"},
        {area("E", "5.0", "1.0", 7, "10.0"), "Neznámá třída zdroje na řádce 1"},
        {area("E", "5.0", "1.0", 1, "0.0"), "Rozměr plošného zdroje nesmí být nulový (řádek 1): 0.000000"},
        {area("E", "5.0", "1.0", 1, "-2.0"), "Rozměr zdroje na řádku 1 mimo hodnotu (0,1000): -2.000000"},
        {area("E", "5.0", "-1.0", 1, "10.0"), "Tepelná vydatnost na řádku 1 mimo hodnotu (0,1000): -1.000000"},
    };
    for (const auto& [record, message] : fatal_cases) {
        SCOPED_TRACE(message);
        fresh_run();
        const std::string p = table("e.txt", record);
        set_tables("", "", p);
        EXPECT_EQ(run(), -100);
        EXPECT_NE(log().find(fatal_line(message, p)), std::string::npos) << log();
    }
}

TEST_F(SourcesTest, IdentifiersOfNineAndTenCharacters) {
    // Nine Czech letters are nine characters in Windows-1250.
    const std::string ok = table("ok.txt", point("Žluťoučký", "20.0", "1.0", "8760", 1));
    set_tables(ok, "", "");
    ASSERT_EQ(run(), 0) << log();
    EXPECT_EQ(sources.SrcP_id[0], w1250("Žluťoučký"));

    // The counting pass refuses a ten-character text identifier.
    fresh_run();
    const std::string bad =
        table("bad.txt", point("A", "20.0", "1.0", "8760", 1) + point("Žluťoučkýk", "20.0", "1.0", "8760", 1));
    set_tables(bad, "", "");
    EXPECT_EQ(run(ReaderPass::Count), -100);
    EXPECT_NE(log().find(fatal_line("ID zdroje na řádku 2 je příliš dlouhé (max 10 znaků)", bad)), std::string::npos)
        << log();

    // A DBF identifier is trimmed first and checked in the filling pass.
    fresh_run();
    set_tables(kFixtures + "point_ids.dbf", "", "");
    ASSERT_EQ(run(ReaderPass::Count), 0) << log();
    EXPECT_EQ(run(ReaderPass::Fill), -100);
    EXPECT_NE(
        log().find(fatal_line("ID zdroje v záznamu 2 je príliš dlouhé (max 10 znaku)", kFixtures + "point_ids.dbf")),
        std::string::npos)
        << log();
    // Its first record, whose nine letters are padded to the field width,
    // is trimmed and kept: the same table with a header that claims only it.
    fresh_run();
    std::string bytes = read_file(kFixtures + "point_ids.dbf");
    ASSERT_EQ(bytes.substr(4, 4), std::string("\x02\0\0\0", 4));
    bytes[4] = 1;
    const std::string first = dir.file("first_id.dbf");
    write_file(first, bytes);
    set_tables(first, "", "");
    ASSERT_EQ(run(), 0) << log();
    EXPECT_EQ(sources.SrcP_id[0], w1250("Žluťoučký"));
}

TEST_F(SourcesTest, MissingFieldsAndSeparatorOnlyLines) {
    // A line that ends before its last emission: the fatal message, then
    // the file line that names the table, as after every line message.
    const std::string path = table(
        "p.txt", point("A", "20.0", "1.0", "8760", 1) + "B\t1.0\t2.0\t3.0\t20.0\t1.0\t8760\t1\t1\t11\t0.5\t1.0\n");
    set_tables(path, "", "");
    EXPECT_EQ(run(), -100);
    EXPECT_NE(log().find(fatal_line("nedostateený počet údajů na řádce 2", path)), std::string::npos) << log();

    fresh_run();
    // A semicolon table whose second line holds separators only.
    std::string records = point("A", "20.0", "1.0", "8760", 1) + ";;\n";
    std::replace(records.begin(), records.end(), '\t', ';');
    const std::string seps = table("s.txt", records);
    set_tables(seps, "", "");
    EXPECT_EQ(run(), -100);
    EXPECT_NE(log().find(fatal_line("Nedostatečný počet údajů na řádce 2", seps)), std::string::npos) << log();
}

TEST_F(SourcesTest, No2ColumnOnlyWhenNo2IsComputed) {
    // Without NO2 the thirteenth column is not read: the emissions are
    // columns 11 and 12 (0.5 and 1.0 of point()).
    set_pollutants(false);
    const std::string path = table("p.txt", point("A", "20.0", "1.0", "8760", 1, "0.5", "1.0"));
    set_tables(path, "", "");
    ASSERT_EQ(run(), 0) << log();
    const Sources& s = sources;
    EXPECT_EQ(s.SrcP_no2_nox, std::vector<double>{0.0});  // no column: 0, indexable like the others
    EXPECT_EQ(s.SrcP_e[0][0], 500000.0);
    EXPECT_EQ(s.SrcP_e[1][0], 1000000.0);
    EXPECT_EQ(log().find("NO2/NOx"), std::string::npos);

    // A DBF table with the NO2_NOX field then has one field too many.
    fresh_run();
    set_pollutants(false);
    set_tables(kFixtures + "point.dbf", "", "");
    EXPECT_EQ(run(), -100);
    EXPECT_NE(log().find("chybný počet vstupních polí požadováno 12, zadáno 13"), std::string::npos) << log();
}

TEST_F(SourcesTest, DbfIntegerFieldMustBeNumeric) {
    // point.dbf with the type letter of its 8th field, TRIDA, changed to F.
    std::string bytes = read_file(kFixtures + "point.dbf");
    ASSERT_EQ(bytes.substr(32 * 8, 5), "TRIDA");
    bytes[32 * 8 + 11] = 'F';
    const std::string path = dir.file("float_class.dbf");
    write_file(path, bytes);
    set_tables(path, "", "");
    EXPECT_EQ(run(), -100);
    EXPECT_NE(log().find("chybný datový typ 8. pole TRIDA, požadovaný typ [I]"), std::string::npos) << log();
}

TEST_F(SourcesTest, OneHundredGroupsAndTheHundredAndFirst) {
    std::string records;
    for (int g = 1; g <= 100; ++g)
        records += point(std::string("G").append(std::to_string(g)), "20.0", "1.0", "8760", 1, "0.5", "1.0", 200 - g);
    const std::string hundred = table("g100.txt", records + point("X", "20.0", "1.0", "8760", 1, "0.5", "1.0", 150));
    set_tables(hundred, "", "");
    ASSERT_EQ(run(), 0) << log();
    EXPECT_EQ(sources.groups.size(), 100u);
    EXPECT_EQ(sources.max_group, 199);
    EXPECT_EQ(sources.group_counts[static_cast<std::size_t>(sources.group_index(150))][0], 2);
    // Rows in ascending group number: 100 first, 199 last.
    const std::string text = log();
    EXPECT_LT(text.find("===       100        1"), text.find("===       199        1")) << text;

    fresh_run();
    const std::string more = table("g101.txt", records + point("X", "20.0", "1.0", "8760", 1, "0.5", "1.0", 7));
    set_tables(more, "", "");
    EXPECT_EQ(run(), -100);
    EXPECT_NE(
        log().find("*** chybná vstupní data\r\n       - Počet skupin se zdroji je větší než maximální povolený (100)"),
        std::string::npos)
        << log();
}

TEST_F(SourcesTest, AllocationFailureNamesTheArray) {
    simulate_source_allocation_failure("SrcL_dx");
    set_tables(kFixtures + "point.dbf", kFixtures + "line.dbf", "");
    EXPECT_EQ(run(), -100);
    EXPECT_NE(log().find("*** nedostatek paměti\r\n       - SrcL_dx\r\n"), std::string::npos) << log();

    fresh_run();
    simulate_source_allocation_failure("SrcA_e[1]");
    set_tables("", "", kFixtures + "area.dbf");
    EXPECT_EQ(run(), -100);
    EXPECT_NE(log().find("*** nedostatek paměti\r\n       - SrcA_e[1]\r\n"), std::string::npos) << log();
}

// Every array of every kind is sized under its own name, and the first one
// that cannot be had ends the run naming it (the pollutants NO2 and PM10
// give each kind the emission arrays E[0] and E[1]).
TEST_F(SourcesTest, EveryArrayIsNamedWhenItsAllocationFails) {
    const char* const names[] = {
        "SrcP_x",     "SrcP_y",     "SrcP_z",    "SrcP_h",    "SrcP_q",    "SrcP_doba",    "SrcP_no2_nox", "SrcP_class",
        "SrcP_group", "SrcP_wrose", "SrcP_e",    "SrcP_e[0]", "SrcP_e[1]", "SrcP_id",      "SrcL_x",       "SrcL_y",
        "SrcL_z",     "SrcL_x1",    "SrcL_y1",   "SrcL_z1",   "SrcL_dx",   "SrcL_doba",    "SrcL_no2_nox", "SrcL_class",
        "SrcL_group", "SrcL_wrose", "SrcL_e",    "SrcL_e[0]", "SrcL_e[1]", "SrcL_id",      "SrcA_x",       "SrcA_y",
        "SrcA_z",     "SrcA_h",     "SrcA_q",    "SrcA_dx",   "SrcA_doba", "SrcA_no2_nox", "SrcA_class",   "SrcA_group",
        "SrcA_wrose", "SrcA_e",     "SrcA_e[0]", "SrcA_e[1]", "SrcA_id",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        fresh_run();
        simulate_source_allocation_failure(name);
        set_tables(kFixtures + "point.dbf", kFixtures + "line.dbf", kFixtures + "area.dbf");
        EXPECT_EQ(run(), -100);
        const std::string text = log();
        const std::string message = std::string("*** nedostatek paměti\r\n       - ") + name + "\r\n";
        const std::size_t at = text.find(message);
        ASSERT_NE(at, std::string::npos) << text;
        EXPECT_EQ(text.find("nedostatek paměti", at + message.size()), std::string::npos) << text;
        EXPECT_EQ(text.find("SOUHRN"), std::string::npos) << text;  // no overview: nothing was stored
    }
}

// A header that claims 2^31 stacks in a file of a few hundred bytes is
// damaged input: refused with the file's name before any array is sized
// from the count, so within 64 MiB more address space, where the arrays
// for 2^31 sources (tens of GiB) could not even be attempted.
TEST_F(SourcesTest, ADbfClaimingTwoBillionSourcesIsRefusedBeforeAnyArrayIsSized) {
    std::vector<std::string> names;
    std::vector<int> integers;
    source_dbf_fields(project, kPointSources, names, integers);
    test::DbfSpec spec;
    std::string record;
    for (std::size_t k = 0; k < names.size(); ++k) {
        const bool id = k == 0;
        spec.fields.push_back({names[k], id ? 'C' : 'N', id ? 9 : 8});
        record += id ? std::string("K1       ") : std::string("     1.0");
    }
    spec.records = {record};
    const std::string path = dir.file("claims.dbf");
    write_file(path, test::dbf_bytes(spec, -1, -1, 0x80000000L));
    ASSERT_LT(read_file(path).size(), 1000u);
    set_tables(path, "", "");
    const std::string expected = "*** chybná vstupní data\r\n       - poškozený DBF soubor " + cp1250_to_utf8(path) +
                                 ": soubor obsahuje jen 1 úplných záznamů z 2147483648\r\n";
    // An array sized from the count would fail by name, SrcP_x first: in
    // 64 MiB for want of memory, without the limit by the allocation hook.
    const auto refused = [&] {
        return run(ReaderPass::Count) == -100 && log().find(expected) != std::string::npos &&
               log().find("- SrcP_x\r\n") == std::string::npos;
    };
    const int limited = test::run_with_memory_limit(64u << 20, [&] { return refused() ? 0 : 1; });
    if (limited != test::kNoMemoryLimit) {
        EXPECT_EQ(limited, 0);
    }
    fresh_run();
    set_tables(path, "", "");
    simulate_source_allocation_failure("SrcP_x");
    EXPECT_TRUE(refused()) << log();
}

// The counting pass refuses counts whose run would not fit under the
// memory ceiling, naming the table whose sources go beyond, before any
// array is sized. Worked by hand from the terms of input/capacity.h for
// P = 2 pollutants and one thread, with a column for every stack:
//   64 MiB + N (2048 + 16 P) + N (32 + 8 P) + C (512 + 6912 P)
//   = 67,108,864 + 2128 N + 14,336 C
// three stacks (N = C = 3):          67,108,864 + 6384 + 43,008 = 67,158,256
// and two roads more (N = 5, C = 3): 67,108,864 + 10,640 + 43,008 = 67,162,512
TEST_F(SourcesTest, CountsWhoseRunWouldNotFitInMemoryAreRefusedNamingTheTable) {
    const std::string stacks =
        table("p.txt", point("A", "20.0", "1.0", "8760", 1) + point("B", "20.0", "1.0", "8760", 1) +
                           point("C", "20.0", "1.0", "8760", 1));
    const std::string roads = table(
        "l.txt", line("L1", "10.0\t0.0\t300.0", "8760", 2, "10.0") + line("L2", "0.0\t10.0\t300.0", "8760", 2, "10.0"));
    const auto count_within = [&](std::uint64_t limit) {
        fresh_run();
        set_tables(stacks, roads, "");
        memory_limit = limit;
        return run(ReaderPass::Count);
    };
    const auto refusal = [&](const std::string& path, const char* needed_and_count) {
        return std::string("*** nedostatek paměti\r\n       - se zdroji ze souboru ") + cp1250_to_utf8(path) +
               " potřebuje výpočet nejméně " + needed_and_count + ", k dispozici je 64 MiB\r\n";
    };

    ASSERT_EQ(count_within(67162512), 0) << log();
    EXPECT_EQ(sources.NL, 2);
    EXPECT_EQ(sources.SrcL_x.size(), 2u);

    // From here the first array, SrcP_x, fails by name if it is ever sized.
    simulate_source_allocation_failure("SrcP_x");
    EXPECT_EQ(count_within(67162511), -100);
    EXPECT_NE(log().find(refusal(roads, "65 MiB paměti (5 zdrojů)")), std::string::npos) << log();
    EXPECT_EQ(log().find("- SrcP_x\r\n"), std::string::npos) << log();

    EXPECT_EQ(count_within(67158255), -100);
    EXPECT_NE(log().find(refusal(stacks, "65 MiB paměti (3 zdrojů)")), std::string::npos) << log();
    EXPECT_EQ(log().find(cp1250_to_utf8(roads) + " potřebuje"), std::string::npos) << log();
}

// The table's bytes as the passes open it: one source for the counting
// pass, two for the filling pass, as if it were written in between.
namespace changing_table {
std::string path;
int opens = 0;
const std::string* lookup(const std::string& name) {
    static const std::string counted = cp(point("A", "20.0", "1.0", "8760", 1));
    static const std::string filled = cp(point("A", "20.0", "1.0", "8760", 1) + point("B", "20.0", "1.0", "8760", 1));
    if (name != path) return nullptr;
    return ++opens == 1 ? &counted : &filled;
}
}  // namespace changing_table

TEST_F(SourcesTest, FileChangedBetweenThePassesEndsTheRun) {
    // The type given, so that only the two passes open the table.
    changing_table::path = dir.file("p.txt");
    changing_table::opens = 0;
    set_memory_files(changing_table::lookup);
    set_tables(changing_table::path, "", "", "TSV");
    ASSERT_EQ(run(ReaderPass::Count), 0) << log();
    EXPECT_EQ(sources.NP, 1);
    changing_table::opens = 0;
    EXPECT_EQ(run(ReaderPass::Fill), -100);
    EXPECT_EQ(changing_table::opens, 2);
    EXPECT_NE(log().find("obsahuje 2 zdrojů, při počítání jich bylo 1"), std::string::npos) << log();
}

TEST_F(SourcesTest, TestModeChecksWithoutWindRoses) {
    roses.reset();
    const std::string path = table("p.txt", point("A", "20.0", "1.0", "0", 1, "0.5", "1.0", 4, 77));
    set_tables(path, "", "");
    EXPECT_EQ(run(ReaderPass::Test), 0) << log();
    EXPECT_EQ(sources.NP, 1);
    EXPECT_EQ(sources.SrcP_wrose[0], -1);
    EXPECT_NE(log().find(error_line("Provozní doba na řádku 1 mimo hodnotu (0,8760>: 0.000000", path)),
              std::string::npos);
    EXPECT_NE(log().find("===    vetrné růžice     : 77 - 77"), std::string::npos) << log();

    // The checks themselves still run.
    fresh_run();
    roses.reset();
    const std::string bad = table("b.txt", point("A", "20.0", "1.0", "8760", 2));
    set_tables(bad, "", "");
    EXPECT_EQ(run(ReaderPass::Test), -100);
    EXPECT_NE(log().find(fatal_line("Bodový zdroj nemůže být dopravní (řádka 1)", bad)), std::string::npos);
}

// A relative table path is taken in the run's directory, not in the
// process's working directory (which here holds another table of the same
// name), and the log names it as given.
TEST_F(SourcesTest, RelativeTablePathIsOpenedInTheRunDirectory) {
    const test::TempDir elsewhere;
    write_file(elsewhere.file("rel.txt"),
               cp(point("W", "20.0", "1.0", "8760", 1) + point("V", "20.0", "1.0", "8760", 1)));
    table("rel.txt", point("R", "20.0", "1.0", "8760", 1));
    const std::string working_directory = platform::current_directory();
    ASSERT_TRUE(platform::change_directory(elsewhere.str()));
    in.directory = dir.str();
    set_tables("rel.txt", "", "");
    const int status = run();
    platform::change_directory(working_directory);
    ASSERT_EQ(status, 0) << log();
    EXPECT_EQ(sources.SrcP_id, std::vector<std::string>{"R"});
    EXPECT_NE(log().find("--- Soubor s bodovými zdroji: rel.txt\r\n"), std::string::npos) << log();
}
