// Writes the seeds of fuzz_pexlin into the folder given as argv[1]: our archive fixtures
// and the shared test archives.
#include <stdlib.h>
#include <string>

#include "zip_writer.h"

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    std::string dir = argv[1];
    for (const Fixture &f : zip_fixtures()) {
        if (!write_file(dir + "/" + f.name + ".zip", f.bytes))
            return 1;
    }
    return system(("cp '" PEXLIN_TESTDATA "'/*.zip '" + dir + "'").c_str()) == 0 ? 0 : 1;
}
