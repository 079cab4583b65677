// Handing the form's pollutants and background values to the model, as a
// run of the desktop program does instead of reading a project file.
#pragma once

#include <string>

#include "desktop/logic/project_form.h"

namespace zemo::desktop {

// The model's pollutant for a chosen pollutant: indicative, numeric type
// id, name, both limits and, for "ORG", the half-life. A limit 2 that is not
// greater than 0 (not given, -9999) makes it a pollutant of one limit, as a
// negative limit 2 does in the project file.
Pollutant handover_pollutant(const FormPollutant& chosen);

// The background text of a run, built like the project file's "Pozadi"
// value: "%s:%lf" per chosen pollutant, "%s:0" for a value not given,
// separated by ", " and ended by "\n". Empty without pollutants.
std::string handover_background(const ProjectForm& form);

}  // namespace zemo::desktop
