// RunOptions: the options and start-up values of a run, filled by the run
// layer (the command line, the installation look-up, the start time) and
// read by every later stage (the installation directory, the start date of
// the DBF headers).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "base/version.h"

namespace zemo {

// Sizes of the fixed text fields of the options (characters, without the
// terminator); a longer value is refused, never cut.
inline constexpr std::size_t kMaxLogPath = 255;
inline constexpr std::size_t kMaxProjectPath = 259;
inline constexpr std::size_t kMaxComputationDir = 511;

struct RunOptions {
    std::string program_name;                // base name of the program file
    std::string version = kFallbackVersion;  // from the version lookup
    std::string product_word = "ZEMO";
    std::string installation_directory;  // ends in the directory separator
    std::string computation_directory;   // ends in the directory separator
    std::string project_file;            // -i
    std::string log_file;                // -l
    bool log_given = false;
    int message_level = 1;      // -L0 / -L1 / -L2
    bool bell = true;           // -a switches it off
    bool close_window = false;  // -c
    int priority = 0;           // -p0 .. -p4 give -2 .. 2
    // The desktop program: the wind-rose and transfers readers return -100
    // without the fatal "soubor nelze otevřít" when their file cannot be
    // opened (the window reports the failure itself).
    bool quiet_open_failure = false;
    // The console program tells the end of a run on its console as well;
    // the desktop program shows its own lines in its window instead.
    bool console = true;
    // The memory a run may take, in bytes (input/capacity.h); 0 takes what
    // the system allows the process (platform::usable_memory). Tests set it.
    std::uint64_t memory_limit = 0;
    std::time_t start_time = 0;
    std::tm start_local{};

    void reset() { *this = RunOptions{}; }
};

}  // namespace zemo
