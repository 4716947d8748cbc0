// Commandlineunit: kelvane's command line. `kelvane [FILE]` starts the window and reads FILE as
// File > Read would; --help and --version (-h, -v) print their text and end the program at once,
// without a window or a display.
#pragma once

#include <optional>

// When the command line asks for the help or the version: prints it to standard output (an
// option the program does not know, beside them, to standard error) and returns the status to
// end with. Otherwise (no option, or a file name, or anything after "--") returns nothing and
// the window starts.
std::optional<int> AnswerInformationOptions(int argc, char** argv);
