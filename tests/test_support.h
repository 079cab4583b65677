// Helpers shared by the tests: temporary directories, whole-file reads and
// writes, running the real zemo program, and a clean run state.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "input/project_file.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "run/run_sequence.h"
#include "base/text.h"
#include "input/model_settings.h"

namespace zemo::test {

// A fresh directory below the build's test area, removed at the end.
class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("ZEMO_TEST_TMP");
        std::filesystem::path root = base ? base : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(root);
        std::string templ = (root / "zemoXXXXXX").string();
        path_ = ::mkdtemp(templ.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// UTF-8 text of the test source as Windows-1250 bytes with CR LF line ends.
inline std::string cp(const std::string& utf8) { return to_crlf(utf8_to_cp1250(utf8)); }

struct ProgramResult {
    int exit_code = -1;
    std::string output;  // standard output and standard error
};

// Runs the real zemo with arguments (a shell-quoted string) in dir, with
// stdin from /dev/null and the settings store pointed at a temporary place.
inline ProgramResult run_zemo(const std::string& args, const std::string& dir = ".", const std::string& env = "") {
    const std::string out_file = (std::filesystem::temp_directory_path() /
                                  ("zemo_out_" + std::to_string(::getpid()) + "_" + std::to_string(std::rand())))
                                     .string();
    const std::string cmd = "cd '" + dir + "' && env XDG_CONFIG_DIRS=/nonexistent-zemo XDG_CONFIG_HOME=/nonexistent-zemo LANG=C " +
                            env + " '" ZEMO_EXE "' " + args + " < /dev/null > '" + out_file + "' 2>&1";
    const int status = std::system(cmd.c_str());
    ProgramResult r;
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.output = read_file(out_file);
    std::filesystem::remove(out_file);
    return r;
}

// Sanitizers that reserve terabytes of address space at start-up, under
// which an address-space limit cannot be set.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZEMO_TEST_RESERVING_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define ZEMO_TEST_RESERVING_SANITIZER 1
#endif
#endif

// What run_with_memory_limit returns when it cannot limit the memory.
inline constexpr int kNoMemoryLimit = -2;

// Runs body in a child process whose address space may grow by at most
// headroom bytes beyond its size at the fork (RLIMIT_AS), and returns the
// child's exit status: body's result (0 to 255), 254 when body let an
// exception out (std::bad_alloc among them), -1 when the child was killed.
// Under a sanitizer that reserves address space nothing runs:
// kNoMemoryLimit.
inline int run_with_memory_limit(std::size_t headroom, const std::function<int()>& body) {
#ifdef ZEMO_TEST_RESERVING_SANITIZER
    (void)headroom;
    (void)body;
    return kNoMemoryLimit;
#else
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        int code = 254;
        std::ifstream statm("/proc/self/statm");
        unsigned long long pages = 0;
        statm >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE)) +
                                                 headroom);
        const rlimit r{limit, limit};
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &r) != 0) ::_exit(253);
        try {
            code = body() & 0xFF;
        } catch (...) {
            code = 254;
        }
        ::_exit(code);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

// Resets every process-wide record touched by a run, for in-process tests.
inline void reset_run_state() { reset_run_records(); }

}  // namespace zemo::test
