#include "base/run_log.h"

#include <cstdarg>

#include "base/format.h"
#include "base/platform.h"
#include "base/text.h"

namespace zemo {

void RunLog::reset() {
    file_.close();
    level = 1;
    opened = false;
    on_demand_path = "zemo.log";
    log_path.clear();
    copy_path.clear();
    copy_suffix.clear();
    copy_name.clear();
    log_given = false;
    error_count = 0;
    log_state = 0;
    quiet = false;
    to_stdout_ = false;
    sink_ = nullptr;
    stopped_ = false;
    lost_ = false;
    held_ = false;
    directory.clear();
    shown_path_.clear();
    held_file_.clear();
    held_text_.clear();
}

void RunLog::open_stream(const std::string& path) {
    opened = true;
    if (path.empty()) {
        to_stdout_ = true;
        return;
    }
    if (held_) {
        held_file_ = path;
        return;
    }
    shown_path_ = path;
    if (file_.open(platform::path_in_directory(directory, path), "w")) {
        to_stdout_ = false;
        log_state = -1;
        return;
    }
    platform::console_write(format("+++ Soubor nelze vytvorit - [ %s ]\n%s+++   pouzivam <stdout>\n", path.c_str(),
                                   console_reason(file_.error()).c_str()));
    to_stdout_ = true;
}

void RunLog::open(const std::string& path, int new_level) {
    level = new_level;
    if (level <= 0) {
        on_demand_path = path.empty() ? std::string("zemo.log") : path;
        return;
    }
    open_stream(path);
}

bool RunLog::open_or_fail(const std::string& path, int new_level, std::string& reason) {
    reason.clear();
    if (path.empty()) {
        reason = "*** LOG soubor musí být zadán"_cz;
        return false;
    }
    level = new_level;
    if (level <= 0) {
        on_demand_path = path;
        return true;
    }
    shown_path_ = path;
    const std::string name = platform::path_in_directory(directory, path);
    if (!file_.open(name, "w")) {
        // The full path and the system's reason follow in brackets.
        reason = format("Soubor nelze vytvořit - [ %s ]"_cz, path.c_str()) + with_cause("", name, file_.error());
        return false;
    }
    opened = true;
    to_stdout_ = false;
    log_state = -1;
    return true;
}

void RunLog::put(std::string_view text) {
    if (quiet) return;
    if (capturing_) {
        capture_.items.emplace_back(false, std::string(text));
        return;
    }
    if (to_stdout_) {
        platform::console_write(text);
        return;
    }
    if (held_) {
        held_text_.append(text);
        return;
    }
    continue_after_stop();
    file_.write_text(text);
}

// A host goes on after a fatal stop (the end of run with the failure
// status): the log, closed with every other file, is continued.
void RunLog::continue_after_stop() {
    if (!file_.is_open() && stopped_ && !file_.path().empty()) {
        // Reopening forgets the failures of the closed file; the log keeps them.
        if (file_.write_failed()) lost_ = true;
        file_.open(file_.path(), "a");
    }
}

void RunLog::hold() { held_ = true; }

std::string RunLog::held_path() const { return held_ && opened && !to_stdout_ ? held_file_ : std::string(); }

void RunLog::release() {
    if (!held_) return;
    held_ = false;
    const std::string text = std::move(held_text_);
    held_text_.clear();
    if (!opened || to_stdout_) return;
    open_stream(held_file_);
    put(text);
}

void RunLog::release_to_console() {
    if (!held_) return;
    held_ = false;
    if (opened && !to_stdout_) platform::console_write(held_text_);
    held_text_.clear();
    // The rest of the run, a level-0 error included, goes to the console.
    opened = true;
    to_stdout_ = true;
}

namespace {
const char* error_kind_text(int kind) {
    switch (kind) {
        case 0: return "soubor nelze otevřít\n"_cz;
        case 1: return "soubor nelze vytvořit\n"_cz;
        case 2: return "nedostatek paměti\n"_cz;
        case 3: return "chybná vstupní data\n"_cz;
        case 4: return "chyba programu\n"_cz;
        default: return "";
    }
}
}  // namespace

bool RunLog::emit_message(MessageType type, const std::string_view* text) {
    std::string_view detail;
    std::string cut;
    if (text) {
        detail = *text;
        if (detail.size() > kMessageBufferSize - 1) {
            cut.assign(detail.substr(0, kMessageBufferSize - 1));
            detail = cut;
        }
    }
    if (type >= 20 && type <= 39) {
        if (!opened && !quiet) open_stream(on_demand_path);
        put(type >= 30 ? "*** " : "+++ ");
        if (type < 30) ++error_count;
        put(error_kind_text(type % 10));
        if (text) put(format("       - %.*s\n", static_cast<int>(detail.size()), detail.data()));
        if (sink_) {
            std::string line = type >= 30 ? "*** " : "+++ ";
            std::string_view kind = error_kind_text(type % 10);
            if (!kind.empty() && kind.back() == '\n') kind.remove_suffix(1);
            line.append(kind);
            if (text) line.append(kind.empty() ? "" : ": ").append(detail);
            if (capturing_) capture_.items.emplace_back(true, std::move(line));
            else sink_(line);
        }
        return type >= 30;
    }
    if (type >= 10 && type <= 19) {
        if (level <= 0 || (type == 12 && level == 1)) return false;
        put("=== ");
    } else {
        if (level <= 0 || (type == 2 && level == 1)) return false;
        put("--- ");
    }
    if (text) put(format("%.*s\n", static_cast<int>(detail.size()), detail.data()));
    return false;
}

void RunLog::begin_capture() {
    capturing_ = true;
    capture_ = Captured{};
}

RunLog::Captured RunLog::end_capture() {
    capturing_ = false;
    return std::move(capture_);
}

void RunLog::replay(const Captured& captured) {
    for (const auto& [to_sink, text] : captured.items) {
        if (!to_sink) put(text);
        else if (sink_) sink_(text);
    }
}

void RunLog::stop_run() {
    if (capturing_) {
        capture_.fatal = true;
        throw DeferredFatal{};
    }
    stopped_ = true;
    std::fflush(stdout);
    // The log ends here; the run closes its other files as they stand
    // (Run, close_result_files_after_stop). The end of run reopens it.
    file_.close();
    throw FatalStop{};
}

void RunLog::message(MessageType type) {
    if (emit_message(type, nullptr)) stop_run();
}

void RunLog::message(MessageType type, std::string_view text) {
    if (emit_message(type, &text)) stop_run();
}

void RunLog::messagef(MessageType type, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const std::string text = vformat(fmt, args);
    va_end(args);
    message(type, text);
}

void RunLog::message_with_file(MessageType type, std::string_view text, std::string_view file) {
    const bool fatal = emit_message(type, &text);
    const std::string line = format("    (soubor: %.*s)", static_cast<int>(file.size()), file.data());
    const std::string_view line_view = line;
    emit_message(type, &line_view);
    if (fatal) stop_run();
}

void RunLog::fatal(MessageType type, std::string_view text) {
    message(type, text);
    stop_run();  // a non-fatal type given here still ends the stage
}

void RunLog::fatalf(MessageType type, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const std::string text = vformat(fmt, args);
    va_end(args);
    fatal(type, text);
}

void RunLog::fatal_with_file(MessageType type, std::string_view text, std::string_view file) {
    message_with_file(type, text, file);
    stop_run();
}

void RunLog::write(std::string_view text) {
    if (level <= 0 || !opened) return;
    put(text);
    // The banner and stage lines reach the file at once, so that the log
    // of a killed run shows how far it got.
    if (!capturing_) flush();
}

void RunLog::flush() {
    if (file_.is_open()) file_.flush();
}

void RunLog::report_incomplete(const char* what, const std::string& path) {
    // The console shows no diacritics, like its other lines.
    platform::console_write(format("+++ Zapis %s se nezdaril, soubor je neuplny - [ %s ]\n", what, path.c_str()));
    if (sink_) sink_(format("+++ zápis %s se nezdařil, soubor je neúplný: %s"_cz, what, path.c_str()));
}

bool RunLog::close() {
    release();
    if (error_count != 0 && opened) put(format("\npočet chybových zpráv: %i\n"_cz, error_count));
    if (!to_stdout_ && !held_ && !quiet && opened) continue_after_stop();
    if (to_stdout_ || !opened || !file_.is_open()) return !write_failed();
    const std::string written = file_.path();
    const bool log_written = file_.close() && !lost_;
    log_state = 0;
    if (!log_written) report_incomplete("protokolu", shown_path_);
    if (log_given || copy_path.empty()) return log_written;
    const std::string copy_name = platform::path_in_directory(directory, copy_path);
    // Copying a file onto itself would truncate it before it is read. The
    // run refuses such a copy before it starts; this guards the log itself.
    if (platform::file_key(copy_name) == platform::file_key(written)) return log_written;
    File copy;
    File source;
    bool created;
    if (copy_suffix.empty()) {
        created = copy.open(copy_name, "wb");
    } else {
        platform::remove_file(copy_name + copy_suffix);
        created = copy.create_new(copy_name + copy_suffix);
    }
    if (!created) {
        // No copy was made: there is no file to call incomplete.
        platform::console_write(format("+++ Kopii protokolu nelze vytvorit - [ %s ]\n%s", copy_path.c_str(),
                                       console_reason(copy.error()).c_str()));
        if (sink_)
            sink_(format("+++ kopii protokolu nelze vytvořit: %s"_cz,
                         with_cause(copy_path, copy_name, copy.error()).c_str()));
        return false;
    }
    if (!source.open(written, "rb")) {
        report_incomplete("kopie protokolu", copy_path);
        return false;
    }
    char buf[8192];
    std::size_t n;
    while ((n = source.read_bytes(buf, sizeof buf)) > 0) copy.write_bytes(buf, n);
    source.close();
    if (!copy.close()) {
        report_incomplete("kopie protokolu", copy_path);
        return false;
    }
    log_state = 1;
    return log_written;
}


}  // namespace zemo
