// How many threads compute reference points side by side: the environment
// variable ZEMO_THREADS when it holds a positive whole number, else the
// CPUs the process may use (platform::available_cpus). The console program
// and the desktop program read the same setting.
#pragma once

#include <string>

#include "base/run_log.h"

namespace zemo {

// At most this many threads, whatever the setting asks for (each thread
// holds a concentration matrix of its own).
inline constexpr int kMaxThreads = 256;

struct ThreadSetting {
    int threads = 1;
    bool valid = true;  // false: the value was no positive whole number
};

// value: the variable's text, nullptr when it is not set. An unset or empty
// value gives default_threads; a positive whole number (blanks around it
// allowed) gives itself, up to kMaxThreads; anything else gives
// default_threads and valid = false.
ThreadSetting thread_setting(const char* value, int default_threads);

// The setting of this process; an invalid value is reported in the run log
// as a counted error naming it.
int computation_threads(RunLog& log);

}  // namespace zemo
