// The implode decoder (method 6): a sliding dictionary of 4 or 8 KB whose literals (when a
// literal tree is present), match lengths and the high 6 bits of distances are coded with
// Shannon-Fano trees stored at the start of the member.
//
// The dictionary is the engine's output window, cleared before every member, so distances
// before the member's first byte read zeros.
#include <string.h>

#include "decoders.h"

namespace
{

enum { MAX_SYMBOLS = 256, MAX_NODES = 2 * MAX_SYMBOLS + 2 };

struct Node {
    uint16_t first;  // 0-branch child; 0 in a leaf
    uint16_t second; // 1-branch child; the symbol in a leaf
};

struct Tree {
    Node node[MAX_NODES];
    int longest; // longest bit length: no walk takes more steps
};

// Reads a tree description and builds its nodes. False when the description assigns more
// or fewer lengths than the tree has symbols, or the input ends: the member ends there.
bool read_tree(UnzipState *s, Tree *t, int symbols)
{
    uint8_t length[MAX_SYMBOLS];
    int count = (int)read_bits(s, 8) + 1;
    int assigned = 0;
    t->longest = 0;
    for (int i = 0; i < count; i++) {
        int len = (int)read_bits(s, 4) + 1;
        int run = (int)read_bits(s, 4) + 1;
        if (assigned + run > symbols)
            return false;
        memset(length + assigned, len, run);
        assigned += run;
        if (len > t->longest)
            t->longest = len;
    }
    if (assigned != symbols || s->input_exhausted)
        return false;

    // Leaves go in from the longest bit length to the shortest, and within one length from
    // the highest symbol down; each level's nodes are then paired, the earlier one of a pair
    // taking the 0 bit. The inner nodes made from a level open the next shorter one.
    memset(t->node, 0, sizeof t->node);
    int next = 1;
    int level_first = 1;
    for (int len = t->longest; len >= 1; len--) {
        for (int sym = symbols - 1; sym >= 0; sym--) {
            if (length[sym] == len) {
                t->node[next].first = 0;
                t->node[next].second = (uint16_t)sym;
                next++;
            }
        }
        int level_last = next - 1;
        int made = next;
        if (len >= 2) {
            for (int i = level_first; i + 1 <= level_last; i += 2) {
                if (next >= MAX_NODES)
                    return false;
                t->node[next].first = (uint16_t)i;
                t->node[next].second = (uint16_t)(i + 1);
                next++;
            }
        }
        level_first = made;
    }
    if (next < 3)
        return false;
    t->node[0].first = (uint16_t)(next - 2);
    t->node[0].second = (uint16_t)(next - 1);
    return true;
}

// A symbol of the tree, or -1 when the walk does not reach a leaf within the longest code.
int tree_symbol(UnzipState *s, const Tree *t)
{
    const Node *n = &t->node[0];
    for (int step = 0; step < t->longest; step++) {
        n = &t->node[read_bits(s, 1) ? n->second : n->first];
        if (n->first == 0)
            return n->second;
    }
    return -1;
}

struct Trees {
    Tree literal, length, distance;
};

} // namespace

void explode(UnzipState *s)
{
    const bool big_dictionary = (s->local.general_flags & 2) != 0;
    const bool literal_tree = (s->local.general_flags & 4) != 0;
    const int low_bits = big_dictionary ? 7 : 6;
    const uint32_t shortest = literal_tree ? 3 : 2;

    // The trees are large: they live in the state's shared work area, not on the stack.
    static_assert(sizeof(Trees) <= sizeof s->followers, "the trees fit the work area");
    Trees *trees = (Trees *)(void *)s->followers;
    if (literal_tree && !read_tree(s, &trees->literal, 256))
        return;
    if (!read_tree(s, &trees->length, 64) || !read_tree(s, &trees->distance, 64))
        return;

    while (!s->input_exhausted && output_so_far(s) < s->uncompressed_size) {
        if (read_bits(s, 1)) {
            int c = literal_tree ? tree_symbol(s, &trees->literal) : (int)read_bits(s, 8);
            if (c < 0 || s->input_exhausted)
                return;
            put_byte(s, (uint8_t)c);
            continue;
        }
        uint32_t low = read_bits(s, low_bits);
        int high = tree_symbol(s, &trees->distance);
        int len = tree_symbol(s, &trees->length);
        if (high < 0 || len < 0)
            return;
        uint32_t length = (uint32_t)len;
        if (length == 63)
            length += read_bits(s, 8);
        length += shortest;
        if (s->input_exhausted)
            return;
        uint32_t distance = ((uint32_t)high << low_bits | low) + 1;

        uint32_t from = (s->window_count - distance) & (WINDOW_SIZE - 1);
        if (from + length <= WINDOW_SIZE && s->window_count + length < WINDOW_SIZE) {
            // Byte by byte: a match closer than its length repeats its own output.
            for (uint32_t i = 0; i < length; i++)
                s->window_pointer[i] = s->output_window[from + i];
            s->window_pointer += length;
            s->window_count += length;
        } else {
            for (uint32_t i = 0; i < length; i++) {
                put_byte(s, s->output_window[from]);
                from = (from + 1) & (WINDOW_SIZE - 1);
            }
        }
    }
}
