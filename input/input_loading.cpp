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
void check_total_emissions() {
    const Sources& s = sources();
    const std::vector<Pollutant>& pollutants = project().pollutants;
    for (std::size_t i = 0; i < pollutants.size(); ++i) {
        float sum = 0;
        add_emissions(s.SrcP_e, i, s.NP, sum);
        add_emissions(s.SrcL_e, i, s.NL, sum);
        add_emissions(s.SrcA_e, i, s.NA, sum);
        if (!(sum > 0))
            log_message(kErrorData, "Celková emise %s je nulová (%i. sloupec)"_cz, pollutants[i].indicative.c_str(),
                        static_cast<int>(i) + 1);
    }
}

}  // namespace

int load_input_data() {
    RunLog& log = run_log();
    if (log.level > 0) log.write("\nNAČTENÍ VSTUPNÍCH DAT\n"_cz);

    wind_roses() = read_wind_roses(project(), model_settings(), current_input_context());
    if (read_sources(ReaderPass::Count) == -100) return -100;
    if (read_sources(ReaderPass::Fill) == -100) return -100;
    check_total_emissions();
    transfers() = read_transfers(project(), model_settings(), wind_roses(), current_input_context());
    reference_point_tables() = load_reference_points(project(), wind_roses(), current_input_context());
    report_partial_number_counts(run_log(), partial_numbers());

    const ProjectConfig& pc = project();
    if (pc.projection != kProjectionJina) {
        if (pc.rotation > kRotationGivenAbove)
            log_message(kErrorData, "Používám zadané otočení: %.2f"_cz, pc.rotation);
        else
            project().rotation = look_up_rotation(pc, reference_point_tables(), run_options().installation_directory, log);
    }

    if (log.level > 0) log.flush();
    return 0;
}

}  // namespace zemo
