// The concentration matrix of a point: columns only for the sources in
// reach, values that count only where a direction marked them, case totals
// formed in source order, and nothing left over from the point before.
#include <gtest/gtest.h>

#include <stdexcept>

#include "model/concentration.h"

using namespace zemo;

TEST(ConcMatrix, MarkedValuesSumInSourceOrderAndNothingLeaksIntoTheNextPoint) {
    ConcMatrix conc;
    ASSERT_TRUE(conc.allocate(2, 10, 4));
    EXPECT_EQ(conc.capacity(), 4);

    // First point: sources 1, 4 and 7 in reach; 1 and 7 write direction 3.
    conc.use_columns({1, 4, 7});
    const int c = case_slot(2, 1, 3), annual = case_slot(5, 0, 3);
    conc.mark(3, 0);
    conc.at(1, c, 0) = 1e16;
    conc.at(1, annual, 0) = 0.5;
    conc.finish_column(0);
    conc.finish_column(1);  // in reach, nothing written
    conc.mark(3, 2);
    conc.at(1, c, 2) = 1.0;
    conc.at(1, annual, 2) = 0.25;
    conc.finish_column(2);
    // In source order 1e16 + 1 (rounds back to 1e16), not 1 + 1e16.
    EXPECT_EQ(conc.sum(1, c), 1e16 + 1.0);
    EXPECT_EQ(conc.sum(1, annual), 0.75);
    EXPECT_EQ(conc.value(1, c, 7), 1.0);
    EXPECT_EQ(conc.value(1, c, 4), 0.0);
    EXPECT_EQ(conc.value(1, c, 9), 0.0);
    EXPECT_EQ(conc.written(3), (std::vector<int>{0, 2}));

    // Second point: other sources in the same columns. What the first point
    // wrote there is not read, and every slot of a marked direction starts
    // at 0.
    conc.use_columns({0, 7});
    EXPECT_EQ(conc.sum(1, c), 0.0);
    EXPECT_EQ(conc.value(1, c, 0), 0.0);
    EXPECT_EQ(conc.value(1, c, 7), 0.0);
    EXPECT_TRUE(conc.written(3).empty());
    conc.mark(3, 0);
    conc.at(1, annual, 0) = 2.0;  // the short-term slot stays as marked: 0
    conc.finish_column(0);
    conc.finish_column(1);
    EXPECT_EQ(conc.value(1, c, 0), 0.0);
    EXPECT_EQ(conc.sum(1, c), 0.0);
    EXPECT_EQ(conc.sum(1, annual), 2.0);

    // More sources in reach than columns is a fault, not an overrun.
    EXPECT_THROW(conc.use_columns({0, 1, 2, 3, 4}), std::length_error);
}

TEST(ConcMatrix, AClearedMatrixCountsEveryValueWrittenByHand) {
    ConcMatrix conc;
    ASSERT_TRUE(conc.allocate(1, 3));
    conc.use_columns({2});
    conc.mark(0, 0);
    conc.at(0, 0, 0) = 5;
    conc.clear();
    EXPECT_EQ(conc.columns(), 3);
    EXPECT_EQ(conc.sum(0, 0), 0.0);
    conc.at(0, case_slot(1, 2, 40), 2) = 3;
    conc.at(0, case_slot(1, 2, 40), 0) = 1;
    EXPECT_EQ(conc.sum(0, case_slot(1, 2, 40)), 4.0);
    EXPECT_EQ(conc.value(0, case_slot(1, 2, 40), 2), 3.0);
    EXPECT_EQ(conc.written(40), (std::vector<int>{0, 1, 2}));
}
