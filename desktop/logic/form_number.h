// Numbers of the desktop program's project file and fields, converted
// without the process locale: blanks and tabs around the number are
// allowed, everything else must belong to it (an optional sign, digits with
// a decimal point, an optional exponent). "12.5x", "", "1,5" and the
// non-finite "inf" and "nan" do not convert.
#pragma once

#include <string_view>

namespace zemo::desktop {

// True when text holds exactly one finite number; out is then set,
// otherwise left unchanged.
bool convert_form_number(std::string_view text, double& out);

// True when value is finite and stays so in single precision, in which the
// window stores a number typed into a field (1e40 is finite as a double,
// but not as a float).
bool finite_in_single(double value);

// The ranges of the project's numbers, for the reader and the fields alike:
// limit 1 above 0; limit 2 above 0, or negative for a pollutant of one
// limit; a half-life above 0; a background value 0 or more; the share limit
// 0 to 100 percent. Each is finite in single precision, and a limit or a
// half-life is judged as the writer's six decimals give it back (1e-7 is
// written as 0.000000), so that a project read or typed is one that reads
// back after saving.
bool limit1_in_range(double value);
bool limit2_in_range(double value);
bool half_life_in_range(double value);
bool background_in_range(double value);
bool share_limit_in_range(double value);

// Limit 2 of a pollutant of one limit, as the project file writes it.
inline constexpr double kOneLimit = -1.0;

}  // namespace zemo::desktop
