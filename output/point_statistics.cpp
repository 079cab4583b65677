// Point statistics of one reference point, formed from Conc.
//
// Order of work per pollutant:
//   1. reset every output and working value (unset maxima/minima);
//   2. the annual mean per direction (block 5 summed over speeds and
//      sources) and Crok;
//   3. the short-term pass: per direction the 15 cases that occur, giving
//      the direction maxima, minima and exceedances, Cmax and P;
//   4. (standard, extended) the source contributions, the group shares and
//      their rounding to a sum of exactly 100;
//   5. (standard, extended) the 16 output sectors from their direction
//      windows, and the background spread over them by frequency weight.
#include "output/point_statistics.h"

#include <cmath>

#include "input/project_file.h"
#include "base/run_log.h"
#include "base/text.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/model_settings.h"

namespace zemo {

namespace {


// The largest window: m + 1 directions for the even width m = 2 (32
// directions), 3 for m = 3 (48 directions).
constexpr int kMaxWindow = kMaxSectors / kOutputSectors + 1;

const std::array<double, kCaseSlots> kNoFrequencies{};

double transfer_sector(const Transfers& t, int p, int d) {
    return p < static_cast<int>(t.TransferSector.size()) ? t.TransferSector[p][d] : 0.0;
}

double transfer_total(const Transfers& t, int p) {
    return p < static_cast<int>(t.TransferTotal.size()) ? t.TransferTotal[p] : 0.0;
}

// Group number of source j in the order points, lines, areas; false when
// the source tables do not hold j.
bool source_group(const Sources& src, int j, int& group) {
    const auto in = [](const std::vector<int>& v, int i) { return i >= 0 && i < static_cast<int>(v.size()); };
    if (j < src.NP) {
        if (!in(src.SrcP_group, j)) return false;
        group = src.SrcP_group[j];
        return true;
    }
    j -= src.NP;
    if (j < src.NL) {
        if (!in(src.SrcL_group, j)) return false;
        group = src.SrcL_group[j];
        return true;
    }
    j -= src.NL;
    if (!in(src.SrcA_group, j)) return false;
    group = src.SrcA_group[j];
    return true;
}

// Sizes the result vectors at the first point of a run; later points find
// them sized and allocate nothing.
void size_statistics(PointStatistics& stats, int pollutants, int shares, int sources_count) {
    if (static_cast<int>(stats.pollutants.size()) != pollutants) stats.pollutants.resize(pollutants);
    for (PollutantStatistics& ps : stats.pollutants) {
        if (static_cast<int>(ps.group_shares.size()) != shares) ps.group_shares.resize(shares);
        if (static_cast<int>(ps.source_contribution.size()) != sources_count)
            ps.source_contribution.resize(sources_count);
    }
}

void reset_pollutant(PollutantStatistics& ps) {
    ps.Crok = 0;
    ps.Cmax = 0;
    ps.P[0] = ps.P[1] = 0;
    for (double& g : ps.group_shares) g = 0;
    for (double& c : ps.source_contribution) c = 0;
    const SectorCase unset_max{kUnsetMaximum, 0, 0, -1};
    const SectorCase unset_min{kUnsetMinimum, 0, 0, -1};
    ps.direction_max.fill(unset_max);
    ps.direction_min.fill(unset_min);
    for (auto& e : ps.direction_exceedance) e = {0, 0};
    ps.sector_mean.fill(0);
    ps.sector_max.fill(unset_max);
    ps.sector_min.fill(unset_min);
    for (auto& e : ps.sector_exceedance) e = {0, 0};
    ps.sector_background.fill(0);
}

// Shares of a pollutant's groups and of its background in Crok, rounded so
// that they add up to exactly 100: the largest entry (the first one on
// ties, the background last) takes 100 minus the others rounded to two
// decimals, halves upward.
void form_group_shares(PollutantStatistics& ps, const Sources& src, int directions, double background,
                       const ConcMatrix& conc, int p) {
    const int n = conc.sources();
    double* contribution = ps.source_contribution.data();
    for (int d = 0; d < directions; ++d)
        for (int s = 0; s < kSpeedClasses; ++s) {
            const int c = case_slot(kAnnualBlockIndex, s, d);
            for (int a : conc.written(d)) contribution[conc.source_of(a)] += conc.at(p, c, a);
        }

    std::vector<double>& share = ps.group_shares;
    const int groups = static_cast<int>(share.size()) - 1;
    int last_group = 0, last_position = -1;
    // Only the sources with a column have a contribution; the others' are
    // exact zeros, which would leave every share as it is.
    for (int a = 0; a < conc.columns(); ++a) {
        const int j = conc.source_of(a);
        if (j >= n) continue;
        int g = 0;
        if (!source_group(src, j, g)) continue;
        if (last_position < 0 || g != last_group) {
            last_group = g;
            last_position = -1;
            for (int i = 0; i < groups; ++i)
                if (src.groups[i] == g) {
                    last_position = i;
                    break;
                }
            if (last_position < 0) continue;  // a source outside the group table adds to no group
        }
        share[last_position] += contribution[j];
    }

    if (ps.Crok == 0) {
        for (double& e : share) e = 0;
        return;
    }
    for (int i = 0; i < groups; ++i) share[i] = 100.0 * share[i] / ps.Crok;
    share[groups] = 100.0 * background / ps.Crok;

    int largest = 0;
    for (int i = 1; i <= groups; ++i)
        if (share[i] > share[largest]) largest = i;
    share[largest] = 100.0;
    for (int i = 0; i <= groups; ++i) {
        if (i == largest) continue;
        const double hundredths = share[i] * 100.0;
        double whole = std::floor(hundredths);
        if (hundredths - whole >= 0.5) whole += 1.0;
        share[i] = whole / 100.0;
        share[largest] -= share[i];
    }
}

void form_sectors(PollutantStatistics& ps, const Transfers& transfers, const std::array<double, kMaxSectors>& annual,
                  const std::array<double, kCaseSlots>& rose, int directions, int p) {
    int window[kMaxWindow];
    double weight[kMaxWindow];
    for (int s = 0; s < kOutputSectors; ++s) {
        const int count = sector_window(s, directions, window, weight);
        SectorCase& smax = ps.sector_max[s];
        SectorCase& smin = ps.sector_min[s];
        for (int i = 0; i < count; ++i) {
            const int d = window[i];
            const double w = weight[i];
            double frequency = 0;
            for (int sp = 0; sp < kSpeedClasses; ++sp) frequency += rose[case_slot(kAnnualBlockIndex, sp, d)];
            ps.sector_mean[s] += w * annual[d];
            ps.sector_background[s] += w * frequency * 0.01 * transfer_sector(transfers, p, d);
            const SectorCase& dmax = ps.direction_max[d];
            if (dmax.value > smax.value) smax = dmax;
            const SectorCase& dmin = ps.direction_min[d];
            if (dmin.value < smin.value) smin = dmin;
            for (int l = 0; l < 2; ++l) ps.sector_exceedance[s][l] += w * ps.direction_exceedance[d][l];
        }
    }

    double total = 0;
    for (double b : ps.sector_background) total += b;
    if (total != 0) {
        const double background = transfer_total(transfers, p);
        for (int s = 0; s < kOutputSectors; ++s) ps.sector_mean[s] += ps.sector_background[s] / total * background;
    }
}

}  // namespace

int sector_window(int s, int directions, int* direction, double* weight) {
    const int m = directions / kOutputSectors;
    if (m < 1) return 0;
    const bool even = m % 2 == 0;
    const int half = even ? m / 2 : (m - 1) / 2;
    int count = 0;
    for (int offset = -half; offset <= half; ++offset) {
        direction[count] = ((s * m + offset) % directions + directions) % directions;
        weight[count] = even && (offset == -half || offset == half) ? 0.5 : 1.0;
        ++count;
    }
    return count;
}

void check_sector_setting(const RunInputs& in, RunLog& log) {
    const ProjectConfig& prj = in.project;
    int directions = in.settings.directions;
    if (directions > kMaxSectors) directions = kMaxSectors;
    if (directions < 0) directions = 0;
    const bool with_sectors = prj.result_type == kResultStandard || prj.result_type == kResultExtended;
    if (with_sectors && directions % kOutputSectors != 0)
        log.fatal(kFatalProgram, "chybné nastavení počtu výstupních sektorů"_cz);
}

void point_statistics(const RunInputs& in, const ConcMatrix& conc, const ReferencePoint& point,
                      PointStatistics& stats) {
    const ProjectConfig& prj = in.project;
    const Sources& src = in.sources;
    const Transfers& transfers = in.transfers;
    const int pollutants = conc.pollutants();
    int directions = in.settings.directions;
    if (directions > kMaxSectors) directions = kMaxSectors;
    if (directions < 0) directions = 0;
    const bool with_sectors = prj.result_type == kResultStandard || prj.result_type == kResultExtended;

    const WindRoses& roses = in.roses;
    const std::array<double, kCaseSlots>& rose =
        point.wind_rose >= 0 && point.wind_rose < static_cast<int>(roses.Wnd_frequency.size())
            ? roses.Wnd_frequency[point.wind_rose]
            : kNoFrequencies;

    const int groups = static_cast<int>(src.groups.size());
    size_statistics(stats, pollutants, groups + 1, conc.sources());

    std::array<double, kMaxSectors> annual{};
    for (int p = 0; p < pollutants; ++p) {
        PollutantStatistics& ps = stats.pollutants[p];
        reset_pollutant(ps);
        const int limits = p < static_cast<int>(prj.pollutants.size()) ? prj.pollutants[p].limit_count : 0;
        const double* limit = limits > 0 ? prj.pollutants[p].limit : nullptr;

        // Annual mean.
        annual.fill(0);
        double crok = 0;
        for (int d = 0; d < directions; ++d) {
            for (int s = 0; s < kSpeedClasses; ++s) annual[d] += conc.sum(p, case_slot(kAnnualBlockIndex, s, d));
            crok += annual[d];
        }
        const double background = transfer_total(transfers, p);
        ps.Crok = crok + background;

        // Short-term cases, class I..V and speed 1..3 within each direction.
        for (int d = 0; d < directions; ++d) {
            SectorCase& dmax = ps.direction_max[d];
            SectorCase& dmin = ps.direction_min[d];
            auto& exceedance = ps.direction_exceedance[d];
            const double sector_transfer = transfer_sector(transfers, p, d);
            for (int k = 0; k < kStabilityClasses; ++k)
                for (int s = 0; s < kSpeedClasses; ++s) {
                    const int c = case_slot(k, s, d);
                    const double frequency = rose[c];
                    if (frequency < kMinCaseFrequency) continue;
                    const double value = conc.sum(p, c) + sector_transfer;
                    for (int l = 0; l < limits; ++l)
                        if (value > limit[l]) exceedance[l] += frequency;
                    if (value > dmax.value) dmax = SectorCase{value, k + 1, s + 1, d};
                    if (value < dmin.value) dmin = SectorCase{value, k + 1, s + 1, d};
                }
            if (dmax.value > ps.Cmax) ps.Cmax = dmax.value;
            for (int l = 0; l < limits; ++l) ps.P[l] += exceedance[l];
        }

        if (!with_sectors) continue;
        form_group_shares(ps, src, directions, background, conc, p);
        form_sectors(ps, transfers, annual, rose, directions, p);
    }
}

}  // namespace zemo
