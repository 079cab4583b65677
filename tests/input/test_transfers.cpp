// Transfers and background concentrations: the background list, the
// transfers table in text and DBF form, the overall value, the resampling
// to the computation's sectors and the messages.
#include <gtest/gtest.h>

#include "input/transfers.h"
#include "input/wind_roses.h"
#include "tests/test_support.h"

namespace zemo {
namespace {

using test::cp;
using test::TempDir;

const std::string kFixtures = std::string(ZEMO_SOURCE_DIR) + "/tests/fixtures/transfers/";

Pollutant pollutant(const char* indicative, int type) {
    Pollutant p;
    p.indicative = indicative;
    p.type = type;
    return p;
}

class TransfersTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::reset_run_state();
        model_settings().set_methodology_defaults();  // 48 sectors
        log_path_ = dir_.file("run.log");
        run_log().open(log_path_, 2);
        wind_roses().sectors_in_file = 8;
        project().pollutants = {pollutant("NO2", kTypeNO2), pollutant("PM10", kTypePM10)};
    }
    void TearDown() override { test::reset_run_state(); }

    void set_background(const std::string& list) {
        project().background = list;
        project().background_given = true;
    }
    void set_text_table(const std::string& utf8_lines) {
        const std::string path = dir_.file("transfers.txt");
        test::write_file(path, cp(utf8_lines));
        project().transfers = InputTable{};
        project().transfers.path = path;
        ASSERT_TRUE(set_type_from_keyword(project().transfers, "TSV"));
        project().transfers_given = true;
    }
    // Both passes, as the loading sequence runs them.
    int both_passes() {
        return run_stage([] { return read_transfers(ReaderPass::Count) == -100 ? -100 : read_transfers(ReaderPass::Fill); });
    }
    bool logged(const std::string& utf8) {
        run_log().flush();
        return test::read_file(log_path_).find(utf8_to_cp1250(utf8)) != std::string::npos;
    }

    TempDir dir_;
    std::string log_path_;
};

TEST_F(TransfersTest, BackgroundFillsEveryPollutantAndIgnoresOthers) {
    set_background(" no2 : 40 , PM10:24.5,SO2:7");
    ASSERT_EQ(both_passes(), 0);
    const Transfers& t = transfers();
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
    EXPECT_EQ(run_log().error_count, 0);
}

TEST_F(TransfersTest, BackgroundPairForAPollutantNotComputedIsIgnored) {
    project().pollutants = {pollutant("NO2", kTypeNO2)};
    model_settings().directions = 16;
    set_background("NO2:32,PM10:5");
    ASSERT_EQ(both_passes(), 0);
    ASSERT_EQ(transfers().TransferTotal.size(), 1u);
    EXPECT_EQ(transfers().TransferTotal[0], 32.0);
    EXPECT_EQ(transfers().TransferSector[0][15], 2.0);
    EXPECT_EQ(transfers().TransferSector[0][16], 0.0);  // beyond the computation's sectors
}

TEST_F(TransfersTest, IncompleteBackgroundListsAreFatal) {
    const char* const lists[] = {"NO2:40", "", "NO2:40,PM10", "NO2:40,PM10:", "NO2:40,PM10:x"};
    for (const char* list : lists) {
        SCOPED_TRACE(list);
        run_log().reset();
        run_log().open(log_path_, 2);
        set_background(list);
        EXPECT_EQ(both_passes(), -100);
        EXPECT_TRUE(logged("Neúplné zadání pozaďových koncentrací (soubor s transfery)"));
    }
}

TEST_F(TransfersTest, NeitherFormLeavesZerosAndSaysSoOnce) {
    ASSERT_EQ(both_passes(), 0);
    EXPECT_EQ(transfers().TransferTotal, std::vector<double>(2, 0.0));
    EXPECT_EQ(transfers().TransferSector[1][47], 0.0);
    run_log().flush();
    const std::string log = test::read_file(log_path_);
    const std::string text = utf8_to_cp1250("Transfery ani pozaďové koncentrace nezadány");
    ASSERT_NE(log.find(text), std::string::npos);
    EXPECT_EQ(log.find(text, log.find(text) + 1), std::string::npos);
}

// Without the overall column: 8 x 10 / 8 x 2.56 = 25.6. A line for a
// pollutant that is not computed is ignored even with too few fields.
TEST_F(TransfersTest, TextTableWithoutOverallColumnUsesMeanTimes256) {
    set_text_table("NO2\t10.0\t10.0\t10.0\t10.0\t10.0\t10.0\t10.0\t10.0\n"
                   "CO\t1.0\n"
                   "PM10\t2.0\t2.0\t2.0\t2.0\t4.0\t4.0\t4.0\t4.0\t99.0\n");
    ASSERT_EQ(both_passes(), 0);
    const Transfers& t = transfers();
    EXPECT_DOUBLE_EQ(t.TransferTotal[0], 25.6);
    // The first line has no overall value, so the 99 of a later line is ignored:
    // (4 x 2 + 4 x 4) / 8 x 2.56 = 7.68.
    EXPECT_DOUBLE_EQ(t.TransferTotal[1], 7.68);
    for (int k = 0; k < 48; ++k) EXPECT_DOUBLE_EQ(t.TransferSector[0][k], 10.0);
    EXPECT_TRUE(logged("--- TRANSFERY / POZAĎOVÉ KONCENTRACE"));
    EXPECT_TRUE(logged("--- Soubor s transfery: " + project().transfers.path));
    EXPECT_TRUE(logged("--- Zadány hodnoty transferů"));
    EXPECT_TRUE(logged("   transfer      NO2 : 10.00 - 10.00, 25.60"));
    EXPECT_TRUE(logged("   transfer     PM10 : 2.00 - 4.00, 7.68"));
}

TEST_F(TransfersTest, OverallValueMissingOnALaterLineIsFatal) {
    set_text_table("NO2\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t5.0\n"
                   "\n"
                   "XX\t1.0\n"
                   "PM10\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n");
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged("Nedostatečný počet údajů na řádce 3"));
    EXPECT_TRUE(logged("    (soubor: " + project().transfers.path + ")"));
}

// Input sector t lies at 45 t degrees, output sector k at 7.5 k degrees.
TEST_F(TransfersTest, EightSectorsResampledToFortyEight) {
    set_text_table("NO2\t0.0\t10.0\t20.0\t30.0\t40.0\t50.0\t60.0\t70.0\t12.5\n"
                   "PM10\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t3.0\n");
    ASSERT_EQ(both_passes(), 0);
    const auto& s = transfers().TransferSector[0];
    EXPECT_DOUBLE_EQ(s[0], 0.0);             // on input sector 0
    EXPECT_DOUBLE_EQ(s[3], 5.0);             // 22.5 degrees: halfway between 0 and 10
    EXPECT_DOUBLE_EQ(s[6], 10.0);            // on input sector 1
    EXPECT_DOUBLE_EQ(s[7], 10.0 + 10.0 / 6);  // 52.5 degrees
    EXPECT_DOUBLE_EQ(s[42], 70.0);           // on input sector 7
    EXPECT_DOUBLE_EQ(s[45], 35.0);           // 337.5 degrees: halfway between 70 and sector 0
    EXPECT_DOUBLE_EQ(s[47], 70.0 * 1 / 6);   // 352.5 degrees
    EXPECT_EQ(transfers().TransferTotal[0], 12.5);
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
    project().pollutants = {pollutant("No2", kTypeNO2), pollutant("PM10", kTypePM10)};
    project().transfers = InputTable{};
    project().transfers.path = kFixtures + "transfers8.dbf";
    project().transfers_given = true;
    ASSERT_EQ(both_passes(), 0);
    const Transfers& t = transfers();
    EXPECT_EQ(t.TransferTotal[0], static_cast<double>(99.5f));
    EXPECT_EQ(t.TransferTotal[1], 7.25);
    EXPECT_DOUBLE_EQ(t.TransferSector[0][3], 15.0);  // halfway between 10 and 20
    EXPECT_TRUE(logged("   transfer      No2 : 10.00 - 80.00, 99.50"));
}

TEST_F(TransfersTest, DbfTableWithWrongSectorCountIsRefused) {
    wind_roses().sectors_in_file = 16;  // the table has 8 sectors and the overall value
    project().transfers.path = kFixtures + "transfers8.dbf";
    project().transfers_given = true;
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged("chybný pocet vstupních polí požadováno 50/49, zadáno 10 (soubor s transfery)"));
}

TEST_F(TransfersTest, TestModeWithoutWindRosesTakesTheTablesSectorCount) {
    wind_roses().reset();
    project().transfers.path = kFixtures + "transfers8.dbf";
    project().transfers_given = true;
    EXPECT_EQ(run_stage([] { return read_transfers(ReaderPass::Test); }), 0);
    EXPECT_TRUE(logged("Zadány hodnoty transferů"));
}

TEST_F(TransfersTest, MissingPollutantAndLongIndicativeAreFatal) {
    project().pollutants.push_back(pollutant("CO", kTypeCO));
    set_text_table("NO2\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n"
                   "PM10\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n");
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged("Nezadané transfery pro CO"));
    EXPECT_TRUE(logged("    (soubor: " + project().transfers.path + ")"));

    run_log().reset();
    run_log().open(log_path_, 2);
    set_text_table("NO2\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n"
                   "PM10AB\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\t1.0\n");
    EXPECT_EQ(both_passes(), -100);
    EXPECT_TRUE(logged("Indikativ polutantu na řádku 2 je příliš dlouhý (max 6 znaků)"));
}

}  // namespace
}  // namespace zemo
