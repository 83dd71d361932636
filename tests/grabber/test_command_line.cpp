// The command line as the shell passes it when modules are opened with the program.
#include "command_line.h"

#include <gtest/gtest.h>

namespace
{

struct CommandLineCase {
    std::string line;
    std::vector<std::string> args;
};

const std::string LongPath = "C:\\" + std::string(5000, 'x') + " y\\song.xm";

const CommandLineCase Cases[] = {
    // The quoted program path, then two files: both, in order.
    {"\"C:\\Program Files\\Virn\\Virn.exe\" a.xm b.xm", {"a.xm", "b.xm"}},
    // Nothing after the program path.
    {"\"C:\\Program Files\\Virn\\Virn.exe\"", {}},
    {"\"C:\\Program Files\\Virn\\Virn.exe\"   ", {}},
    // An unquoted program path followed by one argument opens that argument.
    {"C:\\Virn\\Virn.exe song.it", {"song.it"}},
    {"Virn.exe", {}},
    // A quoted path with spaces is one file, quotes removed.
    {"\"C:\\Virn\\Virn.exe\" \"C:\\My Music\\a.xm\"", {"C:\\My Music\\a.xm"}},
    {"\"C:\\Virn\\Virn.exe\" \"C:\\My Music\\a.xm\" \"D:\\b c\\d.it\" e.mod",
     {"C:\\My Music\\a.xm", "D:\\b c\\d.it", "e.mod"}},
    // Runs of blanks (spaces and tabs) are one separator.
    {"Virn.exe  a.xm \t b.xm", {"a.xm", "b.xm"}},
    // A quote inside a word only groups.
    {"Virn.exe \"C:\\My Music\"\\a.xm", {"C:\\My Music\\a.xm"}},
    {"Virn.exe C:\\My\" \"Music\\a.xm", {"C:\\My Music\\a.xm"}},
    // Backslashes count only before a quote: a trailing folder separator survives.
    {"Virn.exe \"C:\\dir\\\\\" x", {"C:\\dir\\", "x"}},
    {"Virn.exe a\\\\\\\"b", {"a\\\"b"}},
    {"Virn.exe C:\\a\\b.xm", {"C:\\a\\b.xm"}},
    // Inside quotes, two quotes are one literal quote.
    {"Virn.exe \"a\"\"b\"", {"a\"b"}},
    // An empty quoted argument is an argument (a file that cannot be opened).
    {"Virn.exe \"\" a.xm", {"", "a.xm"}},
    // An unterminated quote runs to the end.
    {"Virn.exe \"C:\\My Music\\a.xm", {"C:\\My Music\\a.xm"}},
    // The program path's quotes are not escape-processed.
    {"\"C:\\odd\\\" a.xm", {"a.xm"}},
    {"", {}},
    // Any length.
    {"\"C:\\Virn\\Virn.exe\" \"" + LongPath + "\" b.xm", {LongPath, "b.xm"}},
};

TEST(CommandLine, SplitsByTheStandardRules)
{
    for (const CommandLineCase &c : Cases)
        EXPECT_EQ(c.args, command_line_arguments(c.line.c_str())) << c.line;
}

} // namespace
