// The computation driver: the loop over the reference-point tables, the
// progress line, the log lines, the receptor height, the reset between
// points, and the independence of the result from the loop order.
#include <gtest/gtest.h>

#include <vector>

#include "input/reference_points.h"
#include "input/sources.h"
#include "input/wind_roses.h"
#include "input/input_table.h"
#include "input/run_inputs.h"
#include "output/result_files.h"
#include "run/point_loop.h"
#include "tests/model/model_scene.h"
#include "tests/run_records.h"
#include "tests/test_support.h"

namespace zemo {
namespace {

using test::cp;
using test::TempDir;

struct Seen {
    std::vector<ReferencePoint> points;
    std::vector<std::vector<double>> values;  // pollutant 0, every slot, every source
};

void observe(const ReferencePoint& point, const ConcMatrix& conc, void* context) {
    Seen& seen = *static_cast<Seen*>(context);
    seen.points.push_back(point);
    std::vector<double> v;
    for (int c = 0; c < kCaseSlots; ++c)
        for (int j = 0; j < conc.sources(); ++j) v.push_back(conc.value(0, c, j));
    seen.values.push_back(std::move(v));
}

class ComputationTest : public ::testing::Test, public test::RunRecords {
protected:
    void SetUp() override {
        settings.set_methodology_defaults();
        log_path_ = dir_.file("run.log");
        WindRoses& w = roses;
        w.count = 1;
        w.Wnd_id = {7};
        w.Wnd_frequency.resize(1);
        w.Wnd_frequency[0].fill(0.5);
        w.sector_width = 7.5;
        w.sectors_in_file = 48;
        Pollutant p;
        p.indicative = "X";
        p.type = kTypeJina;
        project.pollutants.push_back(p);
        project.rotation = 0;
        project.result_type = kResultBasic;
        Sources& s = sources;
        s.NP = 2;
        s.total = 2;
        s.SrcP_id = {"S1", "S2"};
        s.SrcP_class = {kClassOther, kClassRemote};
        s.SrcP_group = {1, 1};
        s.SrcP_wrose = {0, 0};
        s.SrcP_x = {0, 300};
        s.SrcP_y = {0, 0};
        s.SrcP_z = {0, 0};
        s.SrcP_h = {20, 40};
        s.SrcP_q = {30, 0};
        s.SrcP_doba = {1, 1};
        s.SrcP_no2_nox = {0, 0};
        s.SrcP_e = {{1e6, 2e6}};
        s.groups = {1};
        s.max_group = 1;
        hooks.point_observer = observe;
        hooks.point_context = &seen_;
    }
    int load_points() {
        return run_stage(log, [&] {
            points = load_reference_points(project, roses, input);
            return 0;
        });
    }
    int compute() {
        return run_stage(
            log, [&] { return run_computation(in, files, input, hooks) == ComputationEnd::Complete ? 0 : -100; });
    }
    void add_table(const std::string& name, const std::string& lines) {
        const std::string path = dir_.file(name);
        test::write_file(path, cp(lines));
        InputTable t;
        t.path = path;
        ASSERT_TRUE(set_type_from_keyword(t, "TSV"));
        project.grid_files.push_back(t);
    }
    std::string log_text() {
        log.flush();
        return test::read_file(log_path_);
    }

    ResultFiles files;
    RunHooks hooks;
    TempDir dir_;
    std::string log_path_;
    Seen seen_;
};

TEST_F(ComputationTest, EveryPointOfEveryTableInOrder) {
    add_table("a.txt", "A\t0\t-500\t10\t2\t7\nB\t50\t-800\t0\t0\t7\n");
    add_table("b.txt", "C\t-100\t400\t5\t1.5\t7\n");
    log.open(log_path_, 2);
    ASSERT_EQ(load_points(), 0);
    ASSERT_EQ(points.total, 3);

    testing::internal::CaptureStdout();
    EXPECT_EQ(compute(), 0);
    const std::string console = testing::internal::GetCapturedStdout();
    // The percentage is taken before the count advances: 0 %, 33 %, 67 %.
    EXPECT_EQ(console,
              "Pocitam 1. bod z 3: A (0% hotovo)...\r"
              "Pocitam 2. bod z 3: B (33% hotovo)...\r"
              "Pocitam 3. bod z 3: C (67% hotovo)...\r");
    const std::string log = log_text();
    EXPECT_NE(log.find("\r\nVÝPOČET ZAHÁJEN\r\n"_cz), std::string::npos);
    EXPECT_NE(log.find("výpočet pro referenční bod: C"_cz), std::string::npos);

    ASSERT_EQ(seen_.points.size(), 3u);
    EXPECT_EQ(seen_.points[0].id, "A");
    // z includes the height above terrain.
    EXPECT_EQ(seen_.points[0].z, 12.0);
    EXPECT_EQ(seen_.points[2].z, 6.5);

    // Each point's Conc is that point's alone: the same as a fresh
    // computation of the receptor, whatever was computed before it.
    Sources& src = sources;
    src.total = 2;
    const PreparedModel model = prepare_model(settings, project, src, roses);
    ConcMatrix conc;
    ASSERT_TRUE(conc.allocate(1, 2));
    PointWorkspace work = make_workspace(model);
    for (std::size_t i = 0; i < 3; ++i) {
        const ReferencePoint& pt = seen_.points[i];
        compute_point(model, Receptor{pt.x, pt.y, pt.z}, conc, work);
        std::size_t n = 0, nonzero = 0;
        for (int c = 0; c < kCaseSlots; ++c)
            for (int j = 0; j < 2; ++j, ++n) {
                EXPECT_EQ(conc.value(0, c, j), seen_.values[i][n]);
                nonzero += conc.value(0, c, j) != 0;
            }
        EXPECT_GT(nonzero, 0u) << i;
    }
}

TEST_F(ComputationTest, NoPointsNothingPrinted) {
    log.open(log_path_, 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(compute(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(seen_.points.empty());
    EXPECT_NE(log_text().find("VÝPOČET ZAHÁJEN"_cz), std::string::npos);
    EXPECT_EQ(log_text().find("výpočet pro referenční bod"_cz), std::string::npos);
}

TEST_F(ComputationTest, ResultDoesNotDependOnTheLoopOrder) {
    // Source by source, as the driver does; then the same sources computed
    // in the reverse order, with every road and square given a column:
    // every value is the same.
    test::Scene sc;
    const int p = sc.pollutant(kTypeNO2);
    sc.pollutant(kTypePM10);
    sc.point(0, 0, 0, 30, 40, kClassOther);
    sc.point(100, 100, 0, 60, 10, kClassRemote);
    sc.line(-200, -300, 150, -350, 12);
    sc.area(50, -150, 0, 5, 0, 80, kClassTraffic);
    sc.area(-80, 60, 0, 15, 20, 120, kClassOther);
    sc.compute(20, -400, 3);
    const ConcMatrix expected = sc.conc;
    ConcMatrix reverse;
    ASSERT_TRUE(reverse.allocate(2, sc.src.total));
    PointWorkspace work = make_workspace(sc.model);
    const Receptor rec{20, -400, 3};
    const std::vector<int> lines{0};
    place_line_receptors(sc.model.run, rec, lines, work.line_receptors);
    for (int i = sc.src.NA - 1; i >= 0; --i)
        area_source(sc.model.run, sc.model.areas, rec, i, sc.src.NP + sc.src.NL + i, reverse);
    line_source(sc.model.run, sc.model.lines, work.line_receptors, rec, 0, sc.src.NP, reverse);
    for (int j = sc.src.NP - 1; j >= 0; --j) point_source(sc.model.run, sc.model.points, rec, j, reverse);
    double total = 0;
    for (int q = 0; q < 2; ++q)
        for (int c = 0; c < kCaseSlots; ++c)
            for (int j = 0; j < sc.src.total; ++j) {
                EXPECT_EQ(reverse.value(q, c, j), expected.value(q, c, j));
                total += expected.value(q, c, j);
            }
    EXPECT_GT(total, 0.0);
    // Every source reaches the receptor in some case.
    for (int j = 0; j < sc.src.total; ++j) {
        double by_source = 0;
        for (int c = 0; c < kCaseSlots; ++c) by_source += expected.value(p, c, j);
        EXPECT_GT(by_source, 0.0) << j;
    }
}

}  // namespace
}  // namespace zemo

namespace zemo {

// A table that loses rows between loading and computing ends the run
// without "O.K.": every loaded point must get its rows.
TEST_F(ComputationTest, ATableThatShrinksBeforeTheComputationIsFatal) {
    add_table("a.txt", "A\t0\t-500\t10\t2\t7\nB\t50\t-800\t1\t1\t7\nC\t-100\t400\t5\t1.5\t7\n");
    log.open(log_path_, 1);
    ASSERT_EQ(load_points(), 0);
    test::write_file(dir_.file("a.txt"), cp("A\t0\t-500\t10\t2\t7\n"));
    testing::internal::CaptureStdout();
    const int status = compute();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, -100);
    EXPECT_EQ(seen_.points.size(), 1u);
    EXPECT_NE(log_text().find(cp("*** chybná vstupní data\n       - Počet referenčních bodů se během výpočtu změnil: "
                                 "načteno 3, spočteno 1\n")),
              std::string::npos)
        << log_text();
}

// Blank DBF records count in the total but hold no point: a table with two
// of them is computed in full, with no complaint.
TEST_F(ComputationTest, BlankDbfRecordsAreNoMissingPoints) {
    InputTable t;
    t.path = test::source_file("tests/fixtures/points/points10.dbf");
    project.grid_files.push_back(t);
    roses.count = 3;
    roses.Wnd_id = {1, 2, 3};
    roses.Wnd_frequency.resize(3);
    for (auto& f : roses.Wnd_frequency) f.fill(0.5);
    log.open(log_path_, 1);
    ASSERT_EQ(load_points(), 0) << log_text();
    ASSERT_EQ(points.total, 10);
    testing::internal::CaptureStdout();
    const int status = compute();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, 0) << log_text();
    EXPECT_EQ(seen_.points.size(), 8u);
}

}  // namespace zemo
