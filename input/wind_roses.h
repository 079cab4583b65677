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

struct ProjectConfig;
struct ModelSettings;

struct WindRoses {
    int count = 0;
    std::vector<int> Wnd_id;
    std::vector<std::array<double, kCaseSlots>> Wnd_frequency;
    int sectors_in_file = 0;  // n
    double sector_width = 0;  // 360 / S
    // The project's table as read: its convention fixed (detected, or the
    // fixed format when detection fails).
    InputTable table;

    void reset() { *this = WindRoses{}; }
    // Index of the first rose with this identifier, -1 when none.
    int find(int id) const;
};


// The run's reader: the counting pass, then the filling pass, over the
// project's wind-rose table, resampled to settings.directions sectors.
// A fault of the table is a fatal message (FatalStop).
WindRoses read_wind_roses(const ProjectConfig& project, const ModelSettings& settings, InputContext& in);

// One pass: Count alone (the convention fixed, the roses counted and
// allocated, every frequency 0), Fill (Count, then the filling pass: the
// same as above) or Test (the desktop program's single-file check, Count
// and Fill with 48 sectors while the settings name none). With
// in.quiet_open_failure a table that cannot be opened ends the stage
// without a message (FatalStop), the host reports it.
WindRoses read_wind_roses(ReaderPass pass, const ProjectConfig& project, const ModelSettings& settings,
                          InputContext& in);

}  // namespace zemo
