// check_and_process_arc on arbitrary bytes: once for every member, once for a wanted name
// (the first record's, so the selection path runs on names the archive really has).
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "pexlin.h"

// Touches every byte a record claims to have, and releases the chain.
static void release(ExtractedMember *r)
{
    while (r) {
        ExtractedMember *next = r->next;
        volatile uint8_t sum = 0;
        for (uint32_t i = 0; i < r->size; i++)
            sum += r->data[i];
        (void)sum;
        free(r->data);
        free(r);
        r = next;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0xFFFFFFFFu)
        return 0;
    ExtractedMember *all = check_and_process_arc(data, (uint32_t)size, nullptr, nullptr);
    char wanted[PEXLIN_NAME_FIELD];
    strcpy(wanted, all ? all->name : "song.mod");
    release(all);
    release(check_and_process_arc(data, (uint32_t)size, nullptr, wanted));
    return 0;
}
