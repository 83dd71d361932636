// The Install button: the plug-in step, the grabber step and the system step.
#ifndef SETUP_INSTALL_ACTION_H
#define SETUP_INSTALL_ACTION_H

#include <windows.h>

#include <stdint.h>

// Per component: 0 its step runs at the next Install, 1 it has run, SWITCHED_OFF the user
// switched it off with its toggle. Only zero and non-zero are ever tested.
static const uint32_t SWITCHED_OFF = 0x01010101;
extern uint32_t pluginHandled;
extern uint32_t grabberHandled;

// Runs the steps whose flag is 0, then the system step, reading the folders from the
// dialog's fields and reporting on its status lines and in message boxes.
void install(HWND dialog);

#endif
