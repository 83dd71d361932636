/* virn.h - public interface of the sample-extraction library (VIRN.dll, libvirn).
 *
 * A caller hands over a whole module file from memory, gets a handle, reads the
 * catalog (one 72-byte CatalogEntry per sample slot) and asks for each sample either
 * as stored or decoded to WAV-ready PCM: 8-bit unsigned or 16-bit signed
 * little-endian, two channels interleaved left first.
 */
#ifndef VIRN_H
#define VIRN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define VIRN_CALL __stdcall
#else
#define VIRN_CALL
#endif

/* The address of the module object XOR 0x4850555A; 0 means "no module". */
typedef uintptr_t ModuleHandle;
#define VIRN_HANDLE_KEY 0x4850555Au

/* ModuleType codes: one bit per format. */
enum {
    VIRN_TYPE_NONE = 0x0,
    VIRN_TYPE_MOD = 0x1,
    VIRN_TYPE_S3M = 0x2,
    VIRN_TYPE_XM = 0x4,
    VIRN_TYPE_MTM = 0x10,
    VIRN_TYPE_IT = 0x20,
    VIRN_TYPE_ULT = 0x80,
    VIRN_TYPE_STM = 0x100,
    VIRN_TYPE_PTM = 0x40000,
    VIRN_TYPE_DBM = 0x80000,
    VIRN_TYPE_PSM = 0x400000
};

/* Loop kinds of loopType and sustainType. */
enum {
    VIRN_LOOP_NONE = 0,
    VIRN_LOOP_FORWARD = 1,
    VIRN_LOOP_PINGPONG = 2,
    VIRN_LOOP_NOT_IN_FORMAT = 4 /* sustainType only: the format has no sustain loops */
};

/* Limits every catalog entry keeps. A caller may add up to 511 bytes of headers to
 * byteLength without wrapping 32 bits; rate x block size always fits 32 bits. */
#define VIRN_MAX_BYTE_LENGTH 0xFFFFFE00u
#define VIRN_MIN_RATE 1u
#define VIRN_MAX_RATE 0x3FFFFFFFu /* 0xFFFFFFFF / 4 */

/* Encoding bits that decide the PCM layout. */
#define VIRN_ENC_16BIT 0x04
#define VIRN_ENC_STEREO 0x08

#pragma pack(push, 1)
/* Byte counts and offsets into the decoded PCM. */
typedef struct SampleInfo {
    uint32_t byteLength;
    uint32_t loopStart;
    uint32_t loopEnd; /* first byte after the loop */
    uint32_t sustainStart;
    uint32_t sustainEnd;
} SampleInfo;

typedef struct CatalogEntry {
    uint32_t length; /* frames as the loader counts them; 0 = empty slot */
    /* Win32: address of the stored data inside the library's copy. Elsewhere: its
       offset from the start of the copy. 0 = no data. */
    uint32_t data;
    uint8_t encoding;
    SampleInfo info;
    uint8_t loopType;
    uint8_t sustainType;
    uint32_t rate;
    uint8_t channels;
    uint8_t bits;
    char name[35];
} CatalogEntry;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(SampleInfo) == 20, "SampleInfo is 20 bytes");
static_assert(sizeof(CatalogEntry) == 72, "CatalogEntry is 72 bytes");
static_assert(offsetof(CatalogEntry, encoding) == 8, "encoding at 8");
static_assert(offsetof(CatalogEntry, info) == 9, "info at 9");
static_assert(offsetof(CatalogEntry, loopType) == 29, "loopType at 29");
static_assert(offsetof(CatalogEntry, sustainType) == 30, "sustainType at 30");
static_assert(offsetof(CatalogEntry, rate) == 31, "rate at 31");
static_assert(offsetof(CatalogEntry, channels) == 35, "channels at 35");
static_assert(offsetof(CatalogEntry, bits) == 36, "bits at 36");
static_assert(offsetof(CatalogEntry, name) == 37, "name at 37");
#endif

/* Copies the file; the caller may free its buffer when this returns. 0 = not a module. */
ModuleHandle VIRN_CALL VIRN_LoadModule(const void *file, uint32_t length);
/* Non-zero when a module was released; 0 for a handle that unscrambles to null. */
int VIRN_CALL VIRN_FreeModule(ModuleHandle module);
/* entryCount when nonEmpty is 0, sampleCount otherwise. */
uint16_t VIRN_CALL VIRN_GetNumberOfSamples(ModuleHandle module, int nonEmpty);
/* Writes byteLength bytes of PCM into out; 0 (and nothing written) for an empty entry.
   Only the low 16 bits of every index count. */
int VIRN_CALL VIRN_GetSample(ModuleHandle module, unsigned int index, void *out);
/* Copies `length` stored bytes (the sample's data up to the end of the copy; any
   rest of out is zeroed). Returns out. */
void *VIRN_CALL VIRN_GetSampleAsIs(ModuleHandle module, unsigned int index, void *out);
SampleInfo *VIRN_CALL VIRN_GetSampleInfo(ModuleHandle module, unsigned int index);
const char *VIRN_CALL VIRN_GetSongName(ModuleHandle module);
CatalogEntry *VIRN_CALL ScGetCatalog(ModuleHandle module);
uint32_t VIRN_CALL GetModType(ModuleHandle module);

#ifdef __cplusplus
}
#endif

#endif
