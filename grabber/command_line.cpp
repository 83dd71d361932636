#include "command_line.h"

static bool blank(char c)
{
    return c == ' ' || c == '\t';
}

// Steps over the program path and returns where the arguments begin.
static const char *skip_program_path(const char *p)
{
    if (*p == '"') {
        p++;
        while (*p && *p != '"')
            p++;
        if (*p == '"')
            p++;
    } else {
        while (*p && !blank(*p))
            p++;
    }
    return p;
}

std::vector<std::string> command_line_arguments(const char *commandLine)
{
    std::vector<std::string> args;
    if (!commandLine)
        return args;
    const char *p = skip_program_path(commandLine);
    for (;;) {
        while (blank(*p))
            p++;
        if (!*p)
            break;
        std::string arg;
        bool quoted = false;
        while (*p && (quoted || !blank(*p))) {
            if (*p == '\\') {
                size_t slashes = 0;
                while (*p == '\\') {
                    slashes++;
                    p++;
                }
                if (*p == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2) {
                        arg += '"';
                        p++;
                    }
                    // An even count leaves the quote to the code below.
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (*p == '"') {
                if (quoted && p[1] == '"') {
                    arg += '"';
                    p += 2;
                } else {
                    quoted = !quoted;
                    p++;
                }
                continue;
            }
            arg += *p++;
        }
        args.push_back(arg);
    }
    return args;
}
