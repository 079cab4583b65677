// The run log as the log window shows it: which lines are errors and which
// are fatal errors.
//
// The run log (base/run_log.cpp) writes an error (message types 20..29) as
// a kind line with the prefix "+++ " and, when the message has a detail, a
// second line of seven blanks, "- " and the detail:
//
//     +++ chybná vstupní data
//            - nečíselný údaj na řádce 3: [x]
//
// A fatal error (types 30..39) is written alike with the prefix "*** ". The
// prefixes stand at the start of the line, never indented; the console's
// "+++ Soubor nelze vytvorit - [ ... ]" lines look the same. Information
// lines start with "--- ", headings and echoes with "=== ", and the run's
// own lines ("VÝPOČET UKONČEN... O.K.", "počet chybových zpráv: N", the
// banner) have no prefix: all of these are plain.
#pragma once

#include <string_view>

namespace zemo::desktop {

enum class LogLineKind { Plain, Error, Fatal };

// The kind of a line by its own prefix: Error for "+++ ", Fatal for "*** "
// (a line of only "+++" or "***" too, as an editor that drops trailing
// blanks leaves it). A trailing CR is ignored. A detail line is Plain here.
LogLineKind log_line_kind(std::string_view line);

// The kind of a line that follows a line of kind previous: a detail line
// (seven blanks and "- ") belongs to the message above it and takes its
// kind; any other line is classified by log_line_kind(line).
LogLineKind log_line_kind(std::string_view line, LogLineKind previous);

}  // namespace zemo::desktop
