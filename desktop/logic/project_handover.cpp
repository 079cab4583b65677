#include "desktop/logic/project_handover.h"

#include "desktop/logic/project_form_file.h"

namespace zemo::desktop {

Pollutant handover_pollutant(const FormPollutant& chosen) {
    Pollutant p;
    p.indicative = chosen.indicative;
    p.type = chosen.type >= 0 && chosen.type < 9 ? kPollutantTypes[chosen.type].id : kTypeJina;
    p.name = chosen.name;
    p.limit[0] = chosen.limit1;
    p.limit[1] = chosen.limit2;
    p.limit_count = chosen.limit2 > 0 ? 2 : 1;
    p.half_life = chosen.is_org() ? chosen.half_life : 0;
    return p;
}

std::string handover_background(const ProjectForm& form) {
    if (form.pollutants.empty()) return {};
    return background_items(form) + "\n";
}

}  // namespace zemo::desktop
