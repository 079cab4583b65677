// A run as an object that a host runs again and again in one process:
// nothing of one run reaches the next, a fatal stop in the middle of the
// computation leaves nothing behind, and a stop requested by the host keeps
// exactly the rows of the points before it, in tables that are complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <thread>
#include <vector>

#include "run/console.h"
#include "run/run.h"
#include "tests/e2e/town_project.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::Town;

namespace fs = std::filesystem;

namespace {

const char* const kProjectA = "TYP=STANDARDNI\nFORMAT=TXT\nADRESAR=vysledky\n";
const char* const kProjectB = "TYP=ROZSIRENY\nFORMAT=DBF\nADRESAR=vysledky\nZAKLADNI=zaklad\n";
const char* const kPollutantB = "ORG=ORG, 5, 2, 12.5, Organicka latka\n";

// The console program in this process, from root, with -d naming the
// project's directory relatively: its exit code.
int console_uncaptured(const fs::path& root, const Town& town) {
    const std::string dir = fs::relative(town.dir.path(), root).string();
    std::vector<std::string> args = {"zemo", "-a", "-c", "-d", dir, "-i", "town.atm", "-l", "beh.log"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    return run_console(static_cast<int>(argv.size()), argv.data());
}
int console_in_process(const fs::path& root, const Town& town) {
    testing::internal::CaptureStdout();
    const int code = console_uncaptured(root, town);
    testing::internal::GetCapturedStdout();
    return code;
}

// The same project run alone, by the program in a process of its own.
test::ProgramResult console_alone(const fs::path& root, const Town& town) {
    const std::string dir = fs::relative(town.dir.path(), root).string();
    return test::run_zemo("-a -c -d '" + dir + "' -i town.atm -l beh.log", root);
}

std::vector<std::string> result_names(const Town& town) { return test::file_names_in(town.dir.native("vysledky")); }

// The log without its times and with the project's directory named DIR.
std::string log_without_times(const Town& town) {
    std::string log = town.log();
    log = std::regex_replace(log, std::regex(town.dir.path().filename().string()), "DIR");
    return std::regex_replace(log,
                              std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}|[0-9]+h [0-9]+m [0-9]+s|"
                                         "[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}"),
                              "T");
}

// Every result file and the log of twin equal those of town.
void expect_same_run(const Town& town, const Town& twin) {
    ASSERT_EQ(result_names(town), result_names(twin));
    for (const std::string& name : result_names(town))
        EXPECT_EQ(read_file(town.dir.file("vysledky/" + name)), read_file(twin.dir.file("vysledky/" + name))) << name;
    EXPECT_EQ(log_without_times(town), log_without_times(twin));
}

struct InProcessRuns : ::testing::Test {
    fs::path cwd = fs::current_path();
    fs::path root;
    void SetUp() override {
        Town probe("");
        root = probe.dir.path().parent_path();
        fs::current_path(root);
    }
    void TearDown() override { fs::current_path(cwd); }
    Town make(const char* results, const char* pollutants = "LAT=JINA, 200, 250, Modelova latka\n") {
        Town town(results, pollutants);
        fs::create_directory(town.dir.native("vysledky"));
        return town;
    }
};

}  // namespace

TEST_F(InProcessRuns, TwoProjectsAndTheFirstAgainGiveTheBytesOfSeparateRuns) {
    Town a = make(kProjectA), b = make(kProjectB, kPollutantB);
    Town a_alone = make(kProjectA), b_alone = make(kProjectB, kPollutantB);
    ASSERT_EQ(console_alone(root, a_alone).exit_code, 0) << a_alone.log();
    ASSERT_EQ(console_alone(root, b_alone).exit_code, 0) << b_alone.log();

    ASSERT_EQ(console_in_process(root, a), 0) << a.log();
    // The relative directory of the next run is found: the first run gave
    // the working directory back.
    EXPECT_EQ(fs::current_path(), root);
    expect_same_run(a, a_alone);
    ASSERT_EQ(console_in_process(root, b), 0) << b.log();
    expect_same_run(b, b_alone);
    EXPECT_EQ(result_names(b).size(), 6u);  // basic, four tables, the report
    fs::remove_all(a.dir.native("vysledky"));
    fs::create_directory(a.dir.native("vysledky"));
    ASSERT_EQ(console_in_process(root, a), 0) << a.log();
    expect_same_run(a, a_alone);
    EXPECT_EQ(fs::current_path(), root);
}

// Two runs at the same time on two threads of one process, each with its
// own project name, results and log, relative to the one working
// directory: each gives the bytes of a process of its own.
TEST_F(InProcessRuns, TwoProjectsOnTwoThreadsAtOnceGiveTheBytesOfSeparateRuns) {
    Town a = make(kProjectA), b = make(kProjectB, kPollutantB);
    Town a_alone = make(kProjectA), b_alone = make(kProjectB, kPollutantB);
    ASSERT_EQ(console_alone(root, a_alone).exit_code, 0) << a_alone.log();
    ASSERT_EQ(console_alone(root, b_alone).exit_code, 0) << b_alone.log();

    int status_a = -1, status_b = -1;
    testing::internal::CaptureStdout();
    std::thread run_a([&] { status_a = console_uncaptured(root, a); });
    std::thread run_b([&] { status_b = console_uncaptured(root, b); });
    run_a.join();
    run_b.join();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(status_a, 0) << a.log();
    ASSERT_EQ(status_b, 0) << b.log();
    EXPECT_EQ(fs::current_path(), root);
    expect_same_run(a, a_alone);
    expect_same_run(b, b_alone);
}

namespace {
// A fatal message in the middle of the computation, at the second point.
struct FatalAtSecondPoint {
    RunLog* log;
    int count = 0;
};
void fatal_at_second_point(const ReferencePoint&, const ConcMatrix&, void* context) {
    auto* fatal = static_cast<FatalAtSecondPoint*>(context);
    if (++fatal->count == 2) fatal->log->message(kFatalProgram, "test: konec uprostred vypoctu");
}
}  // namespace

TEST_F(InProcessRuns, AFatalStopInTheComputationLeavesNothingForTheNextRun) {
    Town a = make(kProjectA);
    Town a_alone = make(kProjectA);
    ASSERT_EQ(console_alone(root, a_alone).exit_code, 0);
    {
        zemo::Run run;
        RunOptions& opt = run.options();
        opt.installation_directory = test::staged_file() + "/";
        opt.computation_directory = fs::relative(a.dir.path(), root).string();
        opt.program_name = "zemo";
        opt.project_file = "town.atm";
        opt.log_file = "beh.log";
        opt.log_given = true;
        FatalAtSecondPoint fatal{&run.log()};
        run.hooks().point_observer = fatal_at_second_point;
        run.hooks().point_context = &fatal;
        testing::internal::CaptureStdout();
        EXPECT_EQ(run.execute(), -100);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(fatal.count, 2);
    }
    EXPECT_EQ(fs::current_path(), root);
    const std::string failed = a.log();
    EXPECT_NE(failed.find("*** chyba programu\r\n       - test: konec uprostred vypoctu\r\n"), std::string::npos)
        << failed;
    EXPECT_EQ(failed.find("O.K."), std::string::npos);
    EXPECT_NE(failed.find("\r\nVÝPOČET UKONČEN...\r\n"), std::string::npos) << failed;

    fs::remove_all(a.dir.native("vysledky"));
    fs::create_directory(a.dir.native("vysledky"));
    ASSERT_EQ(console_in_process(root, a), 0) << a.log();
    expect_same_run(a, a_alone);
}

namespace {
// A host that asks to stop before the third point and keeps what it sees.
struct StopAtThird : RunObserver {
    std::vector<std::pair<int, int>> progress_seen;
    std::vector<std::string> lines;
    void progress(int done, int total, const ReferencePoint&) override { progress_seen.emplace_back(done, total); }
    bool stop_requested() override { return progress_seen.back().first == 2; }
    void message_line(std::string_view line) override { lines.emplace_back(line); }
};
}  // namespace

// A stop ends the run at the point it is asked for, whatever the number of
// threads, and the previous results of the directory stay as they were:
// none of the stopped run's tables replaces them, none is left behind.
class StopAtThirdPoint : public InProcessRuns, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        InProcessRuns::SetUp();
        ::setenv("ZEMO_THREADS", GetParam(), 1);
    }
    void TearDown() override {
        ::unsetenv("ZEMO_THREADS");
        InProcessRuns::TearDown();
    }
};
INSTANTIATE_TEST_SUITE_P(Threads, StopAtThirdPoint, ::testing::Values("1", "2", "8"));

namespace {
std::map<std::string, std::string> result_bytes(const Town& town) {
    std::map<std::string, std::string> bytes;
    for (const std::string& name : result_names(town)) bytes[name] = read_file(town.dir.file("vysledky/" + name));
    return bytes;
}
}  // namespace

TEST_P(StopAtThirdPoint, LeavesThePreviousResultsAsTheyWere) {
    Town town = make("TYP=STANDARDNI\nFORMAT=DBF\nADRESAR=vysledky\n");
    ASSERT_EQ(console_in_process(root, town), 0) << town.log();
    const std::map<std::string, std::string> previous = result_bytes(town);
    ASSERT_EQ(previous.size(), 5u);  // the basic table and four of the pollutant
    StopAtThird host;
    {
        zemo::Run run(&host);
        RunOptions& opt = run.options();
        opt.installation_directory = test::staged_file() + "/";
        opt.computation_directory = town.dir.str();
        opt.program_name = "zemo";
        opt.project_file = "town.atm";
        opt.log_file = "beh.log";
        opt.log_given = true;
        testing::internal::CaptureStdout();
        EXPECT_EQ(run.execute(), -100);
        testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(host.progress_seen, (std::vector<std::pair<int, int>>{{0, 4}, {1, 4}, {2, 4}}));
    const std::string log = town.log();
    EXPECT_NE(log.find("+++        - Výpočet přerušen uživatelem!\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("O.K."), std::string::npos);
    EXPECT_NE(log.find("\r\nVÝPOČET UKONČEN...\r\n"), std::string::npos) << log;
    // The stop, and the negative emission of the third stack (two lines).
    EXPECT_NE(log.find("počet chybových zpráv: 3"), std::string::npos) << log;
    // No file was put in place: no digest line.
    EXPECT_EQ(log.find("soubor výsledků vysledky"), std::string::npos) << log;
    ASSERT_FALSE(host.lines.empty());
    EXPECT_EQ(host.lines.back(), utf8_to_cp1250("+++ Výpočet přerušen uživatelem!"));
    EXPECT_TRUE(result_bytes(town) == previous);
}

// A fatal message at the second point's rows: at eight threads the log and
// the tables hold what they hold at one.
TEST_F(InProcessRuns, AFatalStopAtTheSecondPointLeavesTheSameFilesAtEightThreads) {
    std::vector<std::string> logs;
    std::vector<std::vector<std::string>> tables;
    for (const char* threads : {"1", "8"}) {
        ::setenv("ZEMO_THREADS", threads, 1);
        Town town = make(kProjectA);
        {
            zemo::Run run;
            RunOptions& opt = run.options();
            opt.installation_directory = test::staged_file() + "/";
            opt.computation_directory = town.dir.str();
            opt.program_name = "zemo";
            opt.project_file = "town.atm";
            opt.log_file = "beh.log";
            opt.log_given = true;
            opt.message_level = 2;
            FatalAtSecondPoint fatal{&run.log()};
            run.hooks().point_observer = fatal_at_second_point;
            run.hooks().point_context = &fatal;
            testing::internal::CaptureStdout();
            EXPECT_EQ(run.execute(), -100);
            testing::internal::GetCapturedStdout();
            EXPECT_EQ(fatal.count, 2) << threads;
        }
        ::unsetenv("ZEMO_THREADS");
        logs.push_back(log_without_times(town));
        std::vector<std::string> bytes;
        for (const std::string& name : result_names(town))
            bytes.push_back(read_file(town.dir.file("vysledky/" + name)));
        tables.push_back(bytes);
    }
    EXPECT_EQ(logs[1], logs[0]);
    EXPECT_EQ(tables[1], tables[0]);
    EXPECT_NE(logs[0].find("výpočet pro referenční bod: R0002"), std::string::npos) << logs[0];
    EXPECT_EQ(logs[0].find("výpočet pro referenční bod: R0003"), std::string::npos) << logs[0];
}

namespace {
// The town's project run in this process at the given memory limit (0: the
// machine's): its exit code.
int run_town_within(const Town& town, const fs::path& root, std::uint64_t memory_limit) {
    zemo::Run run;
    RunOptions& opt = run.options();
    opt.installation_directory = test::staged_file() + "/";
    opt.computation_directory = fs::relative(town.dir.path(), root).string();
    opt.program_name = "zemo";
    opt.project_file = "town.atm";
    opt.log_file = "beh.log";
    opt.log_given = true;
    opt.memory_limit = memory_limit;
    testing::internal::CaptureStdout();
    const int status = run.execute();
    testing::internal::GetCapturedStdout();
    return status;
}
}  // namespace

// A run whose threads' matrices would not all fit in memory takes fewer
// threads: the same files as with all of them, and a line in the log that
// says so. A run that does not fit with one thread is refused, naming the
// source table, and ends without "O.K.". By hand from input/capacity.h for
// the town (three stacks, one pollutant, T threads):
//   64 MiB + 3 (2048 + 16) + T (3 (32 + 8) + 3 (512 + 6912))
//   = 67,115,056 + 22,392 T: 67,159,840 bytes at two threads, 67,137,448 at one.
TEST_F(InProcessRuns, ThreadsThatDoNotAllFitInMemoryAreFewerWithTheSameFiles) {
    ::setenv("ZEMO_THREADS", "2", 1);
    Town both = make(kProjectA), fewer = make(kProjectA), none = make(kProjectA);
    EXPECT_EQ(run_town_within(both, root, 0), 0) << both.log();
    EXPECT_EQ(run_town_within(fewer, root, 67159839), 0) << fewer.log();
    EXPECT_EQ(run_town_within(none, root, 67137447), -100) << none.log();
    ::unsetenv("ZEMO_THREADS");

    ASSERT_EQ(result_names(fewer), result_names(both));
    for (const std::string& name : result_names(both))
        EXPECT_EQ(read_file(fewer.dir.file("vysledky/" + name)), read_file(both.dir.file("vysledky/" + name))) << name;
    const std::string reduced =
        "--- Počet výpočetních vláken snížen z 2 na 1: s 2 vlákny by výpočet potřeboval 65 MiB paměti, k dispozici je "
        "64 MiB\r\n";
    EXPECT_NE(fewer.log().find(reduced), std::string::npos) << fewer.log();
    EXPECT_EQ(both.log().find("vláken"), std::string::npos) << both.log();

    const std::string refused = none.log();
    EXPECT_NE(refused.find("*** nedostatek paměti\r\n       - se zdroji ze souboru bodove.txt potřebuje výpočet "
                           "nejméně 65 MiB paměti (3 zdrojů), k dispozici je 64 MiB\r\n"),
              std::string::npos)
        << refused;
    EXPECT_EQ(refused.find("O.K."), std::string::npos) << refused;
    EXPECT_EQ(refused.find("VÝPOČET ZAHÁJEN"), std::string::npos) << refused;
}
