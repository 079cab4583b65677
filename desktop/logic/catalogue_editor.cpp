#include "desktop/logic/catalogue_editor.h"

#include <algorithm>
#include <numeric>

#include "base/text.h"

namespace zemo {

namespace {

CatalogueReply message(const char* text, CatalogueControl focus = CatalogueControl::None, bool select_text = false) {
    CatalogueReply r;
    r.message = text;
    r.focus = focus;
    r.select_text = select_text;
    return r;
}

bool same_entries(const std::vector<CatalogueEntry>& a, const std::vector<CatalogueEntry>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!a[i].same_as(b[i])) return false;
    return true;
}

}  // namespace

CatalogueEditor::CatalogueEditor(PollutantCatalogue& catalogue, std::string path, char decimal_separator)
    : catalogue_(catalogue), path_(std::move(path)), decimal_separator_(decimal_separator) {
    refill_list();
}

CatalogueReply CatalogueEditor::open() {
    modified_ = false;
    at_open_ = catalogue_.entries;
    refill_list();
    view_.selected = -1;
    clear_fields();
    view_.save_enabled = false;
    CatalogueReply r;
    r.focus = CatalogueControl::List;
    return r;
}

void CatalogueEditor::refill_list() {
    rows_.resize(catalogue_.entries.size());
    std::iota(rows_.begin(), rows_.end(), 0);
    std::stable_sort(rows_.begin(), rows_.end(), [this](int a, int b) {
        return catalogue_order_less(catalogue_.entries[a].name, catalogue_.entries[b].name);
    });
    view_.names.clear();
    for (const int i : rows_) view_.names.push_back(catalogue_.entries[i].name);
}

int CatalogueEditor::entry_of_row(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row] : -1;
}

int CatalogueEditor::row_of_name(const std::string& name) const {
    for (std::size_t r = 0; r < view_.names.size(); ++r)
        if (same_name(view_.names[r], name)) return static_cast<int>(r);
    return -1;
}

void CatalogueEditor::clear_fields() {
    view_.indicative.clear();
    view_.type_text.clear();
    view_.limit1.clear();
    view_.limit2.clear();
    view_.half_life.clear();
    view_.half_life_enabled = false;
}

void CatalogueEditor::show_entry(int row) {
    const CatalogueEntry& e = catalogue_.entries[rows_[row]];
    view_.indicative = e.indicative;
    view_.type_text = type_list_text(e.type);
    view_.limit1 = catalogue_number_text(e.limit1);
    view_.limit2 = catalogue_number_text(e.limit2);
    view_.half_life_enabled = e.is_org();
    view_.half_life = e.is_org() ? catalogue_number_text(e.half_life) : "";
}

void CatalogueEditor::mark_modified() {
    modified_ = true;
    view_.save_enabled = true;
}

CatalogueEntry* CatalogueEditor::selected_entry() {
    const int i = entry_of_row(view_.selected);
    return i < 0 ? nullptr : &catalogue_.entries[i];
}

std::string& CatalogueEditor::field_text(CatalogueControl field) {
    switch (field) {
        case CatalogueControl::Indicative: return view_.indicative;
        case CatalogueControl::Type: return view_.type_text;
        case CatalogueControl::Limit1: return view_.limit1;
        case CatalogueControl::Limit2: return view_.limit2;
        default: return view_.half_life;
    }
}

CatalogueReply CatalogueEditor::select(int row) {
    if (entry_of_row(row) < 0) {
        view_.selected = -1;
        clear_fields();
    } else {
        view_.selected = row;
        show_entry(row);
    }
    return {};
}

CatalogueReply CatalogueEditor::new_name_ok(const std::string& text) {
    // Blanks at either end would not survive the project file, which trims
    // the name, so a name of blanks only is an empty one.
    const std::string name = trim_blanks(text);
    if (name.empty()) return message("Prázndý řetězec nelze zadat!"_cz, CatalogueControl::NewName);
    if (!catalogue_name_is_safe(name)) return message("Nepovolený znak v názvu látky!"_cz, CatalogueControl::NewName);
    return {};
}

CatalogueReply CatalogueEditor::can_add() const {
    if (catalogue_.entries.size() >= static_cast<std::size_t>(kMaxCatalogueEntries))
        return message("Nelze přidat další látku!"_cz);
    return {};
}

CatalogueReply CatalogueEditor::add(const std::string& name_text) {
    CatalogueReply full = can_add();
    if (!full.message.empty()) return full;
    CatalogueReply refused = new_name_ok(name_text);
    if (!refused.message.empty()) return refused;
    // The dialog's field holds at most 30 characters.
    const std::string name = trim_blanks(name_text).substr(0, kMaxPollutantName);
    if (row_of_name(name) >= 0) {
        view_.selected = -1;
        clear_fields();
        return message("Název již existuje - položka nebyla přidána!"_cz);
    }
    CatalogueEntry entry;
    entry.name = name;
    catalogue_.entries.push_back(entry);
    refill_list();
    const int added = static_cast<int>(catalogue_.entries.size()) - 1;
    view_.selected = static_cast<int>(std::find(rows_.begin(), rows_.end(), added) - rows_.begin());
    clear_fields();
    view_.type_text = type_list_text(kTypeNotChosen);
    mark_modified();
    CatalogueReply r;
    r.focus = CatalogueControl::Indicative;
    return r;
}

CatalogueReply CatalogueEditor::remove() {
    const int index = entry_of_row(view_.selected);
    if (index < 0) return {};
    catalogue_.entries.erase(catalogue_.entries.begin() + index);
    refill_list();
    if (view_.names.empty()) {
        view_.selected = -1;
        clear_fields();
    } else {
        view_.selected = std::min(view_.selected, static_cast<int>(view_.names.size()) - 1);
        show_entry(view_.selected);
    }
    mark_modified();
    return {};
}

void CatalogueEditor::edited(CatalogueControl field, const std::string& text) {
    switch (field) {
        case CatalogueControl::Indicative:
        case CatalogueControl::Type:
        case CatalogueControl::Limit1:
        case CatalogueControl::Limit2:
        case CatalogueControl::HalfLife:
            field_text(field) = text;
            mark_modified();
            break;
        default: break;
    }
}

void CatalogueEditor::choose_type(const std::string& text) {
    view_.type_text = text;
    mark_modified();
    view_.half_life.clear();
    view_.half_life_enabled = type_index_of_text(text) == kOrgTypeIndex;
}

CatalogueReply CatalogueEditor::leave_field(CatalogueControl field, CatalogueControl next) {
    if (next == CatalogueControl::Cancel) return {};
    CatalogueEntry* entry = selected_entry();
    switch (field) {
        case CatalogueControl::Indicative:
            // With nothing selected there is nothing to store into: the field
            // is emptied, so that it never holds the user in an empty window.
            if (!entry) {
                view_.indicative.clear();
                return {};
            }
            if (trim_blanks(view_.indicative).empty())
                return message("Prázdný řetězec!"_cz, CatalogueControl::Indicative, true);
            view_.indicative = view_.indicative.substr(0, kMaxIndicative);
            // "=" or ";" would split the catalogue line, a blank or a file
            // name character the project's pollutant line.
            if (!catalogue_indicative_is_safe(view_.indicative))
                return message("Nepovolený znak v označení látky!"_cz, CatalogueControl::Indicative, true);
            entry->indicative = view_.indicative;
            return {};
        case CatalogueControl::Type: {
            if (!entry) {
                view_.type_text.clear();
                return {};
            }
            const int type = type_index_of_text(view_.type_text);
            if (type < 0) return message("Vyberte typ látky!"_cz, CatalogueControl::Type);
            entry->type = type;
            view_.type_text = type_list_text(type);
            view_.half_life_enabled = entry->is_org();
            if (!entry->is_org()) view_.half_life.clear();
            return {};
        }
        case CatalogueControl::Limit1:
        case CatalogueControl::Limit2:
        case CatalogueControl::HalfLife: {
            std::string& text = field_text(field);
            if (!entry) {
                text.clear();
                return {};
            }
            double& stored = field == CatalogueControl::Limit1   ? entry->limit1
                             : field == CatalogueControl::Limit2 ? entry->limit2
                                                                 : entry->half_life;
            // A field left as it was shown keeps the stored value: the display
            // has five decimals and entry passes through single precision, so
            // storing the shown text would change a value nobody edited.
            if (text == catalogue_number_text(stored)) return {};
            double value = field == CatalogueControl::HalfLife ? 0 : kNotGiven;
            // An empty field is a value not set (the save names it), not a
            // wrong character.
            if (!trim_blanks(text).empty() && !catalogue_number_entry(text, decimal_separator_, value))
                return message("Nepovolený znak v čísle!"_cz, field, true);
            stored = value;
            mark_modified();
            return {};
        }
        default: return {};
    }
}

CatalogueReply CatalogueEditor::save() {
    CatalogueReply r;
    if (!modified_) {
        r.result = WindowResult::Ok;
        return r;
    }
    for (std::size_t i = 0; i < catalogue_.entries.size(); ++i) {
        const CatalogueEntry& e = catalogue_.entries[i];
        CatalogueControl missing = CatalogueControl::None;
        if (trim_blanks(e.indicative).empty()) missing = CatalogueControl::Indicative;
        else if (e.type < 0) missing = CatalogueControl::Type;
        else if (!(e.limit1 > 0)) missing = CatalogueControl::Limit1;
        else if (!(e.limit2 > 0)) missing = CatalogueControl::Limit2;
        else if (e.is_org() && !(e.half_life > 0))
            missing = CatalogueControl::HalfLife;  // a project refuses an ORG pollutant without one
        if (missing == CatalogueControl::None) continue;
        const int row = static_cast<int>(std::find(rows_.begin(), rows_.end(), static_cast<int>(i)) - rows_.begin());
        select(row);
        const bool number = missing != CatalogueControl::Indicative && missing != CatalogueControl::Type;
        return message("Zadejte potřebné parametry!"_cz, missing, number);
    }
    r.result = WindowResult::Ok;
    r.catalogue_changed = !same_entries(catalogue_.entries, at_open_);
    // Only a real change is written, so that a file is never rewritten (and
    // its comments dropped) by a save that changed nothing.
    if (r.catalogue_changed) {
        r.catalogue_saved = pol_list_write(catalogue_, path_) == 1;
        if (!r.catalogue_saved) r.message = "Soubor nelze uložit!"_cz;
    }
    return r;
}

CatalogueReply CatalogueEditor::cancel() {
    CatalogueReply r;
    r.result = WindowResult::Cancel;
    if (modified_) {
        pol_list_read(catalogue_, path_);
        refill_list();
        view_.selected = -1;
        clear_fields();
        r.catalogue_changed = !same_entries(catalogue_.entries, at_open_);
    }
    return r;
}

}  // namespace zemo
