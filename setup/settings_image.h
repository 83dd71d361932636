// What the installer writes into the plug-in's settings file, Quorvel.cfg (its layout is
// the plug-in's, plugin/settings_format.h), and the paths it forms. Portable: no Windows
// calls, tested natively.
#ifndef SETUP_SETTINGS_IMAGE_H
#define SETUP_SETTINGS_IMAGE_H

#include <stddef.h>
#include <stdint.h>

#include "settings_format.h"

enum {
    SETUP_PATH_MAX = 260, // the folder fields hold at most this many characters
    // A command line is a path, a blank and %mod; the block and the line fit in this.
    SETUP_SETTINGS_MAX = SETTINGS_BLOCK_SIZE + SETUP_PATH_MAX + 8
};

// The 15-byte block with the plug-in's defaults: 00 20 20 00, 44 AC 00 00, 10,
// 00 00 00 00, 02, 00.
void default_settings_block(uint8_t out[SETTINGS_BLOCK_SIZE]);

// "<program> %mod", the command that makes the plug-in hand a module to the grabber.
// False (out empty) when it does not fit in outSize bytes.
bool grabber_command_line(const char *program, char *out, size_t outSize);

// The settings file for a grabber installed without the plug-in in the same action:
// the block of the file there (its first 15 bytes, kept as they are) or, when there is
// no file or it is too short to hold one, the defaults; then the command line, which
// replaces the old one. `existing` may be null. Returns the byte count, 0 when out (of
// outSize bytes) is too small.
size_t settings_with_command(const uint8_t *existing, size_t existingCount, const char *commandLine,
                             uint8_t *out, size_t outSize);

// "<folder>\<name>". Separators ending the folder are dropped first, so a root folder
// picked as "C:\" gives "C:\name". False (out empty) when the result does not fit.
bool join_path(const char *folder, const char *name, char *out, size_t outSize);

#endif
