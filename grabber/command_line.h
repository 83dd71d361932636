// The program's command line as Windows programs split it: the first word is the program
// path, the others are file names. Portable, so the rules are tested natively.
#ifndef GRABBER_COMMAND_LINE_H
#define GRABBER_COMMAND_LINE_H

#include <string>
#include <vector>

// The arguments after the program path, split by the standard rules:
// - arguments are separated by runs of spaces and tabs outside quotes;
// - a quote starts or ends a quoted part (spaces inside it belong to the argument) and is
//   removed; inside a quoted part, two quotes in a row give one literal quote;
// - 2n backslashes before a quote give n backslashes and the quote acts as above; 2n + 1
//   give n backslashes and a literal quote; backslashes elsewhere are kept as they are
//   (so "C:\My Music\a.xm" stays a path).
// The program path itself follows the simpler rule the system uses for it: quoted, it runs
// to the next quote; unquoted, to the first space or tab. An empty "" argument is kept.
std::vector<std::string> command_line_arguments(const char *commandLine);

#endif
