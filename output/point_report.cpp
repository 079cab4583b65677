#include "output/point_report.h"

#include <algorithm>
#include <numeric>

#include "base/format.h"
#include "base/text.h"
#include "input/sources.h"

namespace zemo {

namespace {

// Width of the right-aligned group number or source identifier column.
constexpr int kReportColumnWidth = 10;
// A worst case below this concentration gives every share 0.
constexpr double kZeroConcentration = 1e-10;

int position_of(const std::vector<int>& table, int group) {
    const auto it = std::find(table.begin(), table.end(), group);
    return it == table.end() ? -1 : static_cast<int>(it - table.begin());
}

void sort_ascending(SourceList& list) {
    list.ascending.resize(list.group_numbers.size());
    std::iota(list.ascending.begin(), list.ascending.end(), 0);
    std::stable_sort(list.ascending.begin(), list.ascending.end(),
                     [&](int a, int b) { return list.group_numbers[a] < list.group_numbers[b]; });
    list.group_work.assign(list.group_numbers.size(), 0.0);
}

void append_kind(SourceList& list, int n, const std::vector<std::string>& ids, const std::vector<int>& groups) {
    for (int i = 0; i < n; ++i) {
        list.ids.push_back(i < static_cast<int>(ids.size()) ? ids[i] : std::string());
        const int group = i < static_cast<int>(groups.size()) ? groups[i] : 0;
        list.group_position.push_back(position_of(list.group_numbers, group));
    }
}

// The column heading: four blanks, the word right-aligned in 10
// characters, four blanks and the share heading.
void write_heading(File& out, const char* word) {
    const std::string conversion = format("    %%%is    PODÍL [%%%%]\n"_cz, kReportColumnWidth);
    out.print(conversion.c_str(), word);
}

void write_class_line(File& out, const SectorCase& worst) {
    out.print("     (%i. třída stability a %i. třída rychlosti)\n"_cz, worst.stability, worst.speed);
}

}  // namespace

void SourceList::load(const Sources& s) {
    ids.clear();
    group_position.clear();
    group_numbers = s.groups;
    append_kind(*this, s.NP, s.SrcP_id, s.SrcP_group);
    append_kind(*this, s.NL, s.SrcL_id, s.SrcL_group);
    append_kind(*this, s.NA, s.SrcA_id, s.SrcA_group);
    sort_ascending(*this);
}

void SourceList::assign(const std::vector<std::string>& source_ids, const std::vector<int>& source_groups) {
    ids = source_ids;
    group_numbers.clear();
    for (int g : source_groups)
        if (position_of(group_numbers, g) < 0) group_numbers.push_back(g);
    group_position.clear();
    for (int g : source_groups) group_position.push_back(position_of(group_numbers, g));
    group_position.resize(ids.size(), -1);
    sort_ascending(*this);
}

void write_report_title(File& report, const Pollutant& pollutant) {
    report.print("%s (%s)\n", pollutant.name.c_str(), pollutant.indicative.c_str());
}

void write_point_report(File& out, const ReferencePoint& point, int rose_id, const Pollutant& pollutant,
                        const PollutantStatistics& st, const ConcMatrix& conc, int p, SourceList& src,
                        double threshold) {
    out.write_text("\n************************************\n");
    out.print("\nBOD ČÍSLO: %s\n"_cz, point.id.c_str());
    out.print(" souřadnice X, Y, Z: %.2f, %.2f, %.2f\n"_cz, point.x, point.y, point.z);
    out.print(" výška nad terénem:  %.2f\n"_cz, point.height);
    out.print(" větrná růžice:      %i\n"_cz, rose_id);

    const int limits = std::clamp(pollutant.limit_count, 0, 2);
    const int n_sources = std::min(src.count(), conc.sources());
    for (int s = 0; s < kOutputSectors; ++s) {
        out.write_text(s == 0 ? " ---------" : " ==================\n");
        out.print("\n Proudění ze směru %5.1f° (sektor číslo %2i)\n"_cz, s * 22.5, s + 1);
        const SectorCase& worst = st.sector_max[s];
        const SectorCase& least = st.sector_min[s];
        const bool reached = worst.stability >= 1 && worst.stability <= 5 && worst.speed >= 1 && worst.speed <= 3 &&
                             worst.direction >= 0 && worst.direction < kMaxSectors;
        if (!reached) {
            out.write_text(" V tomto sektoru nenastává žádná meteorologická situace.\n"_cz);
            continue;
        }
        out.print(" IHk (max) = %8.2f, třída stability %i, třída rychlosti %i,\n"_cz, worst.value, worst.stability,
                  worst.speed);
        for (int k = 0; k < limits; ++k)
            out.print("             koncentrace %10.2f překročena v %6.2f%% případů\n"_cz, pollutant.limit[k],
                      st.sector_exceedance[s][k]);
        out.print("     (min) = %8.2f, třída stability %i, třída rychlosti %i\n"_cz, least.value, least.stability,
                  least.speed);

        // Shares of the worst case's concentration; the background is not
        // a group here, so the group shares need not sum to 100.
        const int slot = worst_case_slot(worst.stability, worst.speed, worst.direction);
        const bool zero = worst.value < kZeroConcentration;
        out.write_text(" ---------\n");
        out.write_text(" Podíly skupin zdrojů na \"okamžité\" koncentraci\n"_cz);
        write_class_line(out, worst);
        write_heading(out, "SKUPINA");
        std::fill(src.group_work.begin(), src.group_work.end(), 0.0);
        for (int j = 0; j < n_sources; ++j) {
            const int g = src.group_position[j];
            if (g >= 0 && g < static_cast<int>(src.group_work.size())) src.group_work[g] += conc.value(p, slot, j);
        }
        const std::string group_line = format("    %%%ii%%13.2f\n", kReportColumnWidth);
        for (int g : src.ascending) {
            const double share = zero ? 0.0 : src.group_work[g] * 100.0 / worst.value;
            out.print(group_line.c_str(), src.group_numbers[g], share);
        }

        out.write_text(" ---------\n");
        out.print(" Podíly zdrojů na \"okamžité\" koncentraci (příspěvek větší než %.1f%%)\n"_cz, 2.0 * threshold);
        write_class_line(out, worst);
        write_heading(out, "ZDROJ");
        const std::string source_line = format("    %%%is%%13.2f\n", kReportColumnWidth);
        for (int j = 0; j < n_sources; ++j) {
            const double share = zero ? 0.0 : conc.value(p, slot, j) * 100.0 / worst.value;
            if (share > 2.0 * threshold) out.print(source_line.c_str(), src.ids[j].c_str(), share);
        }
    }
}

}  // namespace zemo
