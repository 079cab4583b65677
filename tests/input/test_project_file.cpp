// The project file reader: line rules, sections, file entries, pollutants,
// the results section, the output directory and log copy path, the
// messages and the level-2 echo.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include "base/format.h"
#include "base/platform.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;

namespace {

constexpr char S = platform::kDirSeparator;

struct ProjectFileTest : ::testing::Test {
    test::TempDir dir;
    std::string log_path;
    RunLog runlog;
    PartialNumbers notes;
    InputContext in{runlog, notes};
    RunOptions options;
    ProjectConfig pc;
    void SetUp() override { start_log(2); }

    void start_log(int level) {
        runlog.reset();
        notes = PartialNumbers{};
        log_path = dir.file("run.log");
        runlog.log_given = true;
        runlog.open(log_path, level);
    }
    // Writes the project (UTF-8 text, "\n" lines) and reads it: 0 or -100.
    // Every run needs its wind roses: a project without a meteorology
    // section gets one at its end.
    int read(const std::string& text, const std::string& name = "p.atm") {
        const std::string path = dir.file(name);
        const bool has_roses = to_upper(text).find("[METEOROLOGIE]") != std::string::npos;
        test::write_file(path, cp(has_roses ? text : text + "\n[METEOROLOGIE]\nSOUBOR=ruzice.txt\n"));
        return run_stage(runlog, [&] {
            pc = read_project(path, platform::current_directory(), in);
            return 0;
        });
    }
    // The log so far as UTF-8 text with "\n" line ends.
    std::string log() {
        runlog.flush();
        std::string t = cp1250_to_utf8(read_file(log_path));
        std::string out;
        for (char c : t)
            if (c != '\r') out += c;
        return out;
    }
    bool logged(const std::string& utf8) { return log().find(utf8) != std::string::npos; }
};

const std::string kGrid = "[VYPOCETNI SIT]\nSOUBOR=body.txt\nPROJEKCE=JTSK\n";
const std::string kRoses = "[METEOROLOGIE]\nSOUBOR=ruzice.txt\n";

}  // namespace

TEST_F(ProjectFileTest, SectionsInAnyCaseCommentsAndTheDroppedLastCharacter) {
    ASSERT_EQ(read("# komentar\n\n   [vypocetni sit]\nSoubor=a.txt\nProjekce=JTSK\n\t# odsazeny komentar\n"
                   "[Zdroje]\nbodove=b.dbf\n[zdroje] \nliniove=c.dbf\nprojekce=jtsk\n"),
              0);
    const ProjectConfig& p = pc;
    ASSERT_EQ(p.grid_files.size(), 1u);
    EXPECT_EQ(p.grid_files[0].path, "a.txt");
    EXPECT_EQ(p.point_sources.path, "b.dbf");
    EXPECT_EQ(p.source_kinds, 1);
    // "[zdroje] " drops the blank and names the section "ZDROJE]": its items are refused.
    EXPECT_TRUE(p.line_sources.empty());
    EXPECT_EQ(p.projection, kProjectionJtsk);
    const std::string l = log();
    EXPECT_NE(l.find("+++ chybná vstupní data\n       - neznámá skupina v inicializačním souboru: ZDROJE]\n"),
              std::string::npos)
        << l;
    EXPECT_NE(l.find("       - neznámá skupina v inicializačním souboru, položka: LINIOVE\n"), std::string::npos);
    EXPECT_NE(l.find("       - neznámá skupina v inicializačním souboru, položka: PROJEKCE\n"), std::string::npos);
    EXPECT_EQ(runlog.error_count, 3);
}

TEST_F(ProjectFileTest, ItemsBeforeAnySectionAndUnknownKeysPerSection) {
    ASSERT_EQ(read("Klic=1\n[VYPOCETNI SIT]\nPROJEKCE=JTSK\nsit=1\nSOUBOR =x.txt\n[ZDROJE]\nxx=1\n"
                   "[METEOROLOGIE]\nyy=2\n[VYSLEDKY]\nzz=3\n[ZNECISTUJICI LATKY]\n===\n"),
              -100);
    const std::string l = log();
    EXPECT_NE(l.find("- neznámá skupina v inicializačním souboru, položka: KLIC\n"), std::string::npos) << l;
    EXPECT_NE(l.find("- neznámá položka v inicializačním souboru: SIT\n"), std::string::npos);
    // The key must not have blanks around it.
    EXPECT_NE(l.find("- neznámá položka v inicializačním souboru: SOUBOR \n"), std::string::npos);
    EXPECT_NE(l.find("- neznámá položka: XX (inicializační soubor)\n"), std::string::npos);
    EXPECT_NE(l.find("- neznámá položka: YY (inicializační soubor)\n"), std::string::npos);
    EXPECT_NE(l.find("- neznama polozka: ZZ (inicializační soubor)\n"), std::string::npos);
    // A line of "=" only is the incomplete-pollutant error in the pollutant section ...
    EXPECT_NE(l.find("*** chybná vstupní data\n       - Neúplné zadání znečišťujících látek (inicializační soubor)\n"),
              std::string::npos);
    EXPECT_EQ(runlog.error_count, 6);
    // ... and ignored elsewhere.
    start_log(2);
    ASSERT_EQ(read(kGrid + "==\n[ZDROJE]\n=\n"), 0);
    EXPECT_EQ(runlog.error_count, 0);
}

TEST_F(ProjectFileTest, FileEntriesWithAndWithoutTypeWords) {
    ASSERT_EQ(read("[VYPOCETNI SIT]\nPROJEKCE= s42 \t\nSOUBOR= a.dbf\nSOUBOR=b.txt , tsv\nSOUBOR=\tc.csv,CSV,x\n"
                   "[ZDROJE]\nBODOVE=body.dbf\nLINIOVE=l.txt,ssv\nPLOSNE=p.txt, fix \n"
                   "[METEOROLOGIE]\nSOUBOR=ruze.txt,xyz\n"),
              0);
    const ProjectConfig& p = pc;
    EXPECT_EQ(p.projection, kProjectionS42);
    ASSERT_EQ(p.grid_files.size(), 3u);
    EXPECT_EQ(p.grid_files[0].path, "a.dbf");
    EXPECT_EQ(p.grid_files[0].type, TableType::Undetermined);
    EXPECT_EQ(project_type_code(p.grid_files[0]), -1);
    EXPECT_EQ(p.grid_files[1].path, "b.txt");
    EXPECT_EQ(p.grid_files[1].type, TableType::Tsv);
    EXPECT_EQ(p.grid_files[1].separator, '\t');
    EXPECT_EQ(p.grid_files[2].path, "c.csv");
    EXPECT_EQ(p.grid_files[2].separator, ',');
    EXPECT_EQ(project_type_code(p.grid_files[2]), 11);
    EXPECT_EQ(p.point_sources.type, TableType::Undetermined);
    EXPECT_EQ(p.line_sources.separator, ';');
    EXPECT_EQ(project_type_code(p.line_sources), 12);
    EXPECT_EQ(p.area_sources.separator, ' ');
    EXPECT_EQ(project_type_code(p.area_sources), 2);
    EXPECT_EQ(p.source_kinds, 3);
    // An unknown type word is an error; the table stays undetermined.
    EXPECT_EQ(p.wind_roses.path, "ruze.txt");
    EXPECT_EQ(project_type_code(p.wind_roses), -1);
    EXPECT_TRUE(logged("+++ chybná vstupní data\n       - neznámý typ souboru ruze.txt: xyz\n"));
    EXPECT_EQ(runlog.error_count, 1);
    // The echo gives path and type code.
    EXPECT_TRUE(
        logged("=== [VYPOCETNI SIT]\n===    Soubor: a.dbf, -1\n===    Soubor: b.txt, 10\n"
               "===    Soubor: c.csv, 11\n===    Projekce: S42\n"));
    EXPECT_TRUE(
        logged("=== [ZDROJE]\n===    Bodove: body.dbf, -1\n===    Liniove: l.txt, 12\n"
               "===    Plosne: p.txt, 2\n=== [METEOROLOGIE]\n===    Soubor: ruze.txt, -1\n"));
}

TEST_F(ProjectFileTest, FileEntryAndGridFileFailures) {
    EXPECT_EQ(read("[ZDROJE]\nBODOVE= \t,DBF\n"), -100);
    EXPECT_TRUE(logged("*** chybná vstupní data\n       - nezadané jméno souboru\n"));
    start_log(2);
    EXPECT_EQ(read("[VYPOCETNI SIT]\nSOUBOR=a\nSOUBOR=b\nSOUBOR=c\nSOUBOR=d\n"), -100);
    EXPECT_TRUE(logged("- Maximální počet souborů s referenčními body je 3 (inicializační soubor)\n"));
    // A path over 259 characters is refused naming its key, never cut.
    start_log(2);
    EXPECT_EQ(read("[METEOROLOGIE]\nSOUBOR=" + std::string(260, 'r') + "\n"), -100);
    EXPECT_TRUE(logged("- Hodnota položky SOUBOR je delší než 259 znaků (inicializační soubor)\n"));
    start_log(2);
    EXPECT_EQ(read(kGrid + "[METEOROLOGIE]\nSOUBOR=" + std::string(259, 'r') + "\n"), 0);
    EXPECT_EQ(pc.wind_roses.path.size(), 259u);
}

TEST_F(ProjectFileTest, ProjectionAndRotation) {
    ASSERT_EQ(read("[VYPOCETNI SIT]\nPROJEKCE=jina\nOTOCENI=12.5\nOTOCENI= -3.25e1xyz\n"), 0);
    EXPECT_EQ(pc.projection, kProjectionJina);
    EXPECT_TRUE(pc.rotation_given);
    EXPECT_DOUBLE_EQ(pc.rotation, -32.5);
    EXPECT_TRUE(logged("===    Projekce: JINA\n===    Otoceni: -32.50\n=== [ZNECISTUJICI LATKY]\n"));

    struct Case {
        const char* text;
        const char* message;
    } fatal[] = {
        {"PROJEKCE=\n", "Není zadán typ projekce (inicializační soubor)"},
        {"PROJEKCE= \t\n", "Není zadán typ projekce (inicializační soubor)"},
        {"PROJEKCE= utm \n", "Neznámá projekce: [utm] (inicializační soubor)"},
        {"PROJEKCE=JTSK\nOTOCENI=\n", "Není zadáno otočení souřadné sítě (inicializační soubor)"},
        {"PROJEKCE=JTSK\nOTOCENI=abc\n", "Není zadáno otočení souřadné sítě (inicializační soubor)"},
    };
    for (const Case& c : fatal) {
        start_log(2);
        EXPECT_EQ(read(std::string("[VYPOCETNI SIT]\n") + c.text), -100) << c.text;
        EXPECT_TRUE(logged(std::string("*** chybná vstupní data\n       - ") + c.message + "\n")) << log();
    }
}

TEST_F(ProjectFileTest, LocalGridNeedsItsRotationAtEveryLevel) {
    for (int level : {0, 1, 2}) {
        start_log(level);
        EXPECT_EQ(read("[VYPOCETNI SIT]\nPROJEKCE=JINA\n"), -100) << level;
        EXPECT_TRUE(logged("- nezadané otočení projekce (inicializační soubor)\n")) << level;
    }
    // Without any PROJEKCE the projection is JINA too.
    start_log(1);
    EXPECT_EQ(read("[VYPOCETNI SIT]\nSOUBOR=a.txt\n"), -100);
    // A national projection with a given rotation is an error of the level-2 echo only.
    start_log(1);
    EXPECT_EQ(read("[VYPOCETNI SIT]\nPROJEKCE=JTSK\nOTOCENI=2\n"), 0);
    EXPECT_EQ(runlog.error_count, 0);
    start_log(2);
    EXPECT_EQ(read("[VYPOCETNI SIT]\nPROJEKCE=JTSK\nOTOCENI=2\n"), 0);
    EXPECT_TRUE(
        logged("===    Projekce: JTSK\n+++ chybná vstupní data\n       - Otoceni: 2.00 (inicializační soubor)\n"));
    EXPECT_EQ(runlog.error_count, 1);
}

TEST_F(ProjectFileTest, PollutantDefinitions) {
    const std::string name30(30, 'n');
    ASSERT_EQ(read(kGrid +
                   "[ZNECISTUJICI LATKY]\n"
                   " SO2 =so2, 125, 350, Oxid siřičitý\n"
                   "no2=NO2,200,-1, Oxid dusičitý, ročně=x \n"
                   "Bzn= org , 5, -1, 12.5, benzen, a, b\n"
                   "Pm=pm10,50,40," +
                   name30 +
                   "\n"
                   "[VYSLEDKY]\n"),
              0);
    const auto& pol = pc.pollutants;
    ASSERT_EQ(pol.size(), 4u);
    EXPECT_EQ(pol[0].indicative, "SO2");
    EXPECT_EQ(pol[0].type, kTypeSO2);
    EXPECT_EQ(pol[0].limit_count, 2);
    EXPECT_DOUBLE_EQ(pol[0].limit[0], 125);
    EXPECT_DOUBLE_EQ(pol[0].limit[1], 350);
    EXPECT_EQ(pol[0].name, utf8_to_cp1250("Oxid siřičitý"));
    EXPECT_EQ(pol[1].indicative, "no2");  // case kept
    EXPECT_EQ(pol[1].type, kTypeNO2);
    EXPECT_EQ(pol[1].limit_count, 1);
    EXPECT_EQ(pol[1].name, utf8_to_cp1250("Oxid dusičitý, ročně=x"));  // the whole rest of the line
    EXPECT_EQ(pol[2].type, kTypeORG);
    EXPECT_DOUBLE_EQ(pol[2].half_life, 12.5);
    EXPECT_EQ(pol[2].name, "benzen, a, b");
    EXPECT_EQ(pol[3].name, name30);
    EXPECT_EQ(pc.no2_count, 1);
    EXPECT_TRUE(pc.computes_no2());
    EXPECT_TRUE(
        logged("=== [ZNECISTUJICI LATKY]\n===    SO2: 1, 125.000, 350.000, Oxid siřičitý\n"
               "===    no2: 21, 200.000, Oxid dusičitý, ročně=x\n===    Bzn: 40, 5.000, benzen, a, b\n"
               "===    Pm: 10, 50.000, 40.000, " +
               name30 + "\n=== [ZDROJE]\n"))
        << log();
}

TEST_F(ProjectFileTest, SixPollutantsAreAcceptedASeventhStops) {
    std::string six;
    for (int i = 0; i < 6; ++i) six.append("P").append(std::to_string(i)).append("=CO,10,-1,oxid\n");
    ASSERT_EQ(read(kGrid + "[ZNECISTUJICI LATKY]\n" + six), 0);
    EXPECT_EQ(pc.pollutants.size(), 6u);
    start_log(2);
    EXPECT_EQ(read(kGrid + "[ZNECISTUJICI LATKY]\n" + six + "P7=CO,10,-1,oxid\n"), -100);
    EXPECT_TRUE(logged("- Maximální počet polutantů ve výpočtu je 6 (inicializační soubor)\n"));
}

TEST_F(ProjectFileTest, IncompleteOrWrongPollutantLinesStopTheRun) {
    struct Case {
        std::string line;
        std::string message;
    } cases[] = {
        {"=SO2,1,2,x", "Neúplné zadání znečišťujících látek (inicializační soubor)"},
        {"SO2=SO2,125,350", "Neúplné zadání znečišťujících látek (inicializační soubor)"},
        {"SO2=SO2,125,350,  ", "Neúplné zadání znečišťujících látek (inicializační soubor)"},
        {"ABCDEF=SO2,1,2,x", "Maximální délka indikativu polutantu je 5 znaků [ABCDEF] (inicializační soubor)"},
        {"SO2=", "Není zadáno ID znečišťující látky SO2 (inicializační soubor)"},
        {"SO2= ,1,2,x", "Není zadáno ID znečišťující látky SO2 (inicializační soubor)"},
        {"SO2=SO3,1,2,x", "Neznámé ID znečišťující látky SO3 (inicializační soubor)"},
        {"SO2=SO2", "Není zadána 1. limitní koncentrace znečišťující látky SO2 (inicializační soubor)"},
        {"SO2=SO2,x,2,x", "Není zadána 1. limitní koncentrace znečišťující látky SO2 (inicializační soubor)"},
        {"SO2=SO2,nan,2,x", "Není zadána 1. limitní koncentrace znečišťující látky SO2 (inicializační soubor)"},
        {"SO2=SO2,1,1e999,x", "Není zadána 2. limitní koncentrace znečišťující látky SO2 (inicializační soubor)"},
        // Beyond single precision, where the desktop program holds limits
        // (1e40 is inf there).
        {"SO2=SO2,1e40,2,x", "Není zadána 1. limitní koncentrace znečišťující látky SO2 (inicializační soubor)"},
        {"SO2=SO2,1,-1e39,x", "Není zadána 2. limitní koncentrace znečišťující látky SO2 (inicializační soubor)"},
        {"B=ORG,1,2,1e39,benzen", "Není zadána poločas odstraňování znečišťující látky B (inicializační soubor)"},
        {"B=ORG,1,2,inf,benzen", "Není zadána poločas odstraňování znečišťující látky B (inicializační soubor)"},
        {"SO2=SO2,1", "Není zadána 2. limitní koncentrace znečišťující látky SO2 (inicializační soubor)"},
        {"B=ORG,1,2,benzen", "Není zadána poločas odstraňování znečišťující látky B (inicializační soubor)"},
        {"B=ORG,1,2", "Není zadána poločas odstraňování znečišťující látky B (inicializační soubor)"},
        // An indicative names files and columns: one per pollutant whatever
        // its case, no blank, control character or character that file
        // names forbid.
        {"no2=SO2,1,2,x", "Indikativ polutantu no2 je zadán vícekrát [NO2] (inicializační soubor)"},
        {" NO2 =ORG,1,2,3,x", "Indikativ polutantu NO2 je zadán vícekrát [NO2] (inicializační soubor)"},
        {"A B=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [A B] (inicializační soubor)"},
        {"A\tB=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [A\tB] (inicializační soubor)"},
        {"A/B=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [A/B] (inicializační soubor)"},
        {"A\\B=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [A\\B] (inicializační soubor)"},
        {"C:=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [C:] (inicializační soubor)"},
        {"A*=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [A*] (inicializační soubor)"},
        {"A?|=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [A?|] (inicializační soubor)"},
        {"<A>=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [<A>] (inicializační soubor)"},
        {"\"A\"=SO2,1,2,x", "Nepovolený znak v indikativu polutantu [\"A\"] (inicializační soubor)"},
        // A half-life of 0 removes everything, a negative one adds.
        {"B=ORG,1,2,0,benzen", "Poločas odstraňování znečišťující látky B musí být kladný (inicializační soubor)"},
        {"B=ORG,1,2,-1,benzen", "Poločas odstraňování znečišťující látky B musí být kladný (inicializační soubor)"},
        {"SO2=SO2,1,2," + std::string(31, 'n'),
         "Maximální délka názvu polutantu je 30 znaků [" + std::string(31, 'n') + "] (inicializační soubor)"},
    };
    for (const Case& c : cases) {
        start_log(2);
        EXPECT_EQ(read(kGrid + "[ZNECISTUJICI LATKY]\nNO2=NO2,200,-1,oxid\n" + c.line + "\n"), -100) << c.line;
        EXPECT_TRUE(logged("*** chybná vstupní data\n       - " + c.message + "\n")) << c.line << "\n" << log();
    }
}

// Widths count characters, one byte each in Windows-1250: an indicative of
// five Czech letters (ten bytes of UTF-8) and a name of thirty are taken
// whole; one letter more is refused, naming the limit.
TEST_F(ProjectFileTest, IndicativeOfFiveAndNameOfThirtyCzechLettersAndOneMore) {
    const std::string five = "ŽĎÁRŮ", name30 = "Žluťoučký kůň úpěl ďábelské ód";
    ASSERT_EQ(utf8_to_cp1250(name30).size(), 30u);
    ASSERT_EQ(read(kGrid + "[ZNECISTUJICI LATKY]\n" + five + "=SO2,1,2," + name30 + "\n[VYSLEDKY]\nFORMAT=TXT\n"), 0)
        << log();
    ASSERT_EQ(pc.pollutants.size(), 1u);
    EXPECT_EQ(pc.pollutants[0].indicative, utf8_to_cp1250(five));
    EXPECT_EQ(pc.pollutants[0].name, utf8_to_cp1250(name30));

    start_log(2);
    EXPECT_EQ(read(kGrid + "[ZNECISTUJICI LATKY]\n" + five + "Ě=SO2,1,2,x\n"), -100);
    EXPECT_TRUE(logged("- Maximální délka indikativu polutantu je 5 znaků [" + five + "Ě] (inicializační soubor)\n"))
        << log();
    start_log(2);
    EXPECT_EQ(read(kGrid + "[ZNECISTUJICI LATKY]\nSO2=SO2,1,2," + name30 + "ě\n"), -100);
    EXPECT_TRUE(logged("- Maximální délka názvu polutantu je 30 znaků [" + name30 + "ě] (inicializační soubor)\n"))
        << log();
}

TEST_F(ProjectFileTest, IndicativesOfDbfResultsAreFieldNameCharacters) {
    const std::string pollutants = "[ZNECISTUJICI LATKY]\nPM2.5=PM10,25,-1,jemne castice\nČŠ_1=JINA,1,-1,x\n";
    // Text results take any safe indicative.
    ASSERT_EQ(read(kGrid + pollutants + "[VYSLEDKY]\nFORMAT=TXT\n"), 0) << log();
    EXPECT_EQ(pc.pollutants[1].indicative, utf8_to_cp1250("ČŠ_1"));
    // DBF field names do not: the format is known only at the end of the
    // file, so the format line may follow the pollutants.
    start_log(1);
    EXPECT_EQ(read(kGrid + pollutants + "[VYSLEDKY]\nFORMAT=DBF\n"), -100);
    EXPECT_TRUE(
        logged("*** chybná vstupní data\n       - Indikativ polutantu [ČŠ_1] smí pro formát DBF obsahovat "
               "jen písmena bez diakritiky, číslice, \"_\" a \".\" (inicializační soubor)\n"))
        << log();
    start_log(1);
    EXPECT_EQ(read(kGrid + "[VYSLEDKY]\nFORMAT=DBF\n[ZNECISTUJICI LATKY]\nPM2.5=PM10,25,-1,x\nSO_2=SO2,1,-1,x\n"), 0)
        << log();
}

TEST_F(ProjectFileTest, EveryRunNeedsItsWindRoses) {
    EXPECT_EQ(read(kGrid + "[METEOROLOGIE]\n# bez souboru\n"), -100);
    EXPECT_TRUE(
        logged("*** chybná vstupní data\n       - Není zadán soubor s větrnými růžicemi (inicializační soubor)\n"))
        << log();
}

TEST_F(ProjectFileTest, TransfersAndBackgroundExcludeEachOther) {
    ASSERT_EQ(read(kGrid + "[ZDROJE]\nTRANSFERY= tr.txt , csv\n"), 0);
    EXPECT_TRUE(pc.transfers_given);
    EXPECT_EQ(pc.transfers.path, "tr.txt");
    EXPECT_EQ(pc.transfers.separator, ',');
    EXPECT_EQ(pc.source_kinds, 0);
    start_log(2);
    ASSERT_EQ(read(kGrid + "[ZDROJE]\nPOZADI=SO2:12.5, NO2:4=x\n"), 0);
    EXPECT_TRUE(pc.background_given);
    EXPECT_EQ(pc.background, "SO2:12.5, NO2:4=x");  // the whole rest of the line
    start_log(2);
    EXPECT_EQ(read(kGrid + "[ZDROJE]\nTRANSFERY=tr.txt\nPOZADI=SO2:1\n"), -100);
    EXPECT_TRUE(logged("- nelze současně zadat soubor s transfery a pozaďové hodnoty (inicializační soubor)\n"));
    start_log(2);
    EXPECT_EQ(read(kGrid + "[ZDROJE]\nPOZADI=SO2:1\nTRANSFERY=tr.txt\n"), -100);
    EXPECT_TRUE(logged("- nelze současně zadat soubor s transfery a pozaďové hodnoty (inicializační souobr)\n"));
    start_log(2);
    EXPECT_EQ(read(kGrid + "[ZDROJE]\nPOZADI=" + std::string(260, '1') + "\n"), -100);
    EXPECT_TRUE(logged("- Hodnota položky POZADI je delší než 259 znaků (inicializační soubor)\n"));
}

TEST_F(ProjectFileTest, ResultsSection) {
    // Defaults, and missing values leave the fields unchanged.
    ASSERT_EQ(read(kGrid + "[VYSLEDKY]\nTYP=\nFORMAT\nPODILY LIMIT=\nADRESAR=\nZAKLADNI=\n"), 0);
    const ProjectConfig& p = pc;
    EXPECT_EQ(p.result_type, kResultStandard);
    EXPECT_EQ(p.result_format, kFormatTxt);
    EXPECT_DOUBLE_EQ(p.limit_share_threshold, 1.0);
    EXPECT_EQ(p.base_basic, "IHrIHk");
    EXPECT_EQ(runlog.error_count, 0);
    start_log(2);
    ASSERT_EQ(read(kGrid + "[vysledky]\ntyp=Rozsireny\nformat=dbf\npodily limit= 2.5e-1 %\nzakladni= z a\n"
                           "podily zdroju=PZ\npodily skupin=PS\nsektory max=SM\nsektory prum=SP\nrozsireny=R\n"),
              0);
    EXPECT_EQ(p.result_type, kResultExtended);
    EXPECT_EQ(p.result_format, kFormatDbf);
    EXPECT_DOUBLE_EQ(p.limit_share_threshold, 0.25);
    EXPECT_EQ(p.base_basic, " z a");  // taken unchanged
    EXPECT_TRUE(
        logged("=== [VYSLEDKY]\n===    Typ: 2\n===    Formát: 0\n===    Podily limit: 0.25\n"
               "===    Adresar: \n===    Zakladni:  z a\n===    Podily zdroju: PZ\n===    Podily skupin: PS\n"
               "===    Sektory max: SM\n===    Sektory prum: SP\n===    Rozsireny: R\n"))
        << log();
    for (const char* bad : {"TYP= zakladni", "TYP=velky"}) {
        start_log(2);
        EXPECT_EQ(read(kGrid + "[VYSLEDKY]\n" + bad + "\n"), -100);
        EXPECT_TRUE(logged(std::string("- neznámý typ výstupu: ") + (bad + 4) + " (inicializační soubor)\n"));
    }
    start_log(2);
    EXPECT_EQ(read(kGrid + "[VYSLEDKY]\nFORMAT=xls\n"), -100);
    EXPECT_TRUE(logged("- neznámý formát výstupu: xls (inicializační soubor)\n"));
    start_log(2);
    ASSERT_EQ(read(kGrid + "[VYSLEDKY]\nPODILY LIMIT=abc\n"), 0);
    EXPECT_DOUBLE_EQ(p.limit_share_threshold, 1.0);
    EXPECT_EQ(runlog.error_count, 1);
    // A share of Crok in percent: 0 to 100; beyond, the error and the default.
    for (const char* bad : {"-0.5", "100.01", "1e40", "inf"}) {
        start_log(2);
        ASSERT_EQ(read(kGrid + "[VYSLEDKY]\nPODILY LIMIT=" + bad + "\n"), 0);
        EXPECT_DOUBLE_EQ(p.limit_share_threshold, 1.0) << bad;
        EXPECT_EQ(runlog.error_count, 1) << bad;
        EXPECT_TRUE(logged("+++ chybná vstupní data\n       - nečíselná hodnota položky PODILY LIMIT: " +
                           std::string(bad) + " (inicializační soubor)"))
            << log();
    }
    for (const double good : {0.0, 100.0}) {
        start_log(2);
        ASSERT_EQ(read(kGrid + "[VYSLEDKY]\nPODILY LIMIT=" + format("%g", good) + "\n"), 0);
        EXPECT_DOUBLE_EQ(p.limit_share_threshold, good);
        EXPECT_EQ(runlog.error_count, 0);
    }
}

// Numbers that change without a word are kept as read, but said: a limit
// typed with a decimal comma splits the line at it (limits 350 and 5, the
// name "125, Oxid siřičitý"), and text after a number within its field is
// ignored. Each is an information line naming the line and the file; no
// error is counted, and a clean project says nothing.
TEST_F(ProjectFileTest, NumbersThatChangeWithoutAWordAreSaid) {
    ASSERT_EQ(read(kGrid + "[ZNECISTUJICI LATKY]\nSO2=SO2, 350,5, 125, Oxid siřičitý\nB13=JINA, 2, -1, 1,3-butadien\n"
                           "NO2=NO2, 200abc, -1, oxid\n[VYPOCETNI SIT]\nPROJEKCE=JINA\nOTOCENI=12,5\n[VYSLEDKY]\n"
                           "PODILY LIMIT=2 %\n"),
              0)
        << log();
    const ProjectConfig& p = pc;
    ASSERT_EQ(p.pollutants.size(), 3u);
    EXPECT_DOUBLE_EQ(p.pollutants[0].limit[0], 350);
    EXPECT_DOUBLE_EQ(p.pollutants[0].limit[1], 5);
    EXPECT_EQ(cp1250_to_utf8(p.pollutants[0].name), "125, Oxid siřičitý");
    EXPECT_EQ(p.pollutants[1].name, "1,3-butadien");
    EXPECT_DOUBLE_EQ(p.pollutants[2].limit[0], 200);
    EXPECT_DOUBLE_EQ(p.rotation, 12);
    EXPECT_DOUBLE_EQ(p.limit_share_threshold, 2);
    EXPECT_EQ(runlog.error_count, 0);
    const std::string file = "---     (soubor: " + dir.utf8("p.atm") + ")\n";
    EXPECT_TRUE(
        logged("--- název polutantu SO2 na řádce 5 začíná číslem a čárkou: [125, Oxid siřičitý] (čárka "
               "odděluje údaje, desetinná místa se píší za tečku)\n" +
               file))
        << log();
    EXPECT_TRUE(logged("--- název polutantu B13 na řádce 6 začíná číslem a čárkou: [1,3-butadien]"));
    EXPECT_TRUE(logged("--- údaj [200abc] na řádce 7 byl přečten jen zčásti jako číslo 200\n" + file));
    EXPECT_TRUE(logged("--- údaj [12,5] na řádce 10 byl přečten jen zčásti jako číslo 12\n" + file));
    EXPECT_TRUE(logged("--- údaj [2 %] na řádce 12 byl přečten jen zčásti jako číslo 2\n" + file));

    start_log(2);
    ASSERT_EQ(read(kGrid + "[ZNECISTUJICI LATKY]\nSO2=SO2, 350.5 , 125, Oxid siřičitý 2,5\nB=ORG,1,-1, 3 ,benzen\n"
                           "[VYSLEDKY]\nPODILY LIMIT= 2.5 \n"),
              0);
    EXPECT_EQ(log().find("--- údaj"), std::string::npos) << log();
    EXPECT_EQ(log().find("začíná číslem"), std::string::npos) << log();
}

TEST_F(ProjectFileTest, OutputDirectoryAndLogCopyPath) {
    // From ADRESAR, taken unchanged (blanks included), with the separator appended.
    runlog.log_given = false;
    runlog.log_path = std::string("/inst/log") + S + "proj.log";
    ASSERT_EQ(read(kGrid + "[VYSLEDKY]\nADRESAR= out dir\nZAKLADNI=res/z\n"), 0);
    EXPECT_EQ(pc.output_directory, std::string(" out dir") + S);
    EXPECT_EQ(runlog.copy_path, std::string(" out dir") + S + "proj.log");
    // From the directory part of the basic base name ("\" is a separator too).
    ASSERT_EQ(read(kGrid + "[VYSLEDKY]\nZAKLADNI=vysl\\z\n"), 0);
    EXPECT_EQ(pc.output_directory, "vysl\\");
    // From the project path.
    ASSERT_EQ(read(kGrid), 0);
    EXPECT_EQ(pc.output_directory, dir.str() + S);
    EXPECT_EQ(pc.project_path, dir.file("p.atm"));
    // From the given default when the project path has no directory; the
    // path is taken in the run's directory, not the working directory.
    test::write_file(dir.file("rel.atm"), cp(kGrid + kRoses));
    InputContext in_dir(runlog, notes, dir.str() + S);
    const std::string computation_directory = test::text_path(std::filesystem::canonical(dir.path())) + S;
    const int status = run_stage(runlog, [&] {
        pc = read_project("rel.atm", computation_directory, in_dir);
        return 0;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(pc.project_path, "rel.atm");
    EXPECT_EQ(pc.output_directory, computation_directory);
    // A log path given on the command line is never copied.
    runlog.log_given = true;
    runlog.copy_path.clear();
    ASSERT_EQ(read(kGrid), 0);
    EXPECT_EQ(runlog.copy_path, "");
}

TEST_F(ProjectFileTest, ProjectPathFromTheOptionsAndAMissingFile) {
    options.computation_directory = dir.str() + S;
    options.program_name = "zemo";
    test::write_file(dir.file("zemo.atm"), cp(kGrid + kRoses));
    ASSERT_EQ(run_stage(runlog,
                        [&] {
                            pc = read_project(project_file_path(options), "", in);
                            return 0;
                        }),
              0);
    EXPECT_EQ(pc.project_path, dir.file("zemo.atm"));
    EXPECT_TRUE(logged("--- Inicializační soubor: [" + dir.utf8("zemo.atm") + "]\n"));
    options.project_file = dir.file("chybi.atm");
    EXPECT_EQ(run_stage(runlog,
                        [&] {
                            pc = read_project(project_file_path(options), "", in);
                            return 0;
                        }),
              -100);
    EXPECT_TRUE(logged("--- Inicializační soubor: [" + dir.utf8("chybi.atm") +
                       "]\n*** soubor nelze otevřít\n       - " + dir.utf8("chybi.atm") + " (" + dir.utf8("chybi.atm") +
                       ": soubor nebo adresář neexistuje)\n"));
}

TEST_F(ProjectFileTest, NumbersDoNotDependOnTheLocale) {
    if (!std::setlocale(LC_ALL, "cs_CZ.UTF-8")) GTEST_SKIP() << "no Czech locale installed";
    const int status = read(kGrid + "[ZNECISTUJICI LATKY]\nSO2=SO2,1.5,2,oxid\n[VYSLEDKY]\nPODILY LIMIT=0.5\n");
    std::setlocale(LC_ALL, "C");
    ASSERT_EQ(status, 0);
    EXPECT_DOUBLE_EQ(pc.pollutants[0].limit[0], 1.5);
    EXPECT_DOUBLE_EQ(pc.limit_share_threshold, 0.5);
    EXPECT_TRUE(logged("SO2: 1, 1.500, 2.000, oxid\n"));
}

// A whole level-2 console run: the echo stands in the log in its documented order.
TEST(ProjectFileConsole, LevelTwoRunEchoesTheProject) {
    test::TempDir dir;
    test::write_file(dir.file("mesto.atm"),
                     cp("# Ukázkový projekt\n[Vypocetni sit]\nSoubor=body.txt\nProjekce=JTSK\n\n"
                        "[Znecistujici latky]\nNO2=NO2, 200.000000, -1.000000, Oxid dusičitý\n"
                        "Bzn=ORG, 5.000000, -1.000000, 10.000000, benzen\n\n"
                        "[Zdroje]\nBodove=kotelny.dbf\nLiniove=silnice.txt,tsv\nPozadi=NO2:10.000000\n\n"
                        "[Meteorologie]\nSoubor=ruze.txt\n\n"
                        "[Vysledky]\nTyp=standardni\nFormat=txt\nPodily limit=1.000000\nZakladni=vysledky\n"));
    const auto r = test::run_zemo("-a -c -L2 -l run.log -i mesto.atm -d '" + dir.str() + "'", dir.str());
    const std::string l = read_file(dir.file("run.log"));
    EXPECT_NE(l.find(cp("--- Inicializační soubor: [mesto.atm]\n"
                        "=== [VYPOCETNI SIT]\n"
                        "===    Soubor: body.txt, -1\n"
                        "===    Projekce: JTSK\n"
                        "=== [ZNECISTUJICI LATKY]\n"
                        "===    NO2: 21, 200.000, Oxid dusičitý\n"
                        "===    Bzn: 40, 5.000, benzen\n"
                        "=== [ZDROJE]\n"
                        "===    Bodove: kotelny.dbf, -1\n"
                        "===    Liniove: silnice.txt, 10\n"
                        "=== [METEOROLOGIE]\n"
                        "===    Soubor: ruze.txt, -1\n"
                        "=== [VYSLEDKY]\n"
                        "===    Typ: 1\n"
                        "===    Formát: 1\n"
                        "===    Podily limit: 1.00\n"
                        "===    Adresar: \n"
                        "===    Zakladni: vysledky\n"
                        "===    Podily zdroju: Pzdroju\n"
                        "===    Podily skupin: Pskupin\n"
                        "===    Sektory max: Smax\n"
                        "===    Sektory prum: Sprum\n"
                        "===    Rozsireny: detalni\n")),
              std::string::npos)
        << cp1250_to_utf8(l) << r.output;
}
