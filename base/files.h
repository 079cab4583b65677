// Files of a run. Every file the model opens is a File, closed (and
// flushed) when it goes: a fatal message unwinds the readers' files, and
// the run closes the files of its records (the log, the result tables).
//
// Files are always opened in binary mode: text is written with CR LF line
// ends on every platform (write_text, print), and read_line accepts CR LF,
// LF and a lone CR as line ends. A write that fails (a full disk, say) is
// remembered, so that a run that lost output is reported instead of ending
// with "O.K.".
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zemo {

enum class FileOperation { Write, Flush, Close };

class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens path (Windows-1250) with a C mode ("r", "w", "rb", ...); false
    // when it cannot be opened. An open file is closed first.
    bool open(const std::string& path, const char* mode);
    // Opens path for reading ("r") only when it is a regular file: a
    // directory, a device (a link to /dev/zero), a FIFO (whose opening
    // would wait for a writer for ever) or a socket is not opened; false
    // then, as for a file that does not exist.
    bool open_regular(const std::string& path);
    // Creates path for writing only when nothing of that name exists (a
    // symbolic link is not followed): a temporary file nobody can plant.
    bool create_new(const std::string& path);
    // Flushes and closes; false when any write of the file failed.
    bool close();
    bool is_open() const { return handle_ != nullptr; }
    const std::string& path() const { return path_; }

    // Output. write_text turns every "\n" into "\r\n".
    void write_text(std::string_view text);
    void print(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void write_bytes(const void* data, std::size_t size);
    void put_byte(unsigned char byte) { write_bytes(&byte, 1); }
    bool flush();
    bool write_failed() const { return write_failed_; }
    // Why the last open or the first failed write failed (an errno value;
    // ENOSPC for a simulated full disk), 0 when nothing failed.
    int error() const { return error_; }

    // Input. read_line returns false at the end of the file; the line is
    // returned without its line end (CR LF, LF or a lone CR), so no CR can
    // reach a field or a number conversion.
    bool read_line(std::string& line);
    // read_line with a bound, for files whose lines have a documented
    // length: at most max characters of a line are read (its line end not
    // counted). A line that goes on after max characters is not read
    // further (a file of one endless line, /dev/zero, is never taken
    // whole): TooLong, with those max characters in line and the file left
    // where the reading stopped, so the caller refuses the file and reads
    // no more of it. End at the end of the file, as read_line's false.
    enum class LineRead { Line, End, TooLong };
    LineRead read_bounded_line(std::string& line, std::size_t max);
    std::size_t read_bytes(void* data, std::size_t size);
    // True when a read of the open file failed (as opposed to its end).
    bool read_failed() const { return handle_ != nullptr && std::ferror(handle_) != 0; }
    bool seek(long offset);
    long tell();
    // Size of the file in bytes, -1 when unknown.
    long size();

    // Test hook: makes every later write of this file fail, as on a full disk.
    void simulate_write_failure() { simulate_failure_ = true; }


private:
    bool open_with(const std::string& path, const char* mode, bool regular_only);
    // True when the fault hook (set_file_fault_hook) fails this operation.
    bool injected_failure(FileOperation operation, std::size_t bytes = 0);
    std::FILE* handle_ = nullptr;
    std::string path_;
    bool write_failed_ = false;
    int error_ = 0;
    // Marks a failed write with its reason (the first one is kept).
    void write_failure(bool simulated);
    bool writable_ = false;  // opened for writing: only then can a close lose data
    bool simulate_failure_ = false;
};

// Test hook of the file layer: asked before every write, flush and close
// of every File with the file's path (and for a write its size; a close
// only for a file opened for writing); when it answers true, the operation
// fails as on a full disk: a write writes nothing, a flush or a close is
// carried out but reported as failed. Tests set it around a run; there is
// no run-time option that reaches it. An empty function removes it. Not
// synchronised: set it only while no run is in progress.
using FileFaultHook = std::function<bool(const std::string& path, FileOperation operation, std::size_t bytes)>;
void set_file_fault_hook(FileFaultHook hook);

// Test hook of the file layer: while set, a path the lookup knows is
// opened for reading as a stream over the bytes the lookup returns (which
// must outlive the File), without the file system in between. The fuzz
// targets hand their inputs to the readers this way, tens of thousands a
// second. Write modes and unknown paths open files as always. POSIX only;
// nullptr removes it.
using MemoryFileLookup = const std::string* (*)(const std::string& path);
void set_memory_files(MemoryFileLookup lookup);

// The detail of a message about a file that could not be opened, created
// or written: the file as the message names it, then in brackets its full
// path (name as the file system took it, made absolute in the working
// directory) and the system's reason: "body.txt (/home/jan/body.txt:
// soubor nebo adresář neexistuje)". An empty shown gives the brackets
// alone, after a blank.
std::string with_cause(const std::string& shown, const std::string& name, int error);
// The reason line under a console line that is written without diacritics
// ("+++ Soubor nelze vytvorit - [ ... ]"): "+++   duvod: pristup odepren\n";
// empty for 0.
std::string console_reason(int error);

}  // namespace zemo
