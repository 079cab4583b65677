// The pollutant catalogue of the desktop program: the substances a project
// may compute, each with its indicative, type, name, two limit concentrations
// and, for organic substances ("ORG"), a removal half-life. It lives in the
// installation's "etc/pol.cfg" (docs/catalogue.md describes the file), is
// read once when the main window is created, edited in the catalogue window
// (catalogue_editor.h) and written back by that window's "Uložit".
//
// File format, one entry per line, Windows-1250, CR LF (LF and a lone CR are
// read as well):
//
//   # comment                          (after leading blanks; empty lines too)
//   IND=WORD;name;limit 1;limit 2      (every type but ORG)
//   IND=ORG;name;limit 1;limit 2;half-life
//
// Invariants:
//   1. At most kMaxCatalogueEntries entries, in file order; new entries are
//      appended at the end.
//   2. An entry read from a file has an indicative of 1..5 characters, a type
//      index 0..8 and a name of 1..30 characters. Only an entry just added in
//      the editor has type kTypeNotChosen and limits kNotGiven.
//   3. Numbers in the file use a decimal point whatever the process locale.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "input/project_file.h"

namespace zemo {

inline constexpr int kMaxCatalogueEntries = 60;
// An entry line is short (an indicative, a type, a name of 30 characters and
// three numbers); a longer line than this is refused.
inline constexpr std::size_t kMaxCatalogueLine = 1000;
// Type index of an entry whose type is not chosen yet (editor only).
inline constexpr int kTypeNotChosen = -1;
inline constexpr int kTypeListSize = 10;
// Index of "ORG" in kPollutantTypes: the only type with a removal half-life.
inline constexpr int kOrgTypeIndex = 7;

struct CatalogueEntry {
    std::string indicative;     // at most kMaxIndicative characters
    int type = kTypeNotChosen;  // index into kPollutantTypes, or kTypeNotChosen
    std::string name;           // at most kMaxPollutantName characters
    double limit1 = kNotGiven;  // any value <= 0 counts as not set
    double limit2 = kNotGiven;
    double half_life = 0;  // hours; read, written and compared only for ORG

    bool is_org() const;
    // The same substance as other: every field, the half-life only for ORG.
    bool same_as(const CatalogueEntry& other) const;
};

// One item of the type list: the text shown and the numeric type id
// (-1 for " vyberte typ...").
struct TypeListItem {
    const char* text;
    int id;
};

struct PollutantCatalogue {
    std::vector<CatalogueEntry> entries;
    std::string error_text;  // the reader's "+++ ..." message, empty when none
};

// Reads the catalogue at path into catalogue (pol_list_read). Returns the
// number of entries read; 0 means failure, also for a file without entries.
// On a faulty line the entries before it stay and the reading ends; the
// five faults with a message set error_text, a line with a missing field
// ends the reading without one.
int pol_list_read(PollutantCatalogue& catalogue, const std::string& path);

// Writes every entry in table order (pol_list_write): the two comment lines,
// then "%s=%s;%s;%f;%f" per entry (plus ";%f" for ORG), CR LF line ends.
// Returns 1 on success, 0 when the file cannot be created or completed, or
// when an entry has no type (nothing is written then).
int pol_list_write(const PollutantCatalogue& catalogue, const std::string& path);

// The catalogue file of an installation: installation_directory (ending in
// the directory separator, as the installation look-up gives it) + "etc/pol.cfg".
std::string catalogue_path(const std::string& installation_directory);

// The main window's start: reads the installation's catalogue and returns the
// message it must show ("Chybný nebo neúplný soubor se seznamem látek" when
// the reading failed, "" when not). The entries read before a fault stay.
std::string load_catalogue(PollutantCatalogue& catalogue, const std::string& installation_directory);

// The ten items of the type list in table order: " vyberte typ..." first,
// then the nine types ("ostatní plyny" for "JINA"). A fixed table, available
// whether or not a catalogue file was read.
const TypeListItem* catalogue_type_list();
// The same ten items in the order of the window's sorted list.
std::vector<TypeListItem> catalogue_type_list_sorted();
// Text of the type list item shown for a type index (kTypeNotChosen too).
const char* type_list_text(int type_index);
// Type index of a type list text as the window takes it (upper-cased, so
// "org" and "ostatní plyny" in any case are found): 0..8, kTypeNotChosen for
// " vyberte typ...", or -2 when the text names no type.
inline constexpr int kTypeUnknown = -2;
int type_index_of_text(std::string_view text);

// Number display: "%.5f" without leading blanks, trailing zeros and a
// trailing point cut (350 for 350.0, 0.5 for 0.5); "" for a value <= 0.
std::string catalogue_number_text(double value);

// Number entry: the first "." becomes the system decimal separator when that
// is ",", the first "," becomes "." when it is "."; the whole text (blanks at
// either end allowed) must then be one decimal number with that separator.
// The value passes through single precision. False when it does not convert.
bool catalogue_number_entry(std::string_view text, char decimal_separator, double& value);

// Characters an entry may hold so that the catalogue line and the project's
// pollutant line read back as written: an indicative has no blank, no control
// character, none of \ / : * ? " < > | (it becomes part of file names) and
// neither "=" nor ";"; a name has no control character and no ";".
bool catalogue_indicative_is_safe(std::string_view indicative);
bool catalogue_name_is_safe(std::string_view name);

// Names compared as the catalogue compares them: without regard to case
// (Windows-1250 upper case, Czech letters included).
bool same_name(std::string_view a, std::string_view b);
// Order of the window's sorted lists: letters without regard to case, an
// accented letter next to its base letter (Č, Ř, Š, Ž after C, R, S, Z as in
// Czech), ties by accent and then by byte.
bool catalogue_order_less(std::string_view a, std::string_view b);

}  // namespace zemo
