// Runs that would destroy their own files are refused before anything is
// written: a result table over an input, two result tables in one file,
// two pollutants with one indicative, a log over an input, a log copied
// onto itself. Every refused run leaves its inputs byte for byte as they
// were, creates no result file, names the clash and does not end "O.K.".
// Tables whose lines end in a lone CR read as their LF twins.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "tests/e2e/town_project.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::run_zemo;
using zemo::test::write_file;

namespace fs = std::filesystem;

using zemo::test::Town;

namespace {

const char* const kOk = "VÝPOČET UKONČEN... O.K.";

// A refused run: not 0, no "O.K.", the clash named in the log, nothing but
// the log beside the inputs, every input unchanged.
void expect_refused(const Town& town, const test::ProgramResult& r, const std::string& clash) {
    EXPECT_EQ(r.exit_code, 156) << r.output;
    const std::string log = town.log();
    EXPECT_EQ(log.find(kOk), std::string::npos) << log;
    EXPECT_NE(log.find(clash), std::string::npos) << log;
    EXPECT_EQ(town.other_files(), std::set<std::string>{"beh.log"});
    town.expect_inputs_intact();
}

}  // namespace

TEST(RunSafety, AResultTableOverAnInputIsRefused) {
    Town town("ZAKLADNI=body\n");
    expect_refused(town, town.run(),
                   "*** soubor nelze vytvořit\r\n       - základní tabulka výsledků [" + town.dir.utf8() +
                       "/body.txt] a tabulka referenčních bodů [body.txt] jsou tentýž soubor\r\n");
    // The same table reached through a symbolic link, "./" and "..".
    fs::create_directory(town.dir.native("sub"));
    fs::create_symlink(town.dir.native("body.txt"), town.dir.native("odkaz.txt"));
    for (const char* base : {"odkaz", "./body", "sub/../body", "./sub/../odkaz"}) {
        write_file(
            town.dir.file("town.atm"),
            town.inputs["town.atm"].substr(0, town.inputs["town.atm"].find("ZAKLADNI")) + "ZAKLADNI=" + base + "\n");
        const auto r = town.run();
        EXPECT_EQ(r.exit_code, 156) << base;
        EXPECT_NE(town.log().find("a tabulka referenčních bodů [body.txt] jsou tentýž soubor"), std::string::npos)
            << base << town.log();
        EXPECT_EQ(read_file(town.dir.file("body.txt")), town.inputs["body.txt"]) << base;
    }
    // A result table over the point sources and over the wind roses.
    for (const auto& [base, use] :
         std::map<std::string, std::string>{{"bodove", "tabulka bodových zdrojů [bodove.txt]"},
                                            {"ruzice", "soubor s větrnými růžicemi [ruzice.txt]"}}) {
        Town t("TYP=ZAKLADNI\nZAKLADNI=" + base + "\n");
        expect_refused(t, t.run(), use + " jsou tentýž soubor");
    }
}

TEST(RunSafety, TwoResultTablesInOneFileAreRefused) {
    {
        Town town("SEKTORY MAX=S\nSEKTORY PRUM=S\n");
        expect_refused(town, town.run(),
                       "       - tabulka sektorových průměrů LAT [" + town.dir.utf8() +
                           "/S_LAT.txt] a tabulka sektorových maxim LAT [" + town.dir.utf8() +
                           "/S_LAT.txt] jsou tentýž soubor\r\n");
    }
    {
        // Two base names that give one path.
        Town town("ZAKLADNI=Smax_LAT\nSEKTORY MAX=Smax\n");
        expect_refused(town, town.run(),
                       "tabulka sektorových maxim LAT [" + town.dir.utf8() +
                           "/Smax_LAT.txt] a základní tabulka výsledků [" + town.dir.utf8() +
                           "/Smax_LAT.txt] jsou tentýž soubor");
    }
    {
        // One file named through two directories that are one.
        Town town("ADRESAR=sub/..\nZAKLADNI=./vysl_X\nPODILY ZDROJU=vysl\n", "X=JINA, 200, -1, Latka\n");
        fs::create_directory(town.dir.native("sub"));
        expect_refused(town, town.run(),
                       "tabulka podílů zdrojů X [sub/../vysl_X.txt] a základní tabulka výsledků [./vysl_X.txt] jsou "
                       "tentýž soubor");
    }
}

TEST(RunSafety, TwoPollutantsWithOneIndicativeAreRefused) {
    Town town("", "SO2=SO2, 350, 125, Oxid siricity\nso2=ORG, 100, -1, 20, Organicka latka\n");
    expect_refused(town, town.run(),
                   "       - Indikativ polutantu so2 je zadán vícekrát [SO2] (inicializační soubor)\r\n");
}

TEST(RunSafety, TheLogNeverReplacesAnInput) {
    {
        // A log aimed at the project file: the project stays, the message
        // goes to the console.
        Town town("");
        const auto r = town.run("-l town.atm");
        EXPECT_EQ(r.exit_code, 156) << r.output;
        town.expect_inputs_intact();
        EXPECT_TRUE(town.other_files().empty());
        const std::string out = cp1250_to_utf8(r.output);
        EXPECT_NE(
            out.find("*** soubor nelze vytvořit\n       - LOG soubor [town.atm] a inicializační soubor [town.atm] "
                     "jsou tentýž soubor\n"),
            std::string::npos)
            << out;
        EXPECT_EQ(out.find("O.K."), std::string::npos);
    }
    {
        // ... and at a receptor table, also through a path of its own.
        Town town("");
        for (const char* log : {"body.txt", "./body.txt"}) {
            const auto r = town.run(std::string("-l ") + log);
            EXPECT_EQ(r.exit_code, 156) << r.output;
            EXPECT_NE(cp1250_to_utf8(r.output).find("a tabulka referenčních bodů [body.txt] jsou tentýž soubor"),
                      std::string::npos)
                << r.output;
            town.expect_inputs_intact();
            EXPECT_TRUE(town.other_files().empty());
        }
    }
    {
        // A fatal message of the project itself, with the log aimed at the
        // project: the project stays and the message reaches the console.
        Town town("TYP=NEZNAMY\n");
        const auto r = town.run("-l town.atm");
        EXPECT_EQ(r.exit_code, 156);
        town.expect_inputs_intact();
        EXPECT_NE(cp1250_to_utf8(r.output).find("neznámý typ výstupu: NEZNAMY (inicializační soubor)"),
                  std::string::npos)
            << r.output;
    }
    {
        // The same fatal message with an ordinary log: the log is created
        // and holds everything up to the message.
        Town town("TYP=NEZNAMY\n");
        const auto r = town.run();
        EXPECT_EQ(r.exit_code, 156);
        const std::string log = town.log();
        EXPECT_EQ(log.rfind("ZEMO verze", 0), 0u) << log;
        EXPECT_NE(log.find("--- Inicializační soubor: [town.atm]\r\n"), std::string::npos) << log;
        EXPECT_NE(
            log.find("*** chybná vstupní data\r\n       - neznámý typ výstupu: NEZNAMY (inicializační soubor)\r\n"),
            std::string::npos)
            << log;
    }
}

TEST(RunSafety, TheLogCopyOntoTheLogItselfIsRefused) {
    // The default log lies in the installation's log folder; an output
    // directory reaching that folder through "/./" would copy the log onto
    // itself.
    const std::string log_dir = cp1250_to_utf8(test::staged_file("log"));  // UTF-8, as the texts below
    const std::string name = "kopie_logu_" + std::to_string(::getpid());
    Town town("ADRESAR=" + log_dir + "/./\nTYP=ZAKLADNI\nZAKLADNI=" + name + "\n");
    fs::rename(town.dir.native("town.atm"), town.dir.native(name + ".atm"));
    town.inputs[name + ".atm"] = town.inputs["town.atm"];
    town.inputs.erase("town.atm");
    const auto r = run_zemo("-a -c -d '" + town.dir.str() + "' -i " + name + ".atm", town.dir.str());
    const std::string log_path = log_dir + "/" + name + ".log";
    const std::string log = cp1250_to_utf8(read_file(fs::path(log_path)));
    fs::remove(log_path);
    EXPECT_EQ(r.exit_code, 156) << r.output;
    EXPECT_NE(log.find("*** soubor nelze vytvořit\r\n       - kopie LOG souboru [" + log_dir + "/./" + name +
                       ".log] a LOG soubor [" + log_path + "] jsou tentýž soubor\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find(kOk), std::string::npos);
    EXPECT_FALSE(fs::exists(log_dir + "/" + name + ".txt"));
    town.expect_inputs_intact();
}

TEST(RunSafety, ARunOverItsOwnEarlierResultsIsNormal) {
    Town town("ADRESAR=vysledky\n");
    fs::create_directory(town.dir.native("vysledky"));
    ASSERT_EQ(town.run().exit_code, 0) << town.log();
    const std::string first = read_file(town.dir.file("vysledky/IHrIHk.txt"));
    ASSERT_EQ(town.run().exit_code, 0) << town.log();
    EXPECT_EQ(read_file(town.dir.file("vysledky/IHrIHk.txt")), first);
    EXPECT_NE(town.log().find(kOk), std::string::npos);
}

// Files saved with a lone CR at the end of each line (as some older
// spreadsheet programs do) read exactly as their LF twins: the same
// results, and messages with the same line numbers.
TEST(RunSafety, LinesEndingInACarriageReturnAloneReadAsTheirLfTwins) {
    Town lf("ADRESAR=vysledky\n", "LAT=JINA, 200, 250, Modelova latka\n", "\n");
    Town cr("ADRESAR=vysledky\n", "LAT=JINA, 200, 250, Modelova latka\n", "\r");
    for (const Town* t : {&lf, &cr}) {
        fs::create_directory(t->dir.native("vysledky"));
        ASSERT_EQ(t->run().exit_code, 0) << t->log();
    }
    for (const char* name : {"IHrIHk.txt", "Pzdroju_LAT.txt", "Pskupin_LAT.txt", "Smax_LAT.txt", "Sprum_LAT.txt"})
        EXPECT_EQ(read_file(cr.dir.file(std::string("vysledky/") + name)),
                  read_file(lf.dir.file(std::string("vysledky/") + name)))
            << name;
    const std::string basic = read_file(cr.dir.file("vysledky/IHrIHk.txt"));
    EXPECT_EQ(std::count(basic.begin(), basic.end(), '\n'), 5) << basic;  // header and four receptors
    // The negative emission of the third stack is reported at line 3 in both.
    const std::string warning = "Emise řádku 3 záporná: -0.500000";
    EXPECT_NE(lf.log().find(warning), std::string::npos) << lf.log();
    EXPECT_NE(cr.log().find(warning), std::string::npos) << cr.log();
    // The logs differ only in their directory and times.
    auto normalised = [](const Town& t) {
        std::string log = t.log();
        log = std::regex_replace(log, std::regex(t.dir.utf8()), "DIR");
        return std::regex_replace(log,
                                  std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}|[0-9]+h [0-9]+m [0-9]+s|"
                                             "[0-9]{2}\\.[0-9]{2}\\.[0-9]{4}"),
                                  "T");
    };
    EXPECT_EQ(normalised(cr), normalised(lf));
}
