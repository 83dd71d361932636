// The packed-module list bound to the system: files read whole into VirtualAlloc blocks,
// pexlin.dll loaded by name around every call, records released with VirtualFree, playlist
// entries sent to the host's main window.
#ifndef PLUGIN_PACKED_MODULES_H
#define PLUGIN_PACKED_MODULES_H

#include "packed_list.h"

extern const ArchiveAccess g_archiveAccess;

// The operations of packed_list.h on the plug-in's own list.
bool expand_archive(const char *file);
bool load_image(const char *name, ModuleImage *image);
void release_image(ModuleImage *image);
void release_list();

// Reads a whole file into a fresh zero-filled block; null for a missing or empty file.
uint8_t *read_file_image(const char *path, uint32_t *size);

#endif
