// Shared by the fuzz targets: a scratch directory created once per process,
// the input handed to the reader as a file of it (from memory), a quiet run
// log and the reset of every process-wide record between inputs.
//
// Every target drives one reader in process on the bytes it is given. A
// reader ends a faulty input through a fatal message (FatalStop), which
// run_stage (or run_reader) catches; that is an ordinary outcome here. Anything the
// sanitizers or libFuzzer report (a crash, an out-of-bounds access,
// undefined behaviour, a leak, an allocation beyond the RSS limit, a
// timeout) is a fault of the reader.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "base/files.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "input/input_table.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "run/run.h"

// Every reader opens its file through stdio, whose buffer is a fresh block
// per input; with AddressSanitizer's default quarantine of 256 MiB each of
// them is new memory, page faults included, and that costs more than the
// reading itself. A small quarantine still holds every block freed while
// one input is read.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=8"; }

namespace zemo::fuzz {

// A directory of this process: the inputs are named as its files, and a
// target that writes (the desktop writer's round trip) writes there. Below
// $ZEMO_FUZZ_TMP
// when set (scripts/fuzz), else below /dev/shm when it exists (no disk
// writes at tens of thousands of inputs a second), else below the system's
// temporary directory. Removed when the process exits normally.
inline const std::string& scratch_directory() {
    // Never destroyed, so that the exit handler below can still use it.
    static const std::string* const dir = [] {
        std::error_code ec;
        const char* given = std::getenv("ZEMO_FUZZ_TMP");
        const std::filesystem::path root = given && *given ? std::filesystem::path(given)
                                           : std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string templ = (root / "zemo-fuzz-XXXXXX").string();
        if (!::mkdtemp(templ.data())) {
            std::perror("zemo fuzz: mkdtemp");
            std::abort();
        }
        auto* created = new std::string(templ);
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(*dir, e);
        });
        return created;
    }();
    return *dir;
}

// The inputs by path. The readers open them from memory through the file
// layer's hook (set_memory_files): no file system call per input.
inline std::map<std::string, std::string>& memory_inputs() {
    static auto* const inputs = new std::map<std::string, std::string>;  // never destroyed
    return *inputs;
}

inline const std::string* find_memory_input(const std::string& path) {
    const auto& inputs = memory_inputs();
    const auto found = inputs.find(path);
    return found == inputs.end() ? nullptr : &found->second;
}

// Gives the bytes to the readers as the file name in the scratch directory
// and returns its path.
inline std::string write_input(const std::string& name, const std::uint8_t* data, std::size_t size) {
    static const bool hooked = [] {
        set_memory_files(find_memory_input);
        return true;
    }();
    (void)hooked;
    std::string path = scratch_directory();
    path += '/';
    path += name;
    memory_inputs()[path].assign(reinterpret_cast<const char*>(data), size);
    return path;
}

// A log that writes nothing but runs at level 2, so that the echo and
// overview texts are still formatted; no log file is ever created.
// ZEMO_FUZZ_LOG=1 shows the log on standard output instead, to see what a
// reader made of one input (bin/fuzz_x input-file).
inline void quiet_log(RunLog& log) {
    static const bool show_log = std::getenv("ZEMO_FUZZ_LOG") != nullptr;
    if (show_log) {
        log.open("", 2);
        return;
    }
    log.quiet = true;
    log.level = 2;
    log.opened = true;
}

// Runs a reader of the target's own records: a fatal message ends it
// (FatalStop), an ordinary outcome of a faulty input.
template <typename Reader>
void run_reader(Reader&& reader) {
    try {
        reader();
    } catch (const FatalStop&) {
    }
}

// What a target's reader works with: a quiet log, the notes of numbers
// read in part and the context over both, fresh for every input.
struct Reading {
    RunLog log;
    PartialNumbers notes;
    InputContext in{log, notes};
    Reading() { quiet_log(log); }
};

// The memory a run may take is libFuzzer's RSS limit (scripts/fuzz), not
// the machine's, and it is not looked up again for every input.
inline constexpr std::uint64_t kMemoryLimit = 2048ull << 20;

// The table type of a table-reading target, chosen by the low three bits of
// the first input byte: detection on a text name or on a ".dbf" name, or
// one of the five type words of the project file.
inline InputTable choose_table(std::uint8_t selector, const std::string& text_path, const std::string& dbf_path) {
    InputTable table;
    switch (selector & 7) {
        case 1: table.path = dbf_path; break;
        case 2:
            table.path = text_path;
            set_type_from_keyword(table, "TSV");
            break;
        case 3:
            table.path = text_path;
            set_type_from_keyword(table, "CSV");
            break;
        case 4:
            table.path = text_path;
            set_type_from_keyword(table, "SSV");
            break;
        case 5:
            table.path = text_path;
            set_type_from_keyword(table, "FIX");
            break;
        case 6:
            table.path = dbf_path;
            set_type_from_keyword(table, "DBF");
            break;
        default: table.path = text_path; break;
    }
    return table;
}

// Writes the table bytes (the input after its first byte) under the name
// the choice needs.
inline void write_table(const InputTable& table, const std::uint8_t* data, std::size_t size) {
    const std::string& dir = scratch_directory();
    write_input(table.path.substr(dir.size() + 1), data, size);
}

inline std::string scratch_path(const char* name) {
    std::string path = scratch_directory();
    path += '/';
    path += name;
    return path;
}

}  // namespace zemo::fuzz
