// The implode decoder (method 6): a sliding dictionary of 4 or 8 KB whose literals (when a
// literal tree is present), match lengths and the high 6 bits of distances are coded with
// Shannon-Fano trees stored at the start of the member.
//
// The dictionary is the output window, cleared before every member, so distances before
// the member's first byte read zeros.
#include "methods.h"

// Reads a tree description and builds its nodes. False when the description assigns more
// or fewer lengths than the tree has symbols, or the input ends: the member ends there.
static bool read_tree(Input *in, ImplodeTree *t, int symbols)
{
    uint8_t length[256];
    int count = (int)take_bits(in, 8) + 1;
    int assigned = 0;
    t->longest = 0;
    for (int i = 0; i < count; i++) {
        int len = (int)take_bits(in, 4) + 1;
        int run = (int)take_bits(in, 4) + 1;
        if (assigned + run > symbols)
            return false;
        memset(length + assigned, len, run);
        assigned += run;
        if (len > t->longest)
            t->longest = len;
    }
    if (assigned != symbols || bits_overrun(in))
        return false;

    // Leaves go in from the longest bit length to the shortest, and within one length from
    // the highest symbol down; each level's nodes are then paired, the earlier one of a pair
    // taking the 0 bit. The inner nodes made from a level open the next shorter one.
    // Nodes that a malformed description never builds read as leaves of symbol 0.
    memset(t->first, 0, sizeof t->first);
    memset(t->second, 0, sizeof t->second);
    int next = 1;
    int level_first = 1;
    for (int len = t->longest; len >= 1; len--) {
        for (int sym = symbols - 1; sym >= 0; sym--) {
            if (length[sym] == len) {
                t->first[next] = 0;
                t->second[next] = (uint16_t)sym;
                next++;
            }
        }
        int level_last = next - 1;
        int made = next;
        for (int i = level_first; len >= 2 && i + 1 <= level_last; i += 2) {
            if (next >= IMPLODE_NODES)
                return false;
            t->first[next] = (uint16_t)i;
            t->second[next] = (uint16_t)(i + 1);
            next++;
        }
        level_first = made;
    }
    if (next < 3)
        return false;
    t->first[0] = (uint16_t)(next - 2);
    t->second[0] = (uint16_t)(next - 1);
    return true;
}

// A symbol of the tree, or -1 when the walk does not reach a leaf within the longest code.
static int tree_symbol(Input *in, const ImplodeTree *t)
{
    int n = 0;
    for (int step = 0; step < t->longest; step++) {
        n = take_bits(in, 1) ? t->second[n] : t->first[n];
        if (t->first[n] == 0)
            return t->second[n];
    }
    return -1;
}

void explode(Input *in, Output *out, ImplodeArea *area, uint16_t flags)
{
    const bool big_dictionary = (flags & 2) != 0;
    const bool literal_tree = (flags & 4) != 0;
    const uint32_t low_bits = big_dictionary ? 7 : 6;
    const uint32_t shortest = literal_tree ? 3 : 2;

    if (literal_tree && !read_tree(in, &area->literal, 256))
        return;
    if (!read_tree(in, &area->length, 64) || !read_tree(in, &area->distance, 64))
        return;

    while (!bits_overrun(in) && output_so_far(out) < out->declared) {
        if (take_bits(in, 1)) {
            int c = literal_tree ? tree_symbol(in, &area->literal) : (int)take_bits(in, 8);
            if (c < 0 || bits_overrun(in))
                return;
            put_byte(out, (uint8_t)c);
            continue;
        }
        uint32_t low = take_bits(in, low_bits);
        int high = tree_symbol(in, &area->distance);
        int len = tree_symbol(in, &area->length);
        if (high < 0 || len < 0)
            return;
        uint32_t length = (uint32_t)len;
        if (length == 63)
            length += take_bits(in, 8);
        if (bits_overrun(in))
            return;
        copy_back(out, ((uint32_t)high << low_bits | low) + 1, length + shortest);
    }
}
