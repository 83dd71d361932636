// The host's file information: a title and a length for a playlist entry. An archive is
// listed into playlist entries of its members instead (packed_modules.h).
#ifndef PLUGIN_FILE_INFO_H
#define PLUGIN_FILE_INFO_H

// The host's title buffer holds this many bytes (its GETFILEINFO_TITLE_LENGTH).
enum { TITLE_BUFFER = 2048 };

// file null or empty: the song now playing.
void get_file_info(const char *file, char *title, int *lengthMs);

#endif
