#include "base/format.h"

#include "base/platform.h"

namespace zemo {

std::string vformat(const char* fmt, va_list args) { return platform::vformat_c_locale(fmt, args); }

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

std::string format_message(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    if (out.size() > kMessageBufferSize - 1) out.resize(kMessageBufferSize - 1);
    return out;
}

}  // namespace zemo
