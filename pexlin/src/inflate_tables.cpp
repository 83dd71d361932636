// The table builder of the deflate decoder.
//
// A table decodes a canonical prefix code (RFC 1951, 3.2.2) with one lookup for codes of
// up to `width` bits. The primary table has 2^width entries, indexed by the next `width`
// input bits, the first bit of a code in the lowest index bit. A code of len <= width bits
// is repeated at all 2^(width - len) indexes whose low len bits are the code. Codes longer
// than width share a primary entry per distinct first `width` bits; that entry links (op =
// 16 + b) to a sub-table of 2^b entries, indexed by the following b bits, b chosen as the
// smallest width that holds every code with that prefix. Entries no code reaches (only in
// an incomplete code) hold op 99, invalid.
//
// Why the tables fit (sizes in inflate_tables.h). Let max be the longest code length (at most
// 15) and root the width used. A sub-table never has more than 2^(max - root) entries, and
// each holds at least one code, so the entries used are at most
//     2^root + (codes longer than root) * 2^(max - root).
// - literal/length, root 9: 512 + 288 * 2^6 = LIT_TABLE_SIZE;
// - distance, root 6: 64 + 32 * 2^9 = DIST_TABLE_SIZE (incomplete codes are accepted here,
//   so the complete-code bound does not apply);
// - code-length code: 19 codes of at most 7 bits, root 7: 128 entries, no sub-tables;
// - fixed literal/length, root 7, codes of 7 to 9 bits: at most 128 prefixes with
//   sub-tables of 2^(9 - 7) = 4 entries: 128 + 128 * 4 = FIXED_LIT_SIZE;
// - fixed distance, root 5, 5-bit codes: 32 entries.
// The builder still checks every sub-table against the capacity it is given.
//
// The width asked for is lowered to the longest code present (a wider table would only
// repeat entries). It is not raised to the shortest code: for a complete code of these
// alphabets the shortest code is never longer than the width asked for, and for an
// incomplete distance code raising it could cost 2^15 entries for nothing.
#include <string.h>

#include "inflate_tables.h"

enum { MAX_BITS = 15 };

Status build_huffman_table(const uint8_t *lengths, unsigned n, unsigned s, const uint16_t *base,
                           const uint8_t *extra, bool incomplete_ok, HuffCode *table,
                           unsigned capacity, unsigned *width)
{
    unsigned count[MAX_BITS + 1] = {0};
    for (unsigned sym = 0; sym < n; sym++)
        count[lengths[sym] & 15]++;
    unsigned max = MAX_BITS;
    while (max >= 1 && count[max] == 0)
        max--;
    const HuffCode invalid = {OP_INVALID, 1, 0};
    if (max == 0) {
        // No codes at all: every lookup is invalid, which decoding reports when it is used.
        table[0] = table[1] = invalid;
        *width = 1;
        return StatusOk;
    }
    unsigned root = *width;
    if (root > max)
        root = max;
    if (root < 1)
        root = 1;

    // Code space: `left` counts the unused codes of each length; below zero is too many.
    int left = 1;
    for (unsigned len = 1; len <= MAX_BITS; len++) {
        left <<= 1;
        left -= (int)count[len];
        if (left < 0)
            return StatusBadFormat; // over-subscribed
    }
    // A lone one-bit code is accepted although it fills half the code space.
    if (left > 0 && max != 1 && !incomplete_ok)
        return StatusBadFormat;

    // Symbols sorted by code length, then by symbol: the order canonical codes are given in.
    unsigned offset[MAX_BITS + 2];
    offset[1] = 0;
    for (unsigned len = 1; len <= MAX_BITS; len++)
        offset[len + 1] = offset[len] + count[len];
    uint16_t sorted[320];
    for (unsigned sym = 0; sym < n; sym++) {
        if (lengths[sym])
            sorted[offset[lengths[sym]]++] = (uint16_t)sym;
    }

    unsigned used = 1u << root;
    if (used > capacity)
        return StatusBadFormat;
    for (unsigned i = 0; i < used; i++)
        table[i] = invalid;

    // `code` is the current code bit-reversed (first bit lowest), so it indexes directly.
    unsigned code = 0;
    unsigned len = 1;
    while (count[len] == 0)
        len++;
    unsigned next = 0;    // where the current (sub-)table starts
    unsigned curr = root; // its index bits
    unsigned drop = 0;    // bits already resolved by the primary table (0 in it)
    unsigned low = ~0u;   // primary index of the current sub-table
    unsigned mask = used - 1;
    unsigned total = offset[MAX_BITS + 1]; // codes in the table (offset moved past each run)
    unsigned remaining[MAX_BITS + 1];
    memcpy(remaining, count, sizeof remaining);
    for (unsigned i = 0; i < total; i++) {
        unsigned sym = sorted[i];
        if (len > root && (code & mask) != low) {
            // First code of a new prefix: open a sub-table wide enough for its codes.
            drop = root;
            next += 1u << curr; // behind the previous table (the first follows the primary)
            curr = len - drop;
            int space = 1 << curr;
            while (curr + drop < max) {
                space -= (int)remaining[curr + drop];
                if (space <= 0)
                    break;
                curr++;
                space <<= 1;
            }
            if (next + (1u << curr) > capacity)
                return StatusBadFormat;
            for (unsigned k = 0; k < (1u << curr); k++)
                table[next + k] = invalid;
            low = code & mask;
            table[low].op = (uint8_t)(OP_LITERAL + curr);
            table[low].bits = (uint8_t)root;
            table[low].val = (uint16_t)next;
        }
        HuffCode here;
        here.bits = (uint8_t)(len - drop);
        if (sym < s) {
            here.op = (s == 257 && sym == 256) ? OP_END : OP_LITERAL;
            here.val = (uint16_t)sym;
        } else {
            here.op = extra[sym - s];
            here.val = base[sym - s];
        }
        // Repeat the entry at every index of the (sub-)table whose low bits are the code.
        unsigned step = 1u << (len - drop);
        for (unsigned fill = code >> drop; fill < (1u << curr); fill += step)
            table[next + fill] = here;

        // Next canonical code of this length, in bit-reversed form.
        unsigned inc = 1u << (len - 1);
        while (code & inc)
            inc >>= 1;
        code = inc ? (code & (inc - 1)) + inc : 0;

        if (--remaining[len] == 0 && i + 1 < total) {
            while (remaining[len] == 0)
                len++;
        }
    }
    *width = root;
    return StatusOk;
}
