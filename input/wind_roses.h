// Wind roses: frequencies (percent) of the direction sectors for five
// stability classes and three speed classes, resampled to the computation's
// sectors. Element (c, g, s) of a rose lies at c*144 + g*48 + s; c = 5 holds
// the sum of the five classes.
#pragma once

#include <array>
#include <vector>

#include "input/case_layout.h"
#include "input/input_table.h"

namespace zemo {

struct WindRoses {
    int count = 0;
    std::vector<int> Wnd_id;
    std::vector<std::array<double, kCaseSlots>> Wnd_frequency;
    int sectors_in_file = 0;    // n
    double sector_width = 0;    // 360 / S

    void reset() { *this = WindRoses{}; }
    // Index of the first rose with this identifier, -1 when none.
    int find(int id) const;
};

WindRoses& wind_roses();

// Reads the project's wind-rose table in the given pass: 0 or -100.
int read_wind_roses(ReaderPass pass);

}  // namespace zemo
