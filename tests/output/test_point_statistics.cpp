// Point statistics of one receptor: annual mean, short-term maximum,
// exceedances, group shares and the 16 output sectors. Every expected value
// is worked out by hand in the test from the few numbers put into Conc.
#include <gtest/gtest.h>

#include "input/project_file.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "run/run.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"
#include "input/model_settings.h"
#include "input/reference_points.h"
#include "input/run_inputs.h"
#include "output/point_statistics.h"
#include "tests/run_records.h"
#include "tests/test_support.h"

using namespace zemo;

namespace {

struct PointStatisticsTest : ::testing::Test, test::RunRecords {
    ConcMatrix conc;
    ReferencePoint point;
    PointStatistics stats;

    // One pollutant (SO2 with the given limits), `groups` as the group
    // numbers of point sources 0.., one wind rose (all frequencies 0).
    void setup(int directions, std::vector<int> source_groups, std::vector<double> limits,
               int result_type = kResultStandard) {
        settings.set_methodology_defaults();
        settings.directions = directions;
        ProjectConfig& prj = project;
        prj.result_type = result_type;
        Pollutant so2;
        so2.indicative = "SO2";
        so2.type = kTypeSO2;
        so2.limit_count = static_cast<int>(limits.size());
        for (std::size_t l = 0; l < limits.size(); ++l) so2.limit[l] = limits[l];
        prj.pollutants = {so2};

        Sources& src = sources;
        src.NP = src.total = static_cast<int>(source_groups.size());
        src.SrcP_group = source_groups;
        for (int g : source_groups) {
            bool known = false;
            for (int h : src.groups) known = known || h == g;
            if (!known) src.groups.push_back(g);
        }

        roses.count = 1;
        roses.Wnd_id = {1};
        roses.Wnd_frequency.assign(1, {});
        point.wind_rose = 0;
        ASSERT_TRUE(conc.allocate(1, src.total));
    }

    // A case of the rose (class k 0..4, speed s 0..2, direction d) with its
    // frequency, also counted in the rose's all-class block.
    void occur(int k, int s, int d, double frequency) {
        auto& f = roses.Wnd_frequency[0];
        f[case_slot(k, s, d)] += frequency;
        f[case_slot(5, s, d)] += frequency;
    }
    void set_background(double total, double per_direction) {
        transfers.TransferTotal = {total};
        std::array<double, 48> sector{};
        sector.fill(per_direction);
        transfers.TransferSector = {sector};
    }
    const PollutantStatistics& so2() const { return stats.pollutants[0]; }
};

void expect_case(const SectorCase& c, double value, int stability, int speed, int direction) {
    EXPECT_DOUBLE_EQ(c.value, value);
    EXPECT_EQ(c.stability, stability);
    EXPECT_EQ(c.speed, speed);
    EXPECT_EQ(c.direction, direction);
}

}  // namespace

// Only one case of the rose occurs: (class III, speed 2, direction 5) with
// 3 %. Its concentration is 25 + 15 = 40 from two sources. A much larger
// value in a case the rose never gives (class I, speed 1, direction 5) and
// in direction 20 must not count anywhere.
TEST_F(PointStatisticsTest, RoseWithASingleCaseAndLimitsCountedStrictly) {
    setup(48, {1, 1}, {30, 40});
    occur(2, 1, 5, 3.0);
    conc.at(0, case_slot(2, 1, 5), 0) = 25;
    conc.at(0, case_slot(2, 1, 5), 1) = 15;
    conc.at(0, case_slot(0, 0, 5), 0) = 1000;
    conc.at(0, case_slot(3, 0, 20), 1) = 500;
    point_statistics(in, conc, point, stats);

    const PollutantStatistics& s = so2();
    EXPECT_DOUBLE_EQ(s.Cmax, 40);
    EXPECT_DOUBLE_EQ(s.P[0], 3.0);  // 40 > 30
    EXPECT_DOUBLE_EQ(s.P[1], 0.0);  // 40 equal to the limit 40: not an exceedance
    expect_case(s.direction_max[5], 40, 3, 2, 5);
    expect_case(s.direction_min[5], 40, 3, 2, 5);
    for (int d = 0; d < 48; ++d) {
        if (d == 5) continue;
        EXPECT_EQ(s.direction_max[d].value, kUnsetMaximum) << d;
        EXPECT_EQ(s.direction_min[d].value, kUnsetMinimum) << d;
        EXPECT_FALSE(s.direction_max[d].is_set());
    }
    // Direction 5 lies in sector 2 (directions 5, 6, 7).
    expect_case(s.sector_max[2], 40, 3, 2, 5);
    expect_case(s.sector_min[2], 40, 3, 2, 5);
    EXPECT_DOUBLE_EQ(s.sector_exceedance[2][0], 3.0);
    EXPECT_DOUBLE_EQ(s.sector_exceedance[2][1], 0.0);
    for (int k = 0; k < kOutputSectors; ++k) {
        if (k == 2) continue;
        expect_case(s.sector_max[k], kUnsetMaximum, 0, 0, -1);
        expect_case(s.sector_min[k], kUnsetMinimum, 0, 0, -1);
        EXPECT_EQ(s.sector_exceedance[k][0], 0.0);
    }
}

// Direction 10 has four cases: (I,1) 7, (II,3) 9, (IV,1) 9, (V,2) 2, each
// 1 %. Maximum 9 from the earlier case (II,3); minimum 2 from (V,2); the
// exceedance of limit 7 counts (II,3) and (IV,1) only: 2 %.
TEST_F(PointStatisticsTest, EqualMaximaKeepTheEarlierCase) {
    setup(48, {1}, {7});
    const int cases[4][3] = {{0, 0, 7}, {1, 2, 9}, {3, 0, 9}, {4, 1, 2}};
    for (const auto& c : cases) {
        occur(c[0], c[1], 10, 1.0);
        conc.at(0, case_slot(c[0], c[1], 10), 0) = c[2];
    }
    point_statistics(in, conc, point, stats);
    expect_case(so2().direction_max[10], 9, 2, 3, 10);
    expect_case(so2().direction_min[10], 2, 5, 2, 10);
    EXPECT_DOUBLE_EQ(so2().P[0], 2.0);
    EXPECT_DOUBLE_EQ(so2().Cmax, 9);
}

// With 48 directions sector 0 (north) is made of directions 47, 0 and 1.
// Annual contributions 1, 2, 4, 8, 16 in directions 46, 47, 0, 1, 2 give
// sector 0 the mean 2 + 4 + 8 = 14, sector 15 (44, 45, 46) 1 and
// sector 1 (2, 3, 4) 16; Crok = 31. Directions 47 and 1 both reach 6 in a
// case (47 comes first in the window and is kept); direction 0 reaches 5.
TEST_F(PointStatisticsTest, NorthSectorWrapsAroundDirectionZero) {
    setup(48, {1}, {5});
    const int dirs[5] = {46, 47, 0, 1, 2};
    const double annual[5] = {1, 2, 4, 8, 16};
    for (int i = 0; i < 5; ++i) conc.at(0, case_slot(5, 1, dirs[i]), 0) = annual[i];
    occur(1, 0, 47, 0.5);
    conc.at(0, case_slot(1, 0, 47), 0) = 6;
    occur(2, 0, 0, 0.25);
    conc.at(0, case_slot(2, 0, 0), 0) = 5;
    occur(0, 2, 1, 0.125);
    conc.at(0, case_slot(0, 2, 1), 0) = 6;
    point_statistics(in, conc, point, stats);

    const PollutantStatistics& s = so2();
    EXPECT_DOUBLE_EQ(s.Crok, 31);
    EXPECT_DOUBLE_EQ(s.sector_mean[0], 14);
    EXPECT_DOUBLE_EQ(s.sector_mean[15], 1);
    EXPECT_DOUBLE_EQ(s.sector_mean[1], 16);
    expect_case(s.sector_max[0], 6, 2, 1, 47);
    expect_case(s.sector_min[0], 5, 3, 1, 0);
    // Exceedances of 5 (strictly greater): 47 (0.5 %) and 1 (0.125 %).
    EXPECT_DOUBLE_EQ(s.sector_exceedance[0][0], 0.625);
    EXPECT_DOUBLE_EQ(s.P[0], 0.625);
}

// Three groups in table order 5, 2, 9 with 33.333, 33.333 and 33.334 of
// Crok = 100: the largest (group 9) becomes 100 - 33.33 - 33.33 = 33.34.
TEST_F(PointStatisticsTest, GroupSharesAreRoundedToSumToExactlyOneHundred) {
    setup(16, {5, 2, 9}, {1000});
    conc.at(0, case_slot(5, 0, 3), 0) = 33.333;
    conc.at(0, case_slot(5, 2, 7), 1) = 33.333;
    conc.at(0, case_slot(5, 1, 12), 2) = 33.334;
    point_statistics(in, conc, point, stats);
    const std::vector<double>& g = so2().group_shares;
    ASSERT_EQ(g.size(), 4u);
    EXPECT_NEAR(g[0], 33.33, 1e-12);
    EXPECT_NEAR(g[1], 33.33, 1e-12);
    EXPECT_NEAR(g[2], 33.34, 1e-12);
    EXPECT_EQ(g[3], 0.0);  // no background
    EXPECT_NEAR(g[0] + g[1] + g[2] + g[3], 100.0, 1e-12);
    EXPECT_NEAR(so2().source_contribution[2], 33.334, 1e-12);
}

// Halves round upward: 0.125 % -> 0.13 and 0.375 % -> 0.38 (binary-exact
// values, so a round-half-to-even rule would give 0.12); the largest entry
// 99.5 becomes 100 - 0.13 - 0.38 = 99.49.
TEST_F(PointStatisticsTest, HalvesRoundUpward) {
    setup(16, {1, 2, 3}, {1000});
    conc.at(0, case_slot(5, 0, 0), 0) = 0.125;
    conc.at(0, case_slot(5, 0, 0), 1) = 99.5;
    conc.at(0, case_slot(5, 0, 0), 2) = 0.375;
    point_statistics(in, conc, point, stats);
    const std::vector<double>& g = so2().group_shares;
    EXPECT_NEAR(g[0], 0.13, 1e-12);
    EXPECT_NEAR(g[1], 99.49, 1e-12);
    EXPECT_NEAR(g[2], 0.38, 1e-12);
}

// Ties for the largest entry: the first in group-table order takes the
// remainder, the background only when it is strictly the largest.
// Shares 40.004, 40.004, background 19.992 (Crok 100, background 19.992):
// the first group takes 100 - 40.00 - 19.99 = 40.01. Groups 19.992, 40.004
// with background 40.004: group 2 takes 100 - 19.99 - 40.00 = 40.01.
TEST_F(PointStatisticsTest, TiesGoToTheFirstGroupAndTheBackgroundLast) {
    setup(16, {1, 2}, {1000});
    set_background(19.992, 0);
    conc.at(0, case_slot(5, 0, 0), 0) = 40.004;
    conc.at(0, case_slot(5, 0, 1), 1) = 40.004;
    point_statistics(in, conc, point, stats);
    EXPECT_NEAR(so2().group_shares[0], 40.01, 1e-9);
    EXPECT_NEAR(so2().group_shares[1], 40.00, 1e-12);
    EXPECT_NEAR(so2().group_shares[2], 19.99, 1e-12);

    set_background(40.004, 0);
    conc.clear();
    conc.at(0, case_slot(5, 0, 0), 0) = 19.992;
    conc.at(0, case_slot(5, 0, 1), 1) = 40.004;
    point_statistics(in, conc, point, stats);
    EXPECT_NEAR(so2().group_shares[0], 19.99, 1e-12);
    EXPECT_NEAR(so2().group_shares[1], 40.01, 1e-9);
    EXPECT_NEAR(so2().group_shares[2], 40.00, 1e-12);
}

// A point no source reaches and no background: Crok 0, every share 0 (not
// a division by zero), sector means 0, Cmax 0, and a second point run with
// the same workspace gives the same (the reset is complete).
TEST_F(PointStatisticsTest, ZeroAnnualMeanGivesZeroShares) {
    setup(48, {3, 4}, {10});
    occur(3, 1, 8, 10.0);
    conc.at(0, case_slot(5, 1, 8), 0) = 7;  // first point: 7 from group 3
    point_statistics(in, conc, point, stats);
    EXPECT_DOUBLE_EQ(so2().group_shares[0], 100);

    conc.clear();
    point_statistics(in, conc, point, stats);
    const PollutantStatistics& s = so2();
    EXPECT_EQ(s.Crok, 0.0);
    EXPECT_EQ(s.Cmax, 0.0);
    for (double g : s.group_shares) EXPECT_EQ(g, 0.0);
    for (double m : s.sector_mean) EXPECT_EQ(m, 0.0);
    // The case still occurs: its concentration 0 is the maximum and minimum.
    expect_case(s.sector_max[3], 0, 4, 2, 8);
}

// Background with 16 directions (sector s = direction s). Annual
// background 10, sector background 5 in every direction. The rose gives
// direction 0 a total of 60 % (class IV speed 1) and direction 4 40 %
// (class II speed 3). Sector background weights: 0.6 * 5 = 3 and
// 0.4 * 5 = 2, total 5, so sector 0 gets 3/5 * 10 = 6 and sector 4 gets 4.
// The source adds annual 2 in direction 4; Crok = 2 + 10 = 12, the group
// share 100 * 2/12 = 16.67 and the background 100 - 16.67 = 83.33.
// Short-term values include the sector background: 0 + 5 in direction 0,
// 20 + 5 in direction 4; limit 20 is exceeded in direction 4 only.
TEST_F(PointStatisticsTest, BackgroundEntersMeansMaximaAndShares) {
    setup(16, {1}, {20});
    set_background(10, 5);
    occur(3, 0, 0, 60);
    occur(1, 2, 4, 40);
    conc.at(0, case_slot(5, 2, 4), 0) = 2;
    conc.at(0, case_slot(1, 2, 4), 0) = 20;
    point_statistics(in, conc, point, stats);

    const PollutantStatistics& s = so2();
    EXPECT_DOUBLE_EQ(s.Crok, 12);
    EXPECT_DOUBLE_EQ(s.Cmax, 25);
    EXPECT_DOUBLE_EQ(s.P[0], 40);
    EXPECT_NEAR(s.group_shares[0], 16.67, 1e-12);
    EXPECT_NEAR(s.group_shares[1], 83.33, 1e-12);
    EXPECT_DOUBLE_EQ(s.sector_background[0], 3);
    EXPECT_DOUBLE_EQ(s.sector_background[4], 2);
    EXPECT_DOUBLE_EQ(s.sector_mean[0], 6);
    EXPECT_DOUBLE_EQ(s.sector_mean[4], 2 + 4);
    EXPECT_DOUBLE_EQ(s.sector_mean[1], 0);
    expect_case(s.sector_max[0], 5, 4, 1, 0);
    expect_case(s.sector_max[4], 25, 2, 3, 4);
    EXPECT_DOUBLE_EQ(s.sector_exceedance[4][0], 40);
}

// 32 directions: width 2, so sector s uses directions 2s-1, 2s, 2s+1 with
// weights 1/2, 1, 1/2. Every sector's weights sum to 2 and each direction
// is covered with total weight 1.
TEST_F(PointStatisticsTest, EvenWidthWindowsTileTheDirections) {
    int dirs[4];
    double weights[4];
    ASSERT_EQ(sector_window(0, 32, dirs, weights), 3);
    EXPECT_EQ(dirs[0], 31);
    EXPECT_EQ(dirs[1], 0);
    EXPECT_EQ(dirs[2], 1);
    EXPECT_EQ(weights[0], 0.5);
    EXPECT_EQ(weights[1], 1.0);
    EXPECT_EQ(weights[2], 0.5);
    double cover[32] = {};
    for (int s = 0; s < 16; ++s) {
        const int n = sector_window(s, 32, dirs, weights);
        double sum = 0;
        for (int i = 0; i < n; ++i) {
            sum += weights[i];
            cover[dirs[i]] += weights[i];
        }
        EXPECT_EQ(sum, 2.0) << s;
    }
    for (int d = 0; d < 32; ++d) EXPECT_EQ(cover[d], 1.0) << d;

    ASSERT_EQ(sector_window(15, 48, dirs, weights), 3);
    EXPECT_EQ(dirs[0], 44);
    EXPECT_EQ(dirs[2], 46);
    ASSERT_EQ(sector_window(9, 16, dirs, weights), 1);
    EXPECT_EQ(dirs[0], 9);
}

// 32 directions: exceedances 2 % in direction 1 (shared by sectors 0 and
// 1, half each) and 1 % in direction 4 (sector 2 only). Sector
// exceedances 1, 1, 1 sum to P = 3. The maximum 50 of direction 1 is the
// maximum of both sectors 0 and 1, though it has half weight in each. An
// annual contribution 8 in direction 1 gives sector means 4 and 4.
TEST_F(PointStatisticsTest, EvenWidthHalfWeightsKeepTheExceedanceTotal) {
    setup(32, {1}, {30});
    occur(0, 1, 1, 2.0);
    conc.at(0, case_slot(0, 1, 1), 0) = 50;
    occur(2, 2, 4, 1.0);
    conc.at(0, case_slot(2, 2, 4), 0) = 31;
    conc.at(0, case_slot(5, 0, 1), 0) = 8;
    point_statistics(in, conc, point, stats);

    const PollutantStatistics& s = so2();
    EXPECT_DOUBLE_EQ(s.P[0], 3.0);
    EXPECT_DOUBLE_EQ(s.sector_exceedance[0][0], 1.0);
    EXPECT_DOUBLE_EQ(s.sector_exceedance[1][0], 1.0);
    EXPECT_DOUBLE_EQ(s.sector_exceedance[2][0], 1.0);
    double total = 0;
    for (const auto& e : s.sector_exceedance) total += e[0];
    EXPECT_DOUBLE_EQ(total, s.P[0]);
    expect_case(s.sector_max[0], 50, 1, 2, 1);
    expect_case(s.sector_max[1], 50, 1, 2, 1);
    expect_case(s.sector_max[2], 31, 3, 3, 4);
    EXPECT_DOUBLE_EQ(s.sector_mean[0], 4);
    EXPECT_DOUBLE_EQ(s.sector_mean[1], 4);
    EXPECT_DOUBLE_EQ(s.Crok, 8);
}

// 40 directions cannot form 16 output sectors: the standard type stops the
// run with message 34 (checked before the computation, so that no worker
// thread raises it); the basic type, which forms no sectors, goes on and
// leaves group shares and sectors reset.
TEST_F(PointStatisticsTest, DirectionCountNotAMultipleOfSixteen) {
    test::TempDir dir;
    const std::string log_path = dir.file("run.log");
    log.open(log_path, 1);
    setup(40, {1}, {10});
    occur(0, 0, 39, 1.0);
    conc.at(0, case_slot(0, 0, 39), 0) = 12;
    conc.at(0, case_slot(5, 0, 39), 0) = 3;
    EXPECT_EQ(run_stage(log,
                        [&] {
                            check_sector_setting(in, log);
                            return 0;
                        }),
              -100);
    EXPECT_NE(test::read_file(log_path).find(test::cp("*** chyba programu\n"
                                                      "       - chybné nastavení počtu výstupních sektorů\n")),
              std::string::npos);
    // The statistics themselves raise nothing, whatever the setting.
    EXPECT_NO_THROW(point_statistics(in, conc, point, stats));

    project.result_type = kResultBasic;
    EXPECT_EQ(run_stage(log,
                        [&] {
                            check_sector_setting(in, log);
                            point_statistics(in, conc, point, stats);
                            return 0;
                        }),
              0);
    EXPECT_DOUBLE_EQ(so2().Crok, 3);
    EXPECT_DOUBLE_EQ(so2().Cmax, 12);
    EXPECT_DOUBLE_EQ(so2().P[0], 1.0);
    EXPECT_EQ(so2().group_shares[0], 0.0);
    EXPECT_EQ(so2().sector_mean[13], 0.0);
    EXPECT_FALSE(so2().sector_max[13].is_set());
}
