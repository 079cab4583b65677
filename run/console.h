// The console program: its command line, the installation look-up, one run
// of the project it names, and the end of the process (bell, the key that
// closes the window).
#pragma once

namespace zemo {

// Exit code 0, 3 (a wrong call) or -100.
int run_console(int argc, char** argv);

}  // namespace zemo
