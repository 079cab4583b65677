// Transfers and background concentrations: the background list, the
// transfers table in text and DBF form, the overall value, the resampling
// to the computation's sectors and the messages.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/run_log.h"
#include "input/model_settings.h"
#include "input/project_file.h"
#include "input/transfers.h"
#include "input/wind_roses.h"
#include "tests/input/dbf_bytes.h"
#include "tests/test_support.h"

namespace zemo {
namespace {

using test::cp;
using test::TempDir;

const std::string kFixtures = test::source_file("tests/fixtures/transfers") + "/";

Pollutant pollutant(const char* indicative, int type) {
    Pollutant p;
    p.indicative = indicative;
    p.type = type;
    return p;
}

class TransfersTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.set_methodology_defaults();  // 48 sectors
        log_path_ = dir_.file("run.log");
        log_.open(log_path_, 2);
        roses_.sectors_in_file = 8;
        project_.pollutants = {pollutant("NO2", kTypeNO2), pollutant("PM10", kTypePM10)};
    }
    // The log over the same file, as for the next run (a fatal stop closes the log).
    void fresh_log() {
        log_.reset();
        log_.open(log_path_, 2);
    }

    void set_background(const std::string& list) {
        project_.background = list;
        project_.background_given = true;
    }
    void set_text_table(const std::string& utf8_lines) {
        const std::string path = dir_.file("transfers.txt");
        test::write_file(path, cp(utf8_lines));
        project_.transfers = InputTable{};
        project_.transfers.path = path;
        ASSERT_TRUE(set_type_from_keyword(project_.transfers, "TSV"));
        project_.transfers_given = true;
    }
    // A DBF table: IND C(6), then `sectors` fields S1... N(8) and, with
    // with_total, CELKEM N(8); every value of a record is 1.
    void set_dbf_table(int sectors, bool with_total, const std::vector<std::string>& indicatives) {
        test::DbfSpec spec;
        spec.fields.push_back({"IND", 'C', 6});
        for (int k = 1; k <= sectors; ++k) {
            // Appended rather than "S" + ...: GCC 12 at -O3 warns falsely (-Wrestrict) on that here.
            std::string name = "S";
            name += std::to_string(k);
            spec.fields.push_back({name, 'N', 8});
        }
        if (with_total) spec.fields.push_back({"CELKEM", 'N', 8});
        for (const std::string& indicative : indicatives) {
            std::string record = indicative + std::string(6 - indicative.size(), ' ');
            for (std::size_t f = 1; f < spec.fields.size(); ++f) record += "    1.00";
            spec.records.push_back(record);
        }
        const std::string path = dir_.file("transfers.dbf");
        test::write_file(path, test::dbf_bytes(spec));
        project_.transfers = InputTable{};
        project_.transfers.path = path;
        project_.transfers_given = true;
    }
    // 0, or the status of the fatal stop; the transfers read are in tr_.
    int pass(ReaderPass p) {
        try {
            tr_ = read_transfers(p, project_, settings_, roses_, in_);
            return 0;
        } catch (const FatalStop& stop) {
            return stop.status;
        }
    }
    // Both passes, as the loading sequence runs them.
    int both_passes() {
        try {
            tr_ = read_transfers(project_, settings_, roses_, in_);
            return 0;
        } catch (const FatalStop& stop) {
            return stop.status;
        }
    }
    bool logged(const std::string& utf8) {
        log_.flush();
        return test::read_file(log_path_).find(utf8_to_cp1250(utf8)) != std::string::npos;
    }
    // A fatal message as the log holds it: the kind line and the detail line,
    // whole.
    bool logged_fatal(const std::string& utf8_detail) {
        return logged("\r\n*** chybná vstupní data\r\n       - " + utf8_detail + "\r\n");
    }
    // The same followed by the line naming the transfers table.
    bool logged_fatal_with_file(const std::string& utf8_detail) {
        return logged_fatal(utf8_detail + "\r\n*** chybná vstupní data\r\n       -     (soubor: " +
                            cp1250_to_utf8(project_.transfers.path) + ")");
    }

    TempDir dir_;
    std::string log_path_;
    RunLog log_;
    PartialNumbers notes_;
    InputContext in_{log_, notes_};
    ProjectConfig project_;
    ModelSettings settings_;
    WindRoses roses_;
    Transfers tr_;
};

TEST_F(TransfersTest, BackgroundFillsEveryPollutantAndIgnoresOthers) {
    set_background(" no2 : 40 , PM10:24.5,SO2:7");
    ASSERT_EQ(both_passes(), 0);
    const Transfers& t = tr_;
    ASSERT_EQ(t.TransferTotal.size(), 2u);
    EXPECT_EQ(t.TransferTotal[0], 40.0);
    EXPECT_EQ(t.TransferTotal[1], 24.5);
    for (int k = 0; k < 48; ++k) {
        EXPECT_DOUBLE_EQ(t.TransferSector[0][k], 40.0 / 48);
        EXPECT_DOUBLE_EQ(t.TransferSector[1][k], 24.5 / 48);
    }
    EXPECT_TRUE(logged("--- Zadány hodnoty pozaďových koncentrací"));
    EXPECT_TRUE(logged("   pozaďová koncentrace      NO2 : 40.00"));
    EXPECT_TRUE(logged("   pozaďová koncentrace     PM10 : 24.50"));
    EXPECT_EQ(log_.error_count, 0);
}

TEST_F(TransfersTest, BackgroundPairForAPollutantNotComputedIsIgnored) {
    project_.pollutants = {pollutant("NO2", kTypeNO2)};
    settings_.directions = 16;
    set_background("NO2:32,PM10:5");
    ASSERT_EQ(both_passes(), 0);
    ASSERT_EQ(tr_.TransferTotal.size(), 1u);
    EXPECT_EQ(tr_.TransferTotal[0], 32.0);
    EXPECT_EQ(tr_.TransferSector[0][15], 2.0);
    EXPECT_EQ(tr_.TransferSector[0][16], 0.0);  // beyond the computation's sectors
}

TEST_F(TransfersTest, IncompleteBackgroundListsAreFatal) {
    const char* const lists[] = {"NO2:40", "", "NO2:40,PM10", "NO2:40,PM10:", "NO2:40,PM10:x"};
    for (const char* list : lists) {
        SCOPED_TRACE(list);
        fresh_log();
        set_background(list);
        EXPECT_EQ(both_passes(), -100);
        EXPECT_TRUE(logged("Neúplné zadání pozaďových koncentrací (soubor s transfery)"));
    }
}

// A background is a concentration: finite in single precision (1e40 is
// inf there, and Crok and Cmax would be inf) and not negative (the desktop
// program writes a negative value as 0). Refused with the list's message
// and the pair as given.
TEST_F(TransfersTest, BackgroundsThatAreNoConcentrationsAreFatal) {
    for (const char* pair : {"PM10:-5", "PM10: 1e40", "PM10:inf", "PM10:nan", "PM10:-inf"}) {
        SCOPED_TRACE(pair);
        fresh_log();
        set_background(std::string("NO2:40, ") + pair);
        EXPECT_EQ(both_passes(), -100);
        const std::string given(pair);
        EXPECT_TRUE(
            logged("*** chybná vstupní data\r\n       - Neúplné zadání pozaďových koncentrací (soubor s "
                   "transfery): PM10:" +
                   trim_blanks(given.substr(given.find(':') + 1)) + "\r\n"))
            << cp1250_to_utf8(test::read_file(log_path_));
    }
    fresh_log();
    set_background("NO2:40, PM10:0");
    EXPECT_EQ(both_passes(), 0);
    EXPECT_EQ(tr_.TransferTotal, (std::vector<double>{40.0, 0.0}));
}

TEST_F(TransfersTest, NeitherFormLeavesZerosAndSaysSoOnce) {
    ASSERT_EQ(both_passes(), 0);
    EXPECT_EQ(tr_.TransferTotal, std::vector<double>(2, 0.0));
    EXPECT_EQ(tr_.TransferSector[1][47], 0.0);
    log_.flush();
    const std::string log = test::read_file(log_path_);
    const std::string text = utf8_to_cp1250("Transfery ani pozaďové koncentrace nezadány");
    ASSERT_NE(log.find(text), std::string::npos);
    EXPECT_EQ(log.find(text, log.find(text) + 1), std::string::npos);
}

// Without the overall column: 8 x 10 / 8 x 2.56 = 25.6. A line for a
// pollutant that is not computed is ignored even with too few fields.
TEST_F(TransfersTest, TextTableWithoutOverallColumnUsesMeanTimes256) {
    set_text_table(
        "NO2\t10.0\t10.0\t10.0\t10.0\t10.0\t10.0\t10.0\t10.0\n"
        "CO\t1.0\n"
        "PM10\t2.0\t2.0\t2.0\t2.0\t4.0\t4.0\t4.0\t4.0\t99.0\n");
    ASSERT_EQ(both_passes(), 0);
    const Transfers& t = tr_;
    EXPECT_DOUBLE_EQ(t.TransferTotal[0], 25.6);
    // The first line has no overall value, so the 99 of a later line is ignored:
    // (4 x 2 + 4 x 4) / 8 x 2.56 = 7.68.
    EXPECT_DOUBLE_EQ(t.TransferTotal[1], 7.68);
    for (int k = 0; k < 48; ++k) EXPECT_DOUBLE_EQ(t.TransferSector[0][k], 10.0);
    EXPECT_TRUE(logged("--- TRANSFERY / POZAĎOVÉ KONCENTRACE"));
    EXPECT_TRUE(logged("--- Soubor s transfery: " + cp1250_to_utf8(project_.transfers.path)));
    EXPECT_TRUE(logged("--- Zadány hodnoty transferů"));
    EXPECT_TRUE(logged("   transfer      NO2 : 10.00 - 10.00, 25.60"));
    EXPECT_TRUE(logged("   transfer     PM10 : 2.00 - 4.00, 7.68"));
}

TEST_F(TransfersTest, OverallValueMissingOnALaterLineIsFatal) {
    set_text_table(
        "NO2\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t5.0\n"
        "\n"
        "XX\t1.0\n"
        "PM10\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n");
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged("Nedostatečný počet údajů na řádce 3"));
    EXPECT_TRUE(logged("    (soubor: " + cp1250_to_utf8(project_.transfers.path) + ")"));
}

// Input sector t lies at 45 t degrees, output sector k at 7.5 k degrees.
TEST_F(TransfersTest, EightSectorsResampledToFortyEight) {
    set_text_table(
        "NO2\t0.0\t10.0\t20.0\t30.0\t40.0\t50.0\t60.0\t70.0\t12.5\n"
        "PM10\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t3.0\n");
    ASSERT_EQ(both_passes(), 0);
    const auto& s = tr_.TransferSector[0];
    EXPECT_DOUBLE_EQ(s[0], 0.0);              // on input sector 0
    EXPECT_DOUBLE_EQ(s[3], 5.0);              // 22.5 degrees: halfway between 0 and 10
    EXPECT_DOUBLE_EQ(s[6], 10.0);             // on input sector 1
    EXPECT_DOUBLE_EQ(s[7], 10.0 + 10.0 / 6);  // 52.5 degrees
    EXPECT_DOUBLE_EQ(s[42], 70.0);            // on input sector 7
    EXPECT_DOUBLE_EQ(s[45], 35.0);            // 337.5 degrees: halfway between 70 and sector 0
    EXPECT_DOUBLE_EQ(s[47], 70.0 * 1 / 6);    // 352.5 degrees
    EXPECT_EQ(tr_.TransferTotal[0], 12.5);
}

TEST_F(TransfersTest, ResamplingProducesExactlyTheRequestedSectors) {
    const double in[16] = {16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    double out[49];
    for (double& v : out) v = -1;
    resample_sectors(in, 16, 48, out);
    EXPECT_EQ(out[48], -1);  // nothing written past the last sector
    EXPECT_DOUBLE_EQ(out[3], 15.0);
    EXPECT_DOUBLE_EQ(out[47], 1.0 + 15.0 * 2 / 3);  // 352.5 degrees, 2/3 of the way from 1 to 16
    double same[16];
    resample_sectors(in, 16, 16, same);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(same[k], in[k]);
}

TEST_F(TransfersTest, DbfTableByPositionWithOverallValue) {
    project_.pollutants = {pollutant("No2", kTypeNO2), pollutant("PM10", kTypePM10)};
    project_.transfers = InputTable{};
    project_.transfers.path = kFixtures + "transfers8.dbf";
    project_.transfers_given = true;
    ASSERT_EQ(both_passes(), 0);
    const Transfers& t = tr_;
    EXPECT_EQ(t.TransferTotal[0], static_cast<double>(99.5f));
    EXPECT_EQ(t.TransferTotal[1], 7.25);
    EXPECT_DOUBLE_EQ(t.TransferSector[0][3], 15.0);  // halfway between 10 and 20
    EXPECT_TRUE(logged("   transfer      No2 : 10.00 - 80.00, 99.50"));
}

// The table must have n + 2 or n + 1 fields for the wind roses' n sectors;
// the message names those two counts, then the count found.
TEST_F(TransfersTest, DbfFieldCountMessageNamesTheCountsForTheSectors) {
    struct Case {
        int roses;           // sectors of the wind-rose table
        int sectors;         // sector fields of the transfers table
        bool with_total;     // and the overall field
        const char* detail;  // the message, or nullptr when accepted
    } cases[] = {
        {16, 8, true, "chybný pocet vstupních polí požadováno 18/17, zadáno 10 (soubor s transfery)"},
        {8, 16, true, "chybný pocet vstupních polí požadováno 10/9, zadáno 18 (soubor s transfery)"},
        {8, 6, true, "chybný pocet vstupních polí požadováno 10/9, zadáno 8 (soubor s transfery)"},
        {48, 8, false, "chybný pocet vstupních polí požadováno 50/49, zadáno 9 (soubor s transfery)"},
        {8, 8, false, nullptr},
        {16, 16, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.roses << " sectors, table " << c.sectors << (c.with_total ? "+1" : ""));
        fresh_log();
        roses_.sectors_in_file = c.roses;
        set_dbf_table(c.sectors, c.with_total, {"NO2", "PM10"});
        if (c.detail) {
            EXPECT_EQ(both_passes(), -100);
            EXPECT_TRUE(logged_fatal(c.detail));
        } else {
            ASSERT_EQ(both_passes(), 0);
            // Every value 1: the overall value from the table, or 1 x 2.56.
            EXPECT_DOUBLE_EQ(tr_.TransferTotal[1], c.with_total ? 1.0 : 2.56);
            EXPECT_EQ(log_.error_count, 0);
        }
    }
}

TEST_F(TransfersTest, TestModeWithoutWindRosesTakesTheTablesSectorCount) {
    roses_ = WindRoses{};
    project_.transfers.path = kFixtures + "transfers8.dbf";
    project_.transfers_given = true;
    EXPECT_EQ(pass(ReaderPass::Test), 0);
    EXPECT_TRUE(logged("Zadány hodnoty transferů"));
}

// Without wind roses only 8, 16 or 48 sectors fit; another count is refused
// naming the counts of the largest.
TEST_F(TransfersTest, TestModeWithoutWindRosesRefusesAnUnknownSectorCount) {
    roses_ = WindRoses{};
    set_dbf_table(12, true, {"NO2", "PM10"});
    EXPECT_EQ(pass(ReaderPass::Test), -100);
    EXPECT_TRUE(logged_fatal("chybný pocet vstupních polí požadováno 50/49, zadáno 14 (soubor s transfery)"));
}

TEST_F(TransfersTest, MissingPollutantIsFatal) {
    project_.pollutants.push_back(pollutant("CO", kTypeCO));
    set_text_table(
        "NO2\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n"
        "PM10\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n");
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged("Nezadané transfery pro CO"));
    EXPECT_TRUE(logged("    (soubor: " + cp1250_to_utf8(project_.transfers.path) + ")"));
}

// Indicatives have at most 5 characters: 5 pass (a pollutant not computed
// is then ignored), 6 are refused naming the limit 5.
TEST_F(TransfersTest, IndicativeLongerThanFiveCharactersIsFatal) {
    set_text_table(
        "NO2\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n"
        "BENZN\t1.0\n"
        "PM10AB\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n");
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged_fatal_with_file("Indikativ polutantu na řádku 3 je příliš dlouhý (max 5 znaků)"));

    fresh_log();
    set_dbf_table(8, true, {"NO2", "BENZN", "PM10AB", "PM10"});
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged_fatal_with_file("Indikativ polutantu v záznamu 3 je príliš dlouhý (max 5 znaků)"));

    // Five characters, for a pollutant that is computed.
    fresh_log();
    project_.pollutants = {pollutant("BENZN", kTypeBZN)};
    set_dbf_table(8, false, {"BENZN"});
    ASSERT_EQ(both_passes(), 0);
    EXPECT_DOUBLE_EQ(tr_.TransferTotal[0], 2.56);
}

// The checking pass reads and checks the table but stores nothing of it.
TEST_F(TransfersTest, TheCheckingPassAloneLeavesZeros) {
    set_text_table(
        "NO2\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t5.0\n"
        "PM10\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t3.0\n");
    ASSERT_EQ(pass(ReaderPass::Count), 0);
    EXPECT_EQ(tr_.TransferTotal, std::vector<double>(2, 0.0));
    ASSERT_EQ(tr_.TransferSector.size(), 2u);
    EXPECT_EQ(tr_.TransferSector[0][0], 0.0);
    EXPECT_TRUE(logged("--- Zadány hodnoty transferů"));
    EXPECT_FALSE(logged("   transfer      NO2"));
}

// A relative path is taken in the run's directory, not the working
// directory (detection and reading alike), and messages name it as given.
TEST_F(TransfersTest, ARelativePathIsOpenedInTheRunsDirectory) {
    test::write_file(dir_.file("relative.txt"),
                     "NO2\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t5.0\n"
                     "PM10\t2.0\t2.0\t2.0\t2.0\t2.0\t2.0\t2.0\t2.0\t3.0\n");
    in_.directory = dir_.str();
    project_.transfers = InputTable{};
    project_.transfers.path = "relative.txt";
    project_.transfers_given = true;
    ASSERT_EQ(both_passes(), 0);
    EXPECT_EQ(tr_.TransferTotal, (std::vector<double>{5.0, 3.0}));
    EXPECT_TRUE(logged("--- Soubor s transfery: relative.txt\r\n"));

    fresh_log();
    project_.pollutants.push_back(pollutant("CO", kTypeCO));
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged_fatal_with_file("Nezadané transfery pro CO"));
    project_.pollutants.pop_back();

    // With the type given there is no detection: the reading itself opens it.
    fresh_log();
    ASSERT_TRUE(set_type_from_keyword(project_.transfers, "TSV"));
    ASSERT_EQ(both_passes(), 0);
    EXPECT_EQ(tr_.TransferTotal, (std::vector<double>{5.0, 3.0}));

    // Without the directory, the working directory holds no such table.
    fresh_log();
    in_.directory.clear();
    ASSERT_FALSE(std::filesystem::exists("relative.txt"));
    EXPECT_EQ(both_passes(), -100);
    // The full path is taken in the working directory.
    EXPECT_TRUE(logged("*** soubor nelze otevřít\r\n       - relative.txt (" +
                       std::filesystem::current_path().string() +
                       "/relative.txt: soubor nebo adresář neexistuje)\r\n"));
}

// The desktop program reports a table it cannot open itself: the stage
// ends without a message.
TEST_F(TransfersTest, AQuietOpenFailureEndsWithoutAMessage) {
    in_.quiet_open_failure = true;
    project_.transfers.path = dir_.file("none.txt");
    project_.transfers_given = true;
    for (ReaderPass p : {ReaderPass::Test, ReaderPass::Count, ReaderPass::Fill}) {
        EXPECT_EQ(pass(p), -100);
        EXPECT_FALSE(logged("***"));
        EXPECT_FALSE(logged("+++"));
    }
}

}  // namespace
}  // namespace zemo
