// The catalogue window ("Znečišťující látky") as a model without any window:
// the window forwards each user action to one operation of CatalogueEditor
// and then shows the returned reply (a message box, where the focus goes, the
// result it closes with) and the editor's view (list, fields, what is
// enabled). A test drives the whole window's behaviour through the same
// operations.
//
// States of the window:
//
//   open() --> [unmodified] --key, type, add, delete--> [modified]
//      |            |                                      |
//      |       "Uložit": close OK, unchanged         "Uložit": check entries
//      |       "Storno": close Cancel                   - a missing value: message, stay
//      |                                                - else write if changed, close OK
//      |                                             "Storno": read the file again,
//      |                                                close Cancel
//
// Invariants:
//   1. view().names holds the catalogue's names in catalogue_order_less order;
//      row r shows the entry entries()[entry_of_row(r)].
//   2. view().selected is -1 or a valid row; the fields show that entry as
//      last stored, or what the user typed since.
//   3. No two names of the catalogue are equal without regard to case once
//      they were added through add() (a file may still hold such a pair).
//   4. The reply of save() says whether the catalogue really changed since
//      open(): only then must the main window empty the project's chosen
//      pollutants (and mark the project modified).
#pragma once

#include <string>
#include <vector>

#include "desktop/logic/pollutant_catalogue.h"

namespace zemo {

// The controls of the window that can hold the focus.
enum class CatalogueControl {
    None,        // the focus moves as the user moved it
    List,        // fP_PolList_Lst
    Indicative,  // fP_PolUsr_Edt
    Type,        // fP_PolID_Cbx
    Limit1,      // fP_PolLimit1_Edt
    Limit2,      // fP_PolLimit2_Edt
    HalfLife,    // fP_PolRem_Edt
    Add,         // fP_Add_Btn
    Delete,      // fP_Del_Btn
    Save,        // fP_Save_Btn
    Cancel,      // fP_Cancel_Btn
    NewName,     // Edit_PolNew of the "Nová látka" dialog
};

enum class WindowResult { Open, Ok, Cancel };

// What the window shows.
struct CatalogueView {
    std::vector<std::string> names;  // the sorted list "Seznam látek:"
    int selected = -1;               // row of names, -1 = none
    std::string indicative;
    std::string type_text;  // text of the chosen type list item, "" = none
    std::string limit1, limit2, half_life;
    bool half_life_enabled = false;  // the field and its label "Odstraňování:"
    bool save_enabled = false;       // "Uložit"
};

// What the window must do after an operation.
struct CatalogueReply {
    std::string message;  // a message box (caption "Zemo", exclamation, "OK"); "" = none
    CatalogueControl focus = CatalogueControl::None;
    bool select_text = false;                  // select the text of the focused field
    WindowResult result = WindowResult::Open;  // Ok or Cancel: the window closes
    bool catalogue_changed = false;            // with Ok: the entries differ from those at open()
    bool catalogue_saved = false;              // with Ok: the changed entries were written to the file
};

class CatalogueEditor {
public:
    // catalogue is the main window's catalogue, edited in place; path is the
    // catalogue file; decimal_separator is the system's decimal separator.
    CatalogueEditor(PollutantCatalogue& catalogue, std::string path, char decimal_separator);

    // Showing the window: not modified, nothing selected, fields empty, the
    // half-life disabled, focus on the list. Remembers the entries, so that
    // save() can tell a real change.
    CatalogueReply open();

    // Selecting row of the list shows that entry (a row out of range clears
    // the selection and the fields).
    CatalogueReply select(int row);

    // "OK" of the "Nová látka" dialog is enabled only while its field is not
    // empty; pressing it with a name that is empty (blanks only count as
    // empty) or holds a ";" or a control character gives a message and the
    // focus back.
    static bool new_name_ok_enabled(const std::string& text) { return !text.empty(); }
    static CatalogueReply new_name_ok(const std::string& text);
    // Whether the add button may open the "Nová látka" dialog: with 60 names
    // already the reply carries "Nelze přidat další látku!".
    CatalogueReply can_add() const;
    // Adds a substance called name (the dialog's accepted text; its field
    // holds at most 30 characters, so a longer text is cut to 30): refused
    // when the list is full, the name is empty, or a name equal to it without
    // regard to case exists.
    CatalogueReply add(const std::string& name);
    // Removes the selected entry; nothing happens with none selected.
    CatalogueReply remove();

    // A key pressed in the indicative, limit or half-life field, or a click
    // or key in the type list: modified, "Uložit" enabled. The window passes
    // the field's new text for the edit fields.
    void edited(CatalogueControl field, const std::string& text);
    // An item of the type list chosen by the user: as edited(), and the
    // half-life field is cleared, and enabled for "ORG" only.
    void choose_type(const std::string& text);
    // The focus leaves field for next: stores the field into the selected
    // entry, or refuses it with a message and takes the focus back.
    CatalogueReply leave_field(CatalogueControl field, CatalogueControl next);

    // "Uložit": an entry without an indicative, a type, a positive limit 1 or
    // limit 2, or (ORG) a positive half-life stops it with "Zadejte potřebné
    // parametry!", showing the entry and focusing the first missing field.
    // "Storno": a modified window reads the file again.
    CatalogueReply save();
    CatalogueReply cancel();

    const CatalogueView& view() const { return view_; }
    bool modified() const { return modified_; }
    // The entry shown in row, -1 when row is no row.
    int entry_of_row(int row) const;
    // The row of the first entry named name without regard to case, -1 if none.
    int row_of_name(const std::string& name) const;

private:
    void refill_list();
    void show_entry(int row);
    void clear_fields();
    void mark_modified();
    CatalogueEntry* selected_entry();
    std::string& field_text(CatalogueControl field);

    PollutantCatalogue& catalogue_;
    std::string path_;
    char decimal_separator_;
    CatalogueView view_;
    std::vector<int> rows_;  // entry index of each row of view_.names
    std::vector<CatalogueEntry> at_open_;
    bool modified_ = false;
};

}  // namespace zemo
