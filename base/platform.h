// The platform layer: every call into the operating system goes through
// these functions, implemented once per platform (platform_posix.cpp,
// platform_windows.cpp). Paths are Windows-1250 text as everywhere in the
// program; the implementation converts them for the file system.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zemo::platform {

#ifdef _WIN32
inline constexpr char kDirSeparator = '\\';
#else
inline constexpr char kDirSeparator = '/';
#endif

// True for '\\' everywhere and for '/' where it separates directories.
constexpr bool is_dir_separator(char c) { return c == '\\' || c == '/'; }

// Where the file name of a path starts: after its last separator or drive
// colon (0 for a bare name).
inline std::size_t file_name_start(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (is_dir_separator(path[i - 1]) || path[i - 1] == ':') return i;
    return 0;
}

// The file name of a path without its extension ("C:\\proj\\city.atm" gives
// "city"); a name that begins with its only point keeps it.
inline std::string base_name(std::string_view path) {
    std::string name(path.substr(file_name_start(path)));
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

// dir with a directory separator at its end (one is appended when missing).
inline std::string with_separator(std::string dir) {
    if (dir.empty() || !is_dir_separator(dir.back())) dir.push_back(kDirSeparator);
    return dir;
}

// True when path names its file without a directory to start from: it
// begins with a separator or with a drive ("C:").
inline bool is_absolute_path(std::string_view path) {
    return (!path.empty() && is_dir_separator(path[0])) || (path.size() >= 2 && path[1] == ':');
}

// The name under which the file system finds path of a run whose files are
// given relative to directory (which ends in a separator): path itself when
// it is absolute or directory is empty, else directory + path. A run never
// relies on the process's working directory.
// A directory in the "\\?\" form is handed to the file system as it is,
// without its "." and ".." parts resolved and "/" taken as a separator;
// the joined name is therefore resolved here for it, part by part.
inline std::string path_in_directory(const std::string& directory, const std::string& path) {
    if (directory.empty() || path.empty() || is_absolute_path(path)) return path;
    const std::string joined = with_separator(directory) + path;
    const std::string_view verbatim = "\\\\?\\";
    if (joined.compare(0, verbatim.size(), verbatim) != 0) return joined;
    std::vector<std::string> parts;
    std::string part;
    const auto take = [&] {
        if (part == "..") {
            if (parts.size() > 1) parts.pop_back();  // never above the drive
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (std::size_t i = verbatim.size(); i < joined.size(); ++i) {
        if (is_dir_separator(joined[i])) take();
        else part.push_back(joined[i]);
    }
    take();
    std::string out(verbatim);
    for (std::size_t i = 0; i < parts.size(); ++i) out.append(i ? "\\" : "").append(parts[i]);
    if (is_dir_separator(joined.back())) out.push_back('\\');
    return out;
}

// Opens a file; the mode is a C mode, always used in binary form.
std::FILE* open_file(const std::string& path, const char* mode);
// Opens a file for reading when it is a regular file, nullptr otherwise
// (also for a directory, a device or a FIFO, whose opening does not wait
// for a writer).
std::FILE* open_regular_file(const std::string& path);
bool is_directory(const std::string& path);
bool is_regular_file(const std::string& path);
// The time a regular file was last written; false for anything else.
bool modification_time(const std::string& path, std::time_t& when);

// True when Windows can hold a file or directory of this name (one part of
// a path, no separator): no control character, none of < > : " / \ | ? *,
// no blank or dot at its end ("." and ".." aside), and no device name
// (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any case, also with
// an extension). A project that names such a file on Linux would fail on
// Windows, so every platform refuses it.
bool portable_file_name(std::string_view name);

// Creates a new file for writing; nullptr when path exists already (also
// as a symbolic link, which is never followed) or cannot be created.
std::FILE* create_new_file(const std::string& path);
// Renames from to to, replacing a file to may name; 0 on success, else the
// reason as an errno value (EBUSY: another program holds one of the files
// open, as Windows refuses to replace a table open in a spreadsheet).
int rename_replacing(const std::string& from, const std::string& to);
// Removes a file (a symbolic link itself, never its target); true when it
// is gone afterwards, also when there was none.
bool remove_file(const std::string& path);
// A new directory in parent (which must exist) named prefix and six
// unpredictable characters, readable by the user alone where the system
// has such rights; its path ends in the separator, empty when it cannot be
// made. No other user can have planted anything in it.
std::string make_private_directory(const std::string& parent, const std::string& prefix);
// A new empty file in dir named prefix, six unpredictable characters and
// suffix, created exclusively (never through a link) for the user alone;
// its path, empty when it cannot be created.
std::string create_unique_file(const std::string& dir, const std::string& prefix, const std::string& suffix);
// Removes an empty directory; true when it is gone afterwards.
bool remove_directory(const std::string& path);
// The errno value of the last failed call of this thread.
int last_error();
// The reason an errno value gives, in the program's Czech for messages
// ("přístup odepřen"); empty for 0. EINVAL is a file that is no regular
// file (a device, a FIFO), as open_regular_file refuses it.
std::string error_text(int error);

// An advisory lock on a file, taken without waiting and released by its
// destruction or the end of the process (also a killed one): POSIX flock,
// which conflicts between two opens of one file in one process too, and
// Windows LockFileEx on a byte range far beyond any content. The file is
// created when missing and never truncated by the lock; what it holds is
// written through the lock itself.
class FileLock {
public:
    enum class Result { Acquired, HeldElsewhere, Failed };
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Failed when the file cannot be opened or created (error() says why).
    Result acquire(const std::string& path);
    void release();
    bool held() const { return handle_ != kNoHandle; }
    int error() const { return error_; }
    // Replaces the file's content, or appends to it (flushed to the
    // system at once); false when the write failed.
    bool write(std::string_view text);
    bool append(std::string_view text);

private:
    // The file descriptor (POSIX) or HANDLE (Windows).
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;
    int error_ = 0;
};

// The directory for the logs of this user (created with its parents when
// missing, readable by the user alone where it is new): POSIX
// $XDG_STATE_HOME/zemo/log, else ~/.local/state/zemo/log; Windows
// %LOCALAPPDATA%\ZEMO\log. Ends in the separator; empty when it cannot be
// made.
std::string user_log_directory();
// The names of the entries of a directory (no "." and ".."); empty when
// it cannot be read.
std::vector<std::string> directory_entries(const std::string& dir);

// Signals of the console program: SIGINT and SIGTERM (Ctrl+C, Ctrl+Break
// and the closing of its console window on Windows) set *stop instead of
// ending the process, so that the run stops at its next point as the
// desktop's "Zastavit" stops it; SIGXFSZ is ignored, so that a write past
// the file-size limit fails and is reported instead of killing the
// process. nullptr gives SIGINT and SIGTERM their default again (the
// prompt after a run ends at Ctrl+C).
void handle_stop_signals(std::atomic<bool>* stop);
// SIGXFSZ ignored alone (the desktop program, the map tool), so that a
// write past the file-size limit is reported as a failed write.
void ignore_file_size_signal();

// A key that two paths share exactly when they name the same file: the
// file system's identity of an existing file (so a symbolic link, "./" or
// ".." reach the same key), else the identity of its directory and its
// name (case folded where names ignore case), else the normalised absolute
// path. Used to keep a run from writing over its own inputs or results.
std::string file_key(const std::string& path);

// The local calendar time of t (thread-safe).
std::tm local_time(std::time_t t);

bool change_directory(const std::string& dir);
std::string current_directory();  // ends in the directory separator
// dir as an absolute name, as the working directory would give it once
// changed to dir (links resolved on POSIX); ends in the separator; empty
// when dir does not exist.
std::string full_directory(const std::string& dir);
// True for a directory whose files can be reached (searched).
bool is_searchable_directory(const std::string& dir);

std::string executable_path();
// The program file's own version text, empty when it has none.
std::string program_version();
// The installation root registered for the version key ("1.0"), empty when
// the installation is missing.
std::string installation_root(const std::string& version_key);

// The CPUs this process may run on (its affinity, not the host's core
// count); at least 1.
int available_cpus();

// The memory this process may take, in bytes: the machine's physical
// memory, lowered by the limits the system places on the process (POSIX:
// the soft RLIMIT_AS and RLIMIT_DATA, and on Linux the memory.max of its
// cgroup and of every cgroup above it; Windows: the user address space).
// 0 when none of them can be found.
std::uint64_t usable_memory();

// -2 lowest .. 2 highest; a refusal to raise the priority is ignored.
void set_thread_priority(int priority);

// Console: Windows-1250 text is shown in the terminal's own encoding.
void console_write(std::string_view cp1250);
int console_read_char();

}  // namespace zemo::platform
