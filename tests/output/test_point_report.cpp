// The detailed point report: the layout of one point's blocks byte for
// byte, for a hand-made statistics record.
#include <gtest/gtest.h>

#include "output/point_report.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::TempDir;

namespace {

// Four sources: K1 and L1 in group 5, K2 in group 2, A1 in group 9 (group
// table 5, 2, 9). Sector 1 (north) has its worst case 25.0 in class II,
// speed class 3, direction 0; sector 2 a worst case of 5e-11 (shares 0);
// no case reaches the other sectors.
class PointReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.assign({"K1", "K2", "L1", "A1"}, {5, 2, 5, 9});
        benzene.indicative = "BZN";
        benzene.name = "Benzen";
        benzene.limit[0] = 5;
        benzene.limit[1] = 10;
        benzene.limit_count = 2;
        point.id = "B1";
        point.x = 1000.5;
        point.y = -2000.25;
        point.z = 312.75;  // terrain 311.25 plus 1.5 above it
        point.height = 1.5;
        point.wind_rose = 1;

        ASSERT_TRUE(conc.allocate(1, 4));
        conc.clear();
        // Worst case of sector 1: slot (2-1)*144 + (3-1)*48 + 0 = 240.
        // 15 / 25 = 60 %, 0.5 / 25 = 2 % (not above 2 * 1.0), 6.25 / 25 = 25 %.
        conc.at(0, 240, 0) = 15.0;
        conc.at(0, 240, 1) = 0.5;
        conc.at(0, 240, 2) = 6.25;
        conc.at(0, 241, 0) = 99.0;  // the next direction: not the worst case
        // Worst case of sector 2: slot 3. Its maximum is below 1e-10, so
        // every share is 0 however small the source's value.
        conc.at(0, 3, 1) = 1e-11;

        st.sector_max[0] = {25.0, 2, 3, 0};
        st.sector_min[0] = {0.75, 5, 1, 47};
        st.sector_exceedance[0] = {1.5, 0.25};
        st.sector_max[1] = {5e-11, 1, 1, 3};
        st.sector_min[1] = {0.0, 1, 1, 3};
        for (int s = 2; s < 16; ++s) {
            st.sector_max[s] = {-1e32, 0, 0, -1};
            st.sector_min[s] = {1e32, 0, 0, -1};
        }
    }
    void TearDown() override { conc.release(); }

    std::string write(double threshold) {
        File f;
        EXPECT_TRUE(f.open(dir.file("r.txt"), "wb"));
        write_report_title(f, benzene);
        write_point_report(f, point, 7, benzene, st, conc, 0, list, threshold);
        EXPECT_TRUE(f.close());
        return read_file(dir.file("r.txt"));
    }

    TempDir dir;
    SourceList list;
    Pollutant benzene;
    ReferencePoint point;
    ConcMatrix conc;
    PollutantStatistics st;
};

}  // namespace

TEST_F(PointReportTest, LayoutByteForByte) {
    std::string expected =
        "Benzen (BZN)\n"
        "\n"
        "************************************\n"
        "\n"
        "BOD ČÍSLO: B1\n"
        " souřadnice X, Y, Z: 1000.50, -2000.25, 312.75\n"
        " výška nad terénem:  1.50\n"
        " větrná růžice:      7\n"
        " ---------\n"
        " Proudění ze směru   0.0° (sektor číslo  1)\n"
        " IHk (max) =    25.00, třída stability 2, třída rychlosti 3,\n"
        "             koncentrace       5.00 překročena v   1.50% případů\n"
        "             koncentrace      10.00 překročena v   0.25% případů\n"
        "     (min) =     0.75, třída stability 5, třída rychlosti 1\n"
        " ---------\n"
        " Podíly skupin zdrojů na \"okamžité\" koncentraci\n"
        "     (2. třída stability a 3. třída rychlosti)\n"
        "       SKUPINA    PODÍL [%]\n"
        "             2         2.00\n"
        "             5        85.00\n"
        "             9         0.00\n"
        " ---------\n"
        " Podíly zdrojů na \"okamžité\" koncentraci (příspěvek větší než 2.0%)\n"
        "     (2. třída stability a 3. třída rychlosti)\n"
        "         ZDROJ    PODÍL [%]\n"
        "            K1        60.00\n"
        "            L1        25.00\n"
        " ==================\n"
        "\n"
        " Proudění ze směru  22.5° (sektor číslo  2)\n"
        " IHk (max) =     0.00, třída stability 1, třída rychlosti 1,\n"
        "             koncentrace       5.00 překročena v   0.00% případů\n"
        "             koncentrace      10.00 překročena v   0.00% případů\n"
        "     (min) =     0.00, třída stability 1, třída rychlosti 1\n"
        " ---------\n"
        " Podíly skupin zdrojů na \"okamžité\" koncentraci\n"
        "     (1. třída stability a 1. třída rychlosti)\n"
        "       SKUPINA    PODÍL [%]\n"
        "             2         0.00\n"
        "             5         0.00\n"
        "             9         0.00\n"
        " ---------\n"
        " Podíly zdrojů na \"okamžité\" koncentraci (příspěvek větší než 2.0%)\n"
        "     (1. třída stability a 1. třída rychlosti)\n"
        "         ZDROJ    PODÍL [%]\n";
    const char* headings[14] = {" 45.0° (sektor číslo  3)", " 67.5° (sektor číslo  4)", " 90.0° (sektor číslo  5)",
                                "112.5° (sektor číslo  6)", "135.0° (sektor číslo  7)", "157.5° (sektor číslo  8)",
                                "180.0° (sektor číslo  9)", "202.5° (sektor číslo 10)", "225.0° (sektor číslo 11)",
                                "247.5° (sektor číslo 12)", "270.0° (sektor číslo 13)", "292.5° (sektor číslo 14)",
                                "315.0° (sektor číslo 15)", "337.5° (sektor číslo 16)"};
    for (const char* heading : headings)
        expected += std::string(" ==================\n\n Proudění ze směru ") + heading +
                    "\n V tomto sektoru nenastává žádná meteorologická situace.\n";
    EXPECT_EQ(write(1.0), cp(expected));
}

TEST_F(PointReportTest, ThresholdSelectsTheListedSources) {
    // Threshold 0.5: sources above 1.0 % are listed, K2 (2 %) among them.
    const std::string report = write(0.5);
    EXPECT_NE(report.find(cp("(příspěvek větší než 1.0%)\n     (2. třída stability a 3. třída rychlosti)\n"
                             "         ZDROJ    PODÍL [%]\n"
                             "            K1        60.00\n"
                             "            K2         2.00\n"
                             "            L1        25.00\n ==")),
              std::string::npos);
}

TEST_F(PointReportTest, OneLimitGivesOneExceedanceLine) {
    benzene.limit_count = 1;
    const std::string report = write(1.0);
    EXPECT_NE(report.find(cp("třída rychlosti 3,\n             koncentrace       5.00 překročena v   1.50% případů\n"
                             "     (min)")),
              std::string::npos);
    EXPECT_EQ(report.find("10.00"), std::string::npos);
}

TEST(SourceList, GroupTableInOrderOfFirstAppearanceAndAscendingPositions) {
    SourceList list;
    list.assign({"a", "b", "c", "d"}, {3, 1, 7, 1});
    EXPECT_EQ(list.group_numbers, (std::vector<int>{3, 1, 7}));
    EXPECT_EQ(list.group_position, (std::vector<int>{0, 1, 2, 1}));
    EXPECT_EQ(list.ascending, (std::vector<int>{1, 0, 2}));  // groups 1, 3, 7
}
