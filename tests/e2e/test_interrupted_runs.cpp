// A run that does not complete leaves the results of the directory as they
// were: the console program stopped by SIGTERM or SIGINT, killed by
// SIGKILL, or writing past the file-size limit; a second run into the same
// output directory is refused; two runs of projects of one name each keep a
// log of their own. The program runs as a process of its own, on a project
// long enough to be interrupted in its computation.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/platform.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::TempDir;

namespace fs = std::filesystem;

namespace {

// examples/town with a grid of 100 x 100 receptors (town.atm, several
// seconds of computation) and the same project with four receptors
// (maly.atm, an instant), both into vysledky; an installation of its own,
// so that the default logs are the test's.
struct LongTown {
    TempDir dir;
    fs::path project() const { return dir.path() / "town"; }
    fs::path results() const { return project() / "vysledky"; }
    fs::path installation() const { return dir.path() / "inst"; }
    fs::path console_file() const { return dir.path() / "console.txt"; }

    LongTown() {
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / "examples" / "town", project(), fs::copy_options::recursive);
        std::ostringstream grid;
        for (int i = 0; i < 100; ++i)
            for (int j = 0; j < 100; ++j)
                grid << 'G' << i * 100 + j << '\t' << -742000 + 20 * i << ".0\t" << -1047000 + 20 * j
                     << ".0\t305.0\t1.5\t1\r\n";
        test::write_file(project() / "body.txt", grid.str());
        const std::string atm = read_file(project() / "town.atm");
        test::write_file(project() / "maly.atm", replaced(atm, "SOUBOR=body.txt", "SOUBOR=maly_body.txt"));
        test::write_file(project() / "maly_body.txt",
                         "M1\t-741550.0\t-1046550.0\t305.8\t1.5\t1\r\n"
                         "M2\t-741450.0\t-1046550.0\t305.6\t1.5\t1\r\n");
        fs::create_directories(installation() / "log");
        for (const char* part : {"etc", "data"})
            fs::copy(fs::path(ZEMO_STAGED_ROOT) / part, installation() / part, fs::copy_options::recursive);
        fs::create_directories(dir.path() / "xdg" / "ZEMO");
        test::write_file(dir.path() / "xdg" / "ZEMO" / "Model ZEMO.conf",
                         "[1.0]\nRootDir=" + installation().string() + "\n");
    }
    static std::string replaced(std::string text, const std::string& what, const std::string& with) {
        const std::size_t at = text.find(what);
        if (at != std::string::npos) text.replace(at, what.size(), with);
        return text;
    }

    // Starts zemo in the project's directory with args; file_limit (bytes)
    // limits the size of every file it writes, open_files the number of
    // files it may hold open.
    pid_t start(const std::vector<std::string>& args, long file_limit = 0, long open_files = 0) const {
        const std::string config = (dir.path() / "xdg").string();
        const std::string console = console_file().string();
        const std::string where = project().string();
        std::vector<std::string> argv_text{ZEMO_EXE, "-a", "-c"};
        argv_text.insert(argv_text.end(), args.begin(), args.end());
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        // The child: nothing but system calls until exec.
        std::vector<char*> argv;
        for (std::string& a : argv_text) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::setenv("XDG_CONFIG_DIRS", config.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", "/nonexistent-zemo", 1);
        ::setenv("LANG", "C", 1);
        if (::chdir(where.c_str()) != 0) ::_exit(120);
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0) ::_exit(121);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        if (file_limit > 0) {
            const rlimit limit{static_cast<rlim_t>(file_limit), static_cast<rlim_t>(file_limit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (open_files > 0) {
            const rlimit limit{static_cast<rlim_t>(open_files), static_cast<rlim_t>(open_files)};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
        ::execv(argv[0], argv.data());
        ::_exit(122);
    }
    // Waits until the console shows the computation under way (point 20).
    bool computing() const {
        for (int i = 0; i < 600; ++i) {
            if (read_file(console_file()).find("Pocitam 20. bod") != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // The exit code, or 1000 + the signal that ended the process.
    static int wait(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }
    int run(const std::vector<std::string>& args) const { return wait(start(args)); }

    // What the results directory holds, the lock file aside.
    std::map<std::string, std::string> results_now() const {
        std::map<std::string, std::string> files;
        for (const std::string& name : test::file_names_in(results())) files[name] = read_file(results() / name);
        return files;
    }
    // A complete earlier set: the small project's results and a log copy
    // of the long one.
    std::map<std::string, std::string> earlier_results() const {
        EXPECT_EQ(run({"-i", "maly.atm"}), 0) << read_file(console_file());
        test::write_file(results() / "town.log", "the log copy of an earlier run");
        const auto files = results_now();
        EXPECT_GE(files.size(), 18u);  // 17 tables, two log copies, .gitignore
        return files;
    }
    std::string log(const std::string& name = "beh.log") const { return cp1250_to_utf8(read_file(project() / name)); }
};

bool any_temporary_file(const fs::path& dir) {
    for (const std::string& name : test::file_names_in(dir))
        if (name.find(".zemo-") != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(InterruptedRun, ASignalStopsTheRunAtItsNextPointAndTheEarlierResultsStay) {
    for (const auto& [signal, threads] : {std::pair{SIGTERM, "1"}, std::pair{SIGINT, "2"}}) {
        SCOPED_TRACE(std::string(signal == SIGTERM ? "SIGTERM" : "SIGINT") + ", threads " + threads);
        LongTown town;
        const auto earlier = town.earlier_results();
        ::setenv("ZEMO_THREADS", threads, 1);
        const pid_t pid = town.start({"-i", "town.atm", "-l", "beh.log"});
        ::unsetenv("ZEMO_THREADS");
        ASSERT_TRUE(town.computing()) << read_file(town.console_file());
        ::kill(pid, signal);
        EXPECT_EQ(LongTown::wait(pid), 156);  // -100
        const std::string log = town.log();
        EXPECT_NE(log.find("+++        - Výpočet přerušen uživatelem!\r\n"), std::string::npos) << log;
        EXPECT_NE(log.find("\r\nVÝPOČET UKONČEN...\r\n"), std::string::npos) << log;
        EXPECT_EQ(log.find("O.K."), std::string::npos) << log;
        EXPECT_TRUE(town.results_now() == earlier);
        EXPECT_FALSE(any_temporary_file(town.results()));
    }
}

TEST(InterruptedRun, AKilledRunLeavesTheEarlierResultsAndTheNextRunClearsUp) {
    LongTown town;
    const auto earlier = town.earlier_results();
    const pid_t pid = town.start({"-i", "town.atm", "-l", "beh.log"});
    ASSERT_TRUE(town.computing()) << read_file(town.console_file());
    ::kill(pid, SIGKILL);
    EXPECT_EQ(LongTown::wait(pid), 1000 + SIGKILL);
    // Its log shows how far it got.
    EXPECT_NE(town.log().find("VÝPOČET ZAHÁJEN\r\n"), std::string::npos) << town.log();
    EXPECT_TRUE(any_temporary_file(town.results()));
    for (const auto& [name, bytes] : earlier) EXPECT_EQ(read_file(town.results() / name), bytes) << name;
    // The next run into the directory removes what the killed one left.
    ASSERT_EQ(town.run({"-i", "maly.atm"}), 0) << read_file(town.console_file());
    EXPECT_FALSE(any_temporary_file(town.results()));
    // The same small run again: the same tables; its log copy differs by
    // its times only, the long run's copy is the earlier one.
    auto now = town.results_now(), before = earlier;
    EXPECT_NE(cp1250_to_utf8(now["maly.log"]).find("VÝPOČET UKONČEN... O.K."), std::string::npos);
    now.erase("maly.log");
    before.erase("maly.log");
    EXPECT_TRUE(now == before);
}

TEST(InterruptedRun, WritingPastTheFileSizeLimitIsReportedAndReplacesNothing) {
    LongTown town;
    const auto earlier = town.earlier_results();
    // The tables grow past 256 KiB during the computation; the log stays
    // below it.
    EXPECT_EQ(LongTown::wait(town.start({"-i", "town.atm", "-l", "beh.log"}, 256 * 1024)), 156);
    const std::string log = town.log();
    EXPECT_NE(log.find("zápis se nezdařil, soubor výsledků je neúplný: vysledky/"), std::string::npos) << log;
    EXPECT_EQ(log.find("O.K."), std::string::npos) << log;
    EXPECT_TRUE(town.results_now() == earlier);
    EXPECT_FALSE(any_temporary_file(town.results()));
}

// Too few file descriptors for the 17 tables: the run fails before any
// earlier table is touched, and says why.
TEST(InterruptedRun, TooFewFileDescriptorsReplaceNothingAndAreNamedAsTheReason) {
    LongTown town;
    const auto earlier = town.earlier_results();
    EXPECT_EQ(LongTown::wait(town.start({"-i", "maly.atm", "-l", "beh.log"}, 0, 16)), 156);
    const std::string log = town.log();
    EXPECT_NE(log.find("*** soubor nelze vytvořit\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(": příliš mnoho otevřených souborů)\r\n"), std::string::npos) << log;
    EXPECT_TRUE(town.results_now() == earlier);
    EXPECT_FALSE(any_temporary_file(town.results()));
}

TEST(InterruptedRun, ASecondRunIntoTheSameOutputDirectoryIsRefused) {
    LongTown town;
    const auto earlier = town.earlier_results();
    {
        // The directory's lock held by another program.
        platform::FileLock held;
        ASSERT_EQ(held.acquire(test::text_path(town.results() / kLockFileName)), platform::FileLock::Result::Acquired);
        held.write(utf8_to_cp1250("projekt jiny.atm\nzahájen 10.12.2026  08:00:00\n"));
        EXPECT_EQ(town.run({"-i", "maly.atm", "-l", "beh.log"}), 156);
        const std::string log = town.log();
        EXPECT_NE(log.find("***        - do výstupního adresáře zapisuje jiný probíhající výpočet (projekt jiny.atm, "
                           "zahájen 10.12.2026  08:00:00): vysledky/\r\n"),
                  std::string::npos)
            << log;
        EXPECT_TRUE(town.results_now() == earlier);
    }
    // A real second run while the long one computes.
    const pid_t first = town.start({"-i", "town.atm", "-l", "prvni.log"});
    ASSERT_TRUE(town.computing()) << read_file(town.console_file());
    const pid_t second = town.start({"-i", "maly.atm", "-l", "druhy.log"});
    EXPECT_EQ(LongTown::wait(second), 156);
    EXPECT_NE(town.log("druhy.log").find("jiný probíhající výpočet (projekt town.atm, zahájen "), std::string::npos)
        << town.log("druhy.log");
    ::kill(first, SIGTERM);
    EXPECT_EQ(LongTown::wait(first), 156);
    EXPECT_TRUE(town.results_now() == earlier);
}

TEST(InterruptedRun, TwoRunsOfOneProjectNameKeepALogEach) {
    LongTown town;
    // A second directory with a small project also called town.atm.
    const fs::path other = town.dir.path() / "druhy";
    fs::create_directories(other / "vysledky");
    for (const char* name : {"bodove.txt", "liniove.txt", "plosne.txt", "ruzice.txt", "maly_body.txt"})
        fs::copy_file(town.project() / name, other / name);
    fs::copy_file(town.project() / "maly.atm", other / "town.atm");

    const pid_t first = town.start({"-i", "town.atm"});
    ASSERT_TRUE(town.computing()) << read_file(town.console_file());
    EXPECT_EQ(town.run({"-d", other.string(), "-i", "town.atm"}), 0) << read_file(town.console_file());
    ::kill(first, SIGTERM);
    EXPECT_EQ(LongTown::wait(first), 156);

    const std::string first_log = read_file(town.installation() / "log" / "town.log");
    const std::string second_log = read_file(town.installation() / "log" / "town-2.log");
    // Each log describes its own run only, and the copy keeps the
    // project's name and the bytes of its own run's log.
    EXPECT_NE(first_log.find("(celkem 10000)"), std::string::npos) << cp1250_to_utf8(first_log);
    EXPECT_EQ(first_log.find("O.K."), std::string::npos);
    EXPECT_NE(second_log.find("(celkem 2)"), std::string::npos) << cp1250_to_utf8(second_log);
    EXPECT_EQ(second_log.find("(celkem 10000)"), std::string::npos);
    EXPECT_NE(second_log.find("O.K."), std::string::npos);
    EXPECT_EQ(read_file(other / "vysledky" / "town.log"), second_log);
    // The stopped run made no copy.
    EXPECT_FALSE(fs::exists(town.results() / "town.log"));
}
