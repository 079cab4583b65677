#include "base/version.h"

#include "base/platform.h"

namespace zemo {

std::string program_version_text() {
    std::string version = platform::program_version();
    return version.empty() ? std::string(kFallbackVersion) : version;
}

std::string version_key(std::string_view version) { return std::string(version.substr(0, version.find('.'))) + ".0"; }

}  // namespace zemo
