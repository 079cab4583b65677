// The wind rose of the whole-program tests: a single case, class IV, speed
// class 2 (5 m/s at 10 m), wind from the north (direction 0), 100 % of the
// year, in 48 sectors as a tab-separated table.
#pragma once

#include <string>

namespace zemo::test {

inline std::string rose_single_case() {
    // 19 lines: the identifier, then per class 1..6 and speed 1..3 the 48
    // sector values and the row total. Only class IV speed 2 (and the
    // control sums of group 6, speed 2) hold the case.
    std::string rose = "1\n";
    for (int group = 1; group <= 6; ++group)
        for (int speed = 1; speed <= 3; ++speed) {
            const bool the_case = (group == 4 || group == 6) && speed == 2;
            std::string line;
            for (int s = 0; s < 48; ++s) {
                if (s) line += '\t';
                line += the_case && s == 0 ? "100" : "0";
            }
            line += the_case ? "\t100\n" : "\t0\n";
            rose += line;
        }
    return rose;
}

}  // namespace zemo::test
