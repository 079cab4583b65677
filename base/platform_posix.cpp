// POSIX side of the platform layer (Linux is where the project is built and
// tested). The installation root comes from the machine-wide settings file
// that Qt's QSettings reads for the same organisation and application at
// system scope, or from the installation data staged next to the program.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "base/platform.h"
#include "base/text.h"

namespace zemo::platform {

namespace {

// File names on POSIX are UTF-8 and separated by '/'; a '\\' read from a
// project file is taken as a separator.
std::string native_name(const std::string& path) {
    std::string utf8 = cp1250_to_utf8(path);
    for (char& c : utf8)
        if (c == '\\') c = '/';
    return utf8;
}

}  // namespace

std::FILE* open_file(const std::string& path, const char* mode) {
    std::string m;
    for (const char* p = mode; *p; ++p)
        if (*p != 'b' && *p != 't') m.push_back(*p);
    m.push_back('b');
    return std::fopen(native_name(path).c_str(), m.c_str());
}

std::FILE* open_regular_file(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO waits until a writer opens it.
    const int fd = ::open(native_name(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int reason = S_ISDIR(st.st_mode) ? EISDIR : !S_ISREG(st.st_mode) ? EINVAL : errno;
        ::close(fd);
        errno = reason;  // EINVAL: no regular file
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    return file;
}

bool is_directory(const std::string& path) {
    struct stat st {};
    return ::stat(native_name(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_regular_file(const std::string& path) {
    struct stat st {};
    return ::stat(native_name(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool modification_time(const std::string& path, std::time_t& when) {
    struct stat st {};
    if (::stat(native_name(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    when = st.st_mtime;
    return true;
}

namespace {
std::string identity_of(const struct stat& st) {
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
}
}  // namespace

std::string file_key(const std::string& path) {
    const std::string native = native_name(path);
    struct stat st {};
    std::string key;  // appended: GCC 12 warns falsely about literal + temporary
    if (::stat(native.c_str(), &st) == 0) return key.append("F").append(identity_of(st));
    // A file still to be created: its directory as the kernel resolves it
    // (symbolic links and ".." included) and its name.
    const std::size_t slash = native.rfind('/');
    const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    const std::string dir = slash == std::string::npos ? std::string(".")
                            : slash == 0               ? std::string("/")
                                                       : native.substr(0, slash);
    if (!name.empty() && name != "." && name != ".." && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return key.append("D").append(identity_of(st)).append("/").append(name);
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(native, ec);
    return key.append("P").append((ec ? std::filesystem::path(native) : absolute).lexically_normal().string());
}

std::FILE* create_new_file(const std::string& path) {
    const int fd = ::open(native_name(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
    return file;
}

std::string make_private_directory(const std::string& parent, const std::string& prefix) {
    std::string templ = native_name(with_separator(parent) + prefix) + "XXXXXX";
    if (!::mkdtemp(templ.data())) return {};  // mode 0700
    return with_separator(utf8_to_cp1250(templ));
}

std::string create_unique_file(const std::string& dir, const std::string& prefix, const std::string& suffix) {
    const std::string native_suffix = native_name(suffix);
    std::string templ = native_name(with_separator(dir) + prefix) + "XXXXXX" + native_suffix;
    const int fd = ::mkstemps(templ.data(), static_cast<int>(native_suffix.size()));  // O_EXCL, mode 0600
    if (fd < 0) return {};
    ::close(fd);
    return utf8_to_cp1250(templ);
}

bool remove_directory(const std::string& path) { return ::rmdir(native_name(path).c_str()) == 0 || errno == ENOENT; }

int rename_replacing(const std::string& from, const std::string& to) {
    return std::rename(native_name(from).c_str(), native_name(to).c_str()) == 0 ? 0 : errno;
}

bool remove_file(const std::string& path) { return ::unlink(native_name(path).c_str()) == 0 || errno == ENOENT; }

int last_error() { return errno; }

FileLock::~FileLock() { release(); }

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_), error_(other.error_) {
    other.handle_ = kNoHandle;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = other.handle_;
        error_ = other.error_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

FileLock::Result FileLock::acquire(const std::string& path) {
    release();
    const int fd = ::open(native_name(path).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        error_ = errno;
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error_ = errno;
        ::close(fd);
        return error_ == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
    }
    error_ = 0;
    handle_ = fd;
    return Result::Acquired;
}

void FileLock::release() {
    if (handle_ == kNoHandle) return;
    ::close(static_cast<int>(handle_));  // closing the descriptor ends its lock
    handle_ = kNoHandle;
}

namespace {
bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}
}  // namespace

bool FileLock::write(std::string_view text) {
    if (handle_ == kNoHandle) return false;
    const int fd = static_cast<int>(handle_);
    return ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 && write_all(fd, text);
}

bool FileLock::append(std::string_view text) {
    if (handle_ == kNoHandle) return false;
    const int fd = static_cast<int>(handle_);
    return ::lseek(fd, 0, SEEK_END) >= 0 && write_all(fd, text);
}

std::string user_log_directory() {
    std::filesystem::path dir;
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state && *state == '/') dir = std::filesystem::path(state) / "zemo" / "log";
    else if (home && *home) dir = std::filesystem::path(home) / ".local" / "state" / "zemo" / "log";
    else return std::string();
    // Each new directory readable by the user alone (mode 700).
    std::filesystem::path made;
    for (const auto& part : dir) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) return std::string();
    }
    if (!std::filesystem::is_directory(dir)) return std::string();
    return with_separator(utf8_to_cp1250(dir.string()));
}

std::vector<std::string> directory_entries(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(native_name(dir.empty() ? std::string(".") : dir), ec), end;
         !ec && it != end; it.increment(ec))
        names.push_back(utf8_to_cp1250(it->path().filename().string()));
    return names;
}

namespace {
std::atomic<bool>* stop_flag = nullptr;
extern "C" void on_stop_signal(int) {
    if (stop_flag) stop_flag->store(true);
}
}  // namespace

void handle_stop_signals(std::atomic<bool>* stop) {
    stop_flag = stop;
    struct sigaction action {};
    action.sa_handler = stop ? on_stop_signal : SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ignore_file_size_signal();
}

void ignore_file_size_signal() { std::signal(SIGXFSZ, SIG_IGN); }

std::tm local_time(std::time_t t) {
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

bool change_directory(const std::string& dir) { return ::chdir(native_name(dir).c_str()) == 0; }

std::string current_directory() {
    std::vector<char> buf(4096);
    if (!::getcwd(buf.data(), buf.size())) return std::string(".") + kDirSeparator;
    std::string dir = utf8_to_cp1250(buf.data());
    if (dir.empty() || dir.back() != kDirSeparator) dir.push_back(kDirSeparator);
    return dir;
}

std::string full_directory(const std::string& dir) {
    char* resolved = ::realpath(native_name(dir).c_str(), nullptr);
    if (!resolved) return {};
    std::string full = utf8_to_cp1250(resolved);
    std::free(resolved);
    if (full.empty() || full.back() != kDirSeparator) full.push_back(kDirSeparator);
    return full;
}

bool is_searchable_directory(const std::string& dir) {
    return is_directory(dir) && ::access(native_name(dir).c_str(), X_OK) == 0;
}

std::string executable_path() {
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    return utf8_to_cp1250(std::string(buf.data(), static_cast<std::size_t>(n)));
}

std::string program_version() {
#ifdef ZEMO_VERSION_TEXT
    return ZEMO_VERSION_TEXT;
#else
    return {};
#endif
}

namespace {

// Value of key in [group] of a QSettings-style INI file, if present.
std::optional<std::string> ini_value(const std::string& file, const std::string& group, const std::string& key) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string line;
    bool in_group = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = trim_blanks(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            in_group = t.substr(1, t.size() - 2) == group;
            continue;
        }
        if (!in_group) continue;
        const auto eq = t.find('=');
        if (eq == std::string::npos || trim_blanks(t.substr(0, eq)) != key) continue;
        std::string value = trim_blanks(t.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::nullopt;
}

}  // namespace

std::string installation_root(const std::string& version_key) {
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string list = dirs && *dirs ? dirs : "/etc/xdg";
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t colon = list.find(':', start);
        const std::string dir = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty()) {
            if (auto root = ini_value(dir + "/ZEMO/Model ZEMO.conf", version_key, "RootDir"); root && !root->empty())
                return utf8_to_cp1250(*root);
        }
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    // The installation data staged next to the program by the build.
    std::string exe = cp1250_to_utf8(executable_path());
    const auto slash = exe.rfind('/');
    if (slash != std::string::npos) {
        const std::string staged = exe.substr(0, slash) + "/../share/zemo";
        struct stat st {};
        if (::stat(staged.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            std::vector<char> buf(4096);
            if (::realpath(staged.c_str(), buf.data())) return utf8_to_cp1250(buf.data());
            return utf8_to_cp1250(staged);
        }
    }
    return {};
}

int available_cpus() {
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) {
        const int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
#endif
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int>(n) : 1;
}

namespace {

// The lowest memory limit of the process's cgroup and of the cgroups above
// it: memory.max (cgroup v2) or memory.limit_in_bytes (the v1 memory
// controller); 0 when there is none.
std::uint64_t cgroup_memory_limit() {
    std::uint64_t lowest = 0;
#ifdef __linux__
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    while (std::getline(groups, line)) {
        // hierarchy-id:controllers:path
        const std::size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        std::string root, file;
        if (controllers.empty()) {
            root = "/sys/fs/cgroup";
            file = "/memory.max";
        } else if (controllers == "memory") {
            root = "/sys/fs/cgroup/memory";
            file = "/memory.limit_in_bytes";
        } else {
            continue;
        }
        for (std::string group = line.substr(second + 1);;) {
            if (!group.empty() && group.back() == '/') group.pop_back();
            std::ifstream limit(root + group + file);
            unsigned long long value = 0;  // "max" (no limit) reads as no number
            if (limit >> value && value > 0 && (lowest == 0 || value < lowest)) lowest = value;
            const std::size_t slash = group.rfind('/');
            if (slash == std::string::npos) break;
            group.resize(slash);
        }
    }
#endif
    return lowest;
}

}  // namespace

std::uint64_t usable_memory() {
    std::uint64_t usable = 0;
    const auto lower_to = [&](std::uint64_t limit) {
        if (limit > 0 && (usable == 0 || limit < usable)) usable = limit;
    };
#ifdef _SC_PHYS_PAGES
    const long pages = ::sysconf(_SC_PHYS_PAGES), page = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && page > 0) lower_to(static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page));
#endif
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit r{};
        if (::getrlimit(resource, &r) == 0 && r.rlim_cur != RLIM_INFINITY)
            lower_to(static_cast<std::uint64_t>(r.rlim_cur));
    }
    lower_to(cgroup_memory_limit());
    return usable;
}

void set_thread_priority(int priority) {
    // Nice values for lowest .. highest; raising the priority needs rights
    // that a user usually lacks, and then the call is simply refused.
    static const int kNice[5] = {19, 10, 0, -5, -10};
    const int index = priority >= -2 && priority <= 2 ? priority + 2 : 2;
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, tid, kNice[index]);
}

namespace {
bool terminal_is_utf8() {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            std::string s(v);
            for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            return s.find("utf-8") != std::string::npos || s.find("utf8") != std::string::npos;
        }
    }
    return false;
}
}  // namespace

void console_write(std::string_view cp1250) {
    static const bool utf8 = terminal_is_utf8();
    if (utf8) {
        const std::string out = cp1250_to_utf8(cp1250);
        std::fwrite(out.data(), 1, out.size(), stdout);
    } else {
        std::fwrite(cp1250.data(), 1, cp1250.size(), stdout);
    }
    std::fflush(stdout);
}

int console_read_char() { return std::getchar(); }

}  // namespace zemo::platform
