// The pollutant catalogue file: reader, writer, number display and entry,
// the type list, and the catalogue shipped in install/etc/pol.cfg.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
#include <set>

#include "desktop/logic/pollutant_catalogue.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::TempDir;
using zemo::test::write_file;

namespace {

const std::string kHeader = cp("# Definice polutantů\n# Označení=ID;název;limit 1;limit 2\n");

struct Read {
    int count;
    PollutantCatalogue catalogue;
};

Read read_text(const TempDir& dir, const std::string& bytes) {
    const std::string path = dir.file("pol.cfg");
    write_file(path, bytes);
    Read r;
    r.count = pol_list_read(r.catalogue, path);
    return r;
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about a literal
// added to a temporary string.
std::string entry_line(int i) {
    std::string line = "L";
    return line.append(std::to_string(i)).append("=SO2;Latka ").append(std::to_string(i)).append(";1;2\n");
}

}  // namespace

TEST(CatalogueReader, FieldLengthsCountWindows1250Characters) {
    TempDir dir;
    // 30 characters, 8 of them with diacritics (38 bytes in UTF-8).
    const std::string name30 = "Žluťoučký kůň úpěl ďábelské ód";
    ASSERT_EQ(utf8_to_cp1250(name30).size(), 30u);
    Read ok = read_text(dir, cp("ABCDE=SO2;" + name30 + ";350;125\n"));
    ASSERT_EQ(ok.count, 1);
    EXPECT_EQ(ok.catalogue.entries[0].indicative, "ABCDE");
    EXPECT_EQ(ok.catalogue.entries[0].name, utf8_to_cp1250(name30));
    EXPECT_EQ(ok.catalogue.entries[0].type, 1);
    EXPECT_EQ(ok.catalogue.entries[0].limit1, 350.0);
    EXPECT_EQ(ok.catalogue.entries[0].limit2, 125.0);
    EXPECT_EQ(ok.catalogue.error_text, "");

    const std::string path = dir.file("pol.cfg");
    Read six = read_text(dir, cp("ABCDE=SO2;A;1;2\nABCDEF=SO2;B;1;2\n"));
    EXPECT_EQ(six.count, 0);
    EXPECT_EQ(six.catalogue.entries.size(), 1u);  // the line before stays
    EXPECT_EQ(six.catalogue.error_text,
              utf8_to_cp1250("+++ příliš dlouhé označení látky: ABCDEF, (soubor: ") + path + ")");

    Read long_name = read_text(dir, cp("A=SO2;" + name30 + "x;1;2\n"));
    EXPECT_EQ(long_name.count, 0);
    EXPECT_EQ(long_name.catalogue.error_text,
              utf8_to_cp1250("+++ příliš dlouhý název látky: " + name30 + "x, (soubor: ") + path + ")");
}

TEST(CatalogueReader, LowerCaseOrgIsReadAndWrittenBackUpperCaseWithItsHalfLife) {
    TempDir dir;
    Read r = read_text(dir, cp("bap=org;Benzo(a)pyren;0.001;0.0006;48\r\nx=so2;Síra;350;125\r\n"));
    ASSERT_EQ(r.count, 2);
    EXPECT_EQ(r.catalogue.entries[0].type, kOrgTypeIndex);
    EXPECT_EQ(r.catalogue.entries[0].half_life, 48.0);
    ASSERT_EQ(pol_list_write(r.catalogue, dir.file("out.cfg")), 1);
    EXPECT_EQ(read_file(dir.file("out.cfg")),
              kHeader + cp("bap=ORG;Benzo(a)pyren;0.001000;0.000600;48.000000\nx=SO2;Síra;350.000000;125.000000\n"));

    // An ORG line without its sixth field ends the reading without a message.
    Read missing = read_text(dir, cp("x=SO2;Síra;350;125\nbap=ORG;Benzo(a)pyren;0.001;0.0006\nz=CO;Z;1;2\n"));
    EXPECT_EQ(missing.count, 0);
    EXPECT_EQ(missing.catalogue.entries.size(), 1u);
    EXPECT_EQ(missing.catalogue.error_text, "");
}

TEST(CatalogueReader, SixtyEntriesAtMost) {
    TempDir dir;
    std::string sixty = "# komentář\n";
    for (int i = 1; i <= 60; ++i) sixty += entry_line(i) + (i % 20 == 0 ? "\n  # dal\n" : "");
    EXPECT_EQ(read_text(dir, cp(sixty)).count, 60);

    Read over = read_text(dir, cp(sixty + entry_line(61)));
    EXPECT_EQ(over.count, 0);
    ASSERT_EQ(over.catalogue.entries.size(), 60u);
    EXPECT_EQ(over.catalogue.entries[59].name, "Latka 60");
    EXPECT_EQ(over.catalogue.error_text,
              utf8_to_cp1250("+++ překročen maximální počet látek v souboru, (soubor: ") + dir.file("pol.cfg") + ")");
}

TEST(CatalogueReader, CommentsLineEndsAndFaultyFiles) {
    TempDir dir;
    // Leading blanks, empty lines, and LF, CR LF and lone CR line ends; the
    // fields themselves keep their blanks.
    Read r = read_text(dir, "  # c\r\n\r\n   A=NO2; Dusik ;200;40\rB=Jina;X;1;2\n");
    ASSERT_EQ(r.count, 2);
    EXPECT_EQ(r.catalogue.entries[0].indicative, "A");
    EXPECT_EQ(r.catalogue.entries[0].name, " Dusik ");
    EXPECT_EQ(r.catalogue.entries[1].type, 0);

    Read comments = read_text(dir, "# a\n# b\n\n");
    EXPECT_EQ(comments.count, 0);
    EXPECT_EQ(comments.catalogue.error_text, "");

    Read unknown = read_text(dir, "A=SO2;X;1;2\nB=pm25;Y;1;2\n");
    EXPECT_EQ(unknown.count, 0);
    EXPECT_EQ(unknown.catalogue.error_text,
              utf8_to_cp1250("+++ neznámý typ látky: PM25, (soubor: ") + dir.file("pol.cfg") + ")");

    // Numbers that no project could take end the reading like a missing one.
    for (const char* faulty : {"A=SO2;X;1\n", "=SO2;X;1;2\n", "A=SO2;;1;2\n", "A=SO2;X;;2\n", "A=SO2;X;abc;2\n",
                               "A=SO2;X;inf;2\n", "A=SO2;X;1;1e40\n", "A=SO2;X;nan;2\n", "A=ORG;X;1;2;-inf\n"})
        EXPECT_EQ(read_text(dir, faulty).count, 0) << faulty;

    PollutantCatalogue none;
    const std::string missing = dir.file("none.cfg");
    EXPECT_EQ(pol_list_read(none, missing), 0);
    EXPECT_EQ(none.error_text, utf8_to_cp1250("+++ soubor nelze otevřít: ") + missing + " (" + missing +
                                   utf8_to_cp1250(": soubor nebo adresář neexistuje)"));

    // A line is read no further than its bound, and only a regular file is
    // opened: neither a line without end nor a FIFO holds the window.
    Read endless = read_text(dir, "A=SO2;X;1;2\n" + std::string(kMaxCatalogueLine + 1, 'x') + "\n");
    EXPECT_EQ(endless.count, 0);
    EXPECT_EQ(endless.catalogue.error_text,
              utf8_to_cp1250("+++ příliš dlouhý řádek, (soubor: ") + dir.file("pol.cfg") + ")");
    EXPECT_EQ(read_text(dir, "#" + std::string(kMaxCatalogueLine - 1, 'x') + "\nA=SO2;X;1;2\n").count, 1);
    const std::string fifo = dir.file("fifo.cfg");
    ASSERT_EQ(::mkfifo(zemo::test::native_path(fifo).c_str(), 0600), 0);
    PollutantCatalogue from_fifo;
    EXPECT_EQ(pol_list_read(from_fifo, fifo), 0);
    EXPECT_EQ(from_fifo.error_text, utf8_to_cp1250("+++ soubor nelze otevřít: ") + fifo + " (" + fifo +
                                        utf8_to_cp1250(": nejde o obyčejný soubor)"));
}

TEST(CatalogueWriter, RefusesAnEntryWithoutTypeAndAnUnwritablePath) {
    TempDir dir;
    PollutantCatalogue c;
    c.entries.push_back({"A", 1, "X", 1, 2, 0});
    c.entries.push_back({"B", kTypeNotChosen, "Y", 1, 2, 0});
    EXPECT_EQ(pol_list_write(c, dir.file("a.cfg")), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.native("a.cfg")));
    c.entries.pop_back();
    EXPECT_EQ(pol_list_write(c, dir.file("no/such/dir/a.cfg")), 0);
}

TEST(CatalogueNumbers, DisplayTrimsZerosAndEntryAcceptsEitherDecimalCharacter) {
    EXPECT_EQ(catalogue_number_text(350.0), "350");
    EXPECT_EQ(catalogue_number_text(0.5), "0.5");
    EXPECT_EQ(catalogue_number_text(0.0006), "0.0006");
    EXPECT_EQ(catalogue_number_text(0.000001), "0");  // "%.5f" keeps five decimals
    EXPECT_EQ(catalogue_number_text(1200.25), "1200.25");
    EXPECT_EQ(catalogue_number_text(0), "");
    EXPECT_EQ(catalogue_number_text(-9999), "");

    for (const char separator : {'.', ','}) {
        double v = 0;
        EXPECT_TRUE(catalogue_number_entry("12,5", separator, v));
        EXPECT_EQ(v, 12.5);
        v = 0;
        EXPECT_TRUE(catalogue_number_entry(" 12.5 ", separator, v));
        EXPECT_EQ(v, 12.5);
        EXPECT_TRUE(catalogue_number_entry("1e3", separator, v));
        EXPECT_EQ(v, 1000.0);
        // Single precision: 0.1 is stored as the float nearest to it.
        EXPECT_TRUE(catalogue_number_entry("0.1", separator, v));
        EXPECT_EQ(v, static_cast<double>(0.1f));
        EXPECT_NE(v, 0.1);
        for (const char* bad : {"12.5.1", "12,5,1", "12,5.1", "abc", "", ".", "12a", "1e", "1e40", "nan"}) {
            v = -1;
            EXPECT_FALSE(catalogue_number_entry(bad, separator, v)) << bad << " with " << separator;
            EXPECT_EQ(v, -1);
        }
    }
}

TEST(CatalogueNumbers, FileAndNumbersDoNotDependOnTheProcessLocale) {
    if (!std::setlocale(LC_ALL, "cs_CZ.UTF-8") && !std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "no decimal-comma locale installed";
    TempDir dir;
    PollutantCatalogue c;
    write_file(dir.file("p.cfg"), "A=CO;X;10000.5;7000\n");
    const int count = pol_list_read(c, dir.file("p.cfg"));
    const int written = pol_list_write(c, dir.file("q.cfg"));
    double v = 0;
    const bool entered = catalogue_number_entry("2,25", '.', v);
    const std::string shown = catalogue_number_text(0.5);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(written, 1);
    EXPECT_EQ(read_file(dir.file("q.cfg")), kHeader + "A=CO;X;10000.500000;7000.000000\r\n");
    EXPECT_TRUE(entered);
    EXPECT_EQ(v, 2.25);
    EXPECT_EQ(shown, "0.5");
}

TEST(CatalogueTypeList, SortedOrderLookUpByTextAndNameFolding) {
    std::vector<std::string> sorted;
    for (const TypeListItem& item : catalogue_type_list_sorted()) sorted.push_back(item.text);
    EXPECT_EQ(sorted, (std::vector<std::string>{" vyberte typ...", "BZN", "CO", "NO2", "NOX", "ORG", "ostatní plyny"_cz,
                                                "PM10", "SO2", "TSP"}));
    EXPECT_EQ(type_index_of_text("OSTATNÍ PLYNY"_cz), 0);
    EXPECT_EQ(type_index_of_text(" VYBERTE TYP..."), kTypeNotChosen);
    EXPECT_EQ(type_index_of_text("PM25"), kTypeUnknown);
    // Czech letters fold to upper case; Č sorts after C, Á with A.
    EXPECT_TRUE(same_name("Oxid siřičitý"_cz, "OXID SIŘIČITÝ"_cz));
    EXPECT_TRUE(catalogue_order_less("Cin", "Čpavek"_cz) && catalogue_order_less("Čpavek"_cz, "Dusik"));
    EXPECT_TRUE(catalogue_order_less("Ásb"_cz, "Ath") && catalogue_order_less("arsen", "Benzen"));
}

TEST(ShippedCatalogue, ReadsCleanlyWithTheExampleNamesAndEveryType) {
    const std::string path = zemo::test::source_file("install/etc/pol.cfg");
    const std::string bytes = read_file(path);
    PollutantCatalogue c;
    const int count = pol_list_read(c, path);
    EXPECT_GT(count, 0);
    EXPECT_EQ(c.error_text, "");
    // The staged installation carries it, and the main window reads it quietly.
    PollutantCatalogue staged;
    EXPECT_EQ(load_catalogue(staged, zemo::test::staged_file() + "/"), "");
    EXPECT_EQ(staged.entries.size(), c.entries.size());
    TempDir empty;
    EXPECT_EQ(load_catalogue(staged, empty.str() + "/"), "Chybný nebo neúplný soubor se seznamem látek"_cz);
    std::set<int> types;
    std::set<std::string> names;
    for (const CatalogueEntry& e : c.entries) {
        types.insert(e.type);
        EXPECT_TRUE(names.insert(to_upper(e.name)).second) << e.name;
        EXPECT_GT(e.limit1, 0) << e.name;
        EXPECT_GT(e.limit2, 0) << e.name;
        if (e.is_org()) {
            EXPECT_GT(e.half_life, 0) << e.name;
        }
    }
    EXPECT_EQ(types.size(), 9u);
    // Every pollutant name of the example project, exactly as it stands there.
    std::set<std::string> exact;
    for (const CatalogueEntry& e : c.entries) exact.insert(e.name);
    std::istringstream town(read_file(zemo::test::source_native("examples/town/town.atm")));
    std::string line;
    bool in_pollutants = false;
    int examples = 0;
    while (std::getline(town, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with("[")) in_pollutants = line == "[ZNECISTUJICI LATKY]";
        if (!in_pollutants || line.find('=') == std::string::npos) continue;
        std::size_t p = line.find('=');
        for (int k = 0; k < 3 && p != std::string::npos; ++k) p = line.find(',', p + 1);
        ASSERT_NE(p, std::string::npos) << line;
        const std::string name = trim_blanks(line.substr(p + 1));
        EXPECT_EQ(exact.count(name), 1u) << cp1250_to_utf8(name);
        ++examples;
    }
    EXPECT_EQ(examples, 4);
    EXPECT_EQ(exact.count("Suspendované částice PM10"_cz), 1u);
    // Every line ends in CR LF, and the file is exactly what the writer makes
    // of it, so that a save changes nothing it did not have to.
    for (std::size_t p = bytes.find('\n'); p != std::string::npos; p = bytes.find('\n', p + 1))
        ASSERT_TRUE(p > 0 && bytes[p - 1] == '\r') << "at byte " << p;
    TempDir dir;
    ASSERT_EQ(pol_list_write(c, dir.file("pol.cfg")), 1);
    EXPECT_EQ(read_file(dir.file("pol.cfg")), bytes);
}
