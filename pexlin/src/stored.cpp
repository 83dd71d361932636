// Method 0: the compressed bytes are the member's bytes, copied in runs straight into the
// member's buffer.
#include "methods.h"

void copy_stored(Input *in, Output *out)
{
    uint8_t *to = direct_room(out);
    if (!to)
        return;
    uint32_t done = 0, n;
    const uint8_t *run;
    // Nothing beyond the declared size is kept, so there is no point reading on.
    while (done < out->declared && (n = member_run(in, out->declared - done, &run)) > 0) {
        memcpy(to + done, run, n);
        done += n;
    }
    commit_direct(out, done);
}
