// Handing the form's pollutants and background values to the model.
#include <gtest/gtest.h>

#include "desktop/logic/project_handover.h"

using namespace zemo;
using namespace zemo::desktop;

namespace {

// Type indexes: 1 SO2, 5 NO2, 7 ORG.
FormPollutant pollutant(const char* indicative, int type, double l1, double l2, double half_life) {
    FormPollutant p;
    // Whole strings moved in: GCC 12 warns falsely (-Wrestrict) about a
    // literal assigned to a string member here.
    p.indicative = std::string(indicative);
    p.type = type;
    p.limit1 = l1;
    p.limit2 = l2;
    p.half_life = half_life;
    p.name = std::string("x");
    return p;
}

}  // namespace

TEST(ProjectHandover, ALimit2NotAboveZeroCountsAsOneLimit) {
    ProjectForm f;
    f.pollutants = {pollutant("SO2", 1, 125, 350, 0), pollutant("NOx", 5, 200, kNotGiven, 0),
                    pollutant("BaP", 7, 0.001, 0.5, 2.5)};
    f.background = {10.25, kNotGiven, 0.5, kNotGiven, kNotGiven, kNotGiven};
    const Pollutant so2 = handover_pollutant(f.pollutants[0]);
    EXPECT_EQ(so2.type, kTypeSO2);
    EXPECT_EQ(so2.limit_count, 2);
    EXPECT_EQ(so2.limit[1], 350);
    EXPECT_EQ(handover_pollutant(f.pollutants[1]).type, kTypeNO2);
    EXPECT_EQ(handover_pollutant(f.pollutants[1]).limit_count, 1);
    FormPollutant zero = f.pollutants[0];
    zero.limit2 = 0;
    EXPECT_EQ(handover_pollutant(zero).limit_count, 1);
    const Pollutant bap = handover_pollutant(f.pollutants[2]);
    EXPECT_EQ(bap.type, kTypeORG);
    EXPECT_EQ(bap.half_life, 2.5);
    EXPECT_EQ(handover_background(f), "SO2:10.250000, NOx:0, BaP:0.500000\n");
    EXPECT_EQ(handover_background(ProjectForm{}), "");
}
