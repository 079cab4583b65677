// printf-style formatting done by the program itself, so that every number
// it writes has the same bytes on every platform and in every locale. The C
// libraries differ: the Windows C runtime rounds a tie away from zero ("%.0f"
// of 2.5 gives 3, glibc gives 2), and a desktop toolkit may switch the
// process to a Czech locale, which would print 1,5 for 1.5. Floating values
// are converted by std::to_chars, correctly rounded (a tie goes to the even
// neighbour, as glibc does). Every number the system writes goes through
// these functions.
#pragma once

#include <cstdarg>
#include <string>

namespace zemo {

// The conversions d i u x X o c s f F e E g G and %%, with the flags - + blank
// # 0, a width and a precision (also as *) and the lengths hh h l ll z j t;
// any other conversion throws std::invalid_argument. The whole result,
// however long.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args);

// The shared message buffer holds 1000 characters including the terminator:
// a message text is cut to its first 999 characters, never overrun.
inline constexpr std::size_t kMessageBufferSize = 1000;
std::string format_message(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace zemo
