// STM modules: not read yet; the loader leaves every file to the loaders after it.
#include "module.h"

void load_stm(LoadedModule *m)
{
    (void)m;
}
