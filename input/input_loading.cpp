// The input loading sequence. Each reader depends on the ones before it:
// sources and reference points look their wind roses up, the transfers
// table follows the wind roses' sector count, the rotation is looked up at
// the centre of the reference points. A step that fails ends the sequence.
#include "input/input_loading.h"

#include "base/format.h"
#include "input/project_file.h"
#include "base/run_log.h"
#include "base/run_options.h"
#include "base/text.h"
#include "input/grid_rotation.h"
#include "input/model_settings.h"
#include "input/reference_points.h"
#include "input/sources.h"
#include "input/transfers.h"
#include "input/wind_roses.h"

namespace zemo {

namespace {

// A rotation given in the project is any value above this (-9999 = none).
constexpr double kRotationGivenAbove = -9998.0;

// Adds up one pollutant's stored emissions of one source kind in single
// precision, as the stored values were read.
void add_emissions(const std::vector<std::vector<double>>& emissions, std::size_t pollutant, int count, float& sum) {
    if (pollutant >= emissions.size()) return;
    const std::vector<double>& e = emissions[pollutant];
    const std::size_t n = std::min(e.size(), static_cast<std::size_t>(count < 0 ? 0 : count));
    for (std::size_t j = 0; j < n; ++j) sum += static_cast<float>(e[j]);
}

// A pollutant that no source emits is reported; the run goes on.
void check_total_emissions(const ProjectConfig& project, const Sources& s, RunLog& log) {
    const std::vector<Pollutant>& pollutants = project.pollutants;
    for (std::size_t i = 0; i < pollutants.size(); ++i) {
        float sum = 0;
        add_emissions(s.SrcP_e, i, s.NP, sum);
        add_emissions(s.SrcL_e, i, s.NL, sum);
        add_emissions(s.SrcA_e, i, s.NA, sum);
        if (!(sum > 0))
            log.messagef(kErrorData, "Celková emise %s je nulová (%i. sloupec)"_cz, pollutants[i].indicative.c_str(),
                         static_cast<int>(i) + 1);
    }
}

}  // namespace

InputData load_input_data(ProjectConfig& project, const ModelSettings& settings, const RunOptions& options,
                          InputContext& in) {
    RunLog& log = in.log;
    if (log.level > 0) log.write("\nNAČTENÍ VSTUPNÍCH DAT\n"_cz);

    InputData data;
    data.roses = read_wind_roses(project, settings, in);
    data.sources = read_sources(project, data.roses, options.memory_limit, in);
    check_total_emissions(project, data.sources, log);
    data.transfers = read_transfers(project, settings, data.roses, in);
    data.points = load_reference_points(project, data.roses, in);
    report_partial_number_counts(log, in.partial_numbers);

    if (project.projection != kProjectionJina) {
        if (project.rotation > kRotationGivenAbove)
            log.messagef(kErrorData, "Používám zadané otočení: %.2f"_cz, project.rotation);
        else project.rotation = look_up_rotation(project, data.points, options.installation_directory, log);
    }

    if (log.level > 0) log.flush();
    return data;
}

}  // namespace zemo
