#include "base/files.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

#include "base/format.h"
#include "base/platform.h"
#include "base/text.h"

namespace zemo {

namespace {

FileFaultHook& fault_hook() {
    static FileFaultHook hook;
    return hook;
}
bool fault_hook_set = false;

MemoryFileLookup memory_files = nullptr;

// The file from the memory hook, for a read mode and a path it knows.
std::FILE* open_from_memory(const std::string& path, const char* mode) {
#ifdef _WIN32
    (void)path;
    (void)mode;
    return nullptr;
#else
    if (!memory_files || mode[0] != 'r' || std::string_view(mode).find('+') != std::string_view::npos) return nullptr;
    const std::string* bytes = memory_files(path);
    if (!bytes) return nullptr;
    // Read only: fmemopen never writes into the buffer in mode "r".
    return ::fmemopen(const_cast<char*>(bytes->data()), bytes->size(), "r");
#endif
}
}  // namespace

void set_memory_files(MemoryFileLookup lookup) { memory_files = lookup; }

void set_file_fault_hook(FileFaultHook hook) {
    fault_hook_set = static_cast<bool>(hook);
    fault_hook() = std::move(hook);
}

bool File::injected_failure(FileOperation operation, std::size_t bytes) {
    return fault_hook_set && fault_hook()(path_, operation, bytes);
}

File::~File() { close(); }

bool File::open(const std::string& path, const char* mode) { return open_with(path, mode, false); }

bool File::open_regular(const std::string& path) { return open_with(path, "r", true); }

bool File::create_new(const std::string& path) {
    close();
    write_failed_ = false;
    path_ = path;
    error_ = 0;
    errno = 0;
    handle_ = platform::create_new_file(path);
    if (!handle_) error_ = errno;
    writable_ = handle_ != nullptr;
    return handle_ != nullptr;
}

bool File::open_with(const std::string& path, const char* mode, bool regular_only) {
    close();
    write_failed_ = false;
    path_ = path;
    handle_ = open_from_memory(path, mode);
    error_ = 0;
    errno = 0;
    if (!handle_) handle_ = regular_only ? platform::open_regular_file(path) : platform::open_file(path, mode);
    if (!handle_) {
        error_ = errno;
        return false;
    }
    const std::string m = mode;
    writable_ = m.find_first_of("wa+") != std::string::npos;
    return true;
}

bool File::close() {
    if (!handle_) return !write_failed_;
    if (writable_ && injected_failure(FileOperation::Close)) write_failure(true);
    if (std::fflush(handle_) != 0) write_failure(false);
    if (std::fclose(handle_) != 0) write_failure(false);
    handle_ = nullptr;
    return !write_failed_;
}

void File::write_bytes(const void* data, std::size_t size) {
    if (!handle_ || size == 0) return;
    if (simulate_failure_ || injected_failure(FileOperation::Write, size)) write_failure(true);
    else if (std::fwrite(data, 1, size, handle_) != size) write_failure(false);
}

void File::write_failure(bool simulated) {
    if (!write_failed_) error_ = simulated || errno == 0 ? ENOSPC : errno;
    write_failed_ = true;
}

std::string with_cause(const std::string& shown, const std::string& name, int error) {
    const std::string full = platform::is_absolute_path(name) ? name : platform::current_directory() + name;
    if (error == 0) return shown + " (" + full + ")";
    return shown + " (" + full + ": " + platform::error_text(error) + ")";
}

std::string console_reason(int error) {
    if (error == 0) return std::string();
    return "+++   duvod: " + without_diacritics(platform::error_text(error)) + "\n";
}

void File::write_text(std::string_view text) {
    const std::string out = to_crlf(text);
    write_bytes(out.data(), out.size());
}

void File::print(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const std::string text = vformat(fmt, args);
    va_end(args);
    write_text(text);
}

bool File::flush() {
    if (!handle_) return false;
    if (simulate_failure_ || injected_failure(FileOperation::Flush)) write_failure(true);
    else if (std::fflush(handle_) != 0) write_failure(false);
    return !write_failed_;
}

namespace {
// A File is read by one thread at a time, so the stream's lock is not
// needed for every character.
inline int next_char(std::FILE* f) {
#ifdef _WIN32
    return std::getc(f);
#else
    return getc_unlocked(f);
#endif
}
}  // namespace

bool File::read_line(std::string& line) { return read_bounded_line(line, std::string::npos) == LineRead::Line; }

File::LineRead File::read_bounded_line(std::string& line, std::size_t max) {
    line.clear();
    if (!handle_) return LineRead::End;
    // One allocation for the lines of a table rather than a few per line.
    if (line.capacity() < 128) line.reserve(128);
    int c;
    bool any = false;
    while ((c = next_char(handle_)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (c == '\r') {
            // CR LF, or a lone CR as older programs end their lines.
            const int next = next_char(handle_);
            if (next != '\n' && next != EOF) std::ungetc(next, handle_);
            break;
        }
        if (line.size() >= max) {
            std::ungetc(c, handle_);
            return LineRead::TooLong;
        }
        line.push_back(static_cast<char>(c));
    }
    return any ? LineRead::Line : LineRead::End;
}

std::size_t File::read_bytes(void* data, std::size_t size) {
    if (!handle_) return 0;
    return std::fread(data, 1, size, handle_);
}

bool File::seek(long offset) { return handle_ && std::fseek(handle_, offset, SEEK_SET) == 0; }

long File::tell() { return handle_ ? std::ftell(handle_) : -1; }

long File::size() {
    if (!handle_) return -1;
    const long here = std::ftell(handle_);
    if (std::fseek(handle_, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(handle_);
    std::fseek(handle_, here, SEEK_SET);
    return end;
}

}  // namespace zemo
