// Number conversions with the C library's input semantics, independent of
// the process locale:
//   scan_float   - "%f" into a float: leading white space skipped, optional
//                  sign, decimal or hexadecimal digits, exponent, inf/nan;
//                  the conversion stops at the first character that cannot
//                  continue the number.
//   scan_double  - "%lf", the same into a double.
//   scan_int     - "%i": optional sign, "0x" hexadecimal, leading "0" octal.
// Each returns false when nothing converts (the C conversion would assign
// nothing); the output is then left unchanged.
#pragma once

#include <cstddef>
#include <string_view>

namespace zemo {

bool scan_float(std::string_view text, float& out);
bool scan_double(std::string_view text, double& out);
bool scan_int(std::string_view text, int& out);

// The same conversions, which also give where the number ends in text
// (the position of the first character not taken), so that a caller can
// tell a field read whole from one read only in part ("0,5" read as 0).
bool scan_float(std::string_view text, float& out, std::size_t& end);
bool scan_double(std::string_view text, double& out, std::size_t& end);
bool scan_int(std::string_view text, int& out, std::size_t& end);

// True when nothing but blanks, tabs and zero bytes (a DBF field's
// padding) follows position end of text.
bool only_blanks_after(std::string_view text, std::size_t end);

}  // namespace zemo
