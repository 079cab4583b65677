// The input loading sequence: its order, the zero-emission check and the
// rotation rules.
#include <gtest/gtest.h>

#include "input/input_loading.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"
#include "tests/run_records.h"
#include "tests/test_support.h"

namespace zemo {
namespace {

using test::cp;
using test::TempDir;

// One rose (identifier 1) of 8 sectors: stability class 1, speed class 1
// holds 12.5 % in every sector; the control group repeats it.
std::string one_rose() {
    const std::string full = "12.5\t12.5\t12.5\t12.5\t12.5\t12.5\t12.5\t12.5\t100.0\n";
    const std::string zero = "0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\n";
    std::string text = "1\n";
    for (int group = 1; group <= 6; ++group)
        for (int speed = 1; speed <= 3; ++speed) text += (speed == 1 && (group == 1 || group == 6)) ? full : zero;
    return text;
}

class InputLoadingTest : public ::testing::Test, public test::RunRecords {
protected:
    void SetUp() override {
        settings.set_methodology_defaults();
        log_path_ = dir_.file("run.log");
        log.open(log_path_, 2);
        // No installation: a rotation grid cannot be found there.
        options.installation_directory = dir_.file("no-installation") + "/";

        Pollutant co;
        co.indicative = "CO";
        co.type = kTypeCO;
        project.pollutants = {co};
        project.wind_roses = table("roses.txt", one_rose());
        project.point_sources =
            table("points.txt", "S1\t-740000.0\t-1045000.0\t250.0\t20.0\t0.0\t8760.0\t1\t1\t1\t0.5\n");
        project.source_kinds = 1;
        project.grid_files = {table("grid.txt",
                                    "R1\t-740100.0\t-1045200.0\t250.0\t1.5\t1\n"
                                    "R2\t-739900.0\t-1044800.0\t260.0\t1.5\t1\n")};
    }
    // The input stage into data: 0, or -100 when a fatal message ended it
    // (data then keeps what it held before).
    int load() {
        return run_stage(log, [&] {
            data = load_input_data(project, settings, options, input);
            return 0;
        });
    }

    InputTable table(const std::string& name, const std::string& utf8_lines) {
        InputTable t;
        t.path = dir_.file(name);
        test::write_file(t.path, cp(utf8_lines));
        set_type_from_keyword(t, "TSV");
        return t;
    }
    std::string log_text() {
        log.flush();
        return test::read_file(log_path_);
    }
    bool logged(const std::string& utf8) { return log_text().find(utf8_to_cp1250(utf8)) != std::string::npos; }

    TempDir dir_;
    std::string log_path_;
    InputData data;
};

TEST_F(InputLoadingTest, LoadsEveryInputInTheFixedOrder) {
    ASSERT_EQ(load(), 0);
    EXPECT_EQ(data.roses.count, 1);
    EXPECT_EQ(data.sources.NP, 1);
    EXPECT_EQ(data.transfers.TransferTotal, std::vector<double>{0.0});
    EXPECT_EQ(data.points.total, 2);
    EXPECT_DOUBLE_EQ(data.points.centre_x, -740000.0);
    EXPECT_DOUBLE_EQ(data.points.centre_y, -1045000.0);
    EXPECT_EQ(log.error_count, 0);

    const std::string log = log_text();
    const std::size_t heading = log.find(utf8_to_cp1250("\r\nNAČTENÍ VSTUPNÍCH DAT\r\n"));
    const std::size_t roses = log.find(utf8_to_cp1250("VĚTRNÉ RŮŽICE"));
    const std::size_t neither = log.find(utf8_to_cp1250("Transfery ani pozaďové koncentrace nezadány"));
    const std::size_t points = log.find(utf8_to_cp1250("REFERENČNÍ BODY"));
    ASSERT_NE(heading, std::string::npos);
    ASSERT_NE(roses, std::string::npos);
    ASSERT_NE(neither, std::string::npos);
    ASSERT_NE(points, std::string::npos);
    EXPECT_LT(heading, roses);
    EXPECT_LT(roses, neither);
    EXPECT_LT(neither, points);
}

TEST_F(InputLoadingTest, ZeroTotalEmissionIsReportedAndTheRunGoesOn) {
    Pollutant co2 = project.pollutants[0];
    co2.indicative = "BZN";
    co2.type = kTypeBZN;
    project.pollutants.push_back(co2);
    project.point_sources = table("points.txt",
                                  "S1\t-740000.0\t-1045000.0\t250.0\t20.0\t0.0\t8760.0\t1\t1\t1\t0.5\t0.0\n"
                                  "S2\t-740010.0\t-1045000.0\t250.0\t20.0\t0.0\t8760.0\t1\t1\t1\t0.0\t0.0\n");
    ASSERT_EQ(load(), 0);
    EXPECT_TRUE(logged("Celková emise BZN je nulová (2. sloupec)"));
    EXPECT_FALSE(logged("Celková emise CO"));
    EXPECT_EQ(data.points.total, 2);  // the later steps ran
}

TEST_F(InputLoadingTest, JinaNeverLooksForARotationGrid) {
    project.projection = kProjectionJina;
    project.rotation = 12.0;
    ASSERT_EQ(load(), 0);
    EXPECT_FALSE(logged("otočení"));
    EXPECT_FALSE(logged(".abn"));
    EXPECT_EQ(project.rotation, 12.0);
}

TEST_F(InputLoadingTest, GivenRotationWithJtskIsReportedAndNoGridIsRead) {
    project.projection = kProjectionJtsk;
    project.rotation = 0.0;
    project.rotation_given = true;
    ASSERT_EQ(load(), 0);
    EXPECT_TRUE(logged("+++ chybná vstupní data"));
    EXPECT_TRUE(logged("Používám zadané otočení: 0.00"));
    EXPECT_EQ(log.error_count, 1);
    EXPECT_EQ(project.rotation, 0.0);
}

// The counterpart of the two cases above: without a given rotation JTSK
// looks the grid up, and with no installation the grid cannot be opened.
TEST_F(InputLoadingTest, JtskWithoutRotationLooksTheGridUp) {
    project.projection = kProjectionJtsk;
    EXPECT_EQ(load(), -100);
    EXPECT_TRUE(logged("rotJTSK.abn"));
    // The points were loaded first, all 2 of them (the stage that stopped
    // hands no data on: the log tells).
    const std::string log = log_text();
    const std::size_t points = log.find(utf8_to_cp1250("=== Počty ref. bodů v souborech (celkem 2):"));
    ASSERT_NE(points, std::string::npos) << cp1250_to_utf8(log);
    EXPECT_LT(points, log.find("rotJTSK.abn"));
}

TEST_F(InputLoadingTest, FailingWindRoseTableStopsBeforeTheSources) {
    project.wind_roses.path = dir_.file("missing-roses.txt");
    project.point_sources.path = dir_.file("missing-sources.txt");
    EXPECT_EQ(load(), -100);
    EXPECT_TRUE(logged("missing-roses.txt"));
    EXPECT_FALSE(logged("missing-sources.txt"));
    EXPECT_EQ(data.sources.NP, 0);
    EXPECT_EQ(data.points.total, 0);
    // Neither the sources nor the points were read.
    EXPECT_FALSE(logged("BODOVÉ ZDROJE"));
    EXPECT_FALSE(logged("REFERENČNÍ BODY"));
}

// Relative table paths are the run directory's, not the working
// directory's, and the log names them as given.
TEST_F(InputLoadingTest, RelativeTablesAreOpenedInTheRunDirectory) {
    input.directory = dir_.str();
    project.wind_roses.path = "roses.txt";
    project.point_sources.path = "points.txt";
    project.grid_files[0].path = "grid.txt";
    ASSERT_NE(std::filesystem::current_path(), dir_.path());
    ASSERT_EQ(load(), 0) << cp1250_to_utf8(log_text());
    EXPECT_EQ(data.roses.count, 1);
    EXPECT_EQ(data.sources.NP, 1);
    EXPECT_EQ(data.points.total, 2);
    EXPECT_TRUE(logged("--- Soubor s růžicemi: roses.txt\r\n"));
    EXPECT_TRUE(logged("--- 1. soubor s referenčními body: grid.txt\r\n"));
}

TEST_F(InputLoadingTest, HeadingIsNotWrittenAtLevelZero) {
    log.reset();
    log.open(log_path_, 0);
    ASSERT_EQ(load(), 0);
    EXPECT_FALSE(std::filesystem::exists(test::native_path(log_path_)) && !test::read_file(log_path_).empty());
}

}  // namespace
}  // namespace zemo
