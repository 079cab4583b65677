// zemo: the console program. Runs one computation described by a project
// file; see run_sequence.h for the stages.
#include "run/run_sequence.h"

int main(int argc, char** argv) { return zemo::run_console(argc, argv); }
