// Writes every module fixture into the folder given as the first argument.
#include "fixtures.h"

#include <stdio.h>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    for (const Fixture &f : all_module_fixtures()) {
        std::string path = std::string(argv[1]) + "/" + f.name;
        FILE *out = fopen(path.c_str(), "wb");
        if (!out)
            return 1;
        fwrite(f.bytes.data(), 1, f.bytes.size(), out);
        fclose(out);
    }
    return 0;
}
