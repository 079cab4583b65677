// zemo: the console program. Runs one computation described by a project
// file; see run/console.h and run/run.h for the stages.
#include "run/console.h"

#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

// Windows hands the arguments over as wide strings. The narrow argv holds
// them in the ANSI code page, which turns every letter outside it into "?"
// (a č under code page 1252), so they are taken wide and passed on as UTF-8,
// the form run_console reads on every platform.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> utf8(static_cast<std::size_t>(argc > 0 ? argc : 0));
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        if (n > 1) {
            utf8[i].resize(static_cast<std::size_t>(n));
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, utf8[i].data(), n, nullptr, nullptr);
            utf8[i].resize(static_cast<std::size_t>(n - 1));
        }
    }
    std::vector<char*> pointers;
    for (std::string& a : utf8) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    return zemo::run_console(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return zemo::run_console(argc, argv); }
#endif
