// Reference points: the record reader (text and DBF, loading, computing and
// test modes) and the loading pass with its checks, counts, centre and
// overview.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/files.h"
#include "base/run_log.h"
#include "input/project_file.h"
#include "input/reference_points.h"
#include "input/wind_roses.h"
#include "tests/input/dbf_bytes.h"
#include "run/run.h"
#include "tests/test_support.h"

namespace zemo {
namespace {

using test::cp;
using test::TempDir;

const std::string kFixtures = test::source_file("tests/fixtures/points") + "/";

class ReferencePointsTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_path_ = dir_.file("run.log");
        open_log(2);
        // Rose identifiers 2 and 1: rose 1 is at index 1, rose 2 at index 0.
        roses_ = WindRoses{};
        roses_.count = 2;
        roses_.Wnd_id = {2, 1};
        roses_.sectors_in_file = 8;
    }
    // A new log over the same file, as for the next run (a fatal stop closes the log).
    void open_log(int level) {
        log_.reset();
        log_.open(log_path_, level);
    }

    // A tab-separated table with the decimal point, given by its keyword.
    void add_text_table(const std::string& name, const std::string& utf8_lines) {
        const std::string path = dir_.file(name);
        test::write_file(path, cp(utf8_lines));
        InputTable t;
        t.path = path;
        ASSERT_TRUE(set_type_from_keyword(t, "TSV"));
        project_.grid_files.push_back(t);
    }
    void add_dbf_table() {
        InputTable t;
        t.path = kFixtures + "points10.dbf";
        project_.grid_files.push_back(t);
    }
    // The loading pass as a stage: 0, or -100 after its fatal message.
    int load(PointReaderMode mode = PointReaderMode::Loading) {
        return run_stage(log_, [&] {
            points_ = load_reference_points(project_, roses_, in_, mode);
            return 0;
        });
    }
    // Table t of the project with its type detected, as the loading pass hands it on.
    InputTable detected(std::size_t t) {
        InputTable table = project_.grid_files[t];
        detect_table_type(in_, table, false);
        return table;
    }
    PointRead read_point(const InputTable& table, PointCursor& cursor, ReferencePoint& p) {
        return read_next_point(in_, roses_, PointReaderMode::Computing, table, cursor, p);
    }
    // The next read as a stage: 0, or -100 after its fatal message.
    int read_point_stage(const InputTable& table, PointCursor& cursor, ReferencePoint& p) {
        return run_stage(log_, [&] {
            read_point(table, cursor, p);
            return 0;
        });
    }
    std::string log_text() {
        log_.flush();
        return test::read_file(log_path_);
    }
    bool logged(const std::string& utf8) { return log_text().find(utf8_to_cp1250(utf8)) != std::string::npos; }

    TempDir dir_;
    std::string log_path_;
    RunLog log_;
    PartialNumbers notes_;
    InputContext in_{log_, notes_};
    ProjectConfig project_;
    WindRoses roses_;
    ReferencePointTables points_;
};

TEST_F(ReferencePointsTest, ZAndHeightWarnOnlyAtAndBeyondTheirBounds) {
    add_text_table("bounds.txt",
                   "Z0\t100.0\t200.0\t0.0\t1.5\t1\n"
                   "Z2000\t100.0\t200.0\t2000.0\t1.5\t1\n"
                   "Zin\t100.0\t200.0\t1999.9\t1.5\t1\n"
                   "H0\t100.0\t200.0\t300.0\t0.0\t1\n"
                   "H200\t100.0\t200.0\t300.0\t200.0\t1\n"
                   "Hin\t100.0\t200.0\t300.0\t199.9\t1\n");
    ASSERT_EQ(load(), 0);
    EXPECT_TRUE(logged("souřadnice Z na řadku 1 mimo hodnotu <0,2000>: 0.000000"));
    EXPECT_TRUE(logged("souřadnice Z na řadku 2 mimo hodnotu <0,2000>: 2000.000000"));
    EXPECT_FALSE(logged("souřadnice Z na řadku 3"));
    EXPECT_TRUE(logged("výška nad terénem na řadku 4 mimo hodnotu <0,200>: 0.000000"));
    EXPECT_TRUE(logged("výška nad terénem na řadku 5 mimo hodnotu <0,200>: 200.000000"));
    EXPECT_FALSE(logged("výška nad terénem na řadku 6"));
    EXPECT_FALSE(logged("výška nad terénem na řadku 1"));
    EXPECT_TRUE(logged("    (soubor: " + cp1250_to_utf8(project_.grid_files[0].path) + ")"));
    // Each warning is the message and its file line; the points are kept.
    EXPECT_EQ(log_.error_count, 4 * 2);
    EXPECT_EQ(points_.total, 6);
}

TEST_F(ReferencePointsTest, IdentifierOfTenCharactersIsAcceptedAndElevenRefused) {
    add_text_table("ids.txt",
                   "ABCDEFGHIJ\t1.5\t2.5\t300.0\t1.5\t2\n"
                   "ABCDEFGHIJK\t1.5\t2.5\t300.0\t1.5\t2\n");
    const InputTable table = project_.grid_files[0];
    PointCursor cursor;
    open_point_table(in_, table, cursor);
    ReferencePoint p;
    ASSERT_EQ(read_point(table, cursor, p), PointRead::Point);
    EXPECT_EQ(p.id, "ABCDEFGHIJ");
    EXPECT_EQ(p.wind_rose, 0);  // identifier 2 is the first rose
    EXPECT_EQ(read_point_stage(table, cursor, p), -100);
    EXPECT_TRUE(logged("ID ref. bodu na řádku 2 je příliš dlouhé (max 10 znaků)"));
    EXPECT_TRUE(logged("    (soubor: " + cp1250_to_utf8(project_.grid_files[0].path) + ")"));
}

// In a DBF table the identifier is trimmed first; ten Czech letters (ten
// bytes in Windows-1250) are taken whole, eleven refused with the record's
// number and the file.
TEST_F(ReferencePointsTest, DbfIdentifierOfTenLettersIsAcceptedAndElevenRefused) {
    test::DbfSpec spec;
    spec.fields = {{"ID", 'C', 12}, {"X", 'N', 8}, {"Y", 'N', 8}, {"Z", 'N', 8}, {"VYSKA", 'N', 8}, {"RUZICE", 'N', 4}};
    const std::string rest = "     1.5     2.5   300.0     1.5   2";
    spec.records = {std::string(" ").append(utf8_to_cp1250("Žluťoučkýk")).append(" ").append(rest),
                    utf8_to_cp1250("Žluťoučkýkx ").append(rest)};
    InputTable t;
    t.path = dir_.file("ids.dbf");
    test::write_file(t.path, test::dbf_bytes(spec));
    project_.grid_files.push_back(t);
    const InputTable table = detected(0);
    ASSERT_TRUE(table.is_dbf());
    PointCursor cursor;
    open_point_table(in_, table, cursor);
    ReferencePoint p;
    ASSERT_EQ(read_point(table, cursor, p), PointRead::Point) << log_text();
    EXPECT_EQ(p.id, utf8_to_cp1250("Žluťoučkýk"));
    EXPECT_EQ(p.wind_rose, 0);
    EXPECT_EQ(read_point_stage(table, cursor, p), -100);
    EXPECT_TRUE(
        logged("ID ref. bodu na řádku 2 je příliš dlouhé (max 10 znaků)\r\n*** chybná vstupní data\r\n"
               "       -     (soubor: " +
               cp1250_to_utf8(t.path) + ")"))
        << log_text();
}

// Point counts are ints. A DBF table of 2^31 records, or one whose
// records would take the total of every table beyond 2^31 - 1, is refused
// before its records are read. The tables are sparse files: nothing but
// their headers is ever written or read.
TEST_F(ReferencePointsTest, PointCountsBeyondAnIntAreRefusedBeforeTheRecordsAreRead) {
    const auto add_sparse_dbf = [&](const std::string& name, unsigned long records) {
        test::DbfSpec spec;
        for (const char* field : {"ID", "X", "Y", "Z", "VYSKA", "RUZICE"})
            spec.fields.push_back({field, field[0] == 'I' ? 'C' : 'N', 1});
        const std::string header = test::dbf_bytes(spec, -1, -1, static_cast<long>(records));
        InputTable t;
        t.path = dir_.file(name);
        test::write_file(t.path, header.substr(0, header.size() - 1));  // without the end marker
        std::filesystem::resize_file(test::native_path(t.path),
                                     header.size() - 1 + 7 * static_cast<std::uintmax_t>(records));
        project_.grid_files.push_back(t);
        return t.path;
    };
    const std::string two_billion = add_sparse_dbf("two_billion.dbf", 0x80000000UL);
    EXPECT_EQ(load(), -100);
    EXPECT_TRUE(
        logged("*** chybná vstupní data\r\n       - DBF soubor obsahuje 2147483648 záznamů, nejvýše lze "
               "zpracovat 2147483647\r\n*** chybná vstupní data\r\n       -     (soubor: " +
               cp1250_to_utf8(two_billion) + ")"))
        << log_text();

    SetUp();
    project_.reset();
    add_text_table("one.txt", "P1\t1.5\t2.5\t300.0\t1.5\t2\n");
    const std::string largest = add_sparse_dbf("largest.dbf", 0x7FFFFFFFUL);
    EXPECT_EQ(load(), -100);
    EXPECT_TRUE(
        logged("- s tímto souborem je referenčních bodů více než 2147483647\r\n*** chybná vstupní "
               "data\r\n       -     (soubor: " +
               cp1250_to_utf8(largest) + ")"))
        << log_text();
    EXPECT_FALSE(logged("nečíselný údaj")) << log_text();
}

TEST_F(ReferencePointsTest, MissingFieldAndUnknownRoseAreFatalWithTheFileLine) {
    add_text_table("short.txt", "P1\t1.5\t2.5\t300.0\t1.5\n");
    EXPECT_EQ(load(), -100);
    EXPECT_TRUE(logged("nedostatečný počet údajů na řádce 1"));
    EXPECT_TRUE(logged("    (soubor: " + cp1250_to_utf8(project_.grid_files[0].path) + ")"));

    open_log(2);
    project_.reset();
    add_text_table("rose.txt", "P1\t1.5\t2.5\t300.0\t1.5\t1\nP2\t1.5\t2.5\t300.0\t1.5\t7\n");
    EXPECT_EQ(load(), -100);
    EXPECT_TRUE(logged("růžice 7 neexistuje (bod P2)"));
    EXPECT_TRUE(logged("    (soubor: " + cp1250_to_utf8(project_.grid_files[0].path) + ")"));
}

TEST_F(ReferencePointsTest, TestModeSkipsTheWindRoses) {
    roses_ = WindRoses{};  // a single-file test has no roses loaded
    add_text_table("rose.txt", "P1\t1.5\t2.5\t300.0\t1.5\t7\nP2\t3.5\t4.5\t310.0\t2.0\t9\n");
    add_dbf_table();
    ASSERT_EQ(load(PointReaderMode::Test), 0);
    EXPECT_EQ(points_.total, 12);
    EXPECT_TRUE(logged("   souřadnice X      : -740000.50 - 3.50"));
    // The test reports blank records as the loading does.
    EXPECT_TRUE(
        logged("7. řádek v souboru " + cp1250_to_utf8(project_.grid_files[1].path) + " je prázdný - přeskakuji"));
    EXPECT_FALSE(logged("větrné růžice"));
    EXPECT_FALSE(logged("neexistuje"));
}

// The fixture holds 10 records, the 3rd and 7th blank (see its README).
TEST_F(ReferencePointsTest, DbfWithBlankRecordsCountsTenYieldsEightReportsTwo) {
    add_dbf_table();
    ASSERT_EQ(load(), 0);
    const std::string path = cp1250_to_utf8(project_.grid_files[0].path);
    EXPECT_TRUE(logged("3. řádek v souboru " + path + " je prázdný - přeskakuji"));
    EXPECT_TRUE(logged("7. řádek v souboru " + path + " je prázdný - přeskakuji"));
    EXPECT_EQ(log_.error_count, 2);
    EXPECT_EQ(points_.total, 10);
    EXPECT_EQ(points_.points_read, 8);
    EXPECT_TRUE(logged("Počty ref. bodů v souborech (celkem 10):"));
    EXPECT_TRUE(logged("   1. soubor :    10"));

    // The computation reads the same table again, as loaded (its type
    // detected), silently skipping the blanks.
    ASSERT_EQ(points_.tables.size(), 1u);
    const InputTable& table = points_.tables[0];
    EXPECT_TRUE(table.is_dbf());
    log_.error_count = 0;
    PointCursor cursor;
    open_point_table(in_, table, cursor);
    ReferencePoint p;
    std::vector<ReferencePoint> points;
    int skipped = 0;
    ASSERT_EQ(run_stage(log_,
                        [&] {
                            PointRead status;
                            while ((status = read_point(table, cursor, p)) != PointRead::End) {
                                if (status == PointRead::SkippedEmptyRecord) ++skipped;
                                else points.push_back(p);
                            }
                            return 0;
                        }),
              0);
    cursor.file.close();
    EXPECT_EQ(skipped, 2);
    ASSERT_EQ(points.size(), 8u);
    EXPECT_EQ(log_.error_count, 0);
    EXPECT_EQ(points[0].id, "B01");
    EXPECT_EQ(points[0].x, -740000.5);
    EXPECT_EQ(points[0].y, -1045000.25);
    EXPECT_EQ(points[0].z, 250.5);
    EXPECT_EQ(points[0].height, 1.5);
    EXPECT_EQ(points[0].wind_rose, 1);  // identifier 1
    EXPECT_EQ(points[2].id, "B04");
    EXPECT_EQ(points[2].wind_rose, 0);  // identifier 2
    EXPECT_EQ(points[7].id, "B0123456");
}

// Text table first: X -741000 .. -740500, Y -1046000 .. -1044000.
// DBF table:        X -740000.5 .. -739100, Y -1045900 .. -1045000.25.
// Joint extent X -741000 .. -739100, centre (-741000 - 739100) / 2 = -740050;
//              Y -1046000 .. -1044000, centre -1045000.
TEST_F(ReferencePointsTest, TwoTablesGiveBothCountsTheSumAndTheJointCentre) {
    add_text_table("first.txt",
                   "T1\t-741000.0\t-1046000.0\t240.0\t1.5\t1\n"
                   "\n"
                   "T2\t-740500.0\t-1044000.0\t245.0\t3.0\t2\n"
                   "T3\t-740700.0\t-1045000.0\t246.0\t1.5\t1\n");
    add_dbf_table();
    ASSERT_EQ(load(), 0);
    const ReferencePointTables& rp = points_;
    ASSERT_EQ(rp.counts.size(), 2u);
    EXPECT_EQ(rp.counts[0], 3);
    EXPECT_EQ(rp.counts[1], 10);
    EXPECT_EQ(rp.total, 13);
    EXPECT_DOUBLE_EQ(rp.centre_x, -740050.0);
    EXPECT_DOUBLE_EQ(rp.centre_y, -1045000.0);
    EXPECT_TRUE(logged("1. soubor s referenčními body: " + cp1250_to_utf8(project_.grid_files[0].path)));
    EXPECT_TRUE(logged("2. soubor s referenčními body: " + cp1250_to_utf8(project_.grid_files[1].path)));
    EXPECT_TRUE(logged("Počty ref. bodů v souborech (celkem 13):"));
    EXPECT_TRUE(logged("   1. soubor :     3"));
    EXPECT_TRUE(logged("   2. soubor :    10"));
    EXPECT_TRUE(logged("Přehled načtených hodnot:"));
    EXPECT_TRUE(logged("   souřadnice X      : -741000.00 - -739100.00"));
    EXPECT_TRUE(logged("   souřadnice Y      : -1046000.00 - -1044000.00"));
    EXPECT_TRUE(logged("   souřadnice Z      : 240.00 - 259.00"));
    EXPECT_TRUE(logged("   výška nad terénem : 1.50 - 3.00"));
    EXPECT_TRUE(logged("   větrné růžice     : 0    - 1"));
}

// The DBF table's centre alone: X (-740000.5 - 739100) / 2 = -739550.25,
// Y (-1045900 - 1045000.25) / 2 = -1045450.125 (both exact in single precision).
TEST_F(ReferencePointsTest, TextTableAfterDbfTableReadsEveryLine) {
    add_dbf_table();
    add_text_table("after.txt",
                   "A1\t-739550.25\t-1045450.125\t300.0\t1.5\t1\nA2\t-739550.25\t-1045450.125\t300.0\t1.5\t1\n");
    ASSERT_EQ(load(), 0);
    const ReferencePointTables& rp = points_;
    EXPECT_EQ(rp.counts[1], 2);
    EXPECT_EQ(rp.total, 12);
    EXPECT_EQ(rp.points_read, 10);
    EXPECT_DOUBLE_EQ(rp.centre_x, -739550.25);
    EXPECT_DOUBLE_EQ(rp.centre_y, -1045450.125);
}

TEST_F(ReferencePointsTest, OverviewIsNotEchoedAtLevelOne) {
    open_log(1);
    add_text_table("one.txt", "P1\t1.5\t2.5\t300.0\t1.5\t1\n");
    ASSERT_EQ(load(), 0);
    EXPECT_TRUE(logged("--- REFERENČNÍ BODY"));
    EXPECT_TRUE(logged("=== Počty ref. bodů v souborech (celkem 1):"));
    EXPECT_FALSE(logged("Přehled načtených hodnot:"));
}

// A relative table path is taken in the run's directory, not the working
// directory; the messages name the path as given, and the computation gets
// the type the loading pass detected while the project keeps its own.
TEST_F(ReferencePointsTest, RelativeTableIsOpenedInTheRunsDirectory) {
    std::filesystem::create_directories(dir_.native("run"));
    test::write_file(dir_.file("run/relative_points.txt"), cp("R1\t1.5\t2.5\t300.0\t1.5\t1\n"));
    ASSERT_FALSE(std::filesystem::exists("relative_points.txt"));
    in_.directory = dir_.file("run") + "/";
    InputTable t;
    t.path = "relative_points.txt";  // type left to detection
    project_.grid_files.push_back(t);
    ASSERT_EQ(load(), 0) << log_text();
    EXPECT_TRUE(logged("1. soubor s referenčními body: relative_points.txt"));
    EXPECT_EQ(points_.total, 1);
    EXPECT_EQ(project_.grid_files[0].type, TableType::Undetermined);
    ASSERT_EQ(points_.tables.size(), 1u);
    const InputTable& table = points_.tables[0];
    EXPECT_TRUE(table.is_text());
    EXPECT_EQ(table.path, "relative_points.txt");

    PointCursor cursor;
    open_point_table(in_, table, cursor);
    ReferencePoint p;
    ASSERT_EQ(read_point(table, cursor, p), PointRead::Point);
    EXPECT_EQ(p.id, "R1");
    EXPECT_EQ(p.wind_rose, 1);  // identifier 1
    EXPECT_EQ(read_point(table, cursor, p), PointRead::End);
    cursor.file.close();

    // Without the directory the same path is looked for in the working directory.
    in_.directory.clear();
    PointCursor elsewhere;
    EXPECT_EQ(run_stage(log_,
                        [&] {
                            open_point_table(in_, table, elsewhere);
                            return 0;
                        }),
              -100);
    EXPECT_TRUE(logged("*** soubor nelze otevřít\r\n       - relative_points.txt")) << log_text();
}

}  // namespace
}  // namespace zemo
