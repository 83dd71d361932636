// The method decoders, one file each. A decoder reads the member's compressed bytes through
// the input's bit reader and writes through the output; it knows nothing of the archive.
// Each has a work area of its own; a member uses one method, so the areas share memory.
#ifndef PEXLIN_METHODS_H
#define PEXLIN_METHODS_H

#include "inflate_tables.h"
#include "input.h"
#include "output.h"

enum { LZW_CODES = 8193, IMPLODE_NODES = 2 * 256 + 2 };

struct ShrinkArea {
    int16_t parent[LZW_CODES]; // -1: a free code
    uint8_t suffix[LZW_CODES];
    uint8_t stack[LZW_CODES]; // a string is assembled backwards from its end
};

struct ReduceArea {
    uint8_t count[256];         // followers of each byte
    uint8_t followers[256][64]; // the follower sets
};

// An implode tree: node 0 is the root; a leaf has 0 as its first field and its symbol as
// its second, an inner node its 0-branch and 1-branch children.
struct ImplodeTree {
    uint16_t first[IMPLODE_NODES];
    uint16_t second[IMPLODE_NODES];
    int longest; // longest bit length: no walk takes more steps
};

struct ImplodeArea {
    ImplodeTree literal, length, distance;
};

struct InflateArea {
    HuffCode lens[LENS_TABLE_SIZE];
    HuffCode lit[LIT_TABLE_SIZE];
    HuffCode dist[DIST_TABLE_SIZE];
};

union MethodArea {
    ShrinkArea shrink;
    ReduceArea reduce;
    ImplodeArea implode;
    InflateArea inflate;
};

// The fixed deflate tables: built at the first fixed block of a call, kept for the rest.
struct FixedTables {
    bool built;
    unsigned lit_width, dist_width;
    HuffCode lit[FIXED_LIT_SIZE];
    HuffCode dist[FIXED_DIST_SIZE];
};

void copy_stored(Input *in, Output *out);                                // method 0
void unshrink(Input *in, Output *out, ShrinkArea *area);                 // method 1
void unreduce(Input *in, Output *out, ReduceArea *area, int factor);     // methods 2 to 5
void explode(Input *in, Output *out, ImplodeArea *area, uint16_t flags); // method 6
// Method 8: StatusBadFormat for invalid data.
Status inflate(Input *in, Output *out, InflateArea *area, FixedTables *fixed);

#endif
