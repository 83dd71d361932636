// Writes every module fixture into the folder given as the first argument.
#include "fixtures.h"

#include <stdio.h>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    for (const Fixture &f : all_module_fixtures()) {
        if (!write_file(std::string(argv[1]) + "/" + f.name, f.bytes))
            return 1;
    }
    return 0;
}
