// Whole runs whose result files and log (apart from times) do not depend on
// the environment: the process locale (set from outside, or by a host
// inside the process before the run, as the desktop toolkit does), the
// path of the working and computation directories, and the line ends of
// the input files.
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "base/version.h"
#include "run/run.h"
#include "tests/e2e/town_project.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::read_file;
using zemo::test::TempDir;

namespace fs = std::filesystem;

namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

Files files_of(const fs::path& dir) {
    Files files;
    for (const auto& e : fs::directory_iterator(dir))
        files.emplace_back(e.path().filename().string(), read_file(e.path()));
    std::sort(files.begin(), files.end());
    return files;
}

// The log without its times, dates and the name of the computation
// directory (which the log states as it was given).
std::string log_without_times(const std::string& text) {
    const std::string directory_line = utf8_to_cp1250("--- Výpočetní adresář: ");
    std::string log = std::regex_replace(
        text, std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}|[0-9]+h [0-9]+m [0-9]+s|[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}"), "T");
    const std::size_t at = log.find(directory_line);
    if (at != std::string::npos) {
        const std::size_t from = at + directory_line.size();
        log.erase(from, log.find("\r\n", from) - from);
    }
    return log;
}

// A copy of examples/town at a path of the test's choosing, with an empty
// results directory.
struct TownCopy {
    fs::path dir;
    explicit TownCopy(const fs::path& where) : dir(where) {
        fs::create_directories(dir);
        fs::copy(fs::path(ZEMO_SOURCE_DIR) / "examples" / "town", dir, fs::copy_options::recursive);
        fs::remove_all(dir / "vysledky");
        fs::create_directory(dir / "vysledky");
    }
    test::ProgramResult run(const std::string& env = "", const fs::path& from = {}) const {
        // From another working directory the computation directory is given
        // with -d; the log goes into the computation directory either way.
        const std::string args =
            "-a -c -i town.atm -l beh.log" + (from.empty() ? std::string() : " -d '" + test::text_path(dir) + "'");
        return test::run_zemo(args, from.empty() ? dir : from, "ZEMO_THREADS=2 " + env);
    }
    Files results() const { return files_of(dir / "vysledky"); }
    std::string log() const { return log_without_times(read_file(dir / "beh.log")); }
};

bool locale_installed(const char* name) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    const bool ok = std::setlocale(LC_ALL, name) != nullptr;
    std::setlocale(LC_ALL, old.c_str());
    return ok;
}

}  // namespace

TEST(Environment, TheProcessLocaleChangesNoByte) {
    TempDir base;
    TownCopy c_locale(base.path() / "c");
    ASSERT_EQ(c_locale.run("LC_ALL=C").exit_code, 0);
    ASSERT_NE(c_locale.log().find("O.K."), std::string::npos);
    int compared = 0;
    for (const char* name : {"cs_CZ.UTF-8", "de_DE.UTF-8"}) {
        if (!locale_installed(name)) {
            ADD_FAILURE() << name << " is not installed (scripts/setup generates it)";
            continue;
        }
        TownCopy run(base.path() / name);
        ASSERT_EQ(run.run(std::string("LC_ALL=") + name).exit_code, 0) << name;
        EXPECT_EQ(run.results(), c_locale.results()) << name;
        EXPECT_EQ(run.log(), c_locale.log()) << name;
        ++compared;
    }
    EXPECT_EQ(compared, 2);
}

TEST(Environment, ARunInAProcessThatSetItsLocaleFirstGivesTheSameBytes) {
    if (!locale_installed("de_DE.UTF-8")) GTEST_FAIL() << "de_DE.UTF-8 is not installed (scripts/setup generates it)";
    TempDir base;
    TownCopy separate(base.path() / "process");
    ASSERT_EQ(separate.run("LC_ALL=C").exit_code, 0);

    TownCopy inside(base.path() / "inside");
    const std::string old = std::setlocale(LC_ALL, nullptr);
    // A host such as the desktop toolkit sets the user's locale at start.
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    int status = -1;
    {
        zemo::Run run;
        RunOptions& opt = run.options();
        opt.installation_directory = test::staged_file() + "/";
        opt.computation_directory = test::text_path(inside.dir);
        opt.program_name = "zemo";
        opt.version = program_version_text();
        opt.project_file = "town.atm";
        opt.log_file = "beh.log";
        opt.log_given = true;
        testing::internal::CaptureStdout();
        status = run.execute();
        testing::internal::GetCapturedStdout();
    }
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(inside.results(), separate.results());
    EXPECT_EQ(inside.log(), separate.log());
}

TEST(Environment, BlanksAndCzechLettersInTheDirectoriesChangeNoResult) {
    TempDir base;
    TownCopy plain(base.path() / "plain");
    ASSERT_EQ(plain.run().exit_code, 0);
    // The computation directory and the working directory the program is
    // started from both carry blanks and Czech letters (UTF-8 names).
    const fs::path odd = base.path() / "Výpočet s mezerou" / "Žluťoučký kůň";
    TownCopy elsewhere(odd);
    const fs::path from = base.path() / "pracovní adresář";
    fs::create_directories(from);
    const test::ProgramResult r = elsewhere.run("", from);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(elsewhere.results(), plain.results());
    EXPECT_EQ(elsewhere.log(), plain.log());
    // Nothing was written into the working directory.
    EXPECT_TRUE(fs::is_empty(from));
}

TEST(Environment, CrLfLfAndCrLineEndsGiveTheSameRun) {
    std::vector<Files> results;
    std::vector<std::string> logs;
    for (const char* end : {"\r\n", "\n", "\r"}) {
        test::Town town("TYP=ROZSIRENY\nFORMAT=TXT\nADRESAR=vysledky\n", "LAT=JINA, 200, 250, Modelova latka\n", end);
        ASSERT_TRUE(fs::create_directory(town.dir.native("vysledky")));
        const test::ProgramResult r = town.run();
        ASSERT_EQ(r.exit_code, 0) << r.output;
        results.push_back(files_of(town.dir.native("vysledky")));
        logs.push_back(log_without_times(read_file(town.dir.file("beh.log"))));
        town.expect_inputs_intact();
    }
    ASSERT_FALSE(results[0].empty());
    EXPECT_EQ(results[1], results[0]);
    EXPECT_EQ(results[2], results[0]);
    EXPECT_EQ(logs[1], logs[0]);
    EXPECT_EQ(logs[2], logs[0]);
}

TEST(Environment, AnUnprivilegedUserWithARestrictiveUmaskGetsTheSameRun) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to switch to the user nobody";
    TempDir base;
    TownCopy as_root(base.path() / "root");
    ASSERT_EQ(as_root.run().exit_code, 0);
    // A directory the user nobody owns; the program and its installation
    // are readable by everyone.
    TownCopy as_nobody(base.path() / "nobody");
    fs::permissions(base.path(), fs::perms::owner_all | fs::perms::others_exec | fs::perms::group_exec);
    ASSERT_EQ(std::system(("chown -R nobody:nogroup '" + as_nobody.dir.string() + "'").c_str()), 0);
    const test::ProgramResult r = test::run_zemo(
        "-a -c -i town.atm -l beh.log", as_nobody.dir,
        "ZEMO_THREADS=2 setpriv --reuid=nobody --regid=nogroup --clear-groups sh -c 'umask 077; exec \"$0\" \"$@\"'");
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(as_nobody.results(), as_root.results());
    EXPECT_EQ(as_nobody.log(), as_root.log());
    // The result files are nobody's and follow the umask: readable by their
    // owner alone.
    const struct passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    for (const auto& e : fs::directory_iterator(as_nobody.dir / "vysledky")) {
        struct stat st {};
        ASSERT_EQ(::stat(e.path().c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, nobody->pw_uid) << e.path();
        EXPECT_EQ(fs::status(e.path()).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none)
            << e.path();
    }
}
