// What every format loader shares: entry finishing and storing, bounds on what the
// file holds, names, and the walk over a chain of chunks.
//
// Loader contract: the load runs a loader only on a view that passed the format's
// signature test and has copied the song title already (see formats.h). The loader
// builds one entry per sample slot in the format's own units and hands each to
// add_entry, which finishes, counts and stores it in the next catalog slot.
#ifndef VIRN_LOADER_TOOLKIT_H
#define VIRN_LOADER_TOOLKIT_H

#include "encoding.h"
#include "module.h"

// Derives channels, bits and the byte-scaled info block from encoding and length.
// `shift` is 1 when the loader counts frames, 0 when it gives byte counts already.
void finish_entry(CatalogEntry *entry, int shift);
// Finishes the entry and stores it in the next catalog slot (dropped beyond the
// table). Every stored slot counts as an entry; one with a length and a decoder also
// as a sample. Returns the stored slot, or null when it was dropped. The entry may
// already be that slot (a loader that fills it in place).
CatalogEntry *add_entry(LoadedModule *m, CatalogEntry *entry, int shift);
// Puts a stored entry inside the limits every caller relies on: byteLength at most
// VIRN_MAX_BYTE_LENGTH (so a caller's byteLength + 300 cannot wrap), playing loops
// inside byteLength, the rate from VIRN_MIN_RATE to VIRN_MAX_RATE (rate x block size
// fits 32 bits). The load applies it to every entry once the loaders are done.
void bound_entry(CatalogEntry *entry);
uint32_t note_rate(uint32_t note, uint32_t finetune);

// A loop's kind from a format's flags: no loop unless it loops at all.
inline uint8_t loop_kind(bool loops, bool pingpong)
{
    if (!loops)
        return VIRN_LOOP_NONE;
    return pingpong ? VIRN_LOOP_PINGPONG : VIRN_LOOP_FORWARD;
}

// How many of `count` records of `recordSize` bytes starting at `offset` the view
// holds whole: a count read from the file bounds a loop only after this.
uint32_t records_that_fit(const ByteView &v, uint64_t offset, uint32_t count, uint32_t recordSize);

// Copies at most `max` characters of a name field, stopping at a zero byte, into a
// zero-filled destination that has room for max + 1 bytes. Bytes outside the view read 0.
void copy_name(char *dst, const ByteView &v, uint64_t offset, uint32_t max);
// Song title: at most min(max, 44) characters, so songName always ends with a zero.
void copy_song_name(LoadedModule *m, uint64_t offset, uint32_t max);
// Points an entry at stored data that starts `viewOffset` bytes into the view.
// Data that starts at or past the end of the copy gets no data at all.
void set_entry_data(const LoadedModule *m, CatalogEntry *entry, uint64_t viewOffset);

// A chain of chunks: a 4-byte identifier, a 32-bit body size, the body; the next chunk
// begins right after the body. Every chunk moves the walk on by at least its 8-byte
// head, so a walk ends whatever the sizes say.
struct ChunkWalk {
    ByteView view;
    uint64_t next;     // offset of the next chunk's head
    uint32_t headRoom; // a head is read only while more than this many bytes follow it
    bool bigEndian;    // of the size field
};
struct Chunk {
    uint64_t head; // offset of the identifier
    uint64_t body;
    uint32_t size; // as the head says: the body may run past the view
};
bool next_chunk(ChunkWalk *walk, Chunk *chunk);
inline bool chunk_is(const ChunkWalk &walk, const Chunk &chunk, const char *id)
{
    return has_tag(walk.view, chunk.head, id);
}

#endif
