// virn-grab as a function: the program's main hands it the arguments and the standard
// streams; tests call it in their own process with files of their own.
#ifndef CLI_GRAB_COMMAND_H
#define CLI_GRAB_COMMAND_H

#include <stdio.h>
#include <string>
#include <vector>

// args: everything after the program name ("list", "--json", files...). Tables, JSON and
// the names of written files go to out, messages to err. Returns the exit status: 0 when
// every file was handled, 1 when any failed, 2 on a usage error.
int run_virn_grab(const std::vector<std::string> &args, FILE *out, FILE *err);

// Where sample buffers come from (malloc); a test puts in one that fails, to see a sample
// that cannot be allocated refused with a message instead of ending the program.
extern void *(*virn_grab_alloc)(size_t size);

#endif
