// The desktop program's project file: the exact text its writer produces,
// read-back of every item, the reader's refusals and their messages, line
// ends, and the console reader reading the desktop writer's file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>

#include "desktop/logic/project_form_file.h"
#include "base/platform.h"
#include "tests/test_support.h"

using namespace zemo;
using namespace zemo::desktop;
using zemo::test::cp;

namespace {

struct ProjectFormFileTest : ::testing::Test {
    test::TempDir dir;

    // Writes the project (UTF-8 text given with "\n" lines) as Windows-1250
    // bytes, the line ends replaced by eol, and reads it with the desktop
    // reader. error receives the error text as UTF-8.
    bool read(const std::string& text, ProjectForm& form, std::string& error, const std::string& eol = "\n") {
        std::string bytes;
        for (char c : utf8_to_cp1250(text)) {
            if (c == '\n') bytes += eol;
            else bytes += c;
        }
        const std::string path = dir.file("p.atm");
        test::write_file(path, bytes);
        std::string cp_error;
        const bool ok = read_project_form(path, form, cp_error);
        error = cp1250_to_utf8(cp_error);
        return ok;
    }
    // The error text of a project that must fail to read, with the path
    // replaced by "P".
    std::string refusal(const std::string& text) {
        ProjectForm form;
        std::string error;
        EXPECT_FALSE(read(text, form, error)) << text;
        const std::string path = dir.utf8("p.atm");  // the error is UTF-8 here
        const auto at = error.find(path);
        if (at != std::string::npos) error.replace(at, path.size(), "P");
        return error;
    }
};

FormPollutant pollutant(const char* indicative, int type, double l1, double l2, double half_life, const char* utf8) {
    FormPollutant p;
    p.indicative = indicative;
    p.type = type;
    p.limit1 = l1;
    p.limit2 = l2;
    p.half_life = half_life;
    p.name = utf8_to_cp1250(utf8);
    return p;
}

// Type indexes of the table of pollutant types.
constexpr int kSO2 = 1, kNO2 = 5, kORG = 7;

// A project that uses every item of the form.
ProjectForm full_form() {
    ProjectForm f;
    f.point_files = {"body1.txt", "data/body2.dbf", "body 3.txt"};
    f.projection = FormProjection::Other;
    f.rotation = "12.5";
    f.pollutants = {pollutant("SO2", kSO2, 125, 350, 0, "Oxid siřičitý"),
                    pollutant("NOx", kNO2, 200, kNotGiven, 0, "Oxid dusičitý"),
                    pollutant("BaP", kORG, 0.001, 0.5, 2.5, "Benzo(a)pyren, celkem")};
    f.point_sources = "zdroje.dbf";
    f.line_sources = "silnice.txt";
    f.area_sources = "plochy.txt";
    f.addition = FormAddition::Background;
    f.background = {10.25, kNotGiven, 0.5, kNotGiven, kNotGiven, kNotGiven};
    f.wind_roses = "ruzice.dat";
    f.output_type = kOutputExtended;
    f.output_format = kOutFormatDbf;
    f.share_limit = 2.5;
    f.output_directory = "vysledky/";
    f.out_basic = "zakl";
    f.out_source_shares = "pzdr";
    f.out_group_shares = "pskup";
    f.out_sector_max = "smax";
    f.out_sector_mean = "sprum";
    f.out_extended = "detail";
    return f;
}

}  // namespace

TEST_F(ProjectFormFileTest, WriterProducesTheNarrowFormWithCrLfAndCLocaleNumbers) {
    std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8");  // a comma locale, if installed, must change nothing
    const std::string path = dir.file("w.atm");
    ASSERT_TRUE(write_project_form(path, full_form()));
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(test::read_file(path),
              cp("[Vypocetni sit]\n"
                 "Soubor=body1.txt\nSoubor=data/body2.dbf\nSoubor=body 3.txt\n"
                 "Projekce=jina\nOtoceni=12.5\n"
                 "\n[Znecistujici latky]\n"
                 "SO2=SO2, 125.000000, 350.000000, Oxid siřičitý\n"
                 "NOx=NO2, 200.000000, -9999.000000, Oxid dusičitý\n"
                 "BaP=ORG, 0.001000, 0.500000, 2.500000, Benzo(a)pyren, celkem\n"
                 "\n[Zdroje]\n"
                 "Bodove=zdroje.dbf\nLiniove=silnice.txt\nPlosne=plochy.txt\n"
                 "Pozadi=SO2:10.250000, NOx:0, BaP:0.500000\n"
                 "\n[Meteorologie]\nSoubor=ruzice.dat\n"
                 "\n[Vysledky]\nTyp=rozsireny\nFormat=dbf\nPodily limit=2.500000\nAdresar=vysledky/\n"
                 "Zakladni=zakl\nPodily skupin=pskup\nPodily zdroju=pzdr\nSektory max=smax\nSektory prum=sprum\n"
                 "Rozsireny=detail\n"));
}

TEST_F(ProjectFormFileTest, WriterLeavesOutWhatIsNotSetOrBelongsToAHigherOutputType) {
    ProjectForm f = full_form();
    f.point_files = {"a.txt", "", "c.txt"};  // file 3 is not written after an empty file 2
    f.projection = FormProjection::Jtsk;
    f.rotation.clear();
    f.pollutants.resize(1);
    f.line_sources.clear();
    f.transfers = "transfery.txt";  // transfers instead of background values
    f.wind_roses.clear();
    f.output_type = kOutputBasic;
    f.output_format = kOutFormatNone;
    f.share_limit = kNotGiven;
    f.output_directory.clear();
    EXPECT_EQ(project_form_text(f),
              utf8_to_cp1250("[Vypocetni sit]\nSoubor=a.txt\nProjekce=JTSK\n"
                             "\n[Znecistujici latky]\nSO2=SO2, 125.000000, 350.000000, Oxid siřičitý\n"
                             "\n[Zdroje]\nBodove=zdroje.dbf\nPlosne=plochy.txt\nTransfery=transfery.txt\n"
                             "\n[Meteorologie]\n"
                             "\n[Vysledky]\nTyp=zakladni\nZakladni=zakl\n"));

    ProjectForm empty;
    empty.projection = FormProjection::Other;  // "J&iná" without a rotation
    EXPECT_EQ(project_form_text(empty),
              "[Vypocetni sit]\nProjekce=jina\n\n[Znecistujici latky]\n\n[Zdroje]\n\n[Meteorologie]\n\n[Vysledky]\n");
}

TEST_F(ProjectFormFileTest, WrittenAndReadBackReproducesEveryItemAndNotGivenBackgroundAsZero) {
    const ProjectForm written = full_form();
    const std::string path = dir.file("w.atm");
    ASSERT_TRUE(write_project_form(path, written));
    ProjectForm read;
    std::string error;
    ASSERT_TRUE(read_project_form(path, read, error)) << cp1250_to_utf8(error);
    EXPECT_EQ(error, "");

    ProjectForm expected = written;
    expected.background = {10.25, 0, 0.5, kNotGiven, kNotGiven, kNotGiven};  // written as "NOx:0"
    EXPECT_EQ(read, expected);

    // With a transfers file, and with a pollutant held twice: each copy keeps its own value.
    ProjectForm twice = written;
    twice.pollutants.push_back(twice.pollutants[0]);
    twice.background[3] = 7;
    ASSERT_TRUE(write_project_form(path, twice));
    ASSERT_TRUE(read_project_form(path, read, error)) << cp1250_to_utf8(error);
    EXPECT_EQ(read.background[0], 10.25);
    EXPECT_EQ(read.background[3], 7);

    ProjectForm with_transfers = written;
    with_transfers.addition = FormAddition::Transfers;
    with_transfers.transfers = "trans.txt";
    with_transfers.background.fill(kNotGiven);
    ASSERT_TRUE(write_project_form(path, with_transfers));
    ASSERT_TRUE(read_project_form(path, read, error));
    EXPECT_EQ(read, with_transfers);
}

TEST_F(ProjectFormFileTest, CrLfAndLoneCrFilesReadLikeTheLfFile) {
    const std::string text =
        "# projekt\n\n  [VYPOCETNI SIT]\nSoubor=body.txt\nProjekce=jina\nOtoceni=-7.25\n"
        "[Znecistujici latky]\nSO2=so2, 125, 350, Oxid siřičitý\n[Zdroje]\nBodove=zdroje.dbf\nPozadi=so2:3\n"
        "[Meteorologie]\nSoubor=ruzice.txt\n[Vysledky]\nTyp=standardni\nFormat=txt\nPodily limit=1.5\n"
        "Zakladni=zakl\n";
    ProjectForm lf, crlf, cr;
    std::string error;
    ASSERT_TRUE(read(text, lf, error, "\n")) << error;
    ASSERT_TRUE(read(text, crlf, error, "\r\n")) << error;
    ASSERT_TRUE(read(text, cr, error, "\r")) << error;
    EXPECT_EQ(crlf, lf);
    EXPECT_EQ(cr, lf);
    // The rotation is kept as its text: no line end may reach it.
    EXPECT_EQ(lf.rotation, "-7.25");
    EXPECT_EQ(lf.projection, FormProjection::Other);
    ASSERT_EQ(lf.pollutants.size(), 1u);
    EXPECT_EQ(lf.pollutants[0].type, kSO2);
    EXPECT_EQ(lf.background[0], 3);
    EXPECT_EQ(lf.share_limit, 1.5);
    EXPECT_EQ(lf.output_type, kOutputStandard);
    EXPECT_EQ(lf.output_format, kOutFormatTxt);
}

TEST_F(ProjectFormFileTest, RotationCountsOnlyAfterTheOtherProjection) {
    ProjectForm f;
    std::string error;
    ASSERT_TRUE(read("[Vypocetni sit]\nOtoceni=5\nProjekce=jina\n", f, error)) << error;
    EXPECT_EQ(f.projection, FormProjection::Other);
    EXPECT_EQ(f.rotation, "");
    ASSERT_TRUE(read("[Vypocetni sit]\nProjekce=JTSK\nOtoceni=5\n", f, error)) << error;
    EXPECT_EQ(f.projection, FormProjection::Jtsk);
    EXPECT_EQ(f.rotation, "");
    ASSERT_TRUE(read("[Vypocetni sit]\nProjekce=Jina\nOtoceni= 5.5\nOtoceni=6\n", f, error)) << error;
    EXPECT_EQ(f.rotation, "6");
    // A later projection line drops the rotation read before it.
    ASSERT_TRUE(read("[Vypocetni sit]\nProjekce=jina\nOtoceni=5\nProjekce=S42\n", f, error)) << error;
    EXPECT_EQ(f.projection, FormProjection::S42);
    EXPECT_EQ(f.rotation, "");
}

TEST_F(ProjectFormFileTest, PollutantLinesAndTheirRefusals) {
    ProjectForm f;
    std::string error;
    // Indicatives keep their case; the name takes the rest of the line.
    ASSERT_TRUE(read("[ZNECISTUJICI LATKY]\n bzn = bzn , 5 , -1 , Benzen, a jiné\nx=org,1,2,48,Org\n", f, error))
        << error;
    ASSERT_EQ(f.pollutants.size(), 2u);
    EXPECT_EQ(f.pollutants[0].indicative, "bzn");
    EXPECT_EQ(f.pollutants[0].type, 8);
    EXPECT_EQ(f.pollutants[0].limit2, -1);
    EXPECT_EQ(cp1250_to_utf8(f.pollutants[0].name), "Benzen, a jiné");
    EXPECT_EQ(f.pollutants[1].half_life, 48);
    EXPECT_EQ(f.pollutants[1].name, "Org");

    std::string six = "[Znecistujici latky]\n";
    for (int i = 1; i <= 6; ++i) six += "L" + std::to_string(i) + "=CO,1,2,Látka\n";
    ASSERT_TRUE(read(six, f, error)) << error;
    EXPECT_EQ(f.pollutants.size(), 6u);
    EXPECT_EQ(refusal(six + "L7=CO,1,2,Látka\n"),
              "+++ překročen max počet znečišťujících látek ve výpočtu, (soubor: P)");

    const std::string s = "[Znecistujici latky]\n";
    EXPECT_EQ(refusal(s + "===\n"), "+++ neúplné zadání znečišťujících látek, (soubor: P)");
    ASSERT_TRUE(read(s + "ABCDE=CO,1,2,x\n", f, error)) << error;
    EXPECT_EQ(f.pollutants[0].indicative, "ABCDE");
    EXPECT_EQ(refusal(s + "ABCDEF=CO,1,2,x\n"), "+++ příliš dlouhý identifikátor látky: ABCDEF, (soubor: P)");
    EXPECT_EQ(refusal(s + "A=CO,1,2\n"), "+++ neúplná definice znečišťující látky: A, (soubor: P)");
    EXPECT_EQ(refusal(s + "A=ORG,1,2,Jméno\n"), "+++ chyba v definici poločasu odstraňování: A, (soubor: P)");
    EXPECT_EQ(refusal(s + "A=PM25,1,2,x\n"), "+++ neznámý typ znečišťující látky: PM25, (soubor: P)");
    EXPECT_EQ(refusal(s + "A=CO,1x,2,x\n"), "+++ chyba v definici 1. limitní koncentrace: A, (soubor: P)");
    EXPECT_EQ(refusal(s + "A=CO,1,2;5,x\n"), "+++ chyba v definici 2. limitní koncentrace: A, (soubor: P)");
    EXPECT_EQ(refusal(s + "A=CO,1,2,1234567890123456789012345678901\n"),
              "+++ příliš dlouhý název látky: 1234567890123456789012345678901, (soubor: P)");
    ASSERT_TRUE(read(s + "A=CO,1,2,123456789012345678901234567890\n", f, error)) << error;
}

// An indicative the pollutant panel refuses, and a NUL byte, are refused on
// reading: the writer could not write them back as read (a NUL byte ended
// the value, so that the file written was one the reader refuses; found by
// fuzz_project_form, the inputs are under fuzz/regressions/project_form/).
TEST_F(ProjectFormFileTest, IndicativesAndNulBytesThatWouldNotBeWrittenBackAreRefused) {
    const std::string s = "[Znecistujici latky]\n";
    static constexpr char kNul[] = "A\0\0=CO,1,2,x\n";
    EXPECT_EQ(refusal(s + std::string(kNul, sizeof kNul - 1)), "+++ nepovolený znak NUL v řádku, (soubor: P)");
    EXPECT_EQ(refusal(s + "A B=CO,1,2,x\n"), "+++ nepovolený znak v identifikátoru látky: A B, (soubor: P)");
    EXPECT_EQ(refusal(s + "A,B=CO,1,2,x\n"), "+++ nepovolený znak v identifikátoru látky: A,B, (soubor: P)");
    EXPECT_EQ(refusal(s + "A:B=CO,1,2,x\n"), "+++ nepovolený znak v identifikátoru látky: A:B, (soubor: P)");
    EXPECT_EQ(refusal(s + "A;B=CO,1,2,x\n"), "+++ nepovolený znak v identifikátoru látky: A;B, (soubor: P)");
    EXPECT_EQ(refusal(s + "A\tB=CO,1,2,x\n"), "+++ nepovolený znak v identifikátoru látky: A\tB, (soubor: P)");

    // The fuzzer's input itself: refused, where before the written form was.
    ProjectForm form;
    std::string error;
    const std::string path = zemo::test::source_file("fuzz/regressions/project_form/indicative-with-nul.atm");
    EXPECT_FALSE(read_project_form(path, form, error));
    EXPECT_NE(cp1250_to_utf8(error).find("nepovolený znak NUL v řádku"), std::string::npos) << error;

    // A NUL byte anywhere else (the name, a file name) is refused as well,
    // in a comment it is not: comments are not written back.
    static constexpr char kNulName[] = "A=CO,1,2,\0\0Cn\n";
    EXPECT_EQ(refusal(s + std::string(kNulName, sizeof kNulName - 1)), "+++ nepovolený znak NUL v řádku, (soubor: P)");
    static constexpr char kNulFile[] = "[Zdroje]\nBodove=a\0b.txt\n";
    EXPECT_EQ(refusal(std::string(kNulFile, sizeof kNulFile - 1)), "+++ nepovolený znak NUL v řádku, (soubor: P)");
    static constexpr char kNulComment[] = "# \0\n[Zdroje]\nBodove=a.txt\n";
    ASSERT_TRUE(read(std::string(kNulComment, sizeof kNulComment - 1), form, error)) << error;
    EXPECT_EQ(form.point_sources, "a.txt");
    const std::string name_input = zemo::test::source_file("fuzz/regressions/project_form/name-with-nul.atm");
    EXPECT_FALSE(read_project_form(name_input, form, error));
    EXPECT_NE(cp1250_to_utf8(error).find("nepovolený znak NUL v řádku"), std::string::npos) << error;

    // Indicatives the panel takes still read: letters, digits, "_", ".", "-".
    ProjectForm f;
    ASSERT_TRUE(read(s + "PM2.5=PM10,25,-1,x\nB_a-p=ORG,1,-1,10,y\n", f, error)) << error;
    ASSERT_EQ(f.pollutants.size(), 2u);
    EXPECT_EQ(f.pollutants[0].indicative, "PM2.5");
    EXPECT_EQ(f.pollutants[1].indicative, "B_a-p");
}

TEST_F(ProjectFormFileTest, SectionsKeysAndValuesThatFailTheWholeReading) {
    ProjectForm f;
    std::string error;
    // Sections and keys in any case; a type word after a file name is dropped.
    ASSERT_TRUE(
        read("Soubor=ignored.txt\n[vypocetni sit]\nsoubor=a.txt , tsv\n[ZDROJE]\nbodove= b.dbf ,DBF\n", f, error))
        << error;
    EXPECT_EQ(f.point_files[0], "a.txt");
    EXPECT_EQ(f.point_files[1], "");
    EXPECT_EQ(f.point_sources, "b.dbf");

    EXPECT_EQ(refusal("[Zdroje] \n"), "+++ neznámá skupina: [ZDROJE]], (soubor: P)");
    EXPECT_EQ(refusal("[\n"), "+++ neznámá skupina: ], (soubor: P)");
    EXPECT_EQ(refusal("[Vysledky]\nTyp =zakladni\n"), "+++ neznámá položka: TYP , (soubor: P)");
    EXPECT_EQ(refusal("[Vypocetni sit]\nSoubor=a\nSoubor=b\nSoubor=c\nSoubor=d\n"),
              "+++ překročen max počet souborů s referenčními body, (soubor: P)");
    EXPECT_EQ(refusal("[Vypocetni sit]\nSoubor= ,x\n"), "+++ neúplné zadání souboru s referenčními body, (soubor: P)");
    EXPECT_EQ(refusal("[Vypocetni sit]\nProjekce=UTM\n"), "+++ neznámá projekce: UTM, (soubor: P)");
    EXPECT_EQ(refusal("[Vypocetni sit]\nProjekce=jina\nOtoceni=12,5\n"),
              "+++ chyba v definici otočení: 12,5, (soubor: P)");
    EXPECT_EQ(refusal("[Zdroje]\nTransfery\n"), "+++ neúplné zadání souboru s transfery, (soubor: P)");
    EXPECT_EQ(refusal("[Zdroje]\nPlosne=" + std::string(260, 'a') + "\n"),
              "+++ příliš dlouhý název souboru: " + std::string(260, 'a') + ", (soubor: P)");
    EXPECT_EQ(refusal("[Meteorologie]\nSoubor=\n"), "+++ neúplné zadání souboru s větrnými růžicemi, (soubor: P)");
    EXPECT_EQ(refusal("[Vysledky]\nFormat=xls\n"), "+++ neznámý format výstupu: XLS, (soubor: P)");
    EXPECT_EQ(refusal("[Vysledky]\nPodily limit=\n"), "+++ neúplné zadání limitu pro podíly, (soubor: P)");
    EXPECT_EQ(refusal("[Vysledky]\nAdresar=\n"), "+++ neúplné zadání výstupního adresáře, (soubor: P)");
    EXPECT_EQ(refusal("[Vysledky]\nSektory prum=\n"),
              "+++ neúplné zadání výstupního souboru se sektory (prům. hodnoty), (soubor: P)");
    EXPECT_EQ(refusal("[Vysledky]\n" + std::string(1001, '#') + "\n"), "+++ příliš dlouhý řádek, (soubor: P)");

    // A file that does not exist fails with the reason.
    error = "old";
    EXPECT_FALSE(read_project_form(dir.file("missing.atm"), f, error));
    EXPECT_EQ(cp1250_to_utf8(error),
              "+++ soubor neexistuje nebo to není obyčejný soubor, (soubor: " + dir.utf8("missing.atm") + ")");
#ifndef _WIN32
    // A file that exists but cannot be opened names the system's reason
    // (here no file descriptor is left for this process).
    test::write_file(dir.file("full.atm"), "[Vypocet]\n");
    const int lowest_free = ::dup(0);
    ASSERT_GE(lowest_free, 0);
    ::close(lowest_free);
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit none = before;
    none.rlim_cur = static_cast<rlim_t>(lowest_free);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    const bool opened = read_project_form(dir.file("full.atm"), f, error);
    ::setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_FALSE(opened);
    EXPECT_EQ(cp1250_to_utf8(error),
              "+++ soubor nelze otevřít (příliš mnoho otevřených souborů), (soubor: " + dir.utf8("full.atm") + ")");
#endif
}

// A file without a single section is no project (a receptor table opened
// by mistake, an empty or comment-only file): it is refused, so that the
// window never takes it for an empty project and saves over it.
TEST_F(ProjectFormFileTest, AFileWithoutASectionIsNoProject) {
    const char* const kNoProject = "+++ soubor neobsahuje žádnou skupinu projektu, (soubor: P)";
    EXPECT_EQ(refusal(""), kNoProject);
    EXPECT_EQ(refusal("# jen komentář\n\n   \n"), kNoProject);
    EXPECT_EQ(refusal("R0001\t1000\t1500\t298.5\t1.5\t1\nR0002\t1100\t1400\t298.5\t1.5\t1\n"), kNoProject);
    ProjectForm f;
    std::string error;
    // One section, even empty, makes a project.
    ASSERT_TRUE(read("# komentář\n[Vysledky]\n", f, error)) << error;
}

// Every number of a project is finite and in its range (a limit of 1e40 is
// finite as a double but not in the single precision the window keeps),
// refused with the message of its item.
TEST_F(ProjectFormFileTest, NumbersOutOfRangeFailWithTheMessageOfTheirItem) {
    const std::string s = "[Znecistujici latky]\n";
    const char* const kLimit1 = "+++ chyba v definici 1. limitní koncentrace: A, (soubor: P)";
    const char* const kLimit2 = "+++ chyba v definici 2. limitní koncentrace: A, (soubor: P)";
    // 1e-7 would be written as 0.000000 and not read back.
    for (const char* bad : {"1e40", "inf", "nan", "-1e39", "0", "-5", "1e400", "1e-7"})
        EXPECT_EQ(refusal(s + "A=CO," + bad + ",2,x\n"), kLimit1) << bad;
    for (const char* bad : {"1e40", "-inf", "0", "-1e-7"})
        EXPECT_EQ(refusal(s + "A=CO,1," + bad + ",x\n"), kLimit2) << bad;
    for (const char* bad : {"1e40", "0", "-2", "4e-7"})
        EXPECT_EQ(refusal(s + "A=ORG,1,2," + bad + ",x\n"),
                  "+++ chyba v definici poločasu odstraňování: A, (soubor: P)")
            << bad;
    for (const char* bad : {"-1", "1e40", "-0.5"})
        EXPECT_EQ(refusal(s + "A=CO,1,2,x\n[Zdroje]\nPozadi=A:" + bad + "\n"),
                  "+++ chyba v definici pozaďové koncentrace: A, (soubor: P)")
            << bad;
    for (const char* bad : {"-1", "100.5", "1e40"})
        EXPECT_EQ(refusal(std::string("[Vysledky]\nPodily limit=") + bad + "\n"),
                  std::string("+++ chyba v definici podílů: ") + bad + ", (soubor: P)");
    EXPECT_EQ(refusal("[Vypocetni sit]\nProjekce=jina\nOtoceni=1e40\n"),
              "+++ chyba v definici otočení: 1e40, (soubor: P)");

    // The edges of each range still read; a negative limit 2 is one limit.
    ProjectForm f;
    std::string error;
    ASSERT_TRUE(read(s + "A=ORG,3e38,-1,0.001,x\nB=CO,0.000001,-0.000001,y\n[Zdroje]\nPozadi=A:0, B:3e38\n"
                         "[Vysledky]\nPodily limit=100\n",
                     f, error))
        << error;
    EXPECT_EQ(f.pollutants[0].limit1, 3e38);
    EXPECT_EQ(f.pollutants[0].limit2, -1);
    EXPECT_EQ(f.background[0], 0);
    EXPECT_EQ(f.background[1], 3e38);
    EXPECT_EQ(f.share_limit, 100);
    // What reads is written so that it reads back.
    ASSERT_TRUE(write_project_form(dir.file("w.atm"), f));
    ProjectForm again;
    ASSERT_TRUE(read_project_form(dir.file("w.atm"), again, error)) << cp1250_to_utf8(error);
    EXPECT_EQ(again.pollutants, f.pollutants);
    ASSERT_TRUE(read("[Vysledky]\nPodily limit=0\n", f, error)) << error;
    EXPECT_EQ(f.share_limit, 0);
}


TEST_F(ProjectFormFileTest, BackgroundPairsFollowThePollutantsReadSoFar) {
    ProjectForm f;
    std::string error;
    const std::string pols = "[Znecistujici latky]\nSO2=SO2,1,2,a\nNOx=NOX,1,2,b\n[Zdroje]\n";
    ASSERT_TRUE(read(pols + "Pozadi= nox : 4 ,SO2:5, extra\n", f, error)) << error;
    EXPECT_EQ(f.background[0], 5);
    EXPECT_EQ(f.background[1], 4);
    EXPECT_EQ(f.addition, FormAddition::Background);
    // Before the pollutant section no pairs are read.
    ASSERT_TRUE(read("[Zdroje]\nPozadi=zzz\n" + pols.substr(0, pols.size() - 9), f, error)) << error;
    EXPECT_EQ(f.background[0], kNotGiven);
    EXPECT_EQ(refusal(pols + "Pozadi=SO2:5\n"), "+++ neúplná definice pozaďových koncentrací, (soubor: P)");
    EXPECT_EQ(refusal(pols + "Pozadi=SO2:5, CO:1\n"),
              "+++ neznámá látka v definici pozaďových koncentrací: CO, (soubor: P)");
    EXPECT_EQ(refusal(pols + "Pozadi=SO2:5, NOx:x\n"), "+++ chyba v definici pozaďové koncentrace: NOx, (soubor: P)");

    // A second reading starts from the empty form: no share limit is left over.
    ASSERT_TRUE(read("[Vysledky]\nPodily limit=3\n", f, error));
    EXPECT_EQ(f.share_limit, 3);
    ASSERT_TRUE(read("[Vysledky]\nTyp=zakladni\n", f, error));
    EXPECT_EQ(f.share_limit, kNotGiven);
}

// The console program reads the desktop writer's file, and reads it as it
// reads the same project written by hand in its own style.
TEST_F(ProjectFormFileTest, ConsoleReaderReadsTheDesktopFileAsAHandWrittenOne) {
    auto console_read = [&](const std::string& path) {
        RunLog log;
        PartialNumbers notes;
        InputContext in(log, notes);
        log.log_given = true;
        log.open(dir.file("run.log"), 2);
        ProjectConfig p;
        EXPECT_EQ(run_stage(log,
                            [&] {
                                p = read_project(path, platform::current_directory(), in);
                                return 0;
                            }),
                  0);
        EXPECT_EQ(log.error_count, 0) << cp1250_to_utf8(test::read_file(dir.file("run.log")));
        log.close();
        return p;
    };
    const std::string desktop_path = dir.file("desktop.atm");
    ASSERT_TRUE(write_project_form(desktop_path, full_form()));
    const std::string hand_path = dir.file("hand.atm");
    test::write_file(hand_path, cp("# the same project, written by hand\n"
                                   "[VYPOCETNI SIT]\nSOUBOR=body1.txt\nSOUBOR=data/body2.dbf\nSOUBOR=body 3.txt\n"
                                   "PROJEKCE= JINA \nOTOCENI=12.5\n"
                                   "[ZNECISTUJICI LATKY]\nSO2=so2,125,350,Oxid siřičitý\nNOx=NO2,200,-1,Oxid dusičitý\n"
                                   "BaP=ORG,0.001,0.5,2.5,Benzo(a)pyren, celkem\n"
                                   "[ZDROJE]\nBODOVE=zdroje.dbf\nLINIOVE=silnice.txt\nPLOSNE=plochy.txt\n"
                                   "POZADI=SO2:10.250000, NOx:0, BaP:0.500000\n"
                                   "[METEOROLOGIE]\nSOUBOR=ruzice.dat\n"
                                   "[VYSLEDKY]\nTYP=ROZSIRENY\nFORMAT=DBF\nPODILY LIMIT=2.5\nADRESAR=vysledky/\n"
                                   "ZAKLADNI=zakl\nPODILY ZDROJU=pzdr\nPODILY SKUPIN=pskup\nSEKTORY MAX=smax\n"
                                   "SEKTORY PRUM=sprum\nROZSIRENY=detail\n"));
    const ProjectConfig d = console_read(desktop_path);
    const ProjectConfig h = console_read(hand_path);

    auto same_table = [](const InputTable& a, const InputTable& b) {
        EXPECT_EQ(a.path, b.path);
        EXPECT_EQ(a.type_code(), b.type_code());
    };
    ASSERT_EQ(d.grid_files.size(), 3u);
    ASSERT_EQ(h.grid_files.size(), 3u);
    for (int i = 0; i < 3; ++i) same_table(d.grid_files[i], h.grid_files[i]);
    EXPECT_EQ(d.grid_files[2].path, "body 3.txt");
    EXPECT_EQ(d.projection, kProjectionJina);
    EXPECT_EQ(d.projection, h.projection);
    EXPECT_EQ(d.rotation, 12.5);
    EXPECT_EQ(d.rotation_given, h.rotation_given);
    ASSERT_EQ(d.pollutants.size(), 3u);
    ASSERT_EQ(h.pollutants.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const Pollutant &a = d.pollutants[i], &b = h.pollutants[i];
        EXPECT_EQ(a.indicative, b.indicative);
        EXPECT_EQ(a.type, b.type);
        EXPECT_EQ(a.limit_count, b.limit_count) << a.indicative;
        EXPECT_EQ(a.limit[0], b.limit[0]);
        if (b.limit_count == 2) {
            EXPECT_EQ(a.limit[1], b.limit[1]);
        }
        EXPECT_EQ(a.half_life, b.half_life);
        EXPECT_EQ(a.name, b.name);
    }
    EXPECT_EQ(d.pollutants[1].limit_count, 1);
    EXPECT_EQ(d.no2_count, 1);
    EXPECT_EQ(d.no2_count, h.no2_count);
    same_table(d.point_sources, h.point_sources);
    same_table(d.line_sources, h.line_sources);
    same_table(d.area_sources, h.area_sources);
    EXPECT_EQ(d.source_kinds, 3);
    EXPECT_TRUE(d.background_given);
    EXPECT_FALSE(d.transfers_given);
    EXPECT_EQ(d.background, h.background);
    same_table(d.wind_roses, h.wind_roses);
    EXPECT_EQ(d.result_type, kResultExtended);
    EXPECT_EQ(d.result_format, kFormatDbf);
    EXPECT_EQ(d.limit_share_threshold, h.limit_share_threshold);
    EXPECT_EQ(d.output_directory, h.output_directory);
    EXPECT_EQ(d.base_basic, h.base_basic);
    EXPECT_EQ(d.base_source_shares, h.base_source_shares);
    EXPECT_EQ(d.base_group_shares, h.base_group_shares);
    EXPECT_EQ(d.base_sector_max, h.base_sector_max);
    EXPECT_EQ(d.base_sector_mean, h.base_sector_mean);
    EXPECT_EQ(d.base_report, h.base_report);
}

// A line is not read past its bound, and a file that is not a regular file
// is not opened: a FIFO would block the window for ever, a link to
// /dev/zero or a gigabyte without a line end would take all its memory.
// The reading runs in a child process with a time and memory bound, so
// that a reader that blocks or reads everything fails instead of hanging.
TEST_F(ProjectFormFileTest, ALineWithoutEndAndFilesThatAreNoRegularFilesAreRefused) {
    const std::string fifo = dir.file("fifo.atm");
    ASSERT_EQ(::mkfifo(dir.native("fifo.atm").c_str(), 0600), 0);
    const std::string zero = dir.file("zero.atm");
    std::filesystem::create_symlink("/dev/zero", dir.native("zero.atm"));
    const std::string huge = dir.file("huge.atm");
    test::write_file(huge, "[Vysledky]\n");
    std::filesystem::resize_file(dir.native("huge.atm"),
                                 std::uintmax_t{1} << 30);  // sparse: a gigabyte of NUL bytes, no line end
    const auto read_all = [&] {
        int read = 0;
        for (const std::string& path : {fifo, zero, huge}) {
            ProjectForm f;
            std::string error;
            if (read_project_form(path, f, error)) ++read;
        }
        return read;
    };
    const int status = test::run_with_memory_limit(std::size_t{256} << 20, [&] {
        ::alarm(30);
        return read_all();
    });
    if (status != test::kNoMemoryLimit) {
        ASSERT_EQ(status, 0) << "a reader blocked, ran out of memory or read a file";
    }

    ProjectForm f;
    std::string error;
    EXPECT_FALSE(read_project_form(fifo, f, error));
    EXPECT_EQ(cp1250_to_utf8(error),
              "+++ soubor neexistuje nebo to není obyčejný soubor, (soubor: " + cp1250_to_utf8(fifo) + ")");
    EXPECT_FALSE(read_project_form(zero, f, error));
    EXPECT_EQ(cp1250_to_utf8(error),
              "+++ soubor neexistuje nebo to není obyčejný soubor, (soubor: " + cp1250_to_utf8(zero) + ")");
    EXPECT_FALSE(read_project_form(huge, f, error));
    EXPECT_EQ(cp1250_to_utf8(error), "+++ příliš dlouhý řádek, (soubor: " + cp1250_to_utf8(huge) + ")");

    // A line of exactly the bound still reads, with either line end after it.
    for (const char* eol : {"\n", "\r\n", "\r"}) {
        ASSERT_TRUE(read("#" + std::string(999, 'x') + eol + "[Vysledky]" + eol + "Typ=zakladni" + eol, f, error))
            << error;
        EXPECT_EQ(f.output_type, kOutputBasic);
    }
}
