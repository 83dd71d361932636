// The shrink decoder (method 1): LZW with codes of 9 to 13 bits, an explicit code-size
// increase (256 then 1) and a partial clear (256 then 2) that frees every code that is no
// other code's prefix.
//
// Invariants: codes are below 2^13 = 8192, so every table index is in range; a parent entry
// is -1 (free) or a code below 8192; a decoded string never exceeds the 8192-byte stack.
#include "methods.h"

enum {
    CONTROL_CODE = 256,
    FIRST_STRING = 257,
    DICTIONARY = 8192, // codes 0 to 8191
    MAX_CODE_SIZE = 13,
    STACK_SIZE = 8192,
};

// The next code, or -1 when the input cannot complete it (the spare bits that pad the last
// byte after the member's last code are dropped that way).
static inline int read_code(Input *in, int size)
{
    if (!real_bits(in, (uint32_t)size))
        return -1;
    int code = (int)peek_bits(in, (uint32_t)size);
    drop_bits(in, (uint32_t)size);
    return code;
}

// Frees every string code that no other code uses as its prefix, over the whole dictionary:
// after an earlier clear, codes above the next free one may be in use too.
static void partial_clear(int16_t *parent)
{
    const uint16_t LEAF_MARK = 0x8000;
    for (int c = FIRST_STRING; c < DICTIONARY; c++) {
        if (parent[c] != -1)
            parent[c] = (int16_t)((uint16_t)parent[c] | LEAF_MARK);
    }
    for (int c = FIRST_STRING; c < DICTIONARY; c++) {
        if (parent[c] == -1)
            continue;
        int p = (uint16_t)parent[c] & 0x7FFF;
        if (p >= FIRST_STRING && parent[p] != -1)
            parent[p] = (int16_t)((uint16_t)parent[p] & 0x7FFF);
    }
    for (int c = FIRST_STRING; c < DICTIONARY; c++) {
        if (parent[c] != -1 && ((uint16_t)parent[c] & LEAF_MARK))
            parent[c] = -1;
    }
}

static int lowest_free(const int16_t *parent, int from)
{
    while (from < DICTIONARY && parent[from] != -1)
        from++;
    return from;
}

void unshrink(Input *in, Output *out, ShrinkArea *area)
{
    int16_t *parent = area->parent;
    uint8_t *suffix = area->suffix;
    uint8_t *stack = area->stack;
    int code_size = 9;
    for (int c = 0; c < 256; c++) {
        parent[c] = 0;
        suffix[c] = (uint8_t)c;
    }
    for (int c = CONTROL_CODE; c < LZW_CODES; c++)
        parent[c] = -1;
    int next_free = FIRST_STRING;

    int code = read_code(in, code_size);
    if (code < 0)
        return;
    put_byte(out, (uint8_t)code);
    int old_code = code;
    uint8_t last_byte = (uint8_t)code;

    while (output_so_far(out) < out->declared) {
        code = read_code(in, code_size);
        while (code == CONTROL_CODE) {
            int sub = read_code(in, code_size);
            if (sub == 1) {
                // Wider codes than 13 bits cannot index the dictionary: the stream is broken.
                if (++code_size > MAX_CODE_SIZE)
                    return;
            } else if (sub == 2) {
                partial_clear(parent);
                next_free = lowest_free(parent, FIRST_STRING);
            } else if (sub < 0) {
                return;
            }
            code = read_code(in, code_size);
        }
        if (code < 0)
            return;

        // Assemble the string backwards. A free code (the string being defined by this
        // very code) is the previous string followed by its own first byte.
        uint32_t top = STACK_SIZE;
        int x = code;
        if (parent[x] == -1) {
            stack[--top] = last_byte;
            x = old_code;
        }
        while (x >= FIRST_STRING) {
            if (top == 0)
                return; // longer than any string the dictionary can hold: corrupt data
            if (parent[x] == -1) {
                stack[--top] = last_byte;
                x = old_code;
            } else {
                stack[--top] = suffix[x];
                x = parent[x];
            }
        }
        if (top == 0)
            return;
        stack[--top] = suffix[x];
        uint8_t first = stack[top];
        write_run(out, stack + top, STACK_SIZE - top);

        if (next_free < DICTIONARY) {
            parent[next_free] = (int16_t)old_code;
            suffix[next_free] = first;
            next_free = lowest_free(parent, next_free + 1);
        }
        old_code = code;
        last_byte = first;
    }
}
