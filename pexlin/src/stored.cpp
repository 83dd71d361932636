// Method 0: the compressed bytes are the member's bytes, copied in runs of the input block.
#include "methods.h"

void copy_stored(Input *in, Output *out)
{
    // Nothing beyond the declared size is kept, so there is no point reading on.
    const uint8_t *run;
    while (output_so_far(out) < out->declared) {
        uint32_t n = member_run(in, INPUT_BLOCK, &run);
        if (n == 0)
            return;
        write_run(out, run, n);
    }
}
