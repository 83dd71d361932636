// XM modules: not read yet; the loader leaves every file to the loaders after it.
#include "module.h"

void load_xm(LoadedModule *m)
{
    (void)m;
}
