#include "run/thread_count.h"

#include <algorithm>
#include <cstdlib>

#include "base/platform.h"
#include "base/run_log.h"
#include "base/text.h"

namespace zemo {

ThreadSetting thread_setting(const char* value, int default_threads) {
    ThreadSetting setting;
    setting.threads = std::clamp(default_threads, 1, kMaxThreads);
    if (value == nullptr) return setting;
    std::string_view text(value);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty()) return setting;
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            setting.valid = false;
            return setting;
        }
        n = std::min<long long>(n * 10 + (c - '0'), 1'000'000);
    }
    if (n < 1) {
        setting.valid = false;
        return setting;
    }
    setting.threads = static_cast<int>(std::min<long long>(n, kMaxThreads));
    return setting;
}

int computation_threads(RunLog& log) {
    const char* value = std::getenv("ZEMO_THREADS");
    const ThreadSetting setting = thread_setting(value, platform::available_cpus());
    if (!setting.valid)
        log.messagef(kErrorData, "Neplatná hodnota proměnné ZEMO_THREADS: [%s], použije se výchozí počet vláken"_cz,
                     utf8_to_cp1250(value).c_str());
    return setting.threads;
}

}  // namespace zemo
