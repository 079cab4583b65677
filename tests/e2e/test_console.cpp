// Whole-program runs of zemo: options, usage texts, exit codes, the
// installation lookup and the computation directory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "tests/test_support.h"

using namespace zemo;
using zemo::test::run_zemo;

namespace {
const std::string kShortUsage = "pouzij:\n   zemo [-h] [-d adresar] [-l soubor] [-i soubor] [-L0|1|2] [-v]\n";
const std::string kFullUsage = kShortUsage +
                               "     [-h]         - vypis teto napovedy\n"
                               "     [-a]         - vypne zvukovou signalizaci ukonceni programu\n"
                               "     [-c]         - po ukonceni programu uzavre okno\n"
                               "     [-d adresar] - zakladni adresar vypoctu\n"
                               "     [-l soubor]  - LOG soubor\n"
                               "     [-i soubor]  - INI soubor\n"
                               "     [-L0|1|2]    - uroven vypisu zprav\n"
                               "        0 - NON:  bez LOG souboru\n"
                               "        1 - STD:  standardni zpravy v LOG souboru\n"
                               "        2 - DBG:  uplny vypis zprav v LOG souboru\n"
                               "     [-pi]        - priorita vypoctu (i=2: normalni\n"
                               "                  i=1: nizsi, i=0: nejnizsi\n"
                               "                  i=3: vyssi, i=4: nejvyssi\n"
                               "     [-v]         - vypis verze programu\n\n";
}  // namespace

TEST(Console, UsageTextsAndExitCodes) {
    auto r = run_zemo("-h");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output, kFullUsage);
    r = run_zemo("-help");
    EXPECT_EQ(r.output, kFullUsage);
    for (const char* bad : {"-x", "-d", "-l", "-i", "-L3", "-p5", "-H", "-c -a -x"}) {
        r = run_zemo(bad);
        EXPECT_EQ(r.exit_code, 3) << bad;
        EXPECT_EQ(r.output, kShortUsage) << bad;
    }
}

TEST(Console, OverlongOptionValuesAreRefused) {
    const std::string long_path(300, 'a');
    for (const char* opt : {"-i", "-l"}) {
        const auto r = run_zemo(std::string(opt) + " " + long_path);
        EXPECT_EQ(r.exit_code, 3) << opt;
        EXPECT_EQ(r.output, kShortUsage);
    }
    EXPECT_EQ(run_zemo("-d " + std::string(600, 'd')).exit_code, 3);
}

TEST(Console, VersionLine) {
    auto r = run_zemo("-a -c -v");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.output, "ZEMO 1.0.0.0\n\n");
    r = run_zemo("-a -v -c");  // -c after -v has no effect: the prompt is shown
    EXPECT_EQ(r.output, "ZEMO 1.0.0.0\n\n\n----------------------------\n\nPro uzavreni okna stisknete ENTER\n");
    r = run_zemo("-c -v");  // bell on
    EXPECT_EQ(r.output, "ZEMO 1.0.0.0\n\n\a");
}

TEST(Console, MissingInstallationWaitsAndFails) {
    test::TempDir dir;
    // A copy of the program without staged data beside it and no settings entry.
    const std::string exe = dir.native("bin/zemo").string();
    std::filesystem::create_directories(dir.native("bin"));
    std::filesystem::copy_file(ZEMO_EXE, exe);
    const std::string cmd = "env XDG_CONFIG_DIRS=/nonexistent-zemo '" + exe + "' -h < /dev/null > '" +
                            dir.native("out.txt").string() + "' 2>&1";
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 156);  // -100
    EXPECT_EQ(test::read_file(dir.file("out.txt")),
              "*** Program neni korektne nainstalovan!\n\n\nPro ukonceni stisknete ENTER\n");
}

TEST(Console, InstallationFromTheMachineWideSettingsFile) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.native("xdg/ZEMO"));
    std::filesystem::create_directories(dir.native("root/log"));
    test::write_file(dir.file("xdg/ZEMO/Model ZEMO.conf"), "[1.0]\nRootDir=" + dir.utf8("root") + "\n");
    std::filesystem::create_directories(dir.native("bin"));
    std::filesystem::copy_file(ZEMO_EXE, dir.native("bin/zemo"));
    const std::string cmd = "cd '" + dir.path().string() + "' && env XDG_CONFIG_DIRS='" + dir.native("xdg").string() +
                            "' '" + dir.native("bin/zemo").string() + "' -a -c -L1 -d '" + dir.path().string() +
                            "' < /dev/null > out.txt 2>&1";
    std::system(cmd.c_str());
    // The log goes to the log directory of that installation.
    EXPECT_TRUE(std::filesystem::exists(dir.native("root/log/zemo.log")));
}

TEST(Console, MissingComputationDirectory) {
    test::TempDir dir;
    const auto r = run_zemo("-a -c -l '" + dir.file("run.log") + "' -d '" + dir.file("nowhere") + "'");
    EXPECT_EQ(r.exit_code, 156);
    // LANG=C: the console gets Windows-1250 bytes.
    EXPECT_NE(r.output.find(utf8_to_cp1250("*** Adresář projektu neexistuje nebo není přístupný\n       ") +
                            dir.file("nowhere") + "/\n"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir.native("run.log")));
}

// A project file is read as a file of lines of a bounded length: one that is
// no regular file (a link to /dev/zero, a FIFO, whose opening would wait
// for a writer for ever, a directory) is refused as a file that cannot be
// opened; a line longer than 1000 characters is not read further and ends
// the run naming the line and the file. Each run must end at once: timeout
// gives 124 where the old reader read for ever or waited.
TEST(Console, ProjectThatIsNoRegularFileOrHasALineWithoutEnd) {
    test::TempDir dir;
    std::filesystem::create_symlink("/dev/zero", dir.native("nula.atm"));
    ASSERT_EQ(::mkfifo(dir.native("fronta.atm").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.native("adresar.atm"));
    for (const char* name : {"nula.atm", "fronta.atm", "adresar.atm"}) {
        const auto r = run_zemo("-a -c -i " + std::string(name) + " -l beh.log", dir.str(), "timeout 20");
        EXPECT_EQ(r.exit_code, 156) << name << "\n" << r.output;
        const std::string log = test::read_file(dir.file("beh.log"));
        // The reason follows the full path.
        const std::string reason = std::string(name) == "adresar.atm" ? "jde o adresář" : "nejde o obyčejný soubor";
        EXPECT_NE(log.find(utf8_to_cp1250("*** soubor nelze otevřít\r\n       - ") + name + " (" + dir.str() + "/./" +
                           name + ": " + utf8_to_cp1250(reason) + ")\r\n"),
                  std::string::npos)
            << name << "\n"
            << log;
    }

    // A line of 10 MB (a comment; the earlier lines are fine), and a line
    // of exactly 1000 characters, which is read.
    const std::string start = "[VYPOCETNI SIT]\r\nSOUBOR=body.txt\r\n";
    test::write_file(dir.file("dlouhy.atm"), start + "#" + std::string(10u << 20, 'x') + "\r\n[ZDROJE]\r\n");
    const auto r = run_zemo("-a -c -i dlouhy.atm -l beh.log", dir.str(), "timeout 20");
    EXPECT_EQ(r.exit_code, 156) << r.output;
    std::string log = test::read_file(dir.file("beh.log"));
    EXPECT_NE(log.find(utf8_to_cp1250("*** chybná vstupní data\r\n       - řádek 3 je delší než 1000 znaků\r\n"
                                      "*** chybná vstupní data\r\n       -     (soubor: dlouhy.atm)\r\n")),
              std::string::npos)
        << log.substr(0, 2000);
    test::write_file(dir.file("tisic.atm"), start + "#" + std::string(999, 'x') + "\r\n[ZDROJE]\r\n");
    run_zemo("-a -c -i tisic.atm -l beh.log", dir.str(), "timeout 20");
    log = test::read_file(dir.file("beh.log"));
    EXPECT_EQ(log.find(utf8_to_cp1250("je delší než")), std::string::npos) << log;
    EXPECT_NE(log.find(utf8_to_cp1250("nezadané otočení projekce")), std::string::npos) << log;  // read to its end
}
