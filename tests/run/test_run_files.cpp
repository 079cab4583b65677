// The ground under the check of a run's files: file identity, line ends,
// the log held in memory until the project is checked, and the result
// files as the run plans them against the files it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "base/files.h"
#include "base/platform.h"
#include "run/run_files.h"
#include "output/result_files.h"
#include "tests/e2e/single_case_rose.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::write_file;

namespace fs = std::filesystem;

TEST(FileIdentity, OneFileReachedByManyPathsHasOneKey) {
    test::TempDir dir;
    fs::create_directory(dir.native("sub"));
    write_file(dir.file("body.txt"), "x");
    fs::create_symlink(dir.native("body.txt"), dir.native("link.txt"));
    fs::create_directory_symlink(dir.native("sub"), dir.native("sublink"));
    const std::string key = platform::file_key(dir.file("body.txt"));
    for (const std::string& other : {dir.file("link.txt"), dir.file("./body.txt"), dir.file("sub/../body.txt"),
                                     dir.str() + "//body.txt", dir.str() + "\\body.txt"})
        EXPECT_EQ(platform::file_key(other), key) << other;
    EXPECT_NE(platform::file_key(dir.file("Body.txt")), key);  // POSIX names keep their case
    EXPECT_NE(platform::file_key(dir.file("sub")), key);

    // Files still to be created: the same directory, however reached, and
    // the same name.
    const std::string future = platform::file_key(dir.file("sub/new.txt"));
    EXPECT_EQ(platform::file_key(dir.file("sublink/new.txt")), future);
    EXPECT_EQ(platform::file_key(dir.file("sub/./new.txt")), future);
    EXPECT_EQ(platform::file_key(dir.file("sublink/../sub/new.txt")), future);
    EXPECT_NE(platform::file_key(dir.file("sub/new.dbf")), future);
    EXPECT_NE(platform::file_key(dir.file("new.txt")), future);
    // A relative path is taken from the working directory.
    const auto cwd = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_EQ(platform::file_key("body.txt"), key);
    EXPECT_EQ(platform::file_key("sub/new.txt"), future);
    // Directories that do not exist: the normalised path decides.
    EXPECT_EQ(platform::file_key("no/such/../such/x.txt"), platform::file_key(dir.file("no/such/x.txt")));
    fs::current_path(cwd);
}

TEST(FileLines, CrLfLfAndALoneCrEndALine) {
    test::TempDir dir;
    write_file(dir.file("t.txt"), "a\rb\r\nc\n\rd\r\r\ne");
    File f;
    ASSERT_TRUE(f.open(dir.file("t.txt"), "rb"));
    std::vector<std::string> lines;
    for (std::string line; f.read_line(line);) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", "d", "", "e"}));
    write_file(dir.file("u.txt"), "x\r");
    ASSERT_TRUE(f.open(dir.file("u.txt"), "rb"));
    std::string line;
    ASSERT_TRUE(f.read_line(line));
    EXPECT_EQ(line, "x");
    EXPECT_FALSE(f.read_line(line));
}

namespace {
struct HeldLogTest : ::testing::Test {
    test::TempDir dir;
    RunLog log;
};
}  // namespace

TEST_F(HeldLogTest, HeldLinesAreWrittenUnchangedOnRelease) {
    const std::string path = dir.file("run.log");
    log.hold();
    log.open(path, 1);
    log.write("ZAHLAVI\n");
    log.message(kInformation, "informace");
    log.message(kErrorData, "radek");
    EXPECT_FALSE(fs::exists(test::native_path(path)));
    EXPECT_EQ(log.held_path(), path);
    log.release();
    EXPECT_FALSE(log.held());
    log.message(kInformation, "potom");
    log.close();
    EXPECT_EQ(read_file(path), cp("ZAHLAVI\n--- informace\n+++ chybná vstupní data\n       - radek\n--- potom\n\n"
                                  "počet chybových zpráv: 1\n"));
}

TEST_F(HeldLogTest, LevelZeroCreatesNothingWithoutAnError) {
    const std::string path = dir.file("quiet.log");
    log.hold();
    log.open(path, 0);
    log.message(kInformation, "informace");
    EXPECT_EQ(log.held_path(), "");
    log.release();
    log.close();
    EXPECT_FALSE(fs::exists(test::native_path(path)));
    // An error while held: the on-demand log appears only on release.
    log.reset();
    log.hold();
    log.open(path, 0);
    log.message(kErrorData, "chyba");
    EXPECT_FALSE(fs::exists(test::native_path(path)));
    log.release();
    log.close();
    EXPECT_EQ(read_file(path), cp("+++ chybná vstupní data\n       - chyba\n\npočet chybových zpráv: 1\n"));
}

TEST_F(HeldLogTest, ALogSentToTheConsoleCreatesNoFile) {
    const std::string path = dir.file("town.atm");
    write_file(path, "projekt");
    log.hold();
    log.open(path, 1);
    log.message(kInformation, "informace");
    EXPECT_EQ(run_stage(log,
                        [&] {
                            log.message(kFatalCreate, "kolize");
                            return 0;
                        }),
              -100);
    log.release_to_console();
    log.message(kErrorData, "potom");  // also to the console
    log.close();
    EXPECT_EQ(read_file(path), "projekt");
}

// The result files the run checks are exactly the ones it writes.
TEST(PlannedResultFiles, AreTheFilesAnExtendedRunWrites) {
    test::TempDir dir;
    fs::create_directory(dir.native("out"));
    write_file(dir.file("p.atm"),
               cp("[VYPOCETNI SIT]\nSOUBOR=body.txt, TSV\nPROJEKCE=JINA\nOTOCENI=0\n"
                  "[ZNECISTUJICI LATKY]\nA=JINA, 200, 250, Prvni\nB.2=JINA, 10, -1, Druha\n"
                  "[ZDROJE]\nBODOVE=bodove.txt, TSV\n[METEOROLOGIE]\nSOUBOR=ruzice.txt, TSV\n"
                  "[VYSLEDKY]\nTYP=ROZSIRENY\nFORMAT=DBF\nADRESAR=out\nZAKLADNI=zaklad\nSEKTORY MAX=" +
                  dir.utf8("maxima") + "\n"));
    write_file(dir.file("body.txt"), cp("B1\t1000\t1500\t298.5\t1.5\t1\n"));
    write_file(dir.file("bodove.txt"), cp("K1\t1000\t2000\t300\t10\t0\t8760\t1\t1\t1\t10\t5\n"));
    write_file(dir.file("ruzice.txt"), cp(test::rose_single_case()));
    const auto r = test::run_zemo("-a -c -d '" + dir.str() + "' -i p.atm -l beh.log", dir.str());
    ASSERT_EQ(r.exit_code, 0) << r.output << read_file(dir.file("beh.log"));

    std::set<std::string> written;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        if (e.is_regular_file() && !test::is_run_lock_file(e.path())) written.insert(fs::canonical(e.path()).string());
    for (const char* input : {"p.atm", "body.txt", "bodove.txt", "ruzice.txt", "beh.log"})
        written.erase(fs::canonical(dir.native(input)).string());

    // The project read as the run reads it, in its directory; the planned
    // paths, relative ones taken there too, are the files the run wrote.
    RunLog log;
    PartialNumbers notes;
    InputContext in(log, notes, dir.str() + "/");
    ProjectConfig project;
    ASSERT_EQ(run_stage(log,
                        [&] {
                            project = read_project("p.atm", platform::full_directory(dir.str()), in);
                            return 0;
                        }),
              0);
    std::set<std::string> planned;
    for (const PlannedResultFile& f : planned_result_files(project))
        planned.insert(fs::canonical(test::native_path(platform::path_in_directory(dir.str() + "/", f.path))).string());
    const std::size_t count = planned_result_files(project).size();
    EXPECT_EQ(count, 1u + 2 * 4 + 2);  // basic, four tables and a report per pollutant
    EXPECT_EQ(planned, written);
    EXPECT_TRUE(planned.count(fs::canonical(dir.native("maxima_B.2.dbf")).string()));
    EXPECT_TRUE(planned.count(fs::canonical(dir.native("out/detalni_A.txt")).string()));
}
