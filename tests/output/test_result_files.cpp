// The result files: the file set per result type, the path rule, the
// headers and rows of every table in text and DBF form, the source-share
// threshold, the fatal messages, and lost output reported at the end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <cctype>
#include <climits>
#include <map>
#include <set>
#include <vector>

#include "base/files.h"
#include "base/format.h"
#include "input/sources.h"
#include "input/wind_roses.h"
#include "output/result_files.h"
#include "tests/run_records.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::TempDir;

namespace {

const char* const kNames[16] = {"S", "SSV", "SV", "VSV", "V", "VJV", "JV", "JJV",
                                "J", "JJZ", "JZ", "ZJZ", "Z", "ZSZ", "SZ", "SSZ"};

// Sector columns below hold values that are exact in binary.
std::string str(double v) { return format("%.2f", v); }

std::set<std::string> files_in(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(test::native_path(dir)))
        names.insert(e.path().filename().string());
    return names;
}

int u16_at(const std::string& s, std::size_t at) {
    return static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8);
}

// Two pollutants (SO2 with limits 125 and 350, NO2 with 200), three
// sources: K1 (group 3), K2 (group 1) and the road L1 (group 7).
class ResultFilesTest : public ::testing::Test, public test::RunRecords {
protected:
    void SetUp() override {
        // Called again by tests that run a second case: every record anew.
        reset_result_files(files);
        log.reset();
        options.reset();
        project.reset();
        settings.reset();
        sources.reset();
        roses.reset();
        log.open(logs.file("run.log"), 1);
        settings.set_methodology_defaults();
        options.start_local.tm_year = 126;
        options.start_local.tm_mon = 11;
        options.start_local.tm_mday = 9;
        std::filesystem::create_directories(test::native_path(out_dir()));
        ProjectConfig& pr = project;
        pr.output_directory = out_dir() + "/";
        Pollutant so2;
        so2.indicative = "SO2";
        so2.type = kTypeSO2;
        so2.limit[0] = 125;
        so2.limit[1] = 350;
        so2.limit_count = 2;
        so2.name = utf8_to_cp1250("Oxid siřičitý");
        Pollutant no2;
        no2.indicative = "NO2";
        no2.type = kTypeNO2;
        no2.limit[0] = 200;
        no2.limit_count = 1;
        no2.name = utf8_to_cp1250("Oxid dusičitý");
        pr.pollutants = {so2, no2};

        Sources& s = sources;
        s.NP = 2;
        s.NL = 1;
        s.total = 3;
        s.SrcP_id = {"K1", "K2"};
        s.SrcP_group = {3, 1};
        s.SrcL_id = {"L1"};
        s.SrcL_group = {7};
        s.groups = {3, 1, 7};
        s.max_group = 7;
        roses.count = 2;
        roses.Wnd_id = {3, 7};

        point.id = "B1";
        point.x = 1234.4;
        point.y = -567.6;
        point.z = 251.5;
        point.height = 1.5;
        point.wind_rose = 1;

        ASSERT_TRUE(conc.allocate(2, 3));
        conc.clear();
        // Annual contributions of SO2: K1 1.0 in two slots, K2 1.5, L1 60.
        conc.at(0, case_slot(5, 0, 0), 0) = 0.25;
        conc.at(0, case_slot(5, 2, 47), 0) = 0.75;
        conc.at(0, case_slot(5, 1, 10), 1) = 1.5;
        conc.at(0, case_slot(5, 0, 5), 2) = 60.0;
        conc.at(0, case_slot(0, 0, 0), 0) = 500.0;  // short-term: not part of any share
        conc.at(1, case_slot(5, 0, 3), 0) = 3.0;    // NO2, whose Crok is below 1e-10

        stats.pollutants.resize(2);
        PollutantStatistics& a = stats.pollutants[0];
        a.Crok = 100.0;
        a.Cmax = 99.999;
        a.P[0] = 1.234;
        a.P[1] = 0.5;
        a.group_shares = {50.0, 30.0, 15.0, 5.0};  // groups 3, 1, 7 in table order, then the background
        for (int s = 0; s < 16; ++s) {
            a.sector_mean[s] = 1.25 * s;
            if (s % 2 == 0) {
                a.sector_max[s] = {10.0 + s, 1, 1, 3 * s};
                a.sector_min[s] = {0.5, 2, 1, 3 * s};
                a.sector_exceedance[s] = {0.5 * s, 0.25 * s};
            } else {
                // No case reaches the odd sectors.
                a.sector_max[s] = {-1e32, 0, 0, -1};
                a.sector_min[s] = {1e32, 0, 0, -1};
                a.sector_exceedance[s] = {7.0, 7.0};
            }
        }
        PollutantStatistics& b = stats.pollutants[1];
        b.Crok = 5e-11;  // below 1e-10: every source share is 0
        b.Cmax = 5.5;
        b.P[0] = 0.126;
        b.group_shares = {0, 0, 0, 0};
        for (int s = 0; s < 16; ++s) b.sector_max[s] = {-1e32, 0, 0, -1};
    }
    void TearDown() override {
        reset_result_files(files);
        conc.release();
    }

    std::string out_dir() const { return dir.file("out"); }
    std::string out(const std::string& name) const { return out_dir() + "/" + name; }
    std::string log_text() {
        log.close();
        return read_file(logs.file("run.log"));
    }
    int prepare() {
        return run_stage(log, [&] {
            prepare_result_files(in, files, log);
            return 0;
        });
    }
    // What the end of a run does with the result files: 0 when every table
    // was written completely, else -100.
    int end_of_run() {
        complete_result_files(files);
        return close_result_files(files, log) ? 0 : -100;
    }
    void run_one_point(int type, int format) {
        project.result_type = type;
        project.result_format = format;
        ASSERT_EQ(prepare(), 0);
        write_point_results(in, files, log, point, conc, stats);
        complete_result_files(files);
        ASSERT_TRUE(close_result_files(files, log));
    }

    TempDir dir, logs;
    ResultFiles files;
    ReferencePoint point;
    ConcMatrix conc;
    PointStatistics stats;
};

std::string sector_max_header() {
    std::string h = "Bod\tX\tY";
    for (const char* n : kNames) h += std::string("\t") + n + "_X\t" + n + "_P_125\t" + n + "_P_350";
    return h + "\r\n";
}

}  // namespace

TEST_F(ResultFilesTest, TextTablesOfTheStandardType) {
    run_one_point(kResultStandard, kFormatTxt);
    EXPECT_EQ(files_in(out_dir()), (std::set<std::string>{"IHrIHk.txt", "Pzdroju_SO2.txt", "Pzdroju_NO2.txt",
                                                          "Pskupin_SO2.txt", "Pskupin_NO2.txt", "Smax_SO2.txt",
                                                          "Smax_NO2.txt", "Sprum_SO2.txt", "Sprum_NO2.txt"}));

    EXPECT_EQ(read_file(out("IHrIHk.txt")),
              "Bod\tX\tY\tCrok_SO2\tCmax_SO2\tP_125_SO2\tP_350_SO2\tCrok_NO2\tCmax_NO2\tP_200_NO2\r\n"
              "B1\t1234\t-568\t100.00000\t100.00\t1.23\t0.50\t0.00000\t5.50\t0.13\r\n");

    // K1 gives exactly 1.0 % of Crok: not above the threshold 1.0, no row.
    EXPECT_EQ(read_file(out("Pzdroju_SO2.txt")),
              "Bod\tX\tY\tZdroj\tCrok\tPodil\tPodil[%]\r\n"
              "B1\t1234\t-568\tK2\t100.000\t1.500\t1.50\r\n"
              "B1\t1234\t-568\tL1\t100.000\t60.000\t60.00\r\n");
    // Crok below 1e-10 gives every share 0: no row at all.
    EXPECT_EQ(read_file(out("Pzdroju_NO2.txt")), "Bod\tX\tY\tZdroj\tCrok\tPodil\tPodil[%]\r\n");

    // Groups 3, 1, 7 in table order; columns in ascending group number,
    // each with the share stored at that group's position.
    EXPECT_EQ(read_file(out("Pskupin_SO2.txt")),
              "Bod\tX\tY\tSkupina_1\tSkupina_3\tSkupina_7\tTransfer\r\n"
              "B1\t1234\t-568\t30.00\t50.00\t15.00\t5.00\r\n");

    std::string mean_header = "Bod\tX\tY", mean_row = "B1\t1234\t-568";
    for (int s = 0; s < 16; ++s) {
        mean_header += std::string("\t") + kNames[s] + "_R";
        mean_row.append("\t").append(str(1.25 * s));
    }
    EXPECT_EQ(read_file(out("Sprum_SO2.txt")), mean_header + "\tPRUM_R\r\n" + mean_row + "\t100.0\r\n");

    // Sectors that no case reaches show 0.00, exceedances included.
    std::string max_row = "B1\t1234\t-568";
    for (int s = 0; s < 16; ++s)
        max_row += s % 2 == 0 ? std::string("\t")
                                    .append(str(10.0 + s))
                                    .append("\t")
                                    .append(str(0.5 * s))
                                    .append("\t")
                                    .append(str(0.25 * s))
                              : std::string("\t0.00\t0.00\t0.00");
    EXPECT_EQ(read_file(out("Smax_SO2.txt")), sector_max_header() + max_row + "\r\n");
    std::string no2_max = read_file(out("Smax_NO2.txt"));
    EXPECT_EQ(no2_max.find("e+"), std::string::npos);
    EXPECT_NE(no2_max.find("\r\nB1\t1234\t-568\t0.00\t0.00\t0.00\t0.00"), std::string::npos);
}

TEST_F(ResultFilesTest, BasicTypeCreatesOnlyTheBasicTable) {
    run_one_point(kResultBasic, kFormatTxt);
    EXPECT_EQ(files_in(out_dir()), std::set<std::string>{"IHrIHk.txt"});
    run_one_point(kResultBasic, kFormatDbf);
    EXPECT_EQ(files_in(out_dir()), (std::set<std::string>{"IHrIHk.txt", "IHrIHk.dbf"}));
}

TEST_F(ResultFilesTest, DbfTablesHeadersRecordsAndCounts) {
    run_one_point(kResultStandard, kFormatDbf);

    // 10 fields of widths 30 + (12 + 20) + (6 + 20) = 88.
    const std::string basic = read_file(out("IHrIHk.dbf"));
    ASSERT_EQ(basic.size(), 353u + 89u + 1u);
    EXPECT_EQ(basic.substr(0, 4), std::string("\x03\x7E\x0C\x09", 4));
    EXPECT_EQ(u16_at(basic, 4), 1);
    EXPECT_EQ(u16_at(basic, 8), 353);
    EXPECT_EQ(u16_at(basic, 10), 89);
    const char* names[10] = {"Bod",       "X",         "Y",        "Crok_SO2", "Cmax_SO2",
                             "P_125_SO2", "P_350_SO2", "Crok_NO2", "Cmax_NO2", "P_200_NO2"};
    const char types[10] = {'C', 'N', 'N', 'N', 'N', 'N', 'N', 'N', 'N', 'N'};
    const int widths[10] = {10, 10, 10, 10, 10, 6, 6, 10, 10, 6};
    const int decimals[10] = {0, 0, 0, 3, 3, 2, 2, 3, 3, 2};
    for (int f = 0; f < 10; ++f) {
        const std::string d = basic.substr(32 + 32 * f, 32);
        EXPECT_EQ(std::string(d.c_str()), names[f]);
        EXPECT_EQ(d[11], types[f]) << names[f];
        EXPECT_EQ(d[16], widths[f]) << names[f];
        EXPECT_EQ(d[17], decimals[f]) << names[f];
    }
    EXPECT_EQ(basic[352], '\x0D');
    // Point, X, Y, then Crok, Cmax (99.999 in single precision), P, P of
    // SO2 and Crok, Cmax, P of NO2, each its field's width.
    const std::string record = std::string(" ") + "B1        " + "      1234" + "      -568" + "   100.000" +
                               "    99.999" + "  1.23" + "  0.50" + "     0.000" + "     5.500" + "  0.13";
    ASSERT_EQ(record.size(), 89u);
    EXPECT_EQ(basic.substr(353, 89), record);
    EXPECT_EQ(basic.back(), '\x1A');

    // Source shares: 7 fields, widths 66; two rows written and counted.
    const std::string shares = read_file(out("Pzdroju_SO2.dbf"));
    EXPECT_EQ(u16_at(shares, 8), 32 * 7 + 33);
    EXPECT_EQ(u16_at(shares, 10), 67);
    EXPECT_EQ(u16_at(shares, 4), 2);
    EXPECT_EQ(std::string(shares.c_str() + 32 + 6 * 32), "Podil_%");
    const std::string share_record = std::string(" ") + "B1        " + "      1234" + "      -568" + "K2        " +
                                     "   100.000" + "     1.500" + "  1.50";
    ASSERT_EQ(share_record.size(), 67u);
    EXPECT_EQ(shares.substr(257, 67), share_record);
    EXPECT_EQ(shares.size(), 257u + 2 * 67 + 1);
    EXPECT_EQ(u16_at(read_file(out("Pzdroju_NO2.dbf")), 4), 0);

    // Group shares: 3 groups + 4 fields, widths 6 * 3 + 36.
    const std::string groups = read_file(out("Pskupin_SO2.dbf"));
    EXPECT_EQ(u16_at(groups, 8), 32 * 7 + 33);
    EXPECT_EQ(u16_at(groups, 10), 55);
    EXPECT_EQ(std::string(groups.c_str() + 32 + 3 * 32), "Skupina_1");
    EXPECT_EQ(std::string(groups.c_str() + 32 + 5 * 32), "Skupina_7");
    const std::string group_record =
        std::string(" ") + "B1        " + "      1234" + "      -568" + " 30.00" + " 50.00" + " 15.00" + "  5.00";
    ASSERT_EQ(group_record.size(), 55u);
    EXPECT_EQ(groups.substr(257, 55), group_record);

    // Sector maxima of SO2: 3 + 16 * 3 fields, widths 30 + 16 * (10 + 12).
    const std::string smax = read_file(out("Smax_SO2.dbf"));
    EXPECT_EQ(u16_at(smax, 8), 32 * 51 + 33);
    EXPECT_EQ(u16_at(smax, 10), 383);
    EXPECT_EQ(std::string(smax.c_str() + 32 + 50 * 32), "SSZ_P_350");
    // Sector means: 20 fields, widths 200; the last field is Crok.
    const std::string smean = read_file(out("Sprum_SO2.dbf"));
    EXPECT_EQ(u16_at(smean, 8), 32 * 20 + 33);
    EXPECT_EQ(u16_at(smean, 10), 201);
    EXPECT_EQ(std::string(smean.c_str() + 32 + 19 * 32), "Crok");
    EXPECT_EQ(u16_at(smean, 4), 1);
}

TEST_F(ResultFilesTest, PathRule) {
    EXPECT_EQ(result_file_path(project, "Smax", "NO2", true), out("Smax_NO2.dbf"));
    EXPECT_EQ(result_file_path(project, "C:\\res\\total", "", false), "C:\\res\\total.txt");
    std::filesystem::create_directories(dir.native("res"));
    project.base_basic = dir.file("res") + "\\total";  // a base name with a directory part
    project.base_sector_max = dir.file("res") + "/Smx";
    run_one_point(kResultStandard, kFormatTxt);
    EXPECT_EQ(files_in(dir.file("res")), (std::set<std::string>{"total.txt", "Smx_SO2.txt", "Smx_NO2.txt"}));
    EXPECT_EQ(files_in(out_dir()).count("IHrIHk.txt"), 0u);
    EXPECT_EQ(files_in(out_dir()).count("Pskupin_NO2.txt"), 1u);
}

TEST_F(ResultFilesTest, ExtendedTypeWritesTheReports) {
    run_one_point(kResultExtended, kFormatDbf);
    EXPECT_EQ(files_in(out_dir()).count("detalni_SO2.txt"), 1u);
    EXPECT_EQ(files_in(out_dir()).count("detalni_NO2.dbf"), 0u);
    const std::string report = read_file(out("detalni_SO2.txt"));
    EXPECT_EQ(report.rfind(cp("Oxid siřičitý (SO2)\n"), 0), 0u);
    EXPECT_NE(report.find(cp("\nBOD ČÍSLO: B1\n souřadnice X, Y, Z: 1234.40, -567.60, 251.50\n")), std::string::npos);
    EXPECT_NE(report.find(cp(" větrná růžice:      7\n")), std::string::npos);  // identifier of rose index 1
    // NO2 has one limit and no sector reached by any case.
    const std::string no2 = read_file(out("detalni_NO2.txt"));
    EXPECT_EQ(no2.find("koncentrace"), std::string::npos);
    std::size_t none = 0;
    for (auto at = no2.find("V tomto sektoru"); at != std::string::npos; at = no2.find("V tomto sektoru", at + 1))
        ++none;
    EXPECT_EQ(none, 16u);
}

TEST_F(ResultFilesTest, BasicTableThatCannotBeCreatedIsNamedByItsBaseName) {
    project.output_directory = dir.file("missing") + "/";
    EXPECT_EQ(prepare(), -100);
    EXPECT_NE(log_text().find(cp("*** soubor nelze vytvořit\n       - IHrIHk (") + dir.file("missing") +
                              cp("/IHrIHk.txt: soubor nebo adresář neexistuje)\n")),
              std::string::npos)
        << log_text();
}

TEST_F(ResultFilesTest, OtherTableThatCannotBeCreatedIsNamedByItsPath) {
    project.base_group_shares = dir.file("missing") + "/G";
    EXPECT_EQ(prepare(), -100);
    const std::string path = dir.file("missing") + "/G_SO2.txt";
    EXPECT_NE(log_text().find(cp("*** soubor nelze vytvořit\n       - ") + path + " (" + path +
                              cp(": soubor nebo adresář neexistuje)\n")),
              std::string::npos)
        << log_text();
    // The tables created before keep their headers once the run has closed
    // them after the stop.
    close_result_files_after_stop(files);
    EXPECT_EQ(read_file(out("Pzdroju_SO2.txt")), "Bod\tX\tY\tZdroj\tCrok\tPodil\tPodil[%]\r\n");
    EXPECT_EQ(files_in(out_dir()), (std::set<std::string>{"IHrIHk.txt", "Pzdroju_SO2.txt"}));
}

TEST_F(ResultFilesTest, LostOutputIsReportedAndTheRunIsNotOk) {
    project.result_type = kResultStandard;
    project.result_format = kFormatDbf;
    ASSERT_EQ(prepare(), 0);
    OutputTable* table = find_result_table(files, out("Smax_NO2.dbf"));
    ASSERT_NE(table, nullptr);
    table->file().simulate_write_failure();  // as on a full disk
    write_point_results(in, files, log, point, conc, stats);
    EXPECT_EQ(end_of_run(), -100);
    const std::string log = log_text();
    EXPECT_NE(log.find(cp("+++ soubor nelze vytvořit\n       - zápis se nezdařil, soubor výsledků je neúplný: ") +
                       out("Smax_NO2.dbf") + " (" + out("Smax_NO2.dbf") + cp(": na disku není místo)\n")),
              std::string::npos);
    EXPECT_EQ(log.find("O.K."), std::string::npos);
    EXPECT_NE(log.find(cp("počet chybových zpráv: 1")), std::string::npos);
    // The other tables were completed.
    EXPECT_EQ(u16_at(read_file(out("Smax_SO2.dbf")), 4), 1);
}

// Groups 100 and 1000: the TXT names stay Skupina_100 and Skupina_1000, the
// DBF fields (at most 11 characters) are Skupina_100 and Skup_1000, read
// back from the header bytes; cut to 11 both would be Skupina_100.
TEST_F(ResultFilesTest, GroupsAboveNineHundredNinetyNineKeepDistinctDbfNames) {
    sources.SrcP_group = {100, 1000};
    sources.SrcL_group = {100};
    sources.groups = {100, 1000};
    sources.max_group = 1000;
    stats.pollutants[0].group_shares = {40.0, 55.0, 5.0};
    stats.pollutants[1].group_shares = {0, 0, 0};
    run_one_point(kResultStandard, kFormatTxt);
    EXPECT_EQ(read_file(out("Pskupin_SO2.txt")),
              "Bod\tX\tY\tSkupina_100\tSkupina_1000\tTransfer\r\n"
              "B1\t1234\t-568\t40.00\t55.00\t5.00\r\n");

    run_one_point(kResultStandard, kFormatDbf);
    const std::string dbf = read_file(out("Pskupin_SO2.dbf"));
    ASSERT_EQ(u16_at(dbf, 8), 32 * 6 + 33);
    std::vector<std::string> names;
    for (int f = 0; f < 6; ++f) names.emplace_back(dbf.substr(32 + 32 * f, 11));
    const auto padded = [](std::string n) { return n.append(11 - n.size(), '\0'); };
    EXPECT_EQ(names, (std::vector<std::string>{padded("Bod"), padded("X"), padded("Y"), "Skupina_100",
                                               padded("Skup_1000"), padded("Transfer")}));
    EXPECT_EQ(dbf.substr(225 + 31, 18), " 40.00 55.00  5.00");
}

TEST(DbfGroupFieldName, FormsAndTheirEdges) {
    const std::pair<int, const char*> cases[] = {
        {0, "Skupina_0"},      {7, "Skupina_7"},         {999, "Skupina_999"}, {-99, "Skupina_-99"},
        {1000, "Skup_1000"},   {999999, "Skup_999999"},  {-100, "Skup_-100"},  {-99999, "Skup_-99999"},
        {1000000, "S1000000"}, {INT_MAX, "S2147483647"}, {-100000, "M100000"}, {INT_MIN, "M2147483648"},
    };
    for (const auto& [group, name] : cases) EXPECT_EQ(dbf_group_field_name(group), name) << group;
}

// Around every edge between the forms and at both ends of the integers,
// every name has at most 11 characters and no two are alike, compared as
// dBase readers compare field names (case-insensitively).
TEST(DbfGroupFieldName, NamesAreShortAndUniqueAcrossTheEdges) {
    std::vector<long long> groups;
    for (long long edge : {-100000LL, -100LL, 0LL, 1000LL, 1000000LL})
        for (long long g = edge - 1500; g <= edge + 1500; ++g) groups.push_back(g);
    for (long long g = 0; g < 2000; ++g) {
        groups.push_back(INT_MAX - g);
        groups.push_back(INT_MIN + g);
    }
    std::map<std::string, long long> seen;
    for (long long g : groups) {
        std::string name = dbf_group_field_name(static_cast<int>(g));
        EXPECT_LE(name.size(), kDbfNameBytes) << g;
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const auto [at, inserted] = seen.emplace(name, g);
        EXPECT_TRUE(inserted || at->second == g) << g << " and " << at->second << " give " << name;
    }
}

// Column names that would be alike refuse the run before any result file
// is created: a file of the same name from an earlier run keeps its bytes.
class SameColumnNamesTest : public ResultFilesTest {
protected:
    // Prepares the result files of the standard type in the given format
    // over an earlier basic table; true when the run was refused with the
    // fatal message whose detail is `detail` (UTF-8), and nothing but that
    // earlier table is in the output directory, unchanged.
    ::testing::AssertionResult refused(int format, const std::string& detail) {
        const std::string earlier = out(format == kFormatDbf ? "IHrIHk.dbf" : "IHrIHk.txt");
        test::write_file(earlier, "earlier results");
        project.result_type = kResultStandard;
        project.result_format = format;
        if (prepare() != -100) return ::testing::AssertionFailure() << "not refused";
        const std::string log = log_text();
        if (log.find(cp("*** chybná vstupní data\n       - " + detail + "\n")) == std::string::npos)
            return ::testing::AssertionFailure() << cp1250_to_utf8(log);
        if (files_in(out_dir()) != std::set<std::string>{std::filesystem::path(earlier).filename().string()})
            return ::testing::AssertionFailure() << "a result file was created";
        if (read_file(earlier) != "earlier results")
            return ::testing::AssertionFailure() << "the earlier table changed";
        return ::testing::AssertionSuccess();
    }
    bool prepared(int type, int format) {
        project.result_type = type;
        project.result_format = format;
        const bool ok = prepare() == 0;
        reset_result_files(files);
        return ok;
    }
};

// The column names of a table: the TXT header's, or the DBF field names
// as a reader gets them back (up to the first zero byte).
std::vector<std::string> column_names(const std::string& path) {
    const std::string t = read_file(path);
    std::vector<std::string> names;
    if (path.ends_with(".txt")) {
        const std::string header = t.substr(0, t.find("\r\n"));
        for (std::size_t at = 0; at <= header.size();) {
            const std::size_t tab = std::min(header.find('\t', at), header.size());
            names.push_back(header.substr(at, tab - at));
            at = tab + 1;
        }
        return names;
    }
    for (std::size_t at = 32; at + 32 <= t.size() && t[at] != '\r'; at += 32) {
        const std::string name = t.substr(at, 11);
        names.push_back(name.substr(0, name.find('\0')));
    }
    return names;
}

// count limit columns of a table from column first on: the basic table's
// and the sector maxima's columns other than Crok_, Cmax_ and <sector>_X.
std::vector<std::string> limit_columns(const std::string& path, std::size_t first, std::size_t count) {
    const std::vector<std::string> names = column_names(path);
    std::vector<std::string> out;
    for (std::size_t i = first; i < names.size() && out.size() < count; ++i)
        if (!names[i].starts_with("Crok_") && !names[i].starts_with("Cmax_") && !names[i].ends_with("_X"))
            out.push_back(names[i]);
    return out;
}

using Names = std::vector<std::string>;

// "%.0f" prints 99.99 as 100, and both limits of SO2 would be P_100_SO2
// (and S_P_100 ... in the sector maxima). Such a pair alone is named with
// the limits' digits in TXT and with the limit's number in DBF; NO2's
// column and every other name stay as they were.
TEST_F(SameColumnNamesTest, TwoLimitsThatPrintAlikeAreNamedApart) {
    project.pollutants[0].limit[0] = 100;
    project.pollutants[0].limit[1] = 99.99;
    ASSERT_TRUE(prepared(kResultStandard, kFormatTxt));
    EXPECT_EQ(column_names(out("IHrIHk.txt")), (Names{"Bod", "X", "Y", "Crok_SO2", "Cmax_SO2", "P_100_SO2",
                                                      "P_99.99_SO2", "Crok_NO2", "Cmax_NO2", "P_200_NO2"}));
    const Names smax = column_names(out("Smax_SO2.txt"));
    ASSERT_EQ(smax.size(), 3u + 16 * 3);
    EXPECT_EQ(Names(smax.begin() + 3, smax.begin() + 9),
              (Names{"S_X", "S_P_100", "S_P_99.99", "SSV_X", "SSV_P_100", "SSV_P_99.99"}));
    EXPECT_EQ(column_names(out("Smax_NO2.txt"))[4], "S_P_200");

    ASSERT_TRUE(prepared(kResultStandard, kFormatDbf));
    EXPECT_EQ(column_names(out("IHrIHk.dbf")), (Names{"Bod", "X", "Y", "Crok_SO2", "Cmax_SO2", "P1_SO2", "P2_SO2",
                                                      "Crok_NO2", "Cmax_NO2", "P_200_NO2"}));
    const Names smax_dbf = column_names(out("Smax_SO2.dbf"));
    ASSERT_EQ(smax_dbf.size(), 3u + 16 * 3);
    EXPECT_EQ(Names(smax_dbf.end() - 3, smax_dbf.end()), (Names{"SSZ_X", "SSZ_P1", "SSZ_P2"}));
}

// The catalogue's substances below 1: limits that are all 0 as whole
// numbers (benzo(a)pyrene 0.001 and 0.0006, lead 0.5 and 0.35, where 0.5
// is a tie that prints as 0), and two equal limits, which even six digits
// cannot tell apart and which take the limit's number in TXT too.
TEST_F(SameColumnNamesTest, LimitsBelowOneAndEqualLimits) {
    ProjectConfig& pr = project;
    pr.pollutants[0].indicative = "BAP";
    pr.pollutants[0].limit[0] = 0.001;
    pr.pollutants[0].limit[1] = 0.0006;
    pr.pollutants[1].indicative = "PB";
    pr.pollutants[1].limit[0] = 0.5;
    pr.pollutants[1].limit[1] = 0.35;
    pr.pollutants[1].limit_count = 2;
    ASSERT_TRUE(prepared(kResultStandard, kFormatTxt));
    EXPECT_EQ(limit_columns(out("IHrIHk.txt"), 3, 4), (Names{"P_0.001_BAP", "P_0.0006_BAP", "P_0.5_PB", "P_0.35_PB"}));
    EXPECT_EQ(limit_columns(out("Smax_BAP.txt"), 3, 2), (Names{"S_P_0.001", "S_P_0.0006"}));
    ASSERT_TRUE(prepared(kResultStandard, kFormatDbf));
    EXPECT_EQ(limit_columns(out("IHrIHk.dbf"), 3, 4), (Names{"P1_BAP", "P2_BAP", "P1_PB", "P2_PB"}));
    EXPECT_EQ(limit_columns(out("Smax_PB.dbf"), 3, 2), (Names{"S_P1", "S_P2"}));

    // The same limits as single precision gives them (the desktop's fields):
    // the same names.
    pr.pollutants[0].limit[0] = static_cast<double>(0.001f);
    pr.pollutants[0].limit[1] = static_cast<double>(0.0006f);
    ASSERT_TRUE(prepared(kResultBasic, kFormatTxt));
    EXPECT_EQ(limit_columns(out("IHrIHk.txt"), 3, 2), (Names{"P_0.001_BAP", "P_0.0006_BAP"}));

    pr.pollutants[0].limit[0] = pr.pollutants[0].limit[1] = 40;
    ASSERT_TRUE(prepared(kResultStandard, kFormatTxt));
    EXPECT_EQ(limit_columns(out("IHrIHk.txt"), 3, 2), (Names{"P1_BAP", "P2_BAP"}));
    EXPECT_EQ(limit_columns(out("Smax_BAP.txt"), 3, 2), (Names{"S_P1", "S_P2"}));
}

// P_12345_ABCDE and P_12345_ABCDF differ only after the 11 characters of a
// DBF field name: refused in DBF, while the TXT tables are fine.
TEST_F(SameColumnNamesTest, IndicativesThatShareTheirFirstCharacters) {
    ProjectConfig& pr = project;
    pr.pollutants[0].indicative = "ABCDE";
    pr.pollutants[1].indicative = "ABCDF";
    for (Pollutant& p : pr.pollutants) {
        p.limit[0] = 12345;
        p.limit_count = 1;
    }
    EXPECT_TRUE(prepared(kResultStandard, kFormatTxt));
    std::filesystem::remove_all(test::native_path(out_dir()));
    std::filesystem::create_directories(test::native_path(out_dir()));
    EXPECT_TRUE(refused(kFormatDbf, "tabulka " + cp1250_to_utf8(out("IHrIHk.dbf")) +
                                        " by měla dva sloupce stejného názvu P_12345_ABC: P_12345_ABCDE (1. limita "
                                        "12345 látky ABCDE) a P_12345_ABCDF (1. limita 12345 látky ABCDF); název "
                                        "pole DBF tvoří jen prvních 11 znaků názvu sloupce"));
}

// Limits 12345 and 123456 keep apart in the basic table (P_12345_SO2,
// P_123456_SO), but a sector name of three letters makes SSV_P_12345 of
// both in the sector maxima in DBF: that pair alone takes the limit's
// number, the sectors of one or two letters keep their names.
TEST_F(SameColumnNamesTest, SectorMaximaOfLongLimits) {
    project.pollutants[0].limit[0] = 12345;
    project.pollutants[0].limit[1] = 123456;
    ASSERT_TRUE(prepared(kResultStandard, kFormatTxt));
    EXPECT_EQ(limit_columns(out("Smax_SO2.txt"), 6, 2), (Names{"SSV_P_12345", "SSV_P_123456"}));
    ASSERT_TRUE(prepared(kResultStandard, kFormatDbf));
    EXPECT_EQ(limit_columns(out("IHrIHk.dbf"), 3, 2), (Names{"P_12345_SO2", "P_123456_SO"}));
    const Names smax = column_names(out("Smax_SO2.dbf"));
    EXPECT_EQ(Names(smax.begin() + 3, smax.begin() + 12), (Names{"S_X", "S_P_12345", "S_P_123456", "SSV_X", "SSV_P1",
                                                                 "SSV_P2", "SV_X", "SV_P_12345", "SV_P_123456"}));
}

// dBase readers look fields up without regard to case.
TEST_F(SameColumnNamesTest, DbfNamesThatDifferOnlyInCase) {
    project.pollutants[1].indicative = "so2";
    EXPECT_TRUE(prepared(kResultStandard, kFormatTxt));
    std::filesystem::remove_all(test::native_path(out_dir()));
    std::filesystem::create_directories(test::native_path(out_dir()));
    EXPECT_TRUE(refused(kFormatDbf, "tabulka " + cp1250_to_utf8(out("IHrIHk.dbf")) +
                                        " by měla dva sloupce stejného názvu Crok_SO2: Crok_SO2 (roční průměr látky "
                                        "SO2) a Crok_so2 (roční průměr látky so2); velká a malá písmena se v názvech "
                                        "polí DBF nerozlišují"));
}

// A receptor X of 12345678901 does not fit the N10.0 field, a Crok of 1e10
// not the N10.3 one: each is the overflow mark and a counted error naming
// the table, the field and the point, and the run does not end with O.K.
TEST_F(ResultFilesTest, NumbersTooLongForTheirDbfFieldsAreMarkedAndReported) {
    point.x = 12345678901.0;
    stats.pollutants[0].Crok = 1e10;
    project.result_type = kResultBasic;
    project.result_format = kFormatDbf;
    ASSERT_EQ(prepare(), 0);
    write_point_results(in, files, log, point, conc, stats);
    EXPECT_EQ(end_of_run(), -100);

    const std::string basic = read_file(out("IHrIHk.dbf"));
    ASSERT_EQ(basic.size(), 353u + 89u + 1u);
    EXPECT_EQ(basic.substr(353, 51),
              std::string(" ") + "B1        " + "**********" + "      -568" + "**********" + "    99.999");
    EXPECT_EQ(u16_at(basic, 4), 1);  // completed all the same

    const std::string log = log_text();
    const std::string kind = cp("+++ soubor nelze vytvořit\n       - ");
    EXPECT_NE(log.find(kind + cp("číslo 12345678901 se nevejde do pole X (bod B1), je zapsáno hvězdičkami: ") +
                       out("IHrIHk.dbf") + "\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(kind + cp("číslo 10000000000 se nevejde do pole Crok_SO2 (bod B1), je zapsáno hvězdičkami: ") +
                       out("IHrIHk.dbf") + "\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find(cp("zápis se nezdařil")), std::string::npos);  // nothing was lost on the way to the disk
    EXPECT_EQ(log.find("O.K."), std::string::npos);
    EXPECT_NE(log.find(cp("počet chybových zpráv: 2")), std::string::npos);
}

// A result that is no finite number (a background or an emission so large
// that a sum overflows) is no result: in either form a counted error
// naming the table, the column and the point, and the run fails (no
// "O.K.", status -100), though the row is written as before.
TEST_F(ResultFilesTest, ResultsThatAreNotFiniteFailTheRun) {
    for (const int format : {kFormatTxt, kFormatDbf}) {
        SCOPED_TRACE(format);
        SetUp();
        stats.pollutants[0].Crok = INFINITY;
        stats.pollutants[1].Cmax = NAN;
        project.result_type = kResultBasic;
        project.result_format = format;
        ASSERT_EQ(prepare(), 0);
        write_point_results(in, files, log, point, conc, stats);
        EXPECT_EQ(end_of_run(), -100);
        const std::string table = out(format == kFormatDbf ? "IHrIHk.dbf" : "IHrIHk.txt");
        if (format == kFormatTxt) {
            EXPECT_NE(read_file(table).find("\r\nB1\t1234\t-568\tinf\t"), std::string::npos) << read_file(table);
        }
        const std::string log = log_text();
        const std::string kind = cp("+++ chybná vstupní data\n       - ");
        EXPECT_NE(log.find(kind + cp("hodnota inf v poli Crok_SO2 (bod B1) není konečné číslo: ") + table + "\r\n"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find(cp(" v poli Cmax_NO2 (bod B1) není konečné číslo: ") + table + "\r\n"), std::string::npos)
            << log;
        EXPECT_EQ(log.find(cp("se nevejde")), std::string::npos) << log;  // no overflow: said once, as what it is
        EXPECT_EQ(log.find("O.K."), std::string::npos);
        EXPECT_NE(log.find(cp("počet chybových zpráv: 2")), std::string::npos) << log;
    }
}

// The text tables keep the full numbers: the same point is no error there.
TEST_F(ResultFilesTest, TextTablesKeepNumbersOfAnyLength) {
    point.x = 12345678901.0;
    stats.pollutants[0].Crok = 1e10;
    run_one_point(kResultBasic, kFormatTxt);
    EXPECT_EQ(read_file(out("IHrIHk.txt")),
              "Bod\tX\tY\tCrok_SO2\tCmax_SO2\tP_125_SO2\tP_350_SO2\tCrok_NO2\tCmax_NO2\tP_200_NO2\r\n"
              "B1\t12345678901\t-568\t10000000000.00000\t100.00\t1.23\t0.50\t0.00000\t5.50\t0.13\r\n");
    EXPECT_EQ(log_text().find("+++"), std::string::npos);
}

// One unit mistake over a grid overflows a field at every point: the first
// 20 of a table are reported one by one, the rest counted when it closes.
TEST_F(ResultFilesTest, OverflowReportsOfATableAreLimited) {
    point.x = 12345678901.0;
    project.result_type = kResultBasic;
    project.result_format = kFormatDbf;
    ASSERT_EQ(prepare(), 0);
    for (int i = 0; i < 25; ++i) write_point_results(in, files, log, point, conc, stats);
    EXPECT_FALSE(close_result_files(files, log));
    const std::string log = log_text();
    std::size_t reported = 0;
    for (auto at = log.find(cp("se nevejde do pole X")); at != std::string::npos;
         at = log.find(cp("se nevejde do pole X"), at + 1))
        ++reported;
    EXPECT_EQ(reported, 20u);
    EXPECT_NE(log.find(cp("+++ soubor nelze vytvořit\n       - další čísla se nevešla do polí a jsou zapsána "
                          "hvězdičkami (celkem 25): ") +
                       out("IHrIHk.dbf") + "\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(cp("počet chybových zpráv: 21")), std::string::npos);
}

// The DBF tables read back by an independent reader (dbfread), compared
// with the values of the text tables of the same point.
TEST_F(ResultFilesTest, DbfTablesReadBackByAnIndependentReader) {
    std::string python;
    for (const char* candidate : {"python3", "/usr/bin/python3"}) {
        const std::string probe = std::string(candidate) + " -c 'import dbfread' > /dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) {
            python = candidate;
            break;
        }
    }
    if (python.empty()) GTEST_SKIP() << "python3 with dbfread is not installed (scripts/setup installs it)";

    point.id = utf8_to_cp1250("Ústí 1");
    run_one_point(kResultStandard, kFormatTxt);
    run_one_point(kResultStandard, kFormatDbf);
    const std::string script = dir.file("read.py"), result = dir.file("read.out");
    test::write_file(script,
                     "import sys, dbfread\n"
                     "for name in sys.argv[2:]:\n"
                     "    t = dbfread.DBF(sys.argv[1] + '/' + name, encoding='cp1250', char_decode_errors='strict')\n"
                     "    print(name, len(t), ','.join(t.field_names))\n"
                     "    for r in t:\n"
                     "        print('|'.join(str(v) for v in r.values()))\n");
    const std::string cmd = "PYTHONIOENCODING=utf-8 " + python + " '" + script + "' '" + out_dir() +
                            "' IHrIHk.dbf Pzdroju_SO2.dbf Pskupin_SO2.dbf > '" + result + "' 2>&1";
    // The command holds the program's text: the shell gets native names.
    ASSERT_EQ(std::system(cp1250_to_utf8(cmd).c_str()), 0) << read_file(result);
    EXPECT_EQ(read_file(result),
              "IHrIHk.dbf 1 Bod,X,Y,Crok_SO2,Cmax_SO2,P_125_SO2,P_350_SO2,Crok_NO2,Cmax_NO2,P_200_NO2\n"
              "\xC3\x9Ast\xC3\xAD 1|1234|-568|100.0|99.999|1.23|0.5|0.0|5.5|0.13\n"
              "Pzdroju_SO2.dbf 2 Bod,X,Y,Zdroj,Crok,Podil,Podil_%\n"
              "\xC3\x9Ast\xC3\xAD 1|1234|-568|K2|100.0|1.5|1.5\n"
              "\xC3\x9Ast\xC3\xAD 1|1234|-568|L1|100.0|60.0|60.0\n"
              "Pskupin_SO2.dbf 1 Bod,X,Y,Skupina_1,Skupina_3,Skupina_7,Transfer\n"
              "\xC3\x9Ast\xC3\xAD 1|1234|-568|30.0|50.0|15.0|5.0\n");
    // The same values as the text tables.
    EXPECT_NE(
        read_file(out("IHrIHk.txt")).find(utf8_to_cp1250("\r\nÚstí 1\t1234\t-568\t100.00000\t100.00\t1.23\t0.50")),
        std::string::npos);
    EXPECT_NE(read_file(out("Pskupin_SO2.txt")).find("\t1234\t-568\t30.00\t50.00\t15.00\t5.00\r\n"), std::string::npos);
}

namespace {

// A point whose matrix has columns only for the sources in reach: the
// source-share table lists exactly what a full matrix would, in source
// order, for a positive and for a negative threshold.
TEST_F(ResultFilesTest, SourceSharesOfASparseMatrixAreThoseOfTheFullOne) {
    ConcMatrix sparse;
    ASSERT_TRUE(sparse.allocate(2, 3));
    sparse.use_columns({0, 2});  // K1 and L1 in reach, K2 not
    sparse.mark(0, 0);
    sparse.at(0, case_slot(5, 0, 0), 0) = 40.0;
    sparse.finish_column(0);
    sparse.mark(5, 1);
    sparse.at(0, case_slot(5, 0, 5), 1) = 60.0;
    sparse.finish_column(1);
    conc.clear();
    conc.at(0, case_slot(5, 0, 0), 0) = 40.0;
    conc.at(0, case_slot(5, 0, 5), 2) = 60.0;

    for (double threshold : {1.0, -1.0}) {
        std::string tables[2];
        for (int full = 0; full < 2; ++full) {
            project.limit_share_threshold = threshold;
            project.result_type = kResultStandard;
            project.result_format = kFormatTxt;
            ASSERT_EQ(prepare(), 0);
            write_point_results(in, files, log, point, full ? conc : sparse, stats);
            complete_result_files(files);
            ASSERT_TRUE(close_result_files(files, log));
            reset_result_files(files);
            tables[full] = read_file(out("Pzdroju_SO2.txt"));
        }
        EXPECT_EQ(tables[0], tables[1]) << threshold;
        // K2, without a column, is listed (with 0) only below a 0 threshold.
        EXPECT_EQ(tables[0].find("\tK2\t") != std::string::npos, threshold < 0) << tables[0];
        EXPECT_LT(tables[0].find("\tK1\t"), tables[0].find("\tL1\t"));
    }
}

}  // namespace

// Relative result paths are opened in the run's computation directory,
// whatever the working directory, and the tables keep the paths as given.
TEST_F(ResultFilesTest, RelativePathsAreOpenedInTheComputationDirectory) {
    TempDir elsewhere;
    options.computation_directory = dir.str() + "/";
    project.output_directory = "rel/";
    std::filesystem::create_directories(dir.native("rel"));
    project.result_type = kResultStandard;
    project.result_format = kFormatTxt;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    const int prepared = prepare();
    const bool found = find_result_table(files, "rel/Smax_NO2.txt") != nullptr;
    write_point_results(in, files, log, point, conc, stats);
    const int end = end_of_run();
    std::filesystem::current_path(previous);
    ASSERT_EQ(prepared, 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(end, 0);
    EXPECT_EQ(files_in(dir.file("rel")).count("IHrIHk.txt"), 1u);
    EXPECT_EQ(files_in(dir.file("rel")).count("Smax_NO2.txt"), 1u);
    EXPECT_TRUE(files_in(elsewhere.str()).empty());
    EXPECT_NE(read_file(dir.file("rel/IHrIHk.txt")).find("\r\nB1\t1234\t-568\t"), std::string::npos);
}

// After a fatal stop the tables are closed as they stand: a DBF table
// keeps its rows without its end mark and with the record count 0, no
// message, and the end of the run finds nothing lost.
TEST_F(ResultFilesTest, TablesClosedAfterAStopAreThoseTheFatalPathLeaves) {
    project.result_type = kResultBasic;
    project.result_format = kFormatDbf;
    ASSERT_EQ(prepare(), 0);
    write_point_results(in, files, log, point, conc, stats);
    close_result_files_after_stop(files);
    EXPECT_EQ(find_result_table(files, out("IHrIHk.dbf")), nullptr);  // closed
    const std::string stopped = read_file(out("IHrIHk.dbf"));
    ASSERT_EQ(stopped.size(), 353u + 89u);  // header and one record, no end mark
    EXPECT_EQ(u16_at(stopped, 4), 0);
    EXPECT_EQ(end_of_run(), 0);
    EXPECT_EQ(read_file(out("IHrIHk.dbf")), stopped);
    EXPECT_EQ(log_text().find("+++"), std::string::npos);
}
