// A run whose output cannot be written completely is reported, never
// passed off as complete. The file layer's fault hook fails one chosen
// write, flush or close, as a full disk would, and the walk moves that
// fault over every file of a whole run of examples/town, in every result
// type and format: per file the header, the first row, the last row, the
// DBF completion, the first and the last flush and the close, and the same
// for the log and its copy. Every such run must end with status -100 and
// without "O.K.", and the log (or the console, when the log itself or its
// copy failed) must name the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "base/files.h"
#include "base/version.h"
#include "run/run.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::TempDir;

namespace fs = std::filesystem;

namespace {

// One operation of a file as the hook saw it; offset is where a write
// starts when the file is written straight through (the DBF completion,
// written after a seek to the header, is the file's last write).
struct Operation {
    FileOperation kind;
    std::size_t offset;
    std::size_t bytes;
};

// A copy of examples/town with its own installation directory (so that
// the log, written below the installation when no -l is given, and its
// copy in the results directory are the test's own), run in this process.
struct TownRun {
    fs::path root;
    fs::path installation() const { return root / "inst"; }
    fs::path project() const { return root / "town"; }
    fs::path results() const { return project() / "vysledky"; }
    fs::path log() const { return installation() / "log" / "town.log"; }

    TownRun(const fs::path& where, const std::string& type, const std::string& format) : root(where) {
        fs::create_directories(installation() / "log");
        for (const char* part : {"etc", "data"})
            fs::copy(fs::path(ZEMO_STAGED_ROOT) / part, installation() / part, fs::copy_options::recursive);
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / "examples" / "town", project(), fs::copy_options::recursive);
        std::string atm = read_file(project() / "town.atm");
        atm = std::regex_replace(atm, std::regex("TYP=STANDARDNI"), "TYP=" + type);
        atm = std::regex_replace(atm, std::regex("FORMAT=TXT"), "FORMAT=" + format);
        test::write_file(project() / "town.atm", atm);
#ifndef NDEBUG
        // An unoptimised build (the sanitizer build among them) walks over
        // the first 64 receptors of the town: every file and every kind of
        // injection point still, in a fifth of the time.
        const std::string points = read_file(project() / "body.txt");
        std::size_t end = 0;
        for (int line = 0; line < 64 && end != std::string::npos; ++line) end = points.find('\n', end + 1);
        test::write_file(project() / "body.txt", points.substr(0, end + 1));
#endif
    }

    struct Outcome {
        int status = 0;
        std::string console;
        std::string log;   // UTF-8
        std::string copy;  // UTF-8
    };
    // fresh: over an empty results directory; else over what the last run
    // left there.
    Outcome run(bool fresh = true) const {
        if (fresh) {
            fs::remove_all(results());
            fs::create_directory(results());
        }
        fs::remove(log());
        Outcome out;
        {
            zemo::Run run;
            RunOptions& opt = run.options();
            opt.installation_directory = test::text_path(installation()) + "/";
            opt.computation_directory = test::text_path(project());
            opt.program_name = "zemo";
            opt.version = program_version_text();
            opt.project_file = "town.atm";
            testing::internal::CaptureStdout();
            out.status = run.execute();
            out.console = testing::internal::GetCapturedStdout();
        }
        out.log = cp1250_to_utf8(read_file(log()));
        out.copy = cp1250_to_utf8(read_file(results() / "town.log"));
        return out;
    }
};

// The operations of every file, in their order, while the hook is set.
class Recorder {
public:
    Recorder() {
        set_file_fault_hook([this](const std::string& path, FileOperation kind, std::size_t bytes) {
            std::size_t& offset = offsets_[path];
            files_[path].push_back({kind, offset, bytes});
            offset += bytes;
            return false;
        });
    }
    ~Recorder() { set_file_fault_hook({}); }
    const std::map<std::string, std::vector<Operation>>& files() const { return files_; }

private:
    std::map<std::string, std::vector<Operation>> files_;
    std::map<std::string, std::size_t> offsets_;
};

// Fails, in each of the given files, the operation with the given index
// among the operations of that file.
class Injection {
public:
    explicit Injection(std::map<std::string, std::size_t> targets) : targets_(std::move(targets)) {
        set_file_fault_hook([this](const std::string& path, FileOperation, std::size_t) {
            const auto target = targets_.find(path);
            if (target == targets_.end()) return false;
            const std::size_t index = seen_[path]++;
            if (index != target->second) return false;
            ++fired_;
            return true;
        });
    }
    ~Injection() { set_file_fault_hook({}); }
    // Every target was reached.
    bool all_fired() const { return fired_ == targets_.size(); }

private:
    std::map<std::string, std::size_t> targets_;
    std::map<std::string, std::size_t> seen_;
    std::size_t fired_ = 0;
};

// The index of the first write of ops that covers byte offset at.
std::optional<std::size_t> write_covering(const std::vector<Operation>& ops, std::size_t at) {
    for (std::size_t i = 0; i < ops.size(); ++i)
        if (ops[i].kind == FileOperation::Write && ops[i].offset <= at && at < ops[i].offset + ops[i].bytes) return i;
    return std::nullopt;
}

struct Point {
    std::size_t index;
    std::string what;
};

// Where the walk fails a file: its header, first row and last row (from
// the bytes the file holds after a good run), the DBF completion, the
// first and last flush and the close.
std::vector<Point> injection_points(const std::vector<Operation>& ops, const std::string& bytes, bool dbf) {
    std::vector<Point> points;
    auto add = [&](std::optional<std::size_t> index, const char* what) {
        if (!index) return;
        for (const Point& p : points)
            if (p.index == *index) return;
        points.push_back({*index, what});
    };
    add(write_covering(ops, 0), "header");
    if (dbf && bytes.size() >= 12) {
        const auto u16 = [&](std::size_t at) {
            return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at])) |
                   static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
        };
        const std::size_t header = u16(8), record = u16(10);
        const std::size_t records = record ? (bytes.size() - header - 1) / record : 0;
        if (records > 0) {
            add(write_covering(ops, header), "first row");
            add(write_covering(ops, header + (records - 1) * record), "last row");
        }
        std::optional<std::size_t> last_write;
        for (std::size_t i = 0; i < ops.size(); ++i)
            if (ops[i].kind == FileOperation::Write) last_write = i;
        add(last_write, "DBF completion");
    } else {
        const std::size_t first_end = bytes.find('\n');
        if (first_end != std::string::npos && first_end + 1 < bytes.size()) {
            add(write_covering(ops, first_end + 1), "first row");
            const std::size_t last_start = bytes.rfind('\n', bytes.size() - 2);
            if (last_start != std::string::npos) add(write_covering(ops, last_start + 1), "last row");
        }
    }
    std::optional<std::size_t> first_flush, last_flush, close;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (ops[i].kind == FileOperation::Flush) {
            if (!first_flush) first_flush = i;
            last_flush = i;
        }
        if (ops[i].kind == FileOperation::Close) close = i;
    }
    add(first_flush, "first flush");
    add(last_flush, "last flush");
    add(close, "close");
    return points;
}

// The name a file the run wrote under its temporary name takes once the
// run puts it in place.
std::string in_place_name(const std::string& written) {
    const std::string suffix = kNewSuffix;
    const bool temporary =
        written.size() > suffix.size() && written.compare(written.size() - suffix.size(), suffix.size(), suffix) == 0;
    return temporary ? written.substr(0, written.size() - suffix.size()) : written;
}

bool names(const std::string& text, const std::string& path) {
    return text.find(cp1250_to_utf8(path)) != std::string::npos;
}

struct Walk {
    int points = 0;
    int files = 0;
};

// Walks the faults over every file the good run of this type and format
// writes; adds what it covered to walk.
void walk_over(const std::string& type, const std::string& format, Walk& walk) {
    SCOPED_TRACE(type + " " + format);
    TempDir dir;
    TownRun town(dir.path(), type, format);
    std::map<std::string, std::vector<Operation>> written;
    {
        Recorder recorder;
        const TownRun::Outcome good = town.run();
        ASSERT_EQ(good.status, 0) << good.log;
        ASSERT_NE(good.log.find("O.K."), std::string::npos);
        written = recorder.files();
    }
    // The paths as the run opened them (relative ones from the computation
    // directory), by the file they name once in place (each is written
    // under its temporary name).
    std::map<fs::path, std::string> opened_as;
    for (const auto& [raw, ops] : written) {
        fs::path p = test::native_path(in_place_name(raw));
        if (p.is_relative()) p = town.project() / p;
        opened_as[fs::weakly_canonical(p)] = raw;
    }
    // The files the run wrote: its results, the log and the copy.
    std::vector<fs::path> outputs;
    for (const auto& e : fs::directory_iterator(town.results()))
        if (e.path().filename() != ".gitignore" && !test::is_run_lock_file(e.path()))
            outputs.push_back(fs::weakly_canonical(e.path()));
    // The good run's results, which no failed run may change.
    std::map<std::string, std::string> good_results;
    for (const std::string& name : test::file_names_in(town.results()))
        good_results[name] = read_file(town.results() / name);
    outputs.push_back(fs::weakly_canonical(town.log()));
    std::sort(outputs.begin(), outputs.end());
    ASSERT_GE(outputs.size(), 3u);

    // The injection points of every file. The log and its copy are failed
    // one point per run, since a failed log changes what the run can say.
    // The result tables are failed together, one kind of point in every
    // table per run; each table must still be named on its own.
    std::map<std::string, std::map<std::string, std::size_t>> tables_by_point;  // what -> path -> index
    std::vector<std::pair<std::string, Point>> log_points;                      // path, point
    for (const fs::path& file : outputs) {
        SCOPED_TRACE(file.string());
        ASSERT_TRUE(opened_as.count(file)) << "no operation of the file was seen";
        const std::string& path = opened_as.at(file);
        const std::vector<Point> points =
            injection_points(written.at(path), read_file(file), file.extension() == ".dbf");
        // At least a write and the close.
        ASSERT_GE(points.size(), 2u);
        ++walk.files;
        walk.points += static_cast<int>(points.size());
        const bool log_or_copy = file.filename() == "town.log";
        for (const Point& point : points) {
            if (log_or_copy) log_points.emplace_back(path, point);
            else tables_by_point[point.what][path] = point.index;
        }
    }

    for (const auto& [what, targets] : tables_by_point) {
        SCOPED_TRACE(what);
        TownRun::Outcome out;
        {
            Injection fault(targets);
            out = town.run(false);
            EXPECT_TRUE(fault.all_fired());
        }
        EXPECT_EQ(out.status, -100);
        EXPECT_EQ(out.log.find("O.K."), std::string::npos);
        // Every file of the good run as it was, its log copy included, and
        // no temporary file left.
        std::map<std::string, std::string> after;
        for (const std::string& name : test::file_names_in(town.results()))
            after[name] = read_file(town.results() / name);
        EXPECT_TRUE(after == good_results);
        // The run opens its files in its computation directory; its
        // messages name them as the project gives them.
        const std::string directory = test::text_path(town.project()) + "/";
        for (const auto& [written, index] : targets) {
            const std::string path = in_place_name(written);
            const std::string given = path.rfind(directory, 0) == 0 ? path.substr(directory.size()) : path;
            EXPECT_TRUE(names(out.log, given)) << given << "\n" << out.log;
        }
    }
    for (const auto& [path, point] : log_points) {
        SCOPED_TRACE(path + " " + point.what);
        TownRun::Outcome out;
        {
            Injection fault({{path, point.index}});
            out = town.run();
            EXPECT_TRUE(fault.all_fired());
        }
        EXPECT_EQ(out.status, -100);
        // The console names the file the log could not hold.
        const std::size_t at = out.console.find("+++ Zapis");
        ASSERT_NE(at, std::string::npos) << out.console.substr(out.console.size() -
                                                               std::min<std::size_t>(out.console.size(), 500));
        const std::string directory = test::text_path(town.project()) + "/";
        const std::string shown = in_place_name(path);
        const std::string given = shown.rfind(directory, 0) == 0 ? shown.substr(directory.size()) : shown;
        EXPECT_NE(out.console.find(test::console_text(given), at), std::string::npos) << out.console.substr(at);
    }
}

}  // namespace

class WriteFailureWalk : public ::testing::TestWithParam<const char*> {};

TEST_P(WriteFailureWalk, EveryFailedWriteOfEveryFileIsReported) {
    Walk walk;
    for (const char* format : {"TXT", "DBF"}) walk_over(GetParam(), format, walk);
    // Counted for the record of the walk (ctest -V shows it).
    std::printf("write-failure walk %s: %d injection points over %d files\n", GetParam(), walk.points, walk.files);
    EXPECT_GT(walk.points, 0);
}

INSTANTIATE_TEST_SUITE_P(ResultTypes, WriteFailureWalk, ::testing::Values("ZAKLADNI", "STANDARDNI", "ROZSIRENY"));

// The same on a real file system that runs full: a small tmpfs mounted in
// a mount namespace of its own (root only; skipped with a message where
// it cannot be mounted). The program runs as a process of its own.
namespace {

struct FullDisk {
    TempDir dir;
    fs::path mount() const { return dir.path() / "full"; }
    fs::path project() const { return dir.path() / "town"; }
    fs::path saved() const { return dir.path() / "saved"; }
    int status = -1;
    std::string console;
    bool mounted = false;

    // results_on_it: the results directory is the small file system.
    explicit FullDisk(bool results_on_it) {
        fs::create_directory(mount());
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / "examples" / "town", project(), fs::copy_options::recursive);
        if (!results_on_it) return;
        std::string atm = read_file(project() / "town.atm");
        atm = std::regex_replace(atm, std::regex("ADRESAR=vysledky"), "ADRESAR=" + test::text_path(mount()));
        test::write_file(project() / "town.atm", atm);
    }
    // Mounts a tmpfs of size_kib over mount(), fills it with filler_kib of
    // zeros, runs zemo with args in the project and keeps a copy of what
    // the file system held in saved() (the mount ends with the namespace).
    void run(int size_kib, int filler_kib, const std::string& args) {
        const std::string d = dir.path().string(), m = mount().string();
        std::string script = "mount -t tmpfs -o size=" + std::to_string(size_kib) + "k tmpfs '" + m + "' || exit 77; ";
        if (filler_kib) script += "head -c " + std::to_string(filler_kib * 1024) + " /dev/zero > '" + m + "/filler'; ";
        script += "cd '" + project().string() +
                  "' && env XDG_CONFIG_DIRS=/nonexistent-zemo XDG_CONFIG_HOME=/nonexistent-zemo LANG=C ZEMO_THREADS=2 "
                  "'" ZEMO_EXE "' -a -c -i town.atm " +
                  args + " < /dev/null > '" + d + "/console' 2>&1; echo $? > '" + d + "/status'; cp -r '" + m + "' '" +
                  saved().string() + "'";
        test::write_file(dir.file("full.sh"), script);
        const std::string command = "unshare --mount --propagation private sh '" + dir.native("full.sh").string() +
                                    "' > '" + d + "/unshare.txt' 2>&1";
        const int rc = std::system(command.c_str());
        mounted = WIFEXITED(rc) && WEXITSTATUS(rc) == 0 && fs::exists(dir.native("status"));
        if (!mounted) return;
        status = std::stoi(read_file(dir.file("status")));
        console = read_file(dir.file("console"));
    }
    std::string why_not_mounted() const { return read_file(dir.file("unshare.txt")); }
};

}  // namespace

TEST(FullDisk, ResultTablesThatRunOutOfSpaceAreNamedAndTheRunFails) {
    FullDisk disk(true);
    // 64 KiB hold the first blocks of every table, not the tables.
    disk.run(64, 0, "-l '" + disk.dir.native("beh.log").string() + "'");
    if (!disk.mounted) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.why_not_mounted();
    EXPECT_EQ(disk.status, 156);  // -100
    const std::string log = cp1250_to_utf8(read_file(disk.dir.file("beh.log")));
    EXPECT_EQ(log.find("O.K."), std::string::npos);
    // The tables the file system could not hold are named, and none of
    // them is left behind (no table of this run replaced anything).
    int short_tables = 0;
    for (std::size_t at = 0; (at = log.find("soubor výsledků je neúplný: ", at)) != std::string::npos; ++at)
        ++short_tables;
    EXPECT_GT(short_tables, 10) << log;
    EXPECT_TRUE(test::file_names_in(disk.saved()).empty());
}

TEST(FullDisk, ALogThatRunsOutOfSpaceIsNamedOnTheConsoleAndTheRunFails) {
    FullDisk disk(false);
    // The file system is full before the run starts: the log is created
    // but can hold nothing.
    disk.run(4, 4, "-l '" + disk.mount().string() + "/beh.log'");
    if (!disk.mounted) GTEST_SKIP() << "no tmpfs could be mounted here: " << disk.why_not_mounted();
    EXPECT_EQ(disk.status, 156);
    EXPECT_NE(disk.console.find("+++ Zapis protokolu se nezdaril, soubor je neuplny - [ " +
                                test::text_path(disk.mount()) + "/beh.log ]"),
              std::string::npos)
        << disk.console.substr(disk.console.size() - std::min<std::size_t>(disk.console.size(), 400));
    // A run without its record is not complete: its results are not put
    // in place, and their temporary files are gone.
    for (const std::string& name : test::file_names_in(disk.project() / "vysledky"))
        EXPECT_TRUE(name == ".gitignore") << name;
}
