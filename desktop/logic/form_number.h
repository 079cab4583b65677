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

}  // namespace zemo::desktop
