// The desktop program's reader and writer of the project file (".atm"):
// the format of input/project_file.h, read into and written from the main
// window's ProjectForm.
//
// The desktop reader is stricter than the console reader and differs from
// it on purpose (a file one program accepts may be refused by the other):
//   1. a file entry keeps only the name before the first ","; a type word
//      after it is dropped, and the writer writes the name alone;
//   2. an unknown section or key, or a key without a value, fails the
//      whole reading with its message, where the console reports and goes on;
//   3. "POZADI" is parsed into one value per pollutant read so far;
//   4. "OTOCENI" counts only after "Projekce=jina" in the same file;
//   5. lines may hold up to 1000 characters;
//   6. no output directory is derived and no default base names are
//      filled in (the run preparation does both).
//   7. a pollutant indicative the pollutant panel would refuse (a blank,
//      a control character, one of \ / : * ? " < > | = ; ,) and a NUL
//      byte in any line but a comment fail the reading: the writer could
//      not write the file back as read.
//   8. a number out of its range (form_number.h: a limit 1 of 0, a limit 2
//      of 0, a half-life of 0 or less, a negative background value, a share
//      limit above 100, anything beyond single precision such as 1e40)
//      fails the reading with the message of its item.
//   9. a file that is not a regular file (a FIFO, a device) is not opened,
//      a line is not read past its bound, and a file without a single
//      section line is refused: it is no project, and saving it again would
//      destroy it.
// Like every reader of the system it takes CR LF, LF and a lone CR as line
// ends.
//
// The writer writes the narrow form of the format that both readers
// accept, Windows-1250 text with CR LF line ends, numbers in the C locale.
#pragma once

#include <string>

#include "desktop/logic/project_form.h"

namespace zemo::desktop {

// A line of the project file holds at most this many characters.
inline constexpr std::size_t kMaxFormFileLine = 1000;

// Reads path into form (cleared first). True when the whole file was read.
// On failure form is partly filled and error_text holds the reason (a
// "+++ " message naming the path), also when the file does not exist, is
// not a regular file or cannot be opened. error_text is the error text the
// desktop program shares between its readers.
bool read_project_form(const std::string& path, ProjectForm& form, std::string& error_text);

// The file's text for form, with "\n" line ends (the writer turns them into
// CR LF).
std::string project_form_text(const ProjectForm& form);

// Writes form to path (created or truncated). False when the file cannot be
// created or a write fails.
bool write_project_form(const std::string& path, const ProjectForm& form);

// The background values as after "Pozadi=": "%s:%lf" per chosen pollutant
// (indicative and value), "%s:0" for a negative or not given value, the
// items separated by ", ". Empty without pollutants.
std::string background_items(const ProjectForm& form);

}  // namespace zemo::desktop
