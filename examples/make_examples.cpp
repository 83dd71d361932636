// Writes the bundled example modules, made by our own writers, into a folder.
#include "mod_writer.h"

#include <stdio.h>
#include <string>

static bool write_file(const std::string &path, const Bytes &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

int main(int argc, char **argv)
{
    std::string folder = argc > 1 ? argv[1] : ".";
    std::string path = folder + "/demo.mod";
    if (!write_file(path, demo_mod_module())) {
        fprintf(stderr, "make-examples: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
