#include <gtest/gtest.h>

#include <filesystem>

#include "base/run_log.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;

namespace {
struct RunLogTest : ::testing::Test {
    test::TempDir dir;
    RunLog log;
};
}  // namespace

TEST_F(RunLogTest, BandsPrefixesKindsAndTheErrorCount) {
    const std::string path = dir.file("run.log");
    log.open(path, 1);
    log.message(kInformation, "informace");
    log.message(kDetail, "ladeni");  // only at level 2
    log.message(kHeading, "NADPIS");
    log.message(kEcho, "ozvena");  // only at level 2
    for (int i = 0; i < 3; ++i) log.message(kErrorData, "spatny radek");
    log.message(kErrorOpen, "soubor.txt");
    log.message(kErrorPlain);  // kind 5: prefix only
    log.copy_path = dir.file("copy.log");
    log.close();
    EXPECT_EQ(read_file(path), cp("--- informace\n=== NADPIS\n"
                                  "+++ chybná vstupní data\n       - spatny radek\n"
                                  "+++ chybná vstupní data\n       - spatny radek\n"
                                  "+++ chybná vstupní data\n       - spatny radek\n"
                                  "+++ soubor nelze otevřít\n       - soubor.txt\n"
                                  "+++ \n"
                                  "počet chybových zpráv: 5\n"));
    EXPECT_EQ(log.log_state, 1);
    EXPECT_EQ(read_file(dir.file("copy.log")), read_file(path));  // byte-identical copy
}

TEST_F(RunLogTest, LevelTwoWritesDetailAndEcho) {
    const std::string path = dir.file("run.log");
    log.open(path, 2);
    log.message(kDetail, "ladeni");
    log.message(kEcho, "ozvena");
    log.write("INICIALIZACE PROGRAMU\n");
    log.close();
    EXPECT_EQ(read_file(path), "--- ladeni\r\n=== ozvena\r\nINICIALIZACE PROGRAMU\r\n");
    EXPECT_EQ(log.log_state, 0);  // no copy path: no copy
}

TEST_F(RunLogTest, LevelZeroCreatesTheLogOnlyForAnError) {
    const std::string path = dir.file("ondemand.log");
    log.open(path, 0);
    log.message(kInformation, "nic");
    log.write("INICIALIZACE PROGRAMU\n");
    EXPECT_FALSE(std::filesystem::exists(test::native_path(path)));
    log.message(kErrorData, "chyba");
    log.message(kHeading, "nadpis");
    log.close();
    EXPECT_EQ(read_file(path), cp("+++ chybná vstupní data\n       - chyba\n\npočet chybových zpráv: 1\n"));
}

TEST_F(RunLogTest, LevelZeroWithoutErrorLeavesNoFile) {
    const std::string path = dir.file("none.log");
    log.open(path, 0);
    log.message(kInformation, "x");
    log.close();
    EXPECT_FALSE(std::filesystem::exists(test::native_path(path)));
}

// A fatal message closes the log's file as it stands and stops; the files
// of the readers it unwinds close as they go, and the run closes its
// result tables (run/run.h).
TEST_F(RunLogTest, FatalMessageClosesFilesAndStops) {
    const std::string path = dir.file("fatal.log");
    log.open(path, 1);
    log.copy_path = dir.file("copy.log");
    {
        File reader;
        ASSERT_TRUE(reader.open(dir.file("other.txt"), "w"));
        reader.write_text("rozepsano\n");
        EXPECT_THROW(log.message_with_file(kFatalData, "chybný řádek"_cz, "body.txt"), FatalStop);
    }
    EXPECT_TRUE(log.stopped_by_fatal());
    EXPECT_EQ(read_file(dir.file("other.txt")), "rozepsano\r\n");
    EXPECT_EQ(read_file(path), cp("*** chybná vstupní data\n       - chybný řádek\n"
                                  "*** chybná vstupní data\n       -     (soubor: body.txt)\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.native("copy.log")));  // never copied
}

TEST_F(RunLogTest, OverlongTextsAreCutNotOverrun) {
    const std::string path = dir.file("long.log");
    log.open(path, 1);
    log.message(kInformation, std::string(3000, 'a'));
    log.close();
    EXPECT_EQ(read_file(path), "--- " + std::string(999, 'a') + "\r\n");
}

TEST_F(RunLogTest, UncreatableLogFallsBackToStandardOutput) {
    testing::internal::CaptureStdout();
    log.open(dir.file("missing/dir/run.log"), 1);
    log.message(kInformation, "dal");
    log.close();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(
        out.find(test::console_text("+++ Soubor nelze vytvorit - [ " + dir.file("missing/dir/run.log") +
                                    " ]\n+++   duvod: soubor nebo adresar neexistuje\n+++   pouzivam <stdout>\n")),
        std::string::npos);
    EXPECT_NE(out.find("--- dal\n"), std::string::npos);
}

TEST_F(RunLogTest, CopyOntoItselfKeepsTheLog) {
    const std::string path = dir.file("same.log");
    log.open(path, 1);
    log.message(kInformation, "obsah");
    log.copy_path = path;
    log.close();
    EXPECT_EQ(read_file(path), "--- obsah\r\n");
}
