// The model settings loader: counted lines, comments, single precision,
// the tolerance, the deviation report, the defaults and the checks.
#include <gtest/gtest.h>

#include <limits>

#include "base/platform.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;

namespace {

struct ModelSettingsTest : ::testing::Test {
    test::TempDir dir;
    std::string log_path;
    RunLog runlog;
    ModelSettings settings;
    void SetUp() override {
        runlog.reset();
        log_path = dir.file("run.log");
        runlog.log_given = true;
        runlog.open(log_path, 1);
    }

    // Loads a settings file: 0 when read from it, 100 when the defaults
    // were taken, -100 after a fatal message.
    int load_from(const std::string& path) {
        return run_stage(runlog, [&] {
            const LoadedSettings loaded = load_model_settings(path, runlog);
            settings = loaded.values;
            return loaded.source == SettingsSource::File ? 0 : 100;
        });
    }
    // Loads a settings file of the given text.
    int load(const std::string& text) {
        const std::string path = dir.file("zemo.cfg");
        test::write_file(path, cp(text));
        return load_from(path);
    }
    std::string log() {
        runlog.flush();
        std::string out;
        for (char c : cp1250_to_utf8(read_file(log_path)))
            if (c != '\r') out += c;
        return out;
    }
};

const std::string kWarn = "+++ chybná vstupní data\n       - ";
const std::string kFatal = "*** chybná vstupní data\n       - ";

}  // namespace

TEST_F(ModelSettingsTest, MissingFileGivesTwoWarningsAndTheDefaults) {
    const std::string path = dir.file("nic.cfg");
    EXPECT_EQ(load_from(path), 100);
    EXPECT_EQ(log(), "+++ soubor nelze otevřít\n       - " + cp1250_to_utf8(path) + " (" + cp1250_to_utf8(path) +
                         ": soubor nebo adresář neexistuje)\n" + kWarn + "Používám default hodnoty\n");
    EXPECT_EQ(runlog.error_count, 2);
    const ModelSettings& s = settings;
    EXPECT_EQ(s.directions, 48);
    // The built-in defaults are exact doubles, not widened floats.
    EXPECT_EQ(s.classSpeed[0], 1.7);
    EXPECT_EQ(s.classSpeed[1], 5.0);
    EXPECT_EQ(s.classSpeed[2], 11.0);
    EXPECT_EQ(s.buildingCharacter[0], 0.8);
    EXPECT_EQ(s.buildingCharacter[1], 1.0);
    EXPECT_EQ(s.emissionPeakRatio[0], 2.4);
    EXPECT_EQ(s.emissionPeakRatio[1], 1.0);
}

TEST_F(ModelSettingsTest, MethodologyValuesWithCommentsAndEmptyLines) {
    // Empty lines, also before the first line, and comments anywhere do not count.
    EXPECT_EQ(load("\n\n# smery\n48\n# rychlosti\n\n  # odsazeny komentar\n1.7,5,11\n#\n 0.8 , 1\n2.4,1,9\n\n"), 0);
    EXPECT_EQ(log(), "");
    const ModelSettings& s = settings;
    EXPECT_EQ(s.directions, 48);
    // Single precision widened: 1.7 is held as the float nearest to 1.7.
    EXPECT_EQ(s.classSpeed[0], static_cast<double>(1.7f));
    EXPECT_NE(s.classSpeed[0], 1.7);
    EXPECT_EQ(s.buildingCharacter[0], static_cast<double>(0.8f));
    EXPECT_EQ(s.emissionPeakRatio[0], static_cast<double>(2.4f));
    EXPECT_EQ(s.emissionPeakRatio[1], 1.0);  // the third value is ignored
}

TEST_F(ModelSettingsTest, ToleranceOfTheSpeeds) {
    // float(11.00001) = 11 + 10 * 2^-20 = 11.0000095..., 9.5e-6 from 11: inside.
    EXPECT_EQ(load("48\n1.7,5,11.00001\n0.8,1\n2.4,1\n"), 0);
    EXPECT_EQ(log(), "");
    EXPECT_EQ(load("48\n1.7,5,11.1\n0.8,1\n2.4,1\n"), 0);
    EXPECT_EQ(log(), kWarn + "Výpočet není prováděn s nastavením dle metodiky\n" + kWarn +
                         "   Třídní rychlosti: 1.70/1.70, 5.00/5.00, 11.10/11.00\n");
}

TEST_F(ModelSettingsTest, DeviationReportNamesEveryDeviatingGroupOnce) {
    // 16 directions, two speeds, one factor, two ratios: D = 1000 + 400 + 30 + 8.
    EXPECT_EQ(load("0x10\n2,6,11\n0.5,1\n3,2\n"), 0);
    EXPECT_EQ(settings.directions, 16);  // "%i" reads hexadecimal
    EXPECT_EQ(log(), kWarn + "Výpočet není prováděn s nastavením dle metodiky\n" + kWarn +
                         "   Počet směrů větrné růžice: 16/48\n" + kWarn +
                         "   Třídní rychlosti: 2.00/1.70, 6.00/5.00, 11.00/11.00\n" + kWarn +
                         "   Charakter zástavby: 0.50/0.80, 1.00/1.00\n" + kWarn +
                         "   Poměr mezi max a prům emisí: 3.00/2.40, 2.00/1.00\n");
}

TEST_F(ModelSettingsTest, TwoFactorsAndOneRatioKeepTheGroupsApart) {
    // D = 60 + 4: two building-factor deviations must not read as a speed one.
    EXPECT_EQ(load("48\n1.7,5,11\n0.5,0.5\n2.4,0.5\n"), 0);
    EXPECT_EQ(log(), kWarn + "Výpočet není prováděn s nastavením dle metodiky\n" + kWarn +
                         "   Charakter zástavby: 0.50/0.80, 0.50/1.00\n" + kWarn +
                         "   Poměr mezi max a prům emisí: 2.40/2.40, 0.50/1.00\n");
}

TEST_F(ModelSettingsTest, ExtraLinesAreReportedAndIgnored) {
    EXPECT_EQ(load("48\n1.7,5,11\n0.8,1\n2.4,1\n7\n# konec\n8\n"), 0);
    EXPECT_EQ(log(), kWarn + "Očekáván konec souboru (CFG)\n" + kWarn + "Očekáván konec souboru (CFG)\n");
    EXPECT_EQ(settings.directions, 48);
}

TEST_F(ModelSettingsTest, ChecksAfterReadingEndTheRun) {
    struct Case {
        const char* file;
        std::string log;
    } cases[] = {
        // The zero-speed check comes after the whole file was read.
        {"48\n0,5,11\n0.8,1\n2.4,1\n9\n",
         kWarn + "Očekáván konec souboru (CFG)\n" + kFatal + "Modelová rychlost nesmí být nulová (CFG soubor)\n"},
        // A file ending after line 1 leaves the speeds at zero.
        {"48\n", kFatal + "Modelová rychlost nesmí být nulová (CFG soubor)\n"},
        // A token that is not a number reads as 0.
        {"48\n1.7,x,11\n0.8,1\n2.4,1\n", kFatal + "Modelová rychlost nesmí být nulová (CFG soubor)\n"},
        // A speed below zero, or not a number, is refused like a zero one,
        // and still before the direction count.
        {"48\n1.7,-5,11\n0.8,1\n2.4,1\n", kFatal + "Modelová rychlost nesmí být nulová (CFG soubor)\n"},
        {"49\n1.7,5,-0.001\n0.8,1\n2.4,1\n", kFatal + "Modelová rychlost nesmí být nulová (CFG soubor)\n"},
        {"48\nnan,5,11\n0.8,1\n2.4,1\n", kFatal + "Modelová rychlost nesmí být nulová (CFG soubor)\n"},
        {"48\n1.7,-nan,11\n0.8,1\n2.4,1\n", kFatal + "Modelová rychlost nesmí být nulová (CFG soubor)\n"},
        {"49\n1.7,5,11\n0.8,1\n2.4,1\n", kFatal + "Počet směrů větrné růžice 49 mimo rozsah <1,48> (CFG soubor)\n"},
        {"0\n1.7,5,11\n0.8,1\n2.4,1\n", kFatal + "Počet směrů větrné růžice 0 mimo rozsah <1,48> (CFG soubor)\n"},
        {"48\n1.7,5,11\n0.8,1\n0,1\n", kFatal + "Poměr mezi max a prům emisí musí být kladný (CFG soubor)\n"},
        {"48\n1.7,5,11\n0.8,1\n2.4,-1\n", kFatal + "Poměr mezi max a prům emisí musí být kladný (CFG soubor)\n"},
        // Fewer numbers than expected; empty tokens do not count.
        {"48\n1.7,,5\n0.8,1\n2.4,1\n", kFatal + "nedostateený počet údajů na řádce 2\n"},
        {"48\n1.7,5,11\n0.8\n2.4,1\n", kFatal + "nedostateený počet údajů na řádce 3\n"},
        {"# c\n48\n1.7,5,11\n0.8,1\n2.4\n", kFatal + "nedostateený počet údajů na řádce 4\n"},
    };
    for (const Case& c : cases) {
        SetUp();
        EXPECT_EQ(load(c.file), -100) << c.file;
        EXPECT_EQ(log(), c.log) << c.file;
    }
}

TEST_F(ModelSettingsTest, ATinyPositiveSpeedIsAcceptedAndReportedAsADeviation) {
    EXPECT_EQ(load("48\n0.000001,5,11\n0.8,1\n2.4,1\n"), 0);
    EXPECT_EQ(settings.classSpeed[0], static_cast<double>(0.000001f));
    EXPECT_EQ(log(), kWarn + "Výpočet není prováděn s nastavením dle metodiky\n" + kWarn +
                         "   Třídní rychlosti: 0.00/1.70, 5.00/5.00, 11.00/11.00\n");
    // The smallest single-precision number above zero (a denormal) passes too.
    SetUp();
    EXPECT_EQ(load("48\n1.7,5,1e-45\n0.8,1\n2.4,1\n"), 0);
    EXPECT_GT(settings.classSpeed[2], 0.0);
    EXPECT_EQ(settings.classSpeed[2], static_cast<double>(std::numeric_limits<float>::denorm_min()));
}

TEST_F(ModelSettingsTest, InstalledSettingsFileHoldsTheMethodology) {
    EXPECT_EQ(load_from(model_settings_path(test::source_file("install") + "/")), 0);
    EXPECT_EQ(log(), "");
    EXPECT_EQ(settings.directions, 48);
}
