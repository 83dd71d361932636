// Modules for the grabber's window tests, from our own IT writer.
#ifndef TESTS_GRABBER_WIN_MODULES_H
#define TESTS_GRABBER_WIN_MODULES_H

#include "fixtures.h"

#include <string>

// `count` 8-bit samples named "s<row>" (1-based), each with its own length (100 + row
// bytes), content and rate (8000 + row), so every row is told apart by what it writes.
// Every `emptyEvery`-th row (when not 0) is an empty, unnamed slot.
Bytes numbered_it(const std::string &song, int count, int emptyEvery = 0);

// A module with a compressed 16-bit sample, a ping-pong loop and a sustain loop.
Bytes demo_module();

#endif
