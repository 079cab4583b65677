// The catalogue window driven through its model, as a user would drive it.
#include <gtest/gtest.h>

#include "desktop/logic/catalogue_editor.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::test::cp;
using zemo::test::read_file;
using zemo::test::TempDir;
using zemo::test::write_file;
using C = CatalogueControl;

namespace {

// A catalogue file in file order (not alphabetical), read into a window.
struct Window {
    TempDir dir;
    std::string path = dir.file("pol.cfg");
    std::string bytes;
    PollutantCatalogue catalogue;
    CatalogueEditor editor{catalogue, path, ','};

    explicit Window(const std::string& utf8_lines) {
        bytes = cp("# Definice polutantů\n# Označení=ID;název;limit 1;limit 2\n" + utf8_lines);
        write_file(path, bytes);
        pol_list_read(catalogue, path);
        editor.open();
    }
    int row(const char* utf8_name) const { return editor.row_of_name(utf8_to_cp1250(utf8_name)); }
    // Types text into a field and moves the focus on, as the window does.
    CatalogueReply type_into(C field, const std::string& utf8_text, C next = C::List) {
        editor.edited(field, utf8_to_cp1250(utf8_text));
        return editor.leave_field(field, next);
    }
};

const char* const kThree =
    "SO2=SO2;Oxid siřičitý;350.000000;125.000000\n"
    "BAP=ORG;Benzo(a)pyren;0.001000;0.000600;48.000000\n"
    "TOL=ORG;Toluen;100.000000;50.000000;24.000000\n";

}  // namespace

TEST(CatalogueEditor, DeletingAnOrgEntryKeepsTheNextOnesHalfLife) {
    Window w(kThree);
    EXPECT_EQ(w.editor.view().names, (std::vector<std::string>{"Benzo(a)pyren", "Oxid siřičitý"_cz, "Toluen"}));
    w.editor.select(w.row("BENZO(A)PYREN"));
    EXPECT_EQ(w.editor.view().half_life, "48");
    EXPECT_TRUE(w.editor.view().half_life_enabled);
    EXPECT_EQ(w.editor.remove().message, "");
    ASSERT_EQ(w.catalogue.entries.size(), 2u);
    EXPECT_EQ(w.catalogue.entries[1].name, "Toluen");
    EXPECT_EQ(w.catalogue.entries[1].half_life, 24.0);
    // The same position of the list is selected and shown.
    EXPECT_EQ(w.editor.view().selected, 0);
    EXPECT_EQ(w.editor.view().indicative, "SO2");
    EXPECT_EQ(w.editor.view().limit1, "350");
    EXPECT_FALSE(w.editor.view().half_life_enabled);
    EXPECT_TRUE(w.editor.view().save_enabled);
    // The last name removed: the list selects the new last one; then empty.
    w.editor.select(1);
    w.editor.remove();
    EXPECT_EQ(w.editor.view().selected, 0);
    EXPECT_EQ(w.editor.view().indicative, "SO2");
    w.editor.remove();
    EXPECT_EQ(w.editor.view().selected, -1);
    EXPECT_EQ(w.editor.view().type_text, "");
    EXPECT_EQ(w.editor.remove().message, "");  // nothing selected: nothing happens
    const CatalogueReply saved = w.editor.save();
    EXPECT_EQ(saved.result, WindowResult::Ok);
    EXPECT_TRUE(saved.catalogue_changed);
    EXPECT_EQ(read_file(w.path), cp("# Definice polutantů\n# Označení=ID;název;limit 1;limit 2\n"));
}

TEST(CatalogueEditor, SaveWithoutARealChangeChangesNothing) {
    Window w(kThree);
    // Not modified at all: closes at once.
    CatalogueReply r = w.editor.save();
    EXPECT_EQ(r.result, WindowResult::Ok);
    EXPECT_FALSE(r.catalogue_changed);

    // Modified by keys, but every value typed back as it was, and a limit
    // field with more decimals than the display shows left untouched.
    write_file(w.path, w.bytes + "X=CO;Stopa;0.000123;1.000000\n");
    pol_list_read(w.catalogue, w.path);
    w.editor.open();
    w.editor.select(w.row("Stopa"));
    EXPECT_EQ(w.editor.view().limit1, "0.00012");
    w.editor.edited(C::Limit1, "0.0001");
    EXPECT_EQ(w.type_into(C::Limit1, "0.00012").message, "");  // typed back: as shown
    EXPECT_EQ(w.type_into(C::Indicative, "X").message, "");
    w.editor.choose_type("CO");
    EXPECT_EQ(w.editor.leave_field(C::Type, C::Save).message, "");
    EXPECT_TRUE(w.editor.view().save_enabled);
    std::filesystem::remove(zemo::test::native_path(w.path));  // a write would show up as a new file
    r = w.editor.save();
    EXPECT_EQ(r.result, WindowResult::Ok);
    EXPECT_FALSE(r.catalogue_changed);
    EXPECT_EQ(r.message, "");
    EXPECT_FALSE(std::filesystem::exists(zemo::test::native_path(w.path)));
    EXPECT_EQ(w.catalogue.entries[3].limit1, 0.000123);

    // A real change is reported and written.
    w.editor.open();
    w.editor.select(w.row("Toluen"));
    EXPECT_EQ(w.type_into(C::Limit2, "60,5").message, "");
    r = w.editor.save();
    EXPECT_TRUE(r.catalogue_changed);
    EXPECT_NE(read_file(w.path).find("TOL=ORG;Toluen;100.000000;60.500000;24.000000\r\n"), std::string::npos);
}

TEST(CatalogueEditor, NewNamesAreUniqueWithoutRegardToCase) {
    Window w(kThree + std::string("BZN=BZN;Benzen;5.000000;3.500000\n"));
    w.editor.select(0);
    for (const char* name : {"benzen", "BENZEN", "OXID SIŘIČITÝ", "oxid siřičitý"}) {
        const CatalogueReply r = w.editor.add(utf8_to_cp1250(name));
        EXPECT_EQ(r.message, "Název již existuje - položka nebyla přidána!"_cz) << name;
        EXPECT_EQ(w.editor.view().selected, -1);
        EXPECT_EQ(w.editor.view().indicative, "");
    }
    EXPECT_EQ(w.catalogue.entries.size(), 4u);
    EXPECT_EQ(w.editor.add("Benzeny").message, "");
    EXPECT_EQ(w.catalogue.entries.size(), 5u);
}

TEST(CatalogueEditor, AddingANameAndSavingItRequiresEveryValue) {
    Window w(kThree);
    EXPECT_EQ(CatalogueEditor::new_name_ok("").message, "Prázndý řetězec nelze zadat!"_cz);
    EXPECT_EQ(CatalogueEditor::new_name_ok("  ").focus, C::NewName);
    EXPECT_EQ(CatalogueEditor::new_name_ok("Arsen;2").message, "Nepovolený znak v názvu látky!"_cz);

    CatalogueReply r = w.editor.add("Arsen");
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(r.focus, C::Indicative);
    EXPECT_EQ(w.editor.view().names[w.editor.view().selected], "Arsen");
    EXPECT_EQ(w.editor.view().type_text, " vyberte typ...");
    EXPECT_TRUE(w.editor.view().save_enabled);
    // Refusals on leaving a field; leaving towards "Storno" refuses nothing.
    EXPECT_EQ(w.type_into(C::Indicative, "  ").message, "Prázdný řetězec!"_cz);
    EXPECT_EQ(w.editor.leave_field(C::Indicative, C::Cancel).message, "");
    EXPECT_EQ(w.type_into(C::Indicative, "A=S").message, "Nepovolený znak v označení látky!"_cz);
    EXPECT_EQ(w.type_into(C::Indicative, "A S").focus, C::Indicative);
    EXPECT_EQ(w.type_into(C::Indicative, "AS").message, "");
    EXPECT_EQ(w.editor.leave_field(C::Type, C::Limit1).message, "Vyberte typ látky!"_cz);
    EXPECT_EQ(w.type_into(C::Type, "PM25").focus, C::Type);
    const CatalogueReply bad = w.type_into(C::Limit1, "12.5.1");
    EXPECT_EQ(bad.message, "Nepovolený znak v čísle!"_cz);
    EXPECT_EQ(bad.focus, C::Limit1);
    EXPECT_TRUE(bad.select_text);

    // No type chosen: the save stops on the new entry with the focus on the type.
    w.editor.select(1);
    r = w.editor.save();
    EXPECT_EQ(r.message, "Zadejte potřebné parametry!"_cz);
    EXPECT_EQ(r.focus, C::Type);
    EXPECT_EQ(r.result, WindowResult::Open);
    EXPECT_EQ(w.editor.view().names[w.editor.view().selected], "Arsen");
    EXPECT_EQ(w.editor.view().indicative, "AS");

    w.editor.choose_type("pm10");
    EXPECT_FALSE(w.editor.view().half_life_enabled);
    EXPECT_EQ(w.editor.leave_field(C::Type, C::Save).message, "");
    EXPECT_EQ(w.editor.view().type_text, "PM10");
    r = w.editor.save();
    EXPECT_EQ(r.focus, C::Limit1);
    EXPECT_TRUE(r.select_text);
    EXPECT_EQ(w.type_into(C::Limit1, "0,006").message, "");
    EXPECT_EQ(w.editor.save().focus, C::Limit2);
    EXPECT_EQ(w.type_into(C::Limit2, "0.0036", C::Save).message, "");
    r = w.editor.save();
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(r.result, WindowResult::Ok);
    EXPECT_TRUE(r.catalogue_changed);
    EXPECT_EQ(read_file(w.path), w.bytes + "AS=PM10;Arsen;0.006000;0.003600\r\n");
}

TEST(CatalogueEditor, AFullListRefusesAddingAndOrgNeedsItsHalfLife) {
    std::string sixty;
    for (int i = 0; i < 60; ++i)
        sixty.append("L").append(std::to_string(i)).append("=SO2;Latka ").append(std::to_string(i)).append(";1;2\n");
    Window w(sixty);
    EXPECT_EQ(w.editor.add("Nova").message, "Nelze přidat další látku!"_cz);
    EXPECT_EQ(w.catalogue.entries.size(), 60u);
    w.editor.select(w.row("Latka 7"));
    w.editor.choose_type("ORG");
    EXPECT_TRUE(w.editor.view().half_life_enabled);
    EXPECT_EQ(w.editor.leave_field(C::Type, C::Save).message, "");
    // An ORG entry needs its half-life, or a project could not use it.
    w.editor.select(0);
    const CatalogueReply r = w.editor.save();
    EXPECT_EQ(r.message, "Zadejte potřebné parametry!"_cz);
    EXPECT_EQ(r.focus, C::HalfLife);
    EXPECT_EQ(w.editor.view().names[w.editor.view().selected], "Latka 7");
    EXPECT_EQ(w.type_into(C::HalfLife, "12,5", C::Save).message, "");
    EXPECT_EQ(w.catalogue.entries[7].half_life, 12.5);
    EXPECT_EQ(w.editor.save().result, WindowResult::Ok);
    EXPECT_NE(read_file(w.path).find("L7=ORG;Latka 7;1.000000;2.000000;12.500000\r\n"), std::string::npos);
}

TEST(CatalogueEditor, CancelReadsTheFileAgain) {
    Window w(kThree);
    w.editor.select(w.row("Toluen"));
    w.editor.remove();
    w.editor.add("Nikl");
    const CatalogueReply r = w.editor.cancel();
    EXPECT_EQ(r.result, WindowResult::Cancel);
    EXPECT_FALSE(r.catalogue_changed);
    ASSERT_EQ(w.catalogue.entries.size(), 3u);
    EXPECT_EQ(w.catalogue.entries[2].name, "Toluen");
    EXPECT_EQ(w.editor.view().selected, -1);
    EXPECT_EQ(w.editor.view().type_text, "");
    EXPECT_EQ(read_file(w.path), w.bytes);
}

TEST(CatalogueEditor, RoundTripKeepsEveryOtherEntryByteForByte) {
    // File order is not alphabetical; a 30-character name with diacritics.
    const std::string lines =
        "PM10=PM10;Suspendované částice PM10;50.000000;40.000000\n"
        "NOX=NOX;Oxidy dusíku - kritická úroveň;30.000000;24.000000\n"
        "BAP=org;Benzo(a)pyren;0.001000;0.000600;48.000000\n"
        "BZN=BZN;Benzen;5.000000;3.500000\n";
    ASSERT_EQ(utf8_to_cp1250("Oxidy dusíku - kritická úroveň").size(), 30u);
    Window w(lines);
    ASSERT_EQ(w.catalogue.entries.size(), 4u);
    // Every entry visited, its fields left as shown.
    for (int row = 0; row < 4; ++row) {
        w.editor.select(row);
        for (const C field : {C::Indicative, C::Type, C::Limit1, C::Limit2, C::HalfLife})
            EXPECT_EQ(w.editor.leave_field(field, C::List).message, "");
    }
    // "Benzin" sorts second, after "Benzen" and before "Benzo(a)pyren".
    EXPECT_EQ(w.editor.add("Benzin").message, "");
    EXPECT_EQ(w.editor.view().selected, 1);
    EXPECT_EQ(w.type_into(C::Indicative, "BNZ").message, "");
    w.editor.choose_type("BZN");
    EXPECT_EQ(w.editor.leave_field(C::Type, C::Limit1).message, "");
    EXPECT_EQ(w.type_into(C::Limit1, "5").message, "");
    EXPECT_EQ(w.type_into(C::Limit2, "3,5", C::Save).message, "");
    const CatalogueReply r = w.editor.save();
    EXPECT_EQ(r.message, "");
    EXPECT_TRUE(r.catalogue_changed);
    // Only the type word of the lower-case "org" line is written anew.
    std::string expected = w.bytes + cp("BNZ=BZN;Benzin;5.000000;3.500000\n");
    expected.replace(expected.find("BAP=org"), 7, "BAP=ORG");
    EXPECT_EQ(read_file(w.path), expected);

    PollutantCatalogue again;
    EXPECT_EQ(pol_list_read(again, w.path), 5);
    EXPECT_EQ(again.entries[1].name, utf8_to_cp1250("Oxidy dusíku - kritická úroveň"));
}

TEST(CatalogueEditor, AFileThatCannotBeWrittenKeepsTheEditedCatalogue) {
    Window w(kThree);
    w.editor.select(w.row("Toluen"));
    w.editor.remove();
    std::filesystem::remove(zemo::test::native_path(w.path));
    std::filesystem::create_directory(zemo::test::native_path(w.path));  // a directory cannot be opened for writing
    const CatalogueReply r = w.editor.save();
    EXPECT_EQ(r.message, "Soubor nelze uložit!"_cz);
    EXPECT_EQ(r.result, WindowResult::Ok);
    EXPECT_TRUE(r.catalogue_changed);
    EXPECT_EQ(w.catalogue.entries.size(), 2u);
}
