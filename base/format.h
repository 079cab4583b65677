// printf-style formatting that never depends on the process locale: the
// desktop toolkit may switch the process to a Czech locale, which would print
// 1,5 for 1.5. Every number the system writes goes through these functions.
#pragma once

#include <cstdarg>
#include <string>

namespace zemo {

// Formats in the C locale; the whole result, however long.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args);

// The shared message buffer holds 1000 characters including the terminator:
// a message text is cut to its first 999 characters, never overrun.
inline constexpr std::size_t kMessageBufferSize = 1000;
std::string format_message(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zemo
