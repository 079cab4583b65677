#include "desktop/logic/project_form_file.h"

#include "desktop/logic/pollutant_catalogue.h"

#include <optional>
#include <string_view>
#include <vector>

#include "base/files.h"
#include "base/format.h"
#include "base/platform.h"
#include "base/text.h"
#include "desktop/logic/form_number.h"
#include "desktop/logic/pollutant_catalogue.h"

namespace zemo::desktop {

namespace {

enum class Section { None, Grid, Pollutants, Sources, Meteorology, Results };

struct SectionName {
    const char* name;
    Section section;
};
constexpr SectionName kSections[] = {
    {"VYPOCETNI SIT", Section::Grid}, {"ZNECISTUJICI LATKY", Section::Pollutants},
    {"ZDROJE", Section::Sources},     {"METEOROLOGIE", Section::Meteorology},
    {"VYSLEDKY", Section::Results},
};

constexpr const char* kOutputTypeWords[3] = {"ZAKLADNI", "STANDARDNI", "ROZSIRENY"};
constexpr const char* kOutputFormatWords[2] = {"DBF", "TXT"};

// The text of value up to the first delimiter (all of it without one).
std::string up_to(std::string_view value, char delimiter) {
    return std::string(value.substr(0, value.find(delimiter)));
}

// Reading state: the form, the path for the messages and the error text.
class Reader {
public:
    Reader(const std::string& path, ProjectForm& form, std::string& error_text)
        : path_(path), form_(form), error_(error_text) {}

    bool read_line(const std::string& raw);
    // A section line has been read.
    bool any_section() const { return in_section_; }
    // The file as a whole is refused for what.
    bool refuse(const std::string& what) { return fail(what); }

private:
    // Sets the error text "+++ <what>, (soubor: <path>)"; returns false.
    bool fail(const std::string& what) {
        error_ = "+++ " + what + ", (soubor: " + path_ + ")";
        return false;
    }
    bool fail(const char* fmt, const std::string& arg) { return fail(format(fmt, arg.c_str())); }

    bool grid_item(const std::string& key, const std::optional<std::string>& value);
    bool pollutant_item(const std::string& key, const std::optional<std::string>& value);
    bool source_item(const std::string& key, const std::optional<std::string>& value);
    bool background(const std::optional<std::string>& value);
    bool meteorology_item(const std::string& key, const std::optional<std::string>& value);
    bool result_item(const std::string& key, const std::optional<std::string>& value);
    // A name up to the first ",", trimmed: missing_text when empty, the
    // too-long text when kMaxFormName characters or more.
    bool take_name(const std::optional<std::string>& value, const char* missing_text, std::string& field,
                   const char* too_long_fmt = "příliš dlouhý název souboru: %s"_cz);
    bool unknown_key(const std::string& key) { return fail("neznámá položka: %s"_cz, key); }

    const std::string& path_;
    ProjectForm& form_;
    std::string& error_;
    Section section_ = Section::None;
    bool in_section_ = false;  // a section line has been read
};

bool Reader::read_line(const std::string& raw) {
    if (raw.size() > kMaxFormFileLine) return fail("příliš dlouhý řádek"_cz);
    std::size_t start = 0;
    while (start < raw.size() && (raw[start] == ' ' || raw[start] == '\t')) ++start;
    const std::string line = raw.substr(start);
    if (line.empty() || line[0] == '#') return true;
    // The writer writes every value as a C string: a NUL byte would cut it
    // and the file written would differ from the one read, or be refused.
    if (line.find('\0') != std::string::npos) return fail("nepovolený znak NUL v řádku"_cz);

    if (line[0] == '[') {
        // The last character is the closing bracket, whatever it is.
        const std::string upper = to_upper(line);
        const std::string without_last = upper.substr(0, upper.size() - 1);
        const std::string name = without_last.empty() ? std::string() : without_last.substr(1);
        for (const auto& s : kSections)
            if (name == s.name) {
                section_ = s.section;
                in_section_ = true;
                return true;
            }
        return fail("neznámá skupina: %s]"_cz, without_last);
    }
    if (!in_section_) return true;

    const auto eq = line.find('=');
    const std::string raw_key = line.substr(0, eq);
    std::optional<std::string> value;
    if (eq != std::string::npos) value = line.substr(eq + 1);
    if (section_ == Section::Pollutants) return pollutant_item(raw_key, value);
    const std::string key = to_upper(raw_key);  // not trimmed: " SOUBOR" is unknown
    switch (section_) {
        case Section::Grid: return grid_item(key, value);
        case Section::Sources: return source_item(key, value);
        case Section::Meteorology: return meteorology_item(key, value);
        case Section::Results: return result_item(key, value);
        default: return true;
    }
}

bool Reader::take_name(const std::optional<std::string>& value, const char* missing_text, std::string& field,
                       const char* too_long_fmt) {
    const std::string name = value ? trim_blanks(up_to(*value, ',')) : std::string();
    if (name.empty()) return fail(missing_text);
    if (name.size() >= kMaxFormName) return fail(format(too_long_fmt, name.c_str()));
    field = name;
    return true;
}

bool Reader::grid_item(const std::string& key, const std::optional<std::string>& value) {
    if (key == "SOUBOR") {
        const std::string name = value ? trim_blanks(up_to(*value, ',')) : std::string();
        if (name.empty()) return fail("neúplné zadání souboru s referenčními body"_cz);
        auto slot = form_.point_files.begin();
        while (slot != form_.point_files.end() && !slot->empty()) ++slot;
        if (slot == form_.point_files.end()) return fail("překročen max počet souborů s referenčními body"_cz);
        return take_name(value, "", *slot);
    }
    if (key == "PROJEKCE") {
        const std::string word = value ? to_upper(trim_blanks(up_to(*value, '='))) : std::string();
        if (word.empty()) return fail("neúplné zadání projekce"_cz);
        if (word == "JINA") {
            form_.projection = FormProjection::Other;
        } else if (word == "JTSK") {
            form_.projection = FormProjection::Jtsk;
        } else if (word == "S42") {
            form_.projection = FormProjection::S42;
        } else {
            return fail("neznámá projekce: %s"_cz, word);
        }
        form_.rotation.clear();  // a rotation counts only after this line
        return true;
    }
    if (key == "OTOCENI") {
        // Kept as the text written, blanks included.
        const std::string text = value ? up_to(*value, '=') : std::string();
        if (trim_blanks(text).empty()) return fail("neúplné zadání otočení souřadné sítě"_cz);
        double rotation = 0;
        if (!convert_form_number(text, rotation) || !finite_in_single(rotation))
            return fail("chyba v definici otočení: %s"_cz, text);
        if (form_.projection == FormProjection::Other) form_.rotation = text;
        return true;
    }
    return unknown_key(key);
}

bool Reader::pollutant_item(const std::string& key, const std::optional<std::string>& value) {
    if (form_.pollutants.size() >= static_cast<std::size_t>(kMaxPollutants))
        return fail("překročen max počet znečišťujících látek ve výpočtu"_cz);
    FormPollutant pol;
    pol.indicative = trim_blanks(key);
    if (pol.indicative.empty()) return fail("neúplné zadání znečišťujících látek"_cz);
    if (pol.indicative.size() > kMaxIndicative) return fail("příliš dlouhý identifikátor látky: %s"_cz, pol.indicative);
    // The indicative the pollutant panel would refuse: it would not be
    // written back as read (a NUL byte ends it, a "," or ":" splits the
    // background pairs), and the console reader refuses most of them.
    if (!catalogue_indicative_is_safe(pol.indicative) || pol.indicative.find(',') != std::string::npos)
        return fail("nepovolený znak v identifikátoru látky: %s"_cz, pol.indicative);

    // type, limit 1, limit 2, [half-life,] name: each up to the next ",",
    // the name the whole rest of the line.
    std::string_view rest = value ? std::string_view(*value) : std::string_view();
    bool more = value.has_value();
    auto next = [&](std::string& part) {
        if (!more) return false;
        const auto comma = rest.find(',');
        part = trim_blanks(rest.substr(0, comma));
        if (comma == std::string_view::npos) {
            more = false;
            rest = {};
        } else {
            rest.remove_prefix(comma + 1);
        }
        return !part.empty();
    };
    const std::string incomplete = format("neúplná definice znečišťující látky: %s"_cz, pol.indicative.c_str());

    std::string part;
    if (!next(part)) return fail(incomplete);
    const std::string word = to_upper(part);
    for (int i = 0; i < 9; ++i)
        if (word == kPollutantTypes[i].word) pol.type = i;
    if (pol.type < 0) return fail("neznámý typ znečišťující látky: %s"_cz, part);

    if (!next(part)) return fail(incomplete);
    if (!convert_form_number(part, pol.limit1) || !limit1_in_range(pol.limit1))
        return fail("chyba v definici 1. limitní koncentrace: %s"_cz, pol.indicative);
    if (!next(part)) return fail(incomplete);
    if (!convert_form_number(part, pol.limit2) || !limit2_in_range(pol.limit2))
        return fail("chyba v definici 2. limitní koncentrace: %s"_cz, pol.indicative);
    if (pol.is_org()) {
        if (!next(part)) return fail(incomplete);
        if (!convert_form_number(part, pol.half_life) || !half_life_in_range(pol.half_life))
            return fail("chyba v definici poločasu odstraňování: %s"_cz, pol.indicative);
    }
    pol.name = more ? trim_blanks(rest) : std::string();
    if (pol.name.empty()) return fail(incomplete);
    if (pol.name.size() > kMaxPollutantName) return fail("příliš dlouhý název látky: %s"_cz, pol.name);
    form_.pollutants.push_back(std::move(pol));
    return true;
}

bool Reader::source_item(const std::string& key, const std::optional<std::string>& value) {
    if (key == "BODOVE") return take_name(value, "neúplné zadání souboru s bodovými zdroji"_cz, form_.point_sources);
    if (key == "LINIOVE") return take_name(value, "neúplné zadání souboru s liniovými zdroji"_cz, form_.line_sources);
    if (key == "PLOSNE") return take_name(value, "neúplné zadání souboru s plošnými zdroji"_cz, form_.area_sources);
    if (key == "TRANSFERY") {
        if (!take_name(value, "neúplné zadání souboru s transfery"_cz, form_.transfers)) return false;
        form_.addition = FormAddition::Transfers;
        return true;
    }
    if (key == "POZADI") return background(value);
    return unknown_key(key);
}

// One pair "indicative:value" per pollutant read so far. A pair names its
// pollutant by indicative (any case); of pollutants sharing an indicative
// the first not yet given a value on this line takes it, so a project that
// holds one substance twice reads back as written.
bool Reader::background(const std::optional<std::string>& value) {
    if (form_.addition != FormAddition::Transfers) form_.addition = FormAddition::Background;
    const std::size_t count = form_.pollutants.size();
    std::string_view rest = value ? std::string_view(*value) : std::string_view();
    std::vector<bool> taken(count, false);
    for (std::size_t pair = 0; pair < count; ++pair) {
        const auto colon = rest.find(':');
        if (colon == std::string_view::npos) return fail("neúplná definice pozaďových koncentrací"_cz);
        const std::string indicative = trim_blanks(rest.substr(0, colon));
        rest.remove_prefix(colon + 1);
        const auto comma = rest.find(',');
        const std::string number = trim_blanks(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (indicative.empty() || number.empty()) return fail("neúplná definice pozaďových koncentrací"_cz);

        const std::string wanted = to_upper(indicative);
        std::size_t index = count, first_match = count;
        for (std::size_t k = 0; k < count; ++k) {
            if (to_upper(form_.pollutants[k].indicative) != wanted) continue;
            if (first_match == count) first_match = k;
            if (!taken[k]) {
                index = k;
                break;
            }
        }
        if (index == count) index = first_match;
        if (index == count) return fail("neznámá látka v definici pozaďových koncentrací: %s"_cz, indicative);
        double value = 0;
        if (!convert_form_number(number, value) || !background_in_range(value))
            return fail("chyba v definici pozaďové koncentrace: %s"_cz, indicative);
        form_.background[index] = value;
        taken[index] = true;
    }
    return true;
}

bool Reader::meteorology_item(const std::string& key, const std::optional<std::string>& value) {
    if (key == "SOUBOR") return take_name(value, "neúplné zadání souboru s větrnými růžicemi"_cz, form_.wind_roses);
    return unknown_key(key);
}

bool Reader::result_item(const std::string& key, const std::optional<std::string>& value) {
    const std::string word = value ? to_upper(trim_blanks(up_to(*value, '='))) : std::string();
    if (key == "TYP") {
        if (word.empty()) return fail("neúplné zadání typu výstupu"_cz);
        for (int i = 0; i < 3; ++i)
            if (word == kOutputTypeWords[i]) {
                form_.output_type = i;
                return true;
            }
        return fail("neznámý typ výstupu: %s"_cz, word);
    }
    if (key == "FORMAT") {
        if (word.empty()) return fail("neúplné zadání formátu výstupu"_cz);
        for (int i = 0; i < 2; ++i)
            if (word == kOutputFormatWords[i]) {
                form_.output_format = i;
                return true;
            }
        return fail("neznámý format výstupu: %s"_cz, word);
    }
    if (key == "PODILY LIMIT") {
        const std::string text = value ? trim_blanks(up_to(*value, '=')) : std::string();
        if (text.empty()) return fail("neúplné zadání limitu pro podíly"_cz);
        double share = 0;
        if (!convert_form_number(text, share) || !share_limit_in_range(share))
            return fail("chyba v definici podílů: %s"_cz, text);
        form_.share_limit = share;
        return true;
    }
    if (key == "ADRESAR")
        return take_name(value, "neúplné zadání výstupního adresáře"_cz, form_.output_directory,
                         "příliš dlouhý název adresáře: %s"_cz);
    if (key == "ZAKLADNI") return take_name(value, "neúplné zadání základního výstupního souboru"_cz, form_.out_basic);
    if (key == "PODILY ZDROJU")
        return take_name(value, "neúplné zadání výstupního souboru s podíly zdrojů"_cz, form_.out_source_shares);
    if (key == "PODILY SKUPIN")
        return take_name(value, "neúplné zadání výstupního souboru s podíly skupin"_cz, form_.out_group_shares);
    if (key == "SEKTORY MAX")
        return take_name(value, "neúplné zadání výstupního souboru se sektory (max hodnoty)"_cz, form_.out_sector_max);
    if (key == "SEKTORY PRUM")
        return take_name(value, "neúplné zadání výstupního souboru se sektory (prům. hodnoty)"_cz,
                         form_.out_sector_mean);
    if (key == "ROZSIRENY")
        return take_name(value, "neúplné zadání rozšířeného výstupního souboru"_cz, form_.out_extended);
    return unknown_key(key);
}

}  // namespace

bool read_project_form(const std::string& path, ProjectForm& form, std::string& error_text) {
    form.clear();
    error_text.clear();
    Reader reader(path, form, error_text);
    // Neither a FIFO (which would block the window) nor a device (a link to
    // /dev/zero is a line without end) is opened.
    if (!platform::is_regular_file(path)) return reader.refuse("soubor neexistuje nebo to není obyčejný soubor"_cz);
    File file;
    if (!file.open_regular(path))
        return reader.refuse("soubor nelze otevřít ("_cz + platform::error_text(file.error()) + ")");
    // A line is read no further than one character past its bound, so that
    // a line without end is refused as too long without being taken whole.
    std::string line;
    for (;;) {
        const File::LineRead got = file.read_bounded_line(line, kMaxFormFileLine + 1);
        if (got == File::LineRead::End) break;
        if (!reader.read_line(line)) return false;
        if (got == File::LineRead::TooLong) return false;
    }
    // A file that holds no section of a project (an empty file, a table, a
    // text) is no project: saving it again would destroy it.
    if (!reader.any_section()) return reader.refuse("soubor neobsahuje žádnou skupinu projektu"_cz);
    return true;
}

std::string background_items(const ProjectForm& form) {
    std::string out;
    for (std::size_t k = 0; k < form.pollutants.size(); ++k) {
        if (k > 0) out += ", ";
        const double v = k < form.background.size() ? form.background[k] : kNotGiven;
        const char* indicative = form.pollutants[k].indicative.c_str();
        out += v >= 0 ? format("%s:%lf", indicative, v) : format("%s:0", indicative);
    }
    return out;
}

std::string project_form_text(const ProjectForm& form) {
    std::string out = "[Vypocetni sit]\n";
    for (const std::string& name : form.point_files) {
        if (name.empty()) break;  // file 2 only after file 1, file 3 only after file 2
        out += "Soubor=" + name + "\n";
    }
    switch (form.projection) {
        case FormProjection::Jtsk: out += "Projekce=JTSK\n"; break;
        case FormProjection::S42: out += "Projekce=S42\n"; break;
        case FormProjection::Other:
            out += "Projekce=jina\n";
            if (!form.rotation.empty()) out += "Otoceni=" + form.rotation + "\n";
            break;
        case FormProjection::None: break;
    }

    out += "\n[Znecistujici latky]\n";
    for (const FormPollutant& p : form.pollutants) {
        const char* word = p.type >= 0 && p.type < 9 ? kPollutantTypes[p.type].word : "";
        if (p.is_org())
            out += format("%s=%s, %lf, %lf, %lf, %s\n", p.indicative.c_str(), word, p.limit1, p.limit2, p.half_life,
                          p.name.c_str());
        else out += format("%s=%s, %lf, %lf, %s\n", p.indicative.c_str(), word, p.limit1, p.limit2, p.name.c_str());
    }

    out += "\n[Zdroje]\n";
    if (!form.point_sources.empty()) out += "Bodove=" + form.point_sources + "\n";
    if (!form.line_sources.empty()) out += "Liniove=" + form.line_sources + "\n";
    if (!form.area_sources.empty()) out += "Plosne=" + form.area_sources + "\n";
    if (!form.transfers.empty()) out += "Transfery=" + form.transfers + "\n";
    else if (!form.pollutants.empty()) out += "Pozadi=" + background_items(form) + "\n";

    out += "\n[Meteorologie]\n";
    if (!form.wind_roses.empty()) out += "Soubor=" + form.wind_roses + "\n";

    out += "\n[Vysledky]\n";
    static constexpr const char* kTypeWords[3] = {"zakladni", "standardni", "rozsireny"};
    static constexpr const char* kFormatWords[2] = {"dbf", "txt"};
    const int type = form.output_type;
    const bool type_set = type >= kOutputBasic && type <= kOutputExtended;
    if (type_set) out += format("Typ=%s\n", kTypeWords[type]);
    if (form.output_format == kOutFormatDbf || form.output_format == kOutFormatTxt)
        out += format("Format=%s\n", kFormatWords[form.output_format]);
    if (form.share_limit >= 0) out += format("Podily limit=%f\n", form.share_limit);
    if (!form.output_directory.empty()) out += "Adresar=" + form.output_directory + "\n";
    if (type_set && !form.out_basic.empty()) out += "Zakladni=" + form.out_basic + "\n";
    if (type == kOutputStandard || type == kOutputExtended) {
        if (!form.out_group_shares.empty()) out += "Podily skupin=" + form.out_group_shares + "\n";
        if (!form.out_source_shares.empty()) out += "Podily zdroju=" + form.out_source_shares + "\n";
        if (!form.out_sector_max.empty()) out += "Sektory max=" + form.out_sector_max + "\n";
        if (!form.out_sector_mean.empty()) out += "Sektory prum=" + form.out_sector_mean + "\n";
    }
    if (type == kOutputExtended && !form.out_extended.empty()) out += "Rozsireny=" + form.out_extended + "\n";
    return out;
}

bool write_project_form(const std::string& path, const ProjectForm& form) {
    File file;
    if (!file.open(path, "w")) return false;
    file.write_text(project_form_text(form));
    return file.close();
}

}  // namespace zemo::desktop
