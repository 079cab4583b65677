// Windows side of the platform layer: the registry for the installation,
// the program file's version resource, wide-character file names.
#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <random>
#include <vector>

#include "base/platform.h"
#include "base/text.h"

namespace zemo::platform {

namespace {

std::wstring wide(const std::string& cp1250) {
    if (cp1250.empty()) return std::wstring();
    const int n = MultiByteToWideChar(1250, 0, cp1250.data(), static_cast<int>(cp1250.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(1250, 0, cp1250.data(), static_cast<int>(cp1250.size()), out.data(), n);
    return out;
}

std::string narrow(const std::wstring& w) {
    if (w.empty()) return std::string();
    const int n = WideCharToMultiByte(1250, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(1250, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::FILE* open_file(const std::string& path, const char* mode) {
    std::wstring m;
    for (const char* p = mode; *p; ++p)
        if (*p != 'b' && *p != 't') m.push_back(static_cast<wchar_t>(*p));
    m.push_back(L'b');
    return _wfopen(wide(path).c_str(), m.c_str());
}

bool is_directory(const std::string& path) {
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::FILE* open_regular_file(const std::string& path) {
    std::FILE* file = open_file(path, "r");
    if (!file) return nullptr;
    // A device ("NUL", "CON") or a pipe is no regular file.
    struct _stat64 st {};
    if (_fstat64(_fileno(file), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        std::fclose(file);
        return nullptr;
    }
    return file;
}

bool is_regular_file(const std::string& path) {
    const DWORD a = GetFileAttributesW(wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool modification_time(const std::string& path, std::time_t& when) {
    struct _stat64 st {};
    if (_wstat64(wide(path).c_str(), &st) != 0 || !(st.st_mode & _S_IFREG)) return false;
    when = static_cast<std::time_t>(st.st_mtime);
    return true;
}

namespace {
// Volume serial number and file index of an existing file or directory.
bool identity_of(const std::wstring& path, std::string& out) {
    const HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    if (!ok) return false;
    out = std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(info.nFileIndexHigh) + ":" +
          std::to_string(info.nFileIndexLow);
    return true;
}
}  // namespace

std::string file_key(const std::string& path) {
    // Keys are built by appending: GCC 12 warns falsely (-Wrestrict) about
    // a literal added to a temporary string.
    std::string id;
    std::string key;
    const std::wstring w = wide(path);
    if (identity_of(w, id)) return key.append("F").append(id);
    // A file still to be created: its directory and its name, whose case
    // Windows ignores.
    const std::size_t sep = path.find_last_of("\\/:");
    const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    std::string dir = sep == std::string::npos ? std::string(".") : path.substr(0, sep + 1);
    if (!name.empty() && name != "." && name != ".." && identity_of(wide(dir), id))
        return key.append("D").append(id).append("\\").append(to_upper(name));
    std::vector<wchar_t> full(4096);
    const DWORD n = GetFullPathNameW(w.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    return key.append("P").append(to_upper(n > 0 && n < full.size() ? narrow(std::wstring(full.data(), n)) : path));
}

namespace {

// The errno value of a Windows error, as the portable callers take it;
// a sharing violation (a file open in another program) is EBUSY.
int errno_of(DWORD code) {
    switch (code) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return EBUSY;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT: return EACCES;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_INVALID_NAME: return EINVAL;
        default: return EIO;
    }
}

// The lock's byte range: far beyond any content, so that the lock never
// keeps another process from reading what the file holds.
constexpr DWORD kLockOffsetHigh = 0x40000000;

}  // namespace

std::FILE* create_new_file(const std::string& path) {
    const int fd = _wopen(wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file) _close(fd);
    return file;
}

namespace {
// Six characters no other user can predict, from the system's generator.
std::string unpredictable_part() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string part;
    std::random_device system_generator;  // rand_s on MinGW-w64
    for (int i = 0; i < 6; ++i) part.push_back(letters[system_generator() % 36]);
    return part;
}
}  // namespace

std::string make_private_directory(const std::string& parent, const std::string& prefix) {
    // The user's temporary directory is the user's own on Windows; a new
    // directory inherits its rights.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = with_separator(parent) + prefix + unpredictable_part();
        if (CreateDirectoryW(wide(path).c_str(), nullptr)) return with_separator(path);
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

std::string create_unique_file(const std::string& dir, const std::string& prefix, const std::string& suffix) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = with_separator(dir) + prefix + unpredictable_part() + suffix;
        HANDLE h =
            CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return path;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return {};
    }
    return {};
}

bool remove_directory(const std::string& path) {
    if (RemoveDirectoryW(wide(path).c_str())) return true;
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

int rename_replacing(const std::string& from, const std::string& to) {
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    return errno_of(GetLastError());
}

bool remove_file(const std::string& path) {
    if (DeleteFileW(wide(path).c_str())) return true;
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

int last_error() { return errno_of(GetLastError()); }

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
    HANDLE h = CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error_ = errno_of(GetLastError());
        return Result::Failed;
    }
    OVERLAPPED range{};
    range.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        const DWORD code = GetLastError();
        CloseHandle(h);
        error_ = errno_of(code);
        return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING ? Result::HeldElsewhere : Result::Failed;
    }
    error_ = 0;
    handle_ = reinterpret_cast<std::intptr_t>(h);
    return Result::Acquired;
}

void FileLock::release() {
    if (handle_ == kNoHandle) return;
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED range{};
    range.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(h, 0, 1, 0, &range);
    CloseHandle(h);
    handle_ = kNoHandle;
}

namespace {
bool write_at_end(HANDLE h, std::string_view text, bool replace) {
    LARGE_INTEGER zero{};
    if (replace && (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(h))) return false;
    if (!SetFilePointerEx(h, zero, nullptr, FILE_END)) return false;
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return FlushFileBuffers(h) != 0;
}
}  // namespace

bool FileLock::write(std::string_view text) {
    return handle_ != kNoHandle && write_at_end(reinterpret_cast<HANDLE>(handle_), text, true);
}

bool FileLock::append(std::string_view text) {
    return handle_ != kNoHandle && write_at_end(reinterpret_cast<HANDLE>(handle_), text, false);
}

std::string user_log_directory() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::wstring dir(buffer, n);
    for (const wchar_t* part : {L"\\ZEMO", L"\\log"}) {
        dir += part;
        if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
    }
    return narrow(dir) + "\\";
}

std::vector<std::string> directory_entries(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(wide(with_separator(dir.empty() ? std::string(".") : dir) + "*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(narrow(name));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

namespace {
std::atomic<bool>* stop_flag = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
    if (!stop_flag) return FALSE;
    stop_flag->store(true);
    // The closing of the console window ends the process once this returns:
    // the run is given the time Windows allows (5 s) to stop at its next
    // point and put everything back.
    if (event == CTRL_CLOSE_EVENT) Sleep(4500);
    return TRUE;
}
}  // namespace

void handle_stop_signals(std::atomic<bool>* stop) {
    stop_flag = stop;
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

// Windows has no file-size signal.
void ignore_file_size_signal() {}

std::tm local_time(std::time_t t) {
    std::tm out{};
    localtime_s(&out, &t);
    return out;
}

bool change_directory(const std::string& dir) {
    // _wchdir also sets the per-drive current directory.
    return _wchdir(wide(dir).c_str()) == 0;
}

std::string current_directory() {
    std::vector<wchar_t> buf(4096);
    if (!_wgetcwd(buf.data(), static_cast<int>(buf.size()))) return ".\\";
    std::string dir = narrow(buf.data());
    if (dir.empty() || dir.back() != '\\') dir.push_back('\\');
    return dir;
}

std::string full_directory(const std::string& dir) {
    const std::wstring name = wide(dir);
    std::vector<wchar_t> buf(4096);
    const DWORD n = GetFullPathNameW(name.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
    if (n == 0 || n >= buf.size()) return {};
    std::string full = narrow(std::wstring(buf.data(), n));
    if (full.empty() || full.back() != '\\') full.push_back('\\');
    return full;
}

bool is_searchable_directory(const std::string& dir) { return is_directory(dir); }

std::string executable_path() {
    std::vector<wchar_t> buf(4096);
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    return n ? narrow(std::wstring(buf.data(), n)) : std::string();
}

std::string program_version() {
    std::vector<wchar_t> exe(4096);
    if (!GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()))) return {};
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.data(), &handle);
    if (size == 0) return {};
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(exe.data(), 0, size, data.data())) return {};
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\StringFileInfo\\040504E2\\FileVersion", reinterpret_cast<void**>(&value),
                        &length) ||
        length == 0)
        return {};
    return narrow(std::wstring(value, length > 0 && value[length - 1] == 0 ? length - 1 : length));
}

std::string installation_root(const std::string& version_key) {
    const std::wstring key = L"SOFTWARE\\ZEMO\\Model ZEMO\\" + wide(version_key);
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return {};
    wchar_t buf[1024];
    DWORD size = sizeof buf;
    DWORD type = 0;
    const LONG r = RegQueryValueExW(h, L"RootDir", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(h);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    std::wstring value(buf, size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return narrow(value);
}

int available_cpus() {
    DWORD_PTR process = 0, system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        int n = 0;
        for (; process != 0; process &= process - 1) ++n;
        return n;
    }
    return 1;
}

std::uint64_t usable_memory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    // A 32-bit process cannot address more than its user address space.
    const std::uint64_t physical = status.ullTotalPhys, address_space = status.ullTotalVirtual;
    return address_space > 0 && address_space < physical ? address_space : physical;
}

void set_thread_priority(int priority) {
    static const int kPriority[5] = {THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                     THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST};
    const int index = priority >= -2 && priority <= 2 ? priority + 2 : 2;
    SetThreadPriority(GetCurrentThread(), kPriority[index]);
}

void console_write(std::string_view cp1250) {
    // The console shows Windows-1250 bytes when its code page is 1250, so
    // the text goes out as wide characters to an interactive console.
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out != INVALID_HANDLE_VALUE && GetConsoleMode(out, &mode)) {
        const std::wstring w = wide(std::string(cp1250));
        DWORD written = 0;
        WriteConsoleW(out, w.data(), static_cast<DWORD>(w.size()), &written, nullptr);
        return;
    }
    std::fwrite(cp1250.data(), 1, cp1250.size(), stdout);
    std::fflush(stdout);
}

int console_read_char() { return std::getchar(); }

}  // namespace zemo::platform
