// S3M modules: not read yet; the loader leaves every file to the loaders after it.
#include "module.h"

void load_s3m(LoadedModule *m)
{
    (void)m;
}
