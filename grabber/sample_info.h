// The "Sample Info" dialog (101): shows and edits one entry of a module window's catalog
// copy, tints every field that differs from the library's value, plays the sample with
// the edited values.
#ifndef GRABBER_SAMPLE_INFO_H
#define GRABBER_SAMPLE_INFO_H

#include <windows.h>

#include "app_state.h"

// Modal, with the window's list view as parent. 1 for OK, 2 for Cancel, 0 for the close
// box.
INT_PTR run_sample_info(ModuleWindowData *d, int row);

#endif
