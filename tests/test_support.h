// Helpers shared by the tests: temporary directories, whole-file reads and
// writes, running the real zemo program, and a clean run state.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/run_log.h"
#include "base/run_options.h"
#include "base/text.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "run/result_transaction.h"
#include "run/run.h"

namespace zemo::test {

// Paths in the tests come in two kinds, as in the program:
//   - a std::string path is internal text (Windows-1250 bytes), what the
//     program's API takes and gives back (project files, run options, logs),
//     and what the helpers below take as a string;
//   - a std::filesystem::path is the native name (UTF-8 on POSIX), for
//     std::filesystem and streams.
// Their UTF-8 strings (TempDir::utf8(), path().string()) serve only texts
// compared in UTF-8, shell command lines built by hand, the settings files
// Qt reads and the map tool, whose API is UTF-8. Within a checkout or build
// directory such as C:\Users\jan.novak\Výpočty the kinds differ: handing one
// where another belongs finds no file, or finds none where one should be.

// The internal text of a native name. A name that Windows-1250 cannot hold
// cannot be handed to the program at all: that is an error of the set-up.
inline std::string text_path(const std::filesystem::path& native) {
    bool ok = true;
    std::string text = utf8_to_cp1250(native.string(), &ok);
    if (!ok) throw std::runtime_error("test path has no Windows-1250 form: " + native.string());
    return text;
}

// The native name of an internal text path.
inline std::filesystem::path native_path(const std::string& text) { return cp1250_to_utf8(text); }

// Files of the checkout and of the installation the build stages
// (share/zemo), rel relative to it ('/'-separated, UTF-8 as in the source).
inline std::filesystem::path source_native(const std::string& rel = "") {
    return rel.empty() ? std::filesystem::path(ZEMO_SOURCE_DIR) : std::filesystem::path(ZEMO_SOURCE_DIR) / rel;
}
inline std::string source_file(const std::string& rel = "") { return text_path(source_native(rel)); }
#ifdef ZEMO_STAGED_ROOT
inline std::filesystem::path staged_native(const std::string& rel = "") {
    return rel.empty() ? std::filesystem::path(ZEMO_STAGED_ROOT) : std::filesystem::path(ZEMO_STAGED_ROOT) / rel;
}
inline std::string staged_file(const std::string& rel = "") { return text_path(staged_native(rel)); }
#endif

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
    // Native names: the directory and a file in it (name in UTF-8).
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path native(const std::string& name) const { return path_ / name; }
    // Internal text: the directory and a file in it, for the program's API.
    std::string str() const { return text_path(path_); }
    std::string file(const std::string& name) const { return text_path(path_ / name); }
    // The UTF-8 form of the internal text, for texts compared in UTF-8.
    std::string utf8() const { return cp1250_to_utf8(str()); }
    std::string utf8(const std::string& name) const { return cp1250_to_utf8(file(name)); }

private:
    std::filesystem::path path_;
};

// Whole-file reads and writes, by native name or by internal text path.
// The lock file a run keeps in its output directory: no result, and
// listings of what a run wrote leave it out.
inline bool is_run_lock_file(const std::filesystem::path& native) { return native.filename() == kLockFileName; }

// The names of the files in a directory, sorted, without the run's lock file.
inline std::vector<std::string> file_names_in(const std::filesystem::path& native) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(native))
        if (!is_run_lock_file(e.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string read_file(const std::filesystem::path& native) {
    std::ifstream in(native, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
inline std::string read_file(const std::string& text) { return read_file(native_path(text)); }
inline std::string read_file(const char* text) { return read_file(native_path(text)); }

inline void write_file(const std::filesystem::path& native, const std::string& bytes) {
    std::ofstream out(native, std::ios::binary);
    out << bytes;
}
inline void write_file(const std::string& text, const std::string& bytes) { write_file(native_path(text), bytes); }
inline void write_file(const char* text, const std::string& bytes) { write_file(native_path(text), bytes); }

// What the program's console output holds for an internal text: the
// terminal's encoding as the locale variables name it (the first of LC_ALL,
// LC_CTYPE, LANG that is set), UTF-8 or else Windows-1250 bytes.
inline std::string console_text(const std::string& text) {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (!v || !*v) continue;
        std::string s(v);
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s.find("utf-8") != std::string::npos || s.find("utf8") != std::string::npos ? cp1250_to_utf8(text)
                                                                                           : text;
    }
    return text;
}

// UTF-8 text of the test source as Windows-1250 bytes with CR LF line ends.
inline std::string cp(const std::string& utf8) { return to_crlf(utf8_to_cp1250(utf8)); }

struct ProgramResult {
    int exit_code = -1;
    std::string output;  // standard output and standard error
};

// Runs the real zemo in the directory dir, with stdin from /dev/null and the
// settings store pointed at a temporary place. args (the command line,
// shell-quoted) and env (what goes before the program on it, such as
// VAR=value or a wrapper) are the program's text, paths from TempDir::file()
// and the like among them; they reach the shell in the native encoding, as
// a terminal passes them.
inline ProgramResult run_zemo(const std::string& args, const std::filesystem::path& dir, const std::string& env = "") {
    const std::string out_file = (std::filesystem::temp_directory_path() /
                                  ("zemo_out_" + std::to_string(::getpid()) + "_" + std::to_string(std::rand())))
                                     .string();
    const std::string cmd =
        "cd '" + dir.string() + "' && env XDG_CONFIG_DIRS=/nonexistent-zemo XDG_CONFIG_HOME=/nonexistent-zemo LANG=C " +
        cp1250_to_utf8(env) + " '" ZEMO_EXE "' " + cp1250_to_utf8(args) + " < /dev/null > '" + out_file + "' 2>&1";
    const int status = std::system(cmd.c_str());
    ProgramResult r;
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.output = read_file(std::filesystem::path(out_file));
    std::filesystem::remove(out_file);
    return r;
}
// The same with the directory as the program's text (TempDir::str()).
inline ProgramResult run_zemo(const std::string& args, const std::string& dir = ".", const std::string& env = "") {
    return run_zemo(args, native_path(dir), env);
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
        const rlim_t limit =
            static_cast<rlim_t>(pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE)) + headroom);
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

}  // namespace zemo::test
