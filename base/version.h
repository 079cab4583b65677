// The program's version text and the settings key derived from it, shared
// by the console program and the desktop program.
//
// The version text comes from the platform layer (the program file's
// version resource on Windows, the compiled-in project version elsewhere);
// a program without one carries the fallback text. The settings key of a
// release is the version cut at its first "." with ".0" appended, so that
// every 1.x.y.z release finds the installation and preferences of "1.0".
#pragma once

#include <string>
#include <string_view>

namespace zemo {

// The version text of a program that has none of its own.
inline constexpr const char* kFallbackVersion = "1.0.A.0";

// The running program's version text: platform::program_version(), or
// kFallbackVersion when that is empty.
std::string program_version_text();

// The settings key suffix of a version text: "1.0.0.0" -> "1.0",
// "1.0.A.0" -> "1.0", "2.3" -> "2.0"; a text without "." gets ".0".
std::string version_key(std::string_view version);

}  // namespace zemo
