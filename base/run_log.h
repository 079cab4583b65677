// The run log: the single reporting channel of a run.
//
// Message types come in four bands; the band decides prefix, level filter,
// counting and whether the run ends:
//    0- 9 information     "--- "  levels 1, 2 (type 2 only at level 2)
//   10-19 heading, echo   "=== "  levels 1, 2 (type 12 only at level 2)
//   20-29 error           "+++ "  always; counted; the run goes on
//   30-39 fatal error     "*** "  always; the run ends with -100
// The units digit of an error type selects the kind line written after the
// prefix (0 "soubor nelze otevřít", 1 "soubor nelze vytvořit", 2 "nedostatek
// paměti", 3 "chybná vstupní data", 4 "chyba programu", 5-9 nothing); a
// detail text follows on its own line after seven blanks and "- ".
//
// The fatal path is one mechanism: a fatal message is written, the log file
// is flushed and closed, and FatalStop is thrown; the run that catches it
// closes its result tables as they stand (run/run.h).
// The console program catches it around its stages and exits with -100;
// the desktop program catches it per stage and returns -100 to its window.
//
// Log state: -1 while a log file is open, 0 after close, 1 after the copy.
// At level 0 nothing is opened until the first error, which creates the
// log at the on-demand path (default "zemo.log").
//
// Holding: a run does not know its inputs before it has read its project,
// so its log must not be created before then (a log aimed at the project
// or at a table would destroy it). After hold(), the lines meant for the
// log file are kept in memory; release() creates the file and writes them
// unchanged, release_to_console() shows them on the console instead and
// sends the rest of the run there.
//
//   hold --open--> held (lines in memory) --release--> file
//                                          \--release_to_console--> console
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>
#include <string_view>

#include "base/files.h"

namespace zemo {

// Thrown by a fatal message after every open file has been closed.
// A fatal message while the log captures (see RunLog::begin_capture).
struct DeferredFatal {};

struct FatalStop {
    int status = -100;
};

// The message types, by band (see above). The units digit of an error or
// fatal type is its kind line.
enum MessageType : int {
    kInformation = 1,    // "--- " at levels 1 and 2
    kDetail = 2,         // "--- " at level 2 only
    kHeading = 11,       // "=== " at levels 1 and 2
    kEcho = 12,          // "=== " at level 2 only: the project's values as read
    kErrorOpen = 20,     // "+++ soubor nelze otevřít"
    kErrorCreate = 21,   // "+++ soubor nelze vytvořit"
    kErrorMemory = 22,   // "+++ nedostatek paměti"
    kErrorData = 23,     // "+++ chybná vstupní data"
    kErrorProgram = 24,  // "+++ chyba programu"
    kErrorPlain = 25,    // "+++ " and the detail only
    kFatalOpen = 30,     // "*** soubor nelze otevřít", the run ends
    kFatalCreate = 31,
    kFatalMemory = 32,
    kFatalData = 33,
    kFatalProgram = 34,
    kFatalPlain = 35,
};

class RunLog {
public:
    int level = 1;
    bool opened = false;
    std::string on_demand_path = "zemo.log";
    std::string log_path;
    std::string copy_path;
    // When set, the copy is written afresh under copy_path and this suffix
    // (never through a file or link already there), and the run puts it in
    // place once it is complete.
    std::string copy_suffix;
    // The file name of the copy when it is not the log's own (a default
    // log that took a name of its own, "town-2.log", is copied as
    // "town.log").
    std::string copy_name;
    bool log_given = false;
    int error_count = 0;
    int log_state = 0;
    // The desktop program's quiet flag: while on, nothing is written into
    // the log stream and no log is created on demand; error and fatal lines
    // still reach the line sink, and a fatal message still ends the stage
    // (the readers rely on it), without a line in the log.
    bool quiet = false;
    // The directory a relative path of the log or its copy is taken in
    // (the run's computation directory); messages name the paths as given.
    std::string directory;

    // Back to the state before open (closes a log still open).
    void reset();

    // Level 0 only stores the on-demand path; levels 1 and 2 create the
    // file (an empty path means standard output). A file that cannot be
    // created is announced on the console and standard output is used.
    void open(const std::string& path, int level);
    // The desktop program's open: no standard-output fallback. An empty
    // path fails with the reason "*** LOG soubor musí být zadán", a file
    // that cannot be created with "Soubor nelze vytvořit - [ %s ]" (the
    // path); the log stays unopened then. Level 0 only stores the path.
    // True when the log is ready.
    bool open_or_fail(const std::string& path, int level, std::string& reason);

    // A message without a detail text.
    void message(MessageType type);
    // A message with its detail text (cut to the 1000-character buffer).
    void message(MessageType type, std::string_view text);
    // A message whose detail text is formatted (printf conventions).
    void messagef(MessageType type, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    // A message about a line of an input table: the message, then
    // "    (soubor: %s)" in the same band, and only then, for a fatal type,
    // the end of the stage.
    void message_with_file(MessageType type, std::string_view text, std::string_view file);
    // The fatal types as functions that do not return, for the readers'
    // control flow.
    [[noreturn]] void fatal(MessageType type, std::string_view text);
    [[noreturn]] void fatalf(MessageType type, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    [[noreturn]] void fatal_with_file(MessageType type, std::string_view text, std::string_view file);

    // Keeps the log's lines in memory until release (see above).
    void hold();
    bool held() const { return held_; }
    // The path the held log will be created at; empty when nothing would
    // be created (level 0 without an error, or standard output).
    std::string held_path() const;
    void release();
    void release_to_console();

    // Banner and section lines, without prefix, only when the level is
    // above 0; flushed to the system at once.
    void write(std::string_view text);
    void flush();

    // Writes the error count, closes the log and copies it to the copy
    // path unless the log path came from the command line. False when the
    // log or its copy lost a write (a full disk, say); the file is then
    // named on the console and to the line sink, since the log itself can
    // no longer carry the message.
    bool close();
    // True once a write of the log file has failed in this run.
    bool write_failed() const { return lost_ || file_.write_failed(); }

    bool writes_to_stdout() const { return to_stdout_; }

    // Every error and fatal message is also handed to sink as one line, as
    // the desktop program shows it: the prefix, the kind text without its
    // line end and, with a detail, ": " and the detail (the detail alone
    // after the prefix when the kind has no text).
    void set_line_sink(std::function<void(std::string_view)> sink) { sink_ = std::move(sink); }

    // The point loop reads points ahead of their rows. What the log gets
    // while a point is read is captured and replayed just before that
    // point's rows, so that the log keeps the order of the points whatever
    // the number of threads. A fatal message during a capture is captured
    // too and throws DeferredFatal instead of stopping the run: the loop
    // first writes the rows of the points before it, replays it, and then
    // stops the run with stop_deferred().
    struct Captured {
        std::vector<std::pair<bool, std::string>> items;  // (line for the sink, text)
        bool fatal = false;
    };
    void begin_capture();
    Captured end_capture();
    void replay(const Captured& captured);
    [[noreturn]] void stop_deferred() { stop_run(); }
    // True once a fatal message has ended a stage of this log's run (its
    // file closed as it stood).
    bool stopped_by_fatal() const { return stopped_; }
    // The log file closed as a fatal stop leaves it: no count, no copy.
    void close_file() { file_.close(); }

private:
    // Writes one message; true when it was a fatal one.
    bool emit_message(MessageType type, const std::string_view* text);
    [[noreturn]] void stop_run();
    void open_stream(const std::string& path);
    void put(std::string_view text);
    void continue_after_stop();
    // what: the file in the genitive ("protokolu", "kopie protokolu").
    void report_incomplete(const char* what, const std::string& path);

    File file_;
    std::function<void(std::string_view)> sink_;
    bool capturing_ = false;
    Captured capture_;
    bool to_stdout_ = false;
    bool stopped_ = false;  // a fatal message closed the log with every file
    bool lost_ = false;     // a write failed before the log was last reopened
    bool held_ = false;
    std::string held_file_;   // where the held log goes, once opened
    std::string shown_path_;  // the log's path as given, for messages
    std::string held_text_;
};


}  // namespace zemo
