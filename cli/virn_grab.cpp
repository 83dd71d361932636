// virn-grab: lists the samples of tracker modules, plain or zipped, and extracts them as
// WAV or raw files.
//
//   virn-grab list [--json] FILE...
//   virn-grab extract [--raw] [-o DIR] [--only LIST] FILE...
//
// Exit status: 0 when every file was handled, 1 when any file failed, 2 on a usage error.
#include "grab_command.h"

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return run_virn_grab(args, stdout, stderr);
}
