// The log window's marking of error and fatal lines, checked against logs
// written by the run log itself and against lines that only look alike.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/run_log.h"
#include "base/text.h"
#include "desktop/logic/log_view.h"
#include "tests/test_support.h"

using namespace zemo;
using zemo::desktop::log_line_kind;
using zemo::desktop::LogLineKind;
using zemo::test::read_file;

namespace {

// The kinds of every line of a log text, as the log window walks it.
std::vector<LogLineKind> kinds_of(const std::string& text) {
    std::vector<LogLineKind> kinds;
    LogLineKind previous = LogLineKind::Plain;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        previous = log_line_kind(std::string_view(text).substr(start, end - start), previous);
        kinds.push_back(previous);
        start = end + 1;
    }
    return kinds;
}

struct LogViewTest : ::testing::Test {
    test::TempDir dir;
    RunLog log;
};

constexpr LogLineKind P = LogLineKind::Plain;
constexpr LogLineKind E = LogLineKind::Error;
constexpr LogLineKind F = LogLineKind::Fatal;

}  // namespace

TEST_F(LogViewTest, LinesOfARealLogAreMarkedByTheirMessage) {
    const std::string path = dir.file("run.log");
    log.open(path, 2);
    log.write("INICIALIZACE PROGRAMU\n");
    log.message(kInformation, "Čas startu programu: 9.12.2026"_cz);
    log.message(kHeading, "REFERENČNÍ BODY"_cz);
    log.message_with_file(kErrorData, "nečíselný údaj na řádce 3: [x]"_cz, "body.txt");
    log.message(kErrorPlain, "Výpočet přerušen uživatelem!"_cz);  // kind 5 has no kind text: one line
    log.message(kDetail, "Soubor je typu TSV (desetinná tečka)"_cz);
    log.write("\nVÝPOČET UKONČEN...\n"_cz);
    EXPECT_THROW(log.message(kFatalData, "neznámý typ výstupu: X (inicializační soubor)"_cz), FatalStop);
    log.close();

    const std::string text = read_file(path);
    ASSERT_NE(text.find("\r\n"), std::string::npos);  // the lines end in CR LF
    const std::vector<LogLineKind> expected = {
        P,     // INICIALIZACE PROGRAMU
        P,     // --- Čas startu ...
        P,     // === REFERENČNÍ BODY
        E, E,  // +++ chybná vstupní data / - nečíselný údaj ...
        E, E,  // +++ chybná vstupní data / -     (soubor: body.txt)
        E,     // "+++        - Výpočet přerušen uživatelem!"
        P,     // --- Soubor je typu TSV
        P,     // (empty line)
        P,     // VÝPOČET UKONČEN...
        F, F,  // *** chybná vstupní data / - neznámý typ výstupu ...
        P,     // (empty line)
        P,     // počet chybových zpráv: 3
    };
    EXPECT_EQ(kinds_of(text), expected) << text;
}

TEST(LogLineKind, OnlyTheBandPrefixAtTheStartMarksALine) {
    EXPECT_EQ(log_line_kind("+++ soubor nelze otevřít"_cz), E);
    EXPECT_EQ(log_line_kind("*** soubor nelze otevřít"_cz), F);
    EXPECT_EQ(log_line_kind("+++ Soubor nelze vytvorit - [ /x/run.log ]\r"), E);
    EXPECT_EQ(log_line_kind("*** Nezadaný výstupní adresář\r"_cz), F);
    EXPECT_EQ(log_line_kind("+++"), E);  // trailing blank dropped by an editor
    EXPECT_EQ(log_line_kind("***\r"), F);

    EXPECT_EQ(log_line_kind("--- Počet referenčních bodů: 3"_cz), P);
    EXPECT_EQ(log_line_kind("=== *** ozvěna s hvězdičkami"_cz), P);
    EXPECT_EQ(log_line_kind(" +++ odsazeno"), P);
    EXPECT_EQ(log_line_kind("++ x"), P);
    EXPECT_EQ(log_line_kind("++++ x"), P);
    EXPECT_EQ(log_line_kind("***x"), P);
    EXPECT_EQ(log_line_kind("VÝPOČET UKONČEN... O.K."_cz), P);
    EXPECT_EQ(log_line_kind("počet chybových zpráv: 1"_cz), P);
    EXPECT_EQ(log_line_kind(""), P);
}

TEST(LogLineKind, ADetailLineTakesTheKindOfItsMessage) {
    EXPECT_EQ(log_line_kind("       - body.txt", E), E);
    EXPECT_EQ(log_line_kind("       - body.txt\r", F), F);
    EXPECT_EQ(log_line_kind("       - body.txt", P), P);
    // On its own a detail line is plain; six blanks are no detail line.
    EXPECT_EQ(log_line_kind("       - body.txt"), P);
    EXPECT_EQ(log_line_kind("      - body.txt", E), P);
    // A new message after a detail line is classified by its own prefix.
    EXPECT_EQ(log_line_kind("--- dále", E), P);
    EXPECT_EQ(log_line_kind("*** konec", E), F);
}
