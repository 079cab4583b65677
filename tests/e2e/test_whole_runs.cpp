// Whole-program runs of zemo on small projects in temporary directories:
// result files compared byte for byte against values worked out by hand,
// the run log of a complete run, a silent run, and DBF results read back by
// an independent reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <algorithm>
#include <string>
#include <vector>

#include "base/format.h"
#include "tests/e2e/single_case_rose.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::rose_single_case;
using zemo::test::run_zemo;
using zemo::test::write_file;

namespace {

// One stack and two receptors on a local grid (projection JINA, rotation 0).
//
// Source K1 at (1000, 2000), base 300 m, height h = 10 m, no heat output,
// 8760 operating hours, class 1 (computed per stability class), group 1,
// emission 10 g/s of the gas LAT (type JINA: no removal, no conversion).
// Limits 200 and 250.
//
// The wind rose has 48 sectors (as many as the computation, so it is not
// resampled) and a single case: class IV, speed class 2 (5 m/s at 10 m),
// direction 0 (wind from the north), 100 % of the year.
//
// Receptor B1 at (1000, 1500): terrain 298.5 m + 1.5 m above it, so the
// receptor is level with the source base (dz = 0). Wind from the north:
// downwind distance x = -dx sin 0 - dy cos 0 = 500 m, crosswind y = 0.
// Receptor B2 at (1000, 2500) is upwind (x = -500) and gets nothing.
//
// Hand calculation for B1, class IV (a = 0.5052, b = 0.9208, c = 0.9904,
// bz = 0.239, cz = 0.787):
//   u = 5 m/s (h <= 10 m: the class speed, no wind turning)
//   plume rise: A = 25 * 0^0.25 = 0, so dh = 0; terrain term 0 (dz = 0);
//   H = 10 m
//   L = log10(500/100) = 0.698970;  L^c = 0.701377
//   sigma_y = 10^(0.5052 + 0.9208 * 0.701377) + 500 tan(7.5 deg)
//           = 14.158859 + 65.826249 = 79.985108 m
//   sigma_z = 0.239 * 500^0.787 = 31.804406 m
//   t = H / sigma_z = 0.314422;  V = 2 exp(-t^2/2) = 1.903543
//   C0 = E V / (2 pi u sigma_y sigma_z)
//      = 1e7 * 1.903543 / (2 pi * 5 * 79.985108 * 31.804406)
//      = 238.186026 ug/m3
//   short-term (class IV, direction 0): 0.9 C0 = 214.367424
//   annual: C0 * Fmean (1) * operating share (1) * f / 100 (f = 100) = C0
// So for B1: Crok 238.18603, Cmax 214.37, P_200 = 100 (214.37 > 200),
// P_250 = 0; sector 0 (north: directions 47, 0, 1) holds all of it, every
// other sector is reached by no case and shows 0.00; source share 100 %,
// group 1 share 100, background 0.
// For B2 the case occurs but the concentration is 0: Crok 0, Cmax 0,
// every share 0 and no source-share row.
const char* const kPollutantLine = "LAT=JINA, 200, 250, Modelova latka\n";

struct TinyProject {
    test::TempDir dir;

    // pollutants: the lines of [ZNECISTUJICI LATKY]; emissions: the stack's
    // emission columns, one per pollutant.
    explicit TinyProject(const std::string& type = "STANDARDNI", const std::string& format = "TXT",
                         const std::string& pollutants = kPollutantLine, const std::string& emissions = "\t10") {
        std::filesystem::create_directories(dir.native("vysledky"));
        write_file(dir.file("jeden.atm"), cp("# jeden komín, dva body\n"
                                             "[VYPOCETNI SIT]\n"
                                             "SOUBOR=body.txt, TSV\n"
                                             "PROJEKCE=JINA\n"
                                             "OTOCENI=0\n"
                                             "\n[ZNECISTUJICI LATKY]\n" +
                                             pollutants +
                                             "\n[ZDROJE]\n"
                                             "BODOVE=bodove.txt, TSV\n"
                                             "\n[METEOROLOGIE]\n"
                                             "SOUBOR=ruzice.txt, TSV\n"
                                             "\n[VYSLEDKY]\n"
                                             "TYP=" +
                                             type +
                                             "\n"
                                             "FORMAT=" +
                                             format +
                                             "\n"
                                             "ADRESAR=vysledky\n"));
        write_file(dir.file("body.txt"), cp("B1\t1000\t1500\t298.5\t1.5\t1\nB2\t1000\t2500\t298.5\t1.5\t1\n"));
        write_file(dir.file("bodove.txt"), cp("K1\t1000\t2000\t300\t10\t0\t8760\t1\t1\t1" + emissions + "\n"));
        write_file(dir.file("ruzice.txt"), cp(rose_single_case()));
    }
    std::string result(const std::string& name) const { return read_file(dir.file("vysledky/" + name)); }
    test::ProgramResult run(const std::string& options = "-L1") const {
        return run_zemo("-a -c " + options + " -d '" + dir.str() + "' -i jeden.atm -l '" + dir.file("beh.log") + "'",
                        dir.str());
    }
};

const char* const kSectors[16] = {"S", "SSV", "SV", "VSV", "V", "VJV", "JV", "JJV",
                                  "J", "JJZ", "JZ", "ZJZ", "Z", "ZSZ", "SZ", "SSZ"};

// A row of the sector tables: sector 0 with its values, the other 15
// sectors with `rest` each.
std::string sector_row(const std::string& lead, const std::string& north, const std::string& rest) {
    std::string row = lead + north;
    for (int s = 1; s < 16; ++s) row += rest;
    return row;
}

}  // namespace

TEST(WholeRun, SingleStackStraightDownwindMatchesTheHandCalculation) {
    TinyProject prj;
    const auto r = prj.run();
    ASSERT_EQ(r.exit_code, 0) << r.output << read_file(prj.dir.file("beh.log"));

    EXPECT_EQ(prj.result("IHrIHk.txt"), cp("Bod\tX\tY\tCrok_LAT\tCmax_LAT\tP_200_LAT\tP_250_LAT\n"
                                           "B1\t1000\t1500\t238.18603\t214.37\t100.00\t0.00\n"
                                           "B2\t1000\t2500\t0.00000\t0.00\t0.00\t0.00\n"));
    EXPECT_EQ(prj.result("Pzdroju_LAT.txt"), cp("Bod\tX\tY\tZdroj\tCrok\tPodil\tPodil[%]\n"
                                                "B1\t1000\t1500\tK1\t238.186\t238.186\t100.00\n"));
    EXPECT_EQ(prj.result("Pskupin_LAT.txt"), cp("Bod\tX\tY\tSkupina_1\tTransfer\n"
                                                "B1\t1000\t1500\t100.00\t0.00\n"
                                                "B2\t1000\t2500\t0.00\t0.00\n"));

    std::string header = "Bod\tX\tY";
    for (const char* s : kSectors) header += std::string("\t") + s + "_X\t" + s + "_P_200\t" + s + "_P_250";
    EXPECT_EQ(prj.result("Smax_LAT.txt"),
              cp(header + "\n" + sector_row("B1\t1000\t1500", "\t214.37\t100.00\t0.00", "\t0.00\t0.00\t0.00") + "\n" +
                 sector_row("B2\t1000\t2500", "\t0.00\t0.00\t0.00", "\t0.00\t0.00\t0.00") + "\n"));

    header = "Bod\tX\tY";
    for (const char* s : kSectors) header += std::string("\t") + s + "_R";
    EXPECT_EQ(prj.result("Sprum_LAT.txt"),
              cp(header + "\tPRUM_R\n" + sector_row("B1\t1000\t1500", "\t238.19", "\t0.00") + "\t238.2\n" +
                 sector_row("B2\t1000\t2500", "\t0.00", "\t0.00") + "\t0.0\n"));
}

// The basic result type writes the basic table only.
TEST(WholeRun, BasicResultTypeWritesOnlyTheBasicTable) {
    TinyProject prj("ZAKLADNI");
    ASSERT_EQ(prj.run().exit_code, 0);
    EXPECT_EQ(test::file_names_in(prj.dir.native("vysledky")), std::vector<std::string>{"IHrIHk.txt"});
    EXPECT_EQ(prj.result("IHrIHk.txt"), cp("Bod\tX\tY\tCrok_LAT\tCmax_LAT\tP_200_LAT\tP_250_LAT\n"
                                           "B1\t1000\t1500\t238.18603\t214.37\t100.00\t0.00\n"
                                           "B2\t1000\t2500\t0.00000\t0.00\t0.00\t0.00\n"));
}

TEST(WholeRun, LogOfACompleteRun) {
    TinyProject prj;
    ASSERT_EQ(prj.run().exit_code, 0);
    const std::string bytes = read_file(prj.dir.file("beh.log"));
    // Windows-1250 with CR LF: every line end is CR LF, and the accented
    // letters are single bytes.
    EXPECT_EQ(bytes.find("\n"), bytes.find("\r\n") + 1);
    for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1))
        ASSERT_EQ(bytes[i - 1], '\r') << "bare line feed at " << i;
    EXPECT_NE(bytes.find("V\xDDPO\xC8\x45T UKON\xC8\x45N... O.K."), std::string::npos);  // VÝPOČET UKONČEN
    const std::string log = cp1250_to_utf8(bytes);

    EXPECT_EQ(log.rfind("ZEMO verze 1.0.0.0\r\n================================================\r\n\r\n"
                        "INICIALIZACE PROGRAMU\r\n",
                        0),
              0u)
        << log;
    const std::regex start(
        "\r\n--- Čas startu programu: [0-3][0-9]\\.[01][0-9]\\.[12][0-9]{3}  "
        "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\r\n");
    EXPECT_TRUE(std::regex_search(log, start)) << log;
    EXPECT_NE(log.find("--- Výpočetní adresář: " + prj.dir.utf8() + "/\r\n"), std::string::npos) << log;
    const std::regex end(
        "\r\nVÝPOČET UKONČEN\\.\\.\\. O\\.K\\.\r\n"
        "--- Čas ukončení programu: [0-3][0-9]\\.[01][0-9]\\.[12][0-9]{3}  "
        "[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\r\n"
        "--- Celkový výpočetní čas: [0-9]+h [0-5][0-9]m [0-5][0-9]s\r\n");
    EXPECT_TRUE(std::regex_search(log, end)) << log;
    EXPECT_NE(log.find("\r\nVÝPOČET ZAHÁJEN\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("+++ "), std::string::npos) << log;  // no error in this project
    EXPECT_EQ(log.find("*** "), std::string::npos) << log;
}

TEST(WholeRun, LevelZeroLeavesNoLog) {
    TinyProject prj;
    const auto r = prj.run("-L0");
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_FALSE(std::filesystem::exists(prj.dir.native("beh.log")));
    EXPECT_FALSE(std::filesystem::exists(prj.dir.native("zemo.log")));
    EXPECT_FALSE(std::filesystem::exists(prj.dir.native("vysledky/beh.log")));
    // The results are written all the same, and the end texts are not printed.
    EXPECT_NE(prj.result("IHrIHk.txt").find("B1\t1000\t1500\t238.18603\t214.37\t100.00\t0.00\r\n"), std::string::npos);
    EXPECT_EQ(r.output.find("Vypocet ukoncen"), std::string::npos);
}

// The basic table in DBF, byte for byte: 7 fields (Bod C10, X and Y N10.0,
// Crok and Cmax N10.3, two shares N6.2): header 32 * 7 + 33 = 257 bytes,
// record 10 + 10 + 10 + 10 + 10 + 6 + 6 + 1 = 63 bytes, 2 records, end mark.
// The numbers pass through single precision: 238.186026 -> 238.186,
// 214.367424 -> 214.367.
TEST(WholeRun, BasicTableInDbfByteForByte) {
    TinyProject prj("STANDARDNI", "DBF");
    ASSERT_EQ(prj.run().exit_code, 0);
    const std::string dbf = prj.result("IHrIHk.dbf");
    ASSERT_EQ(dbf.size(), 257u + 2 * 63 + 1);

    std::string expected("\x03\0\0\0\x02\0\0\0\x01\x01\x3F\0", 12);
    expected += std::string(20, '\0');
    auto field = [&](const std::string& name, char type, int width, int decimals) {
        std::string d(32, '\0');
        d.replace(0, name.size(), name);
        d[11] = type;
        d[16] = static_cast<char>(width);
        d[17] = static_cast<char>(decimals);
        d[20] = 1;
        expected += d;
    };
    field("Bod", 'C', 10, 0);
    field("X", 'N', 10, 0);
    field("Y", 'N', 10, 0);
    field("Crok_LAT", 'N', 10, 3);
    field("Cmax_LAT", 'N', 10, 3);
    field("P_200_LAT", 'N', 6, 2);
    field("P_250_LAT", 'N', 6, 2);
    expected += '\x0D';
    expected += " B1              1000      1500   238.186   214.367100.00  0.00";
    expected += " B2              1000      2500     0.000     0.000  0.00  0.00";
    expected += '\x1A';
    // Bytes 1-3 hold the date of the run: compare them apart.
    std::string got = dbf;
    const int year = static_cast<unsigned char>(got[1]) + 1900;
    EXPECT_GE(year, 2024);
    EXPECT_GE(got[2], 1);
    EXPECT_LE(got[2], 12);
    EXPECT_GE(got[3], 1);
    EXPECT_LE(got[3], 31);
    got[1] = got[2] = got[3] = '\0';
    EXPECT_EQ(got, expected);
}

// A receptor X of 12345678901 does not fit the N10.0 field of the DBF
// table: the error names the table, the field and the point, and the run
// ends without O.K. and with -100, its tables not put in place.
TEST(WholeRun, NumberTooLongForItsDbfFieldFailsTheRun) {
    TinyProject prj("ZAKLADNI", "DBF");
    write_file(prj.dir.file("body.txt"), cp("B1\t12345678901\t1500\t298.5\t1.5\t1\nB2\t1000\t2500\t298.5\t1.5\t1\n"));
    write_file(prj.dir.file("vysledky/IHrIHk.dbf"), "earlier results");
    const auto r = prj.run();
    EXPECT_EQ(r.exit_code, 156) << r.output;  // -100
    // A table with a value it cannot hold replaces nothing (the overflow
    // mark itself: the output table's tests).
    EXPECT_EQ(test::file_names_in(prj.dir.native("vysledky")), std::vector<std::string>{"IHrIHk.dbf"});
    EXPECT_EQ(prj.result("IHrIHk.dbf"), "earlier results");

    const std::string log = cp1250_to_utf8(read_file(prj.dir.file("beh.log")));
    // The reader holds the coordinate in single precision: 12345678848.
    EXPECT_NE(log.find("+++ soubor nelze vytvořit\r\n       - číslo 12345678848 se nevejde do pole X (bod B1), je "
                       "zapsáno hvězdičkami: vysledky/IHrIHk.dbf\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("O.K."), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nVÝPOČET UKONČEN...\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("počet chybových zpráv: 1\r\n"), std::string::npos) << log;
}

namespace {

// Runs the project over an earlier basic table in its output directory and
// expects the refusal with the fatal message whose detail is `detail`:
// exit -100, no result file created, the earlier table unchanged.
void expect_refused_before_any_result_file(const TinyProject& prj, const std::string& earlier,
                                           const std::string& detail) {
    write_file(prj.dir.file("vysledky/" + earlier), "earlier results");
    const auto r = prj.run();
    EXPECT_EQ(r.exit_code, 156) << r.output;
    const std::string log = cp1250_to_utf8(read_file(prj.dir.file("beh.log")));
    EXPECT_NE(log.find("*** chybná vstupní data\r\n       - " + detail + "\r\n"), std::string::npos) << log;
    EXPECT_EQ(test::file_names_in(prj.dir.native("vysledky")), std::vector<std::string>{earlier});
    EXPECT_EQ(prj.result(earlier), "earlier results");
}

// The header of a result table: the TXT column names, or the DBF field
// names (each up to its first zero byte), tab-separated.
std::string header_of(const std::string& table, bool dbf) {
    if (!dbf) return table.substr(0, table.find("\r\n"));
    std::string names;
    for (std::size_t at = 32; at + 32 <= table.size() && table[at] != '\r'; at += 32) {
        if (at > 32) names += '\t';
        const std::string name = table.substr(at, 11);
        names += name.substr(0, name.find('\0'));
    }
    return names;
}

// The pollutant lines of a project for the catalogue's substances whose
// first limit is below 1, from the shipped catalogue itself
// ("IND=TYPE;name;limit 1;limit 2[;half-life]").
std::string catalogue_substances_below_one(std::string& emissions) {
    std::string lines;
    std::istringstream catalogue(read_file(test::source_file("install/etc/pol.cfg")));
    for (std::string line; std::getline(catalogue, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t eq = line.find('=');
        std::vector<std::string> f;
        std::istringstream fields(line.substr(eq + 1));
        for (std::string field; std::getline(fields, field, ';');) f.push_back(field);
        if (f.size() < 4 || std::stod(f[2]) >= 1) continue;
        lines += line.substr(0, eq) + "=" + f[0] + ", " + f[2] + ", " + f[3] + (f.size() > 4 ? ", " + f[4] : "") +
                 ", " + f[1] + "\n";
        emissions += "\t0.001";
    }
    return lines;
}

}  // namespace

// Every substance of the catalogue below 1 (benzo(a)pyrene, lead, arsenic,
// cadmium, nickel) has two limits that print as the same whole number 0.
// A whole run computes them, in both formats, each pair named apart.
TEST(WholeRun, CatalogueSubstancesBelowOneAreComputed) {
    std::string emissions;
    const std::string pollutants = catalogue_substances_below_one(emissions);
    ASSERT_EQ(std::count(pollutants.begin(), pollutants.end(), '\n'), 5) << pollutants;
    const std::string expected_txt =
        "Bod\tX\tY\tCrok_BAP\tCmax_BAP\tP_0.001_BAP\tP_0.0006_BAP\tCrok_PB\tCmax_PB\tP_0.5_PB\tP_0.35_PB\t"
        "Crok_AS\tCmax_AS\tP_0.006_AS\tP_0.0036_AS\tCrok_CD\tCmax_CD\tP_0.005_CD\tP_0.003_CD\t"
        "Crok_NI\tCmax_NI\tP_0.02_NI\tP_0.014_NI";
    std::string expected_dbf = expected_txt;
    for (const char* ind : {"BAP", "PB", "AS", "CD", "NI"}) {
        const std::string prefix = std::string("\tCmax_") + ind + "\t";
        const std::size_t at = expected_dbf.find(prefix) + prefix.size();
        const std::size_t end = expected_dbf.find('\t', expected_dbf.find('\t', at) + 1);
        expected_dbf.replace(at, (end == std::string::npos ? expected_dbf.size() : end) - at,
                             std::string("P1_") + ind + "\tP2_" + ind);
    }
    for (const char* format : {"TXT", "DBF"}) {
        const bool dbf = std::string(format) == "DBF";
        TinyProject prj("STANDARDNI", format, pollutants, emissions);
        const auto r = prj.run();
        const std::string log = cp1250_to_utf8(read_file(prj.dir.file("beh.log")));
        ASSERT_EQ(r.exit_code, 0) << r.output << log;
        EXPECT_NE(log.find("VÝPOČET UKONČEN... O.K."), std::string::npos) << log;
        EXPECT_EQ(header_of(prj.result(dbf ? "IHrIHk.dbf" : "IHrIHk.txt"), dbf), dbf ? expected_dbf : expected_txt);
        const std::string smax = header_of(prj.result(dbf ? "Smax_PB.dbf" : "Smax_PB.txt"), dbf);
        EXPECT_EQ(smax.substr(0, smax.find("\tSSV_X")),
                  dbf ? "Bod\tX\tY\tS_X\tS_P1\tS_P2" : "Bod\tX\tY\tS_X\tS_P_0.5\tS_P_0.35");
    }
}

// The indicatives ABCDE and ABCDF with the limit 12345 give P_12345_ABCDE
// and P_12345_ABCDF: fine in TXT, but alike in the 11 characters of a DBF
// field name.
TEST(WholeRun, IndicativesAlikeInDbfFieldNamesRefuseOnlyTheDbfRun) {
    const std::string pollutants = "ABCDE=JINA, 12345, -1, Latka A\nABCDF=JINA, 12345, -1, Latka B\n";
    TinyProject txt("STANDARDNI", "TXT", pollutants, "\t10\t10");
    const auto r = txt.run();
    ASSERT_EQ(r.exit_code, 0) << r.output << read_file(txt.dir.file("beh.log"));
    const std::string basic = txt.result("IHrIHk.txt");
    EXPECT_EQ(basic.substr(0, basic.find("\r\n")),
              "Bod\tX\tY\tCrok_ABCDE\tCmax_ABCDE\tP_12345_ABCDE\tCrok_ABCDF\tCmax_ABCDF\tP_12345_ABCDF");

    TinyProject dbf("STANDARDNI", "DBF", pollutants, "\t10\t10");
    expect_refused_before_any_result_file(dbf, "IHrIHk.dbf",
                                          "tabulka vysledky/IHrIHk.dbf by měla dva sloupce stejného názvu "
                                          "P_12345_ABC: P_12345_ABCDE (1. limita 12345 látky ABCDE) a P_12345_ABCDF "
                                          "(1. limita 12345 látky ABCDF); název pole DBF tvoří jen prvních 11 znaků "
                                          "názvu sloupce");
}

// A result name Windows cannot hold is refused on every platform, before
// any file is created: the same project must run on a Windows desktop.
TEST(WholeRun, ResultNamesWindowsCannotHoldAreRefused) {
    const struct {
        const char* line;
        const char* detail;
    } cases[] = {
        // "a:" reads as a drive, as on Windows; what follows cannot be a name.
        {"ZAKLADNI=a:b*c?d",
         "Název [b*c?d] položky ZAKLADNI nelze použít pro soubor ve Windows (inicializační soubor)"},
        {"ZAKLADNI=vysledky/CON",
         "Název [CON] položky ZAKLADNI nelze použít pro soubor ve Windows (inicializační soubor)"},
        {"SEKTORY MAX=lpt1.x",
         "Název [lpt1.x] položky SEKTORY MAX nelze použít pro soubor ve Windows (inicializační soubor)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TinyProject prj;
        const std::string atm = read_file(prj.dir.file("jeden.atm"));
        write_file(prj.dir.file("jeden.atm"), atm + cp(std::string(c.line) + "\n"));
        expect_refused_before_any_result_file(prj, "IHrIHk.txt", c.detail);
    }
    // The last part of the output directory: a trailing dot.
    TinyProject prj;
    std::string atm = read_file(prj.dir.file("jeden.atm"));
    atm.replace(atm.find("ADRESAR=vysledky"), 16, "ADRESAR=vysledky.");
    write_file(prj.dir.file("jeden.atm"), atm);
    const auto r = prj.run();
    EXPECT_EQ(r.exit_code, 156) << r.output;
    EXPECT_NE(cp1250_to_utf8(read_file(prj.dir.file("beh.log")))
                  .find("Název [vysledky.] položky ADRESAR nelze použít pro soubor ve Windows"),
              std::string::npos);
}

// Limits 12345 and 123456 keep apart in the basic table but not in the
// sector maxima of the sectors of three letters (SSV_P_12345 twice in
// DBF): those pairs take the limit's number, and the run completes.
TEST(WholeRun, SectorMaximaAlikeInDbfFieldNamesAreNamedApart) {
    TinyProject prj("STANDARDNI", "DBF", "LAT=JINA, 12345, 123456, Modelova latka\n");
    const auto r = prj.run();
    ASSERT_EQ(r.exit_code, 0) << r.output << read_file(prj.dir.file("beh.log"));
    EXPECT_EQ(header_of(prj.result("IHrIHk.dbf"), true), "Bod\tX\tY\tCrok_LAT\tCmax_LAT\tP_12345_LAT\tP_123456_LA");
    const std::string smax = header_of(prj.result("Smax_LAT.dbf"), true);
    EXPECT_EQ(smax.substr(0, smax.find("\tVSV_X")),
              "Bod\tX\tY\tS_X\tS_P_12345\tS_P_123456\tSSV_X\tSSV_P1\tSSV_P2\tSV_X\tSV_P_12345\tSV_P_123456");
}

// Every DBF result table, read back by the independent reader dbfread,
// holds the same columns and values as the TXT table of the same run.
TEST(WholeRun, DbfResultsReadBackByAnIndependentReaderMatchTheText) {
    TinyProject txt("STANDARDNI", "TXT");
    TinyProject dbf("STANDARDNI", "DBF");
    ASSERT_EQ(txt.run().exit_code, 0);
    ASSERT_EQ(dbf.run().exit_code, 0);

    const std::string script = R"PY(
import sys
from dbfread import DBF
txt_dir, dbf_dir = sys.argv[1], sys.argv[2]
bad = 0
for name in ["IHrIHk", "Pzdroju_LAT", "Pskupin_LAT", "Smax_LAT", "Sprum_LAT"]:
    lines = open(txt_dir + "/" + name + ".txt", "rb").read().decode("cp1250").split("\r\n")
    assert lines[-1] == "", name
    header = lines[0].split("\t")
    rows = [l.split("\t") for l in lines[1:-1]]
    table = DBF(dbf_dir + "/" + name + ".dbf", encoding="cp1250")
    fields = table.field_names
    records = list(table)
    # two columns are named differently in the two forms
    renamed = {"PRUM_R": "Crok", "Podil[%]": "Podil_%"}
    expected_fields = [renamed.get(h, h)[:11] for h in header]
    if fields != expected_fields:
        print(name, "fields", fields, expected_fields); bad += 1; continue
    if len(records) != len(rows):
        print(name, "records", len(records), len(rows)); bad += 1; continue
    dbf_decimals = {f.name: f.decimal_count for f in table.fields}
    for rec, row in zip(records, rows):
        for f, text in zip(fields, row):
            value = rec[f]
            if isinstance(value, str):
                if value.strip() != text:
                    print(name, f, repr(value), repr(text)); bad += 1
                continue
            # each form rounds to its own decimals (the DBF one after single
            # precision), so they may differ by half a unit of each
            decimals = len(text.split(".")[1]) if "." in text else 0
            tol = 0.5 * 10 ** -decimals + 0.5 * 10 ** -dbf_decimals[f] + 1e-9
            if abs(float(value) - float(text)) > tol:
                print(name, f, value, text); bad += 1
print("checked" if bad == 0 else "differences: %d" % bad)
sys.exit(1 if bad else 0)
)PY";
    write_file(dbf.dir.file("check.py"), script);
    const std::string out = dbf.dir.file("check.out");
    const std::string cmd = std::string(std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3") +
                            " '" + dbf.dir.native("check.py").string() + "' '" + txt.dir.native("vysledky").string() +
                            "' '" + dbf.dir.native("vysledky").string() + "' > '" +
                            dbf.dir.native("check.out").string() + "' 2>&1";
    const int status = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0) << read_file(out);
    EXPECT_EQ(read_file(out), "checked\n");
}

namespace {

std::string python3() { return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

// Copies an example directory into dir (without results).
void copy_example(const std::string& name, const test::TempDir& dir) {
    for (const auto& e : std::filesystem::directory_iterator(test::source_native("examples/" + name)))
        if (e.is_regular_file()) std::filesystem::copy_file(e.path(), dir.path() / e.path().filename());
    std::filesystem::create_directories(dir.native("vysledky"));
}

}  // namespace

// The committed tables of the example are exactly what its generator writes.
TEST(ExampleTown, TablesAreThoseOfTheGenerator) {
    test::TempDir dir;
    const std::string cmd = python3() + " '" + test::source_native("tools/example_town/make_town.py").string() + "' '" +
                            dir.path().string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* f : {"town.atm", "body.txt", "bodove.txt", "liniove.txt", "plosne.txt", "ruzice.txt"})
        EXPECT_EQ(read_file(dir.file(f)), read_file(test::source_native(std::string("examples/town/") + f))) << f;
}

// The example runs without a single error message, and its DBF twin (tables
// written by GDAL) gives the same basic table as far as the DBF field
// widths show it.
TEST(ExampleTown, TextAndDbfVariantsRunCleanlyAndAgree) {
    test::TempDir txt, dbf;
    copy_example("town", txt);
    copy_example("town-dbf", dbf);
    for (const test::TempDir* d : {&txt, &dbf}) {
        const auto r = run_zemo("-a -c -d '" + d->str() + "' -i town.atm -l '" + d->file("town.log") + "'", d->str());
        ASSERT_EQ(r.exit_code, 0) << r.output;
        const std::string log = cp1250_to_utf8(read_file(d->file("town.log")));
        EXPECT_EQ(log.find("+++ "), std::string::npos) << log;
        EXPECT_NE(log.find("VÝPOČET UKONČEN... O.K."), std::string::npos);
        EXPECT_NE(log.find("===    1. soubor :  1024"), std::string::npos);
    }
    const std::string basic = read_file(txt.file("vysledky/IHrIHk.txt"));
    EXPECT_EQ(basic.substr(0, basic.find("\r\n")),
              "Bod\tX\tY\tCrok_SO2\tCmax_SO2\tP_350_SO2\tP_125_SO2\tCrok_NO2\tCmax_NO2\tP_200_NO2\t"
              "Crok_PM10\tCmax_PM10\tP_50_PM10\tCrok_BZN\tCmax_BZN\tP_5_BZN");

    const std::string script = R"PY(
import sys
from dbfread import DBF
lines = open(sys.argv[1], "rb").read().decode("cp1250").split("\r\n")[1:-1]
records = list(DBF(sys.argv[2]))
assert len(lines) == len(records) == 1024, (len(lines), len(records))
worst = 0.0
for line, rec in zip(lines, records):
    row = line.split("\t")
    values = list(rec.values())
    assert values[0] == row[0], (values[0], row[0])
    for text, value in zip(row[1:], values[1:]):
        worst = max(worst, abs(float(text) - float(value)))
print("%.4f" % worst)
)PY";
    write_file(dbf.file("check.py"), script);
    const std::string out = dbf.file("check.out");
    const std::string cmd =
        python3() + " '" + dbf.native("check.py").string() + "' '" + txt.native("vysledky/IHrIHk.txt").string() +
        "' '" + dbf.native("vysledky/IHrIHk.dbf").string() + "' > '" + dbf.native("check.out").string() + "' 2>&1";
    ASSERT_EQ(WEXITSTATUS(std::system(cmd.c_str())), 0) << read_file(out);
    // Concentrations have 3 decimals in DBF against 5 or 2 in the text
    // table; the frequencies have 2 in both, but the DBF value passes
    // through single precision first, so a frequency on a rounding edge
    // (0.855 and the like) may show one hundredth apart.
    EXPECT_LE(std::stod(read_file(out)), 0.0101) << read_file(out);
}

// The extended type adds the detailed report, worked out from the same
// hand calculation: for B1 sector 1 (north) holds the one case (class IV,
// speed class 2) with 214.37 from group 1 and source K1 alone (100 % of
// the instantaneous concentration); the other 15 sectors are reached by no
// case. B2 has the same case with the concentration 0: every share is 0
// and no source passes twice the share threshold (2.0 %).
TEST(WholeRun, ExtendedTypeWritesTheDetailedReport) {
    TinyProject prj("ROZSIRENY");
    ASSERT_EQ(prj.run().exit_code, 0);
    auto point = [](const std::string& id, const std::string& y, const std::string& max, const std::string& p200,
                    const std::string& group_share, const std::string& source_lines) {
        std::string t =
            "\n************************************\n"
            "\nBOD ČÍSLO: " +
            id +
            "\n"
            " souřadnice X, Y, Z: 1000.00, " +
            y +
            ", 300.00\n"
            " výška nad terénem:  1.50\n"
            " větrná růžice:      1\n"
            " ---------\n Proudění ze směru   0.0° (sektor číslo  1)\n"
            " IHk (max) = " +
            max +
            ", třída stability 4, třída rychlosti 2,\n"
            "             koncentrace     200.00 překročena v " +
            p200 +
            "% případů\n"
            "             koncentrace     250.00 překročena v   0.00% případů\n"
            "     (min) = " +
            max +
            ", třída stability 4, třída rychlosti 2\n"
            " ---------\n"
            " Podíly skupin zdrojů na \"okamžité\" koncentraci\n"
            "     (4. třída stability a 2. třída rychlosti)\n"
            "       SKUPINA    PODÍL [%]\n"
            "             1" +
            group_share +
            "\n"
            " ---------\n"
            " Podíly zdrojů na \"okamžité\" koncentraci (příspěvek větší než 2.0%)\n"
            "     (4. třída stability a 2. třída rychlosti)\n"
            "         ZDROJ    PODÍL [%]\n" +
            source_lines;
        for (int s = 1; s < 16; ++s)
            t += " ==================\n" + format("\n Proudění ze směru %5.1f° (sektor číslo %2i)\n", s * 22.5, s + 1) +
                 " V tomto sektoru nenastává žádná meteorologická situace.\n";
        return t;
    };
    EXPECT_EQ(prj.result("detalni_LAT.txt"),
              cp("Modelova latka (LAT)\n" +
                 point("B1", "1500.00", "  214.37", "100.00", "       100.00", "            K1       100.00\n") +
                 point("B2", "2500.00", "    0.00", "  0.00", "         0.00", "")));
}

// Without -l the log is named after the project and lives in the log
// directory of the installation; after the run it is copied, byte for
// byte, into the output directory.
TEST(WholeRun, DerivedLogPathAndItsCopy) {
    TinyProject prj;
    std::filesystem::copy_file(prj.dir.native("jeden.atm"), prj.dir.native("odvozeny_log.atm"));
    const std::filesystem::path log = test::staged_native("log/odvozeny_log.log");
    std::filesystem::remove(log);
    const auto r = run_zemo("-a -c -d '" + prj.dir.str() + "' -i odvozeny_log.atm", prj.dir.str());
    ASSERT_EQ(r.exit_code, 0) << r.output;
    ASSERT_TRUE(std::filesystem::exists(log));
    const std::string bytes = read_file(log);
    EXPECT_NE(bytes.find(utf8_to_cp1250("VÝPOČET UKONČEN... O.K.\r\n")), std::string::npos);
    EXPECT_EQ(read_file(prj.dir.file("vysledky/odvozeny_log.log")), bytes);
    std::filesystem::remove(log);

    // At level 0 a run without errors writes no log at all.
    const auto quiet = run_zemo("-a -c -L0 -d '" + prj.dir.str() + "' -i odvozeny_log.atm", prj.dir.str());
    EXPECT_EQ(quiet.exit_code, 0);
    EXPECT_FALSE(std::filesystem::exists(log));
    EXPECT_EQ(quiet.output.find("Vypocet ukoncen"), std::string::npos);  // no end texts at level 0
}
