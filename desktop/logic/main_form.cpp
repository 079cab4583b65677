#include "desktop/logic/main_form.h"

#include <algorithm>
#include <charconv>
#include <type_traits>
#include <utility>

#include "base/platform.h"
#include "base/text.h"
#include "desktop/logic/form_number.h"
#include "desktop/logic/project_form_file.h"
#include "desktop/logic/project_places.h"
#include "input/project_file.h"

namespace zemo::desktop {

const char* const kProjectFilter = "zemo init (*.atm)|*.atm|všechny soubory|*"_cz;

namespace {

const char* const kNotNumber = "Nepovolený znak v čísle!"_cz;
const char* const kDataFilter =
    "textové soubory (*.txt)|*.txt|soubory dBase (*.dbf)|*.dbf|všechny soubory (*.*)|*.*"_cz;
const char* const kWindFilter = "textové soubory (*.txt)|*.txt|formát ZEMO (*.dat)|*.dat|všechny soubory (*.*)|*.*"_cz;

bool is_pollutant_field(MainControl c) {
    return c == MainControl::PolUsr || c == MainControl::PolLimit1 || c == MainControl::PolLimit2 ||
           c == MainControl::PolRem;
}

int background_index(MainControl c) {
    const int k = static_cast<int>(c) - static_cast<int>(MainControl::Back1);
    return k >= 0 && k < kMaxPollutants ? k : -1;
}

int out_name_index(MainControl c) {
    const int k = static_cast<int>(c) - static_cast<int>(MainControl::OutFnBasic);
    return k >= 0 && k < 6 ? k : -1;
}

// "Soubor [" + name + "]" + rest.
std::string file_message(const std::string& name, const char* rest) {
    std::string text = "Soubor [";
    text += name;
    text += ']';
    text += rest;
    return text;
}

// The reader's reason as a detail line after a message.
std::string with_detail(std::string message, const std::string& error_text) {
    if (!error_text.empty()) message.append("\n").append(error_text);
    return message;
}

// The directory part of path, with its final separator ("" without one).
std::string directory_of(const std::string& path) { return path.substr(0, file_name_start(path)); }

// A number passed through single precision, as the pollutant fields store it.
double single(double v) { return static_cast<double>(static_cast<float>(v)); }

// The pollutant panel's number: "" for a value not greater than 0.
std::string panel_number(double v, char sep) { return v > 0 ? single_field_text(v, sep) : std::string(); }

// The full path of a project name (relative names lie in the current
// directory), for the recent-project list.
std::string full_project_path(const std::string& name) { return path_resolved_in(name, platform::current_directory()); }

MainReply refuse(const char* message, MainControl focus) {
    MainReply r;
    r.message = message;
    r.focus = focus;
    r.select_text = true;
    r.ok = false;
    return r;
}

}  // namespace

std::string start_line(const std::string& version) {
    std::string text = "Model ZEMO, verze ";
    text += version;
    return text;
}

std::string log_state_text(bool any_run, bool running) {
    if (running) return "Probíhá výpočet!"_cz;
    if (!any_run) return "Dosud nebyl proveden žádný výpočet!"_cz;
    return {};
}

std::string project_name_with_extension(const std::string& name) {
    // A "." in a directory ("/home/jan.novak/town", "../town") is no extension.
    if (name.find('.', file_name_start(name)) != std::string::npos) return name;
    std::string with = name;
    with += ".atm";
    return with;
}

std::string field_number_text(double value, char decimal_separator) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string text(buf, res.ptr);
    const std::size_t p = text.find('.');
    if (p != std::string::npos) text[p] = decimal_separator;
    return text;
}

std::string single_field_text(double value, char decimal_separator) {
    const float stored = static_cast<float>(value);
    double shortest = stored;
    // 9 significant digits always give a float back; fewer often do.
    for (int digits = 1; digits <= 9; ++digits) {
        char buf[64];
        const auto res =
            std::to_chars(buf, buf + sizeof buf, static_cast<double>(stored), std::chars_format::general, digits);
        double back = 0;
        std::from_chars(buf, res.ptr, back);
        if (static_cast<float>(back) == stored) {
            shortest = back;
            break;
        }
    }
    return field_number_text(shortest, decimal_separator);
}

const std::array<std::string, 6>& default_out_names() {
    static const std::array<std::string, 6> names = [] {
        const ProjectConfig defaults;
        std::array<std::string, 6> n;
        n[kOutBasic] = defaults.base_basic;
        n[kOutSourceShares] = defaults.base_source_shares;
        n[kOutGroupShares] = defaults.base_group_shares;
        n[kOutSectorMax] = defaults.base_sector_max;
        n[kOutSectorMean] = defaults.base_sector_mean;
        n[kOutExtended] = defaults.base_report;
        return n;
    }();
    return names;
}

bool field_number(const std::string& text, char decimal_separator, double& value) {
    std::string t = text;
    if (decimal_separator == ',') {
        const std::size_t dot = t.find('.');
        if (dot != std::string::npos) t[dot] = ',';
        // Now the separator is ","; a "." left over does not belong to a number.
        if (t.find('.') != std::string::npos) return false;
        const std::size_t comma = t.find(',');
        if (comma != std::string::npos) t[comma] = '.';
    } else {
        const std::size_t comma = t.find(',');
        if (comma != std::string::npos) t[comma] = '.';
    }
    return convert_form_number(t, value);
}

std::size_t file_name_start(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (platform::is_dir_separator(path[i - 1])) return i;
    }
    return 0;
}

std::string cut_extension(const std::string& path, bool first_dot) {
    const std::size_t start = file_name_start(path);
    const std::size_t dot = first_dot ? path.find('.', start) : path.rfind('.');
    if (dot == std::string::npos || dot < start) return path;
    return path.substr(0, dot);
}

int data_filter_index(const std::string& preset, int remembered, bool wind_rose) {
    if (preset.empty()) return remembered;
    const std::size_t start = file_name_start(preset);
    const std::size_t dot = preset.rfind('.');
    if (dot == std::string::npos || dot < start) return 3;
    const std::string ext = to_upper(std::string_view(preset).substr(dot));
    if (ext == ".TXT") return remembered;
    if (ext == (wind_rose ? ".DAT" : ".DBF")) return 2;
    return 3;
}

std::string directory_chooser_start(const std::string& output_directory, const std::string& last_path,
                                    bool output_directory_exists) {
    if (output_directory_exists && !output_directory.empty()) return output_directory;
    if (last_path.size() >= 2 && last_path[1] == ':') {
        std::string drive = last_path.substr(0, 2);
        drive += '\\';
        return drive;
    }
    return last_path;
}

MainForm::MainForm(PollutantCatalogue& catalogue, Preferences& prefs, std::string default_directory,
                   char decimal_separator)
    : catalogue_(catalogue),
      prefs_(prefs),
      default_directory_(std::move(default_directory)),
      decimal_separator_(decimal_separator),
      project_directory_(default_directory_) {
    refill_catalogue_names();
    recompute();
}

std::string MainForm::caption() const {
    std::string text = "[";
    text += file_name_.empty() ? std::string("Nepojmenovaný"_cz) : file_name_;
    text += "] - Zemo";
    return text;
}

int MainForm::catalogue_entry_of_row(int row) const {
    return row >= 0 && row < static_cast<int>(catalogue_rows_.size()) ? catalogue_rows_[row] : -1;
}

void MainForm::refill_catalogue_names() {
    catalogue_rows_.clear();
    for (int i = 0; i < static_cast<int>(catalogue_.entries.size()); ++i) catalogue_rows_.push_back(i);
    std::stable_sort(catalogue_rows_.begin(), catalogue_rows_.end(), [&](int a, int b) {
        return catalogue_order_less(catalogue_.entries[a].name, catalogue_.entries[b].name);
    });
    catalogue_names_.clear();
    for (int i : catalogue_rows_) catalogue_names_.push_back(catalogue_.entries[i].name);
    state_.catalogue_selected = -1;
}

void MainForm::recompute() {
    const MainFormState& s = state_;
    MainEnabled e;
    e.point_file2 = !s.point_files[0].empty();
    e.point_file3 = e.point_file2 && !s.point_files[1].empty();
    const bool row_enabled[3] = {true, e.point_file2, e.point_file3};
    for (int k = 0; k < 3; ++k) e.point_test[k] = row_enabled[k] && !s.point_files[k].empty();
    e.rotation = s.projection == FormProjection::Other;
    e.half_life = s.chosen_selected >= 0 && s.chosen[s.chosen_selected].is_org();
    const bool any_pollutant = !s.chosen.empty();
    e.source_test = {!s.point_sources.empty() && any_pollutant, !s.line_sources.empty() && any_pollutant,
                     !s.area_sources.empty() && any_pollutant};
    e.transfers = s.addition == FormAddition::Transfers;
    e.transfers_test = e.transfers && !s.transfers.empty();
    if (s.addition == FormAddition::Background) {
        for (int k = 0; k < static_cast<int>(s.chosen.size()) && k < kMaxPollutants; ++k) {
            e.background[k] = true;
            std::string hint = s.chosen[k].name;
            hint += " (";
            hint += s.chosen[k].indicative;
            hint += ')';
            e.background_hint[k] = std::move(hint);
            e.background_label[k] = s.chosen[k].indicative;
        }
    }
    e.wind_test = !s.wind_roses.empty();
    const int levels = s.output_type == kOutputBasic      ? 1
                       : s.output_type == kOutputStandard ? 5
                       : s.output_type == kOutputExtended ? 6
                                                          : 0;
    // Row order of out_names: basic, the four share and sector rows, extended.
    for (int k = 0; k < levels; ++k) e.out_names[k] = true;
    enabled_ = std::move(e);
}

void MainForm::CheckValues() {
    recompute();
    modified_ = true;
}

void MainForm::ScreenClear() {
    const int catalogue_selected = state_.catalogue_selected;
    state_ = MainFormState{};
    state_.catalogue_selected = catalogue_selected;
    file_name_.clear();
    read_with_errors_ = false;
    CheckValues();
    modified_ = false;
}

MainReply MainForm::ScreenToCfg(ProjectForm& form) {
    error_ = false;
    recompute();
    form.clear();
    const MainFormState& s = state_;
    form.point_files[0] = trim_blanks(s.point_files[0]);
    if (enabled_.point_file2) form.point_files[1] = trim_blanks(s.point_files[1]);
    if (enabled_.point_file3) form.point_files[2] = trim_blanks(s.point_files[2]);

    switch (s.projection) {
        case FormProjection::Jtsk: form.projection = FormProjection::Jtsk; break;
        case FormProjection::S42: form.projection = FormProjection::S42; break;
        case FormProjection::Other: {
            std::string rotation = trim_blanks(s.rotation);
            if (rotation.empty()) break;  // the other projection needs a rotation
            double value = 0;
            if (!field_number(rotation, decimal_separator_, value) || !finite_in_single(value)) {
                error_ = true;
                return refuse("Nepovolený znak v otočení projekce!\nSoubor není uložen!"_cz, MainControl::Rotation);
            }
            const std::size_t comma = rotation.find(',');
            if (comma != std::string::npos) rotation[comma] = '.';
            form.projection = FormProjection::Other;
            form.rotation = std::move(rotation);
            break;
        }
        case FormProjection::None: break;
    }

    form.pollutants = s.chosen;
    form.point_sources = trim_blanks(s.point_sources);
    form.line_sources = trim_blanks(s.line_sources);
    form.area_sources = trim_blanks(s.area_sources);
    form.addition = s.addition;
    if (s.addition == FormAddition::Transfers) {
        form.transfers = trim_blanks(s.transfers);
    } else if (s.addition == FormAddition::Background) {
        for (std::size_t k = 0; k < s.chosen.size() && k < form.background.size(); ++k) {
            double value = kNotGiven;
            if (!field_number(s.background[k], decimal_separator_, value) || !background_in_range(value))
                value = kNotGiven;
            form.background[k] = value;
        }
    }
    form.wind_roses = trim_blanks(s.wind_roses);
    form.output_type = s.output_type;
    form.output_format = s.output_format;
    double limit = kNotGiven;
    if (field_number(s.share_limit, decimal_separator_, limit) && share_limit_in_range(limit)) form.share_limit = limit;

    form.output_directory = trim_blanks(s.output_directory);
    if (!form.output_directory.empty() && !platform::is_dir_separator(form.output_directory.back())) {
        form.output_directory += platform::kDirSeparator;
    }
    const auto out = [&](int k) { return cut_extension(trim_blanks(s.out_names[k]), false); };
    if (s.output_type >= kOutputBasic) form.out_basic = out(kOutBasic);
    if (s.output_type >= kOutputStandard) {
        form.out_group_shares = out(kOutGroupShares);
        form.out_source_shares = out(kOutSourceShares);
        form.out_sector_max = out(kOutSectorMax);
        form.out_sector_mean = out(kOutSectorMean);
    }
    if (s.output_type >= kOutputExtended) form.out_extended = out(kOutExtended);
    return {};
}

bool MainForm::ScreenFromCfg(const ProjectForm& form, std::string& error_text) {
    const int catalogue_selected = state_.catalogue_selected;
    state_ = MainFormState{};
    state_.catalogue_selected = catalogue_selected;
    MainFormState& s = state_;
    s.point_files = form.point_files;
    s.projection = form.projection;
    if (form.projection == FormProjection::Other) {
        s.rotation = form.rotation;
        if (decimal_separator_ == ',') {
            const std::size_t dot = s.rotation.find('.');
            if (dot != std::string::npos) s.rotation[dot] = ',';
        }
    }
    bool all_found = true;
    for (const FormPollutant& p : form.pollutants) {
        bool found = false;
        for (const CatalogueEntry& e : catalogue_.entries) found = found || e.name == p.name;
        if (!found) {
            error_text = "+++ neznámá znečišťující látka: "_cz;
            error_text += p.name;
            all_found = false;
            break;
        }
        s.chosen.push_back(p);
    }
    if (!all_found) s.chosen.clear();

    s.point_sources = form.point_sources;
    s.line_sources = form.line_sources;
    s.area_sources = form.area_sources;
    if (!form.transfers.empty()) {
        s.addition = FormAddition::Transfers;
        s.transfers = form.transfers;
    } else {
        s.addition = FormAddition::Background;
        for (std::size_t k = 0; k < s.chosen.size() && k < s.background.size(); ++k) {
            if (form.background[k] >= 0) s.background[k] = field_number_text(form.background[k], decimal_separator_);
        }
    }
    s.wind_roses = form.wind_roses;
    s.output_type = form.output_type;
    s.output_format = form.output_format;
    if (form.share_limit > 0) s.share_limit = field_number_text(form.share_limit, decimal_separator_);
    s.output_directory = form.output_directory;
    s.out_names[kOutBasic] = form.out_basic;
    s.out_names[kOutSourceShares] = form.out_source_shares;
    s.out_names[kOutGroupShares] = form.out_group_shares;
    s.out_names[kOutSectorMax] = form.out_sector_max;
    s.out_names[kOutSectorMean] = form.out_sector_mean;
    s.out_names[kOutExtended] = form.out_extended;
    recompute();
    return all_found;
}

namespace {

// The text of field in s, nullptr for a control without one.
template <class State>
auto* text_of(State& s, MainControl field) {
    using Text = std::conditional_t<std::is_const_v<State>, const std::string, std::string>;
    Text* none = nullptr;
    switch (field) {
        case MainControl::PntFn1: return &s.point_files[0];
        case MainControl::PntFn2: return &s.point_files[1];
        case MainControl::PntFn3: return &s.point_files[2];
        case MainControl::Rotation: return &s.rotation;
        case MainControl::PolUsr: return &s.pol_usr;
        case MainControl::PolLimit1: return &s.pol_limit1;
        case MainControl::PolLimit2: return &s.pol_limit2;
        case MainControl::PolRem: return &s.pol_rem;
        case MainControl::SrcFnP: return &s.point_sources;
        case MainControl::SrcFnL: return &s.line_sources;
        case MainControl::SrcFnA: return &s.area_sources;
        case MainControl::TrnFn: return &s.transfers;
        case MainControl::RosFn: return &s.wind_roses;
        case MainControl::Lim: return &s.share_limit;
        case MainControl::OutDir: return &s.output_directory;
        default: break;
    }
    if (const int k = background_index(field); k >= 0) return &s.background[k];
    if (const int k = out_name_index(field); k >= 0) return &s.out_names[k];
    return none;
}

}  // namespace

std::string* MainForm::text_field(MainControl field) { return text_of(state_, field); }

MainReply MainForm::leave_field(MainControl field, MainControl next) {
    MainFormState& s = state_;
    if (is_pollutant_field(field)) {
        std::string& text = *text_field(field);
        if (s.chosen_selected < 0) {
            text.clear();
            return {};
        }
        FormPollutant& p = s.chosen[s.chosen_selected];
        if (field == MainControl::PolRem && !p.is_org()) {
            text.clear();  // only "ORG" has a half-life; the field is disabled
            return {};
        }
        if (field == MainControl::PolUsr) {
            std::string indicative = trim_blanks(text);
            if (indicative.empty()) return refuse("Prázdný řetězec!"_cz, field);
            if (indicative.size() > kMaxIndicative) indicative.resize(kMaxIndicative);
            // The indicative is the key of the pollutant's line and an item
            // of "Pozadi=": a character that splits either would not read back.
            if (!catalogue_indicative_is_safe(indicative) || indicative.find(',') != std::string::npos) {
                return refuse("Nepovolený znak v označení látky!"_cz, field);
            }
            text = indicative;
            if (indicative != p.indicative) {
                p.indicative = std::move(indicative);
                modified_ = true;
                recompute();  // the background hints show the indicative
            }
            return {};
        }
        double& stored = field == MainControl::PolLimit1   ? p.limit1
                         : field == MainControl::PolLimit2 ? p.limit2
                                                           : p.half_life;
        // An empty limit 2 is a pollutant of one limit (as NO2 of the town).
        if (field == MainControl::PolLimit2 && trim_blanks(text).empty()) {
            text.clear();
            if (stored > 0) {
                stored = kOneLimit;
                modified_ = true;
            }
            return {};
        }
        double value = 0;
        if (!field_number(text, decimal_separator_, value)) return refuse(kNotNumber, field);
        // The value is stored in single precision, where 1e40 is no number.
        if (field == MainControl::PolRem) {
            if (!half_life_in_range(value)) return refuse(kNotNumber, field);
        } else if (!limit1_in_range(value)) {  // both limits typed are above 0
            return refuse("Nepřípustná hodnota imisního limitu!"_cz, field);
        }
        if (single(value) != stored) {
            stored = single(value);
            modified_ = true;
        }
        return {};
    }
    if (field == MainControl::Rotation) {
        if (next == MainControl::PrjJtsk || next == MainControl::PrjS42) return {};
        double value = 0;
        if (!trim_blanks(s.rotation).empty() &&
            (!field_number(s.rotation, decimal_separator_, value) || !finite_in_single(value))) {
            return refuse(kNotNumber, field);
        }
        return {};
    }
    if (const int k = background_index(field); k >= 0) {
        double value = 0;
        // An empty field is a value not given; a negative one is refused.
        if (next != MainControl::TrnRad && !trim_blanks(s.background[k]).empty() &&
            (!field_number(s.background[k], decimal_separator_, value) || !background_in_range(value))) {
            return refuse(kNotNumber, field);
        }
        CheckValues();
        return {};
    }
    if (field == MainControl::Lim) {
        double value = 0;
        if (!trim_blanks(s.share_limit).empty() &&
            (!field_number(s.share_limit, decimal_separator_, value) || !share_limit_in_range(value))) {
            return refuse(kNotNumber, field);
        }
    }
    return {};
}

void MainForm::show_chosen() {
    MainFormState& s = state_;
    if (s.chosen_selected < 0) {
        s.pol_usr.clear();
        s.pol_limit1.clear();
        s.pol_limit2.clear();
        s.pol_rem.clear();
    } else {
        const FormPollutant& p = s.chosen[s.chosen_selected];
        s.pol_usr = p.indicative;
        s.pol_limit1 = panel_number(p.limit1, decimal_separator_);
        s.pol_limit2 = panel_number(p.limit2, decimal_separator_);
        s.pol_rem = p.is_org() ? field_number_text(p.half_life, decimal_separator_) : std::string();
    }
    recompute();
}

void MainForm::select_chosen(int index) {
    state_.chosen_selected = index >= 0 && index < static_cast<int>(state_.chosen.size()) ? index : -1;
    show_chosen();
}

MainReply MainForm::add_pollutant() {
    MainReply r;
    const int entry = catalogue_entry_of_row(state_.catalogue_selected);
    if (entry < 0) {
        r.ok = false;
        return r;
    }
    if (static_cast<int>(state_.chosen.size()) >= kMaxPollutants) {
        r.message = "Nelze přidat další látku!"_cz;
        r.ok = false;
        return r;
    }
    const CatalogueEntry& e = catalogue_.entries[entry];
    FormPollutant p;
    p.indicative = e.indicative;
    p.type = e.type;
    p.limit1 = e.limit1;
    // A catalogue file edited by hand may hold a second limit of 0: the
    // project takes it as one limit, as it would an empty field.
    p.limit2 = e.limit2 > 0 ? e.limit2 : kOneLimit;
    p.half_life = e.is_org() ? e.half_life : 0;
    p.name = e.name;
    state_.chosen.push_back(std::move(p));
    state_.chosen_selected = static_cast<int>(state_.chosen.size()) - 1;
    show_chosen();
    CheckValues();
    return r;
}

MainReply MainForm::remove_pollutant() {
    MainReply r;
    MainFormState& s = state_;
    const int at = s.chosen_selected;
    if (at < 0 || at >= static_cast<int>(s.chosen.size())) {
        r.ok = false;
        return r;
    }
    s.chosen.erase(s.chosen.begin() + at);
    // Each background field belongs to the pollutant of its position.
    for (int k = at; k + 1 < kMaxPollutants; ++k) s.background[k] = std::move(s.background[k + 1]);
    s.background[kMaxPollutants - 1].clear();
    const int count = static_cast<int>(s.chosen.size());
    s.chosen_selected = count == 0 ? -1 : (at < count ? at : count - 1);
    show_chosen();
    CheckValues();
    return r;
}

std::string MainForm::catalogue_closed(const CatalogueReply& reply) {
    if (reply.result != WindowResult::Ok) return {};
    refill_catalogue_names();
    // A catalogue that could not be saved leaves the project as it is.
    if (!reply.catalogue_changed || !reply.catalogue_saved) return {};
    MainFormState& s = state_;
    const bool any = !s.chosen.empty();
    s.chosen.clear();
    s.chosen_selected = -1;
    for (std::string& b : s.background) b.clear();
    show_chosen();
    CheckValues();
    if (!any) return {};
    return "Seznam látek byl změněn a uložen: vybrané látky projektu byly proto odebrány, vyberte je znovu."_cz;
}

bool MainForm::PrjSaveQuestion(MainDialogs& dialogs) {
    if (!modified_) {
        if (!file_name_.empty()) ScreenClear();
        return true;
    }
    const Answer answer = dialogs.ask_save_changes("Mají se změny provedené v projektu uložit?"_cz);
    if (answer == Answer::Cancel) return false;
    if (answer == Answer::No) {
        ScreenClear();
        return true;
    }
    const std::optional<std::string> target = save_target(dialogs, false);
    if (!target) return false;
    const std::string& name = *target;
    ProjectForm form;
    const MainReply r = ScreenToCfg(form);
    if (error_) {
        dialogs.show_message(r.message);
        return false;
    }
    if (!write_project_form(name, form)) {
        if (dialogs.ask_yes_no(file_message(name, " nelze uložit! Zrušit příkaz?"_cz))) return false;
    }
    ScreenClear();
    return true;
}

MainReply MainForm::new_project(MainDialogs& dialogs) {
    MainReply r;
    r.ok = PrjSaveQuestion(dialogs);
    if (r.ok) project_directory_ = default_directory_;
    return r;
}

MainReply MainForm::open_project(MainDialogs& dialogs) {
    MainReply r;
    r.ok = false;
    if (!PrjSaveQuestion(dialogs)) return r;
    const std::optional<std::string> chosen = dialogs.choose_open_name();
    if (!chosen) return r;
    return open_file(*chosen);
}

MainReply MainForm::open_recent(MainDialogs& dialogs, const std::string& name) {
    MainReply r;
    r.ok = false;
    if (!PrjSaveQuestion(dialogs)) return r;
    return open_file(name);
}

MainReply MainForm::start(const std::vector<std::string>& arguments) {
    if (arguments.size() != 1) return {};
    const std::string name = project_name_with_extension(arguments[0]);
    if (!directory_of(name).empty()) project_directory_ = directory_of(name);
    MainReply r = open_file(name);
    modified_ = false;
    return r;
}

std::optional<std::string> MainForm::save_target(MainDialogs& dialogs, bool always_ask) {
    if (!always_ask && !file_name_.empty()) {
        if (!read_with_errors_) return file_name_;
        if (!dialogs.ask_yes_no(file_message(
                file_name_,
                " byl načten s chybou! Co se nenačetlo, uložením ze souboru zmizí. Má se přesto uložit?"_cz)))
            return std::nullopt;
        return file_name_;
    }
    const std::optional<std::string> chosen = dialogs.choose_save_name(file_name_);
    if (!chosen) return std::nullopt;
    std::string name = project_name_with_extension(*chosen);
    // The dialog asked about the name chosen; ".atm" appended makes another
    // file, which it has not asked about.
    if (name != *chosen && platform::is_regular_file(name) &&
        !dialogs.ask_yes_no(file_message(name, " již existuje. Má se přepsat?"_cz)))
        return std::nullopt;
    return name;
}

MainReply MainForm::open_file(const std::string& chosen_name) {
    const std::string name = project_name_with_extension(chosen_name);
    MainReply r;
    ProjectForm form;
    std::string error_text;
    if (!read_project_form(name, form, error_text)) {
        r.message = with_detail(file_message(name, " nelze otevřít nebo byl načten s chybou!"_cz), error_text);
        r.ok = false;
        recent_projects_remove(prefs_.recent_projects, full_project_path(name));
        return r;
    }
    read_with_errors_ = !ScreenFromCfg(form, error_text);
    if (read_with_errors_) r.message = with_detail(file_message(name, " byl načten s chybou!"_cz), error_text);
    project_directory_ = directory_of(name);
    if (project_directory_.empty()) project_directory_ = platform::current_directory();
    file_name_ = name;
    recent_projects_add(prefs_.recent_projects, full_project_path(name));
    CheckValues();
    modified_ = false;
    return r;
}

bool MainForm::write_project(MainDialogs& dialogs, bool always_ask, MainControl focus, MainReply& reply) {
    // The pollutant field with the focus has not been left: its text is
    // checked as if it had been; so is the share limit, which would else be
    // saved as not given without a word (150 typed and saved at once).
    if (is_pollutant_field(focus) || focus == MainControl::Lim) {
        reply = leave_field(focus, MainControl::None);
        if (!reply.ok) return false;
    }
    const std::optional<std::string> target = save_target(dialogs, always_ask);
    if (!target) {
        reply.ok = false;
        return false;
    }
    const std::string name = *target;
    // The file fields' relative paths follow a saved project into its new
    // directory; those of a project never saved are taken as relative to
    // the directory it is now saved in (they were typed for it).
    std::string directory = directory_of(name);
    if (directory.empty()) directory = platform::current_directory();
    const MainFormState before = state_;
    rebase_paths(file_name_.empty() ? directory : project_directory_, directory);
    ProjectForm form;
    reply = ScreenToCfg(form);
    if (error_) {
        state_ = before;
        return false;
    }
    if (!write_project_form(name, form)) {
        state_ = before;
        reply.message = file_message(name, " nelze uložit!"_cz);
        reply.ok = false;
        return false;
    }
    project_directory_ = directory;
    file_name_ = name;
    recent_projects_add(prefs_.recent_projects, full_project_path(name));
    modified_ = false;
    read_with_errors_ = false;
    return true;
}

MainReply MainForm::save(MainDialogs& dialogs, MainControl focus) {
    MainReply r;
    write_project(dialogs, false, focus, r);
    return r;
}

MainReply MainForm::save_as(MainDialogs& dialogs, MainControl focus) {
    MainReply r;
    write_project(dialogs, true, focus, r);
    return r;
}

MainForm::QuitStep MainForm::request_quit(QuitSource source, bool running, MainDialogs& dialogs, SettingsStore* store,
                                          const std::string& group) {
    // A run is stopped only when the modeller says so: its results would
    // not be written.
    if (running)
        return dialogs.ask_yes_no("Probíhá výpočet. Přerušit výpočet a ukončit program?"_cz) ? QuitStep::StopRunFirst
                                                                                             : QuitStep::Stay;
    if (source == QuitSource::Button && store != nullptr) prefs_save(*store, group, prefs_);
    return PrjSaveQuestion(dialogs) ? QuitStep::Quit : QuitStep::Stay;
}

OpenDataRequest MainForm::open_data_request(MainControl field) const {
    OpenDataRequest q;
    const bool wind = field == MainControl::RosFn;
    switch (field) {
        case MainControl::PntFn1:
        case MainControl::PntFn2:
        case MainControl::PntFn3: q.title = "Otevřít soubor s výpočetními body"_cz; break;
        case MainControl::SrcFnP: q.title = "Otevřít soubor s bodovými zdroji"_cz; break;
        case MainControl::SrcFnL: q.title = "Otevřít soubor s liniovými zdroji"_cz; break;
        case MainControl::SrcFnA: q.title = "Otevřít soubor s plošnými zdroji"_cz; break;
        case MainControl::TrnFn: q.title = "Otevřít soubor s transfery"_cz; break;
        case MainControl::RosFn: q.title = "Otevřít soubor s větrnou růžicí"_cz; break;
        default: break;
    }
    q.filter = wind ? kWindFilter : kDataFilter;
    const std::string* text = text_of(state_, field);
    // A relative name lies in the project's directory.
    q.preset = text ? path_resolved_in(trim_blanks(*text), project_directory_) : std::string();
    q.filter_index = data_filter_index(q.preset, wind ? prefs_.dialog_wind_filter : prefs_.dialog_data_filter, wind);
    q.directory = prefs_.last_path;
    return q;
}

void MainForm::rebase_paths(const std::string& from_directory, const std::string& to_directory) {
    MainFormState& s = state_;
    for (std::string* path : {&s.point_files[0], &s.point_files[1], &s.point_files[2], &s.point_sources,
                              &s.line_sources, &s.area_sources, &s.transfers, &s.wind_roses, &s.output_directory}) {
        const std::string trimmed = trim_blanks(*path);
        if (!trimmed.empty()) *path = path_rebased(trimmed, from_directory, to_directory);
    }
}

void MainForm::open_data_chosen(MainControl field, const std::string& path, int filter_index) {
    std::string* text = text_field(field);
    if (text == nullptr) return;
    // Beneath a saved project's directory the path is kept relative to it;
    // a project never saved keeps the full path until it is saved.
    *text = file_name_.empty() ? path : path_relative_to(path, project_directory_);
    (field == MainControl::RosFn ? prefs_.dialog_wind_filter : prefs_.dialog_data_filter) = filter_index;
    prefs_.last_path = directory_of(path);
    CheckValues();
}

std::string MainForm::open_out_directory() const {
    return state_.output_directory.empty() ? prefs_.last_path
                                           : path_resolved_in(state_.output_directory, project_directory_);
}

void MainForm::open_out_chosen(MainControl field, const std::string& path) {
    const int k = out_name_index(field);
    if (k < 0) return;
    std::string& dir = state_.output_directory;
    if (trim_blanks(dir).empty()) {
        dir = directory_of(path);
        // The field shows the directory without its final separator (a root keeps it).
        if (dir.size() > 1 && platform::is_dir_separator(dir.back()) && dir[dir.size() - 2] != ':') dir.pop_back();
        if (!file_name_.empty()) dir = path_relative_to(dir, project_directory_);
    }
    // A relative output directory lies in the project's directory.
    const std::string base = path_resolved_in(trim_blanks(dir), project_directory_);
    std::string name = path;
    // Relative only when the directory ends where a separator of path stands,
    // so that "D:\out" does not take in "D:\output\x".
    if (!base.empty() && path.compare(0, base.size(), base) == 0) {
        if (platform::is_dir_separator(base.back())) {
            name = path.substr(base.size());
        } else if (path.size() > base.size() && platform::is_dir_separator(path[base.size()])) {
            name = path.substr(base.size() + 1);
        }
    }
    state_.out_names[k] = cut_extension(name, true);
    CheckValues();
}

void MainForm::output_directory_chosen(const std::string& directory) {
    prefs_.last_path = directory;
    state_.output_directory = file_name_.empty() ? directory : path_relative_to(directory, project_directory_);
    CheckValues();
}

bool checked_on_leave(MainControl field) {
    switch (field) {
        case MainControl::PolUsr:
        case MainControl::PolLimit1:
        case MainControl::PolLimit2:
        case MainControl::PolRem:
        case MainControl::Rotation:
        case MainControl::Lim:
        case MainControl::Back1:
        case MainControl::Back2:
        case MainControl::Back3:
        case MainControl::Back4:
        case MainControl::Back5:
        case MainControl::Back6: return true;
        default: return false;
    }
}

MainCommands main_commands(bool running) {
    MainCommands c;
    if (running) {
        c.fields = c.new_project = c.open_project = c.catalogue = false;
        c.run = c.quit_button = false;
        c.stop = true;
    }
    return c;
}

const char* const kStopHint = "Předčasné ukončení výpočtu (Program nemusí zareagovat okamžitě)"_cz;

}  // namespace zemo::desktop
