// MTM modules: not read yet; the loader leaves every file to the loaders after it.
#include "module.h"

void load_mtm(LoadedModule *m)
{
    (void)m;
}
