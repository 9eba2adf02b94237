// The whole run of the program: start-up with the libraries the tool uses,
// the conversion, shut-down. Both builds' process entries call it.
#ifndef CELPACK_MAIN_H
#define CELPACK_MAIN_H

#include "runtime/runtime.h"

// The library routines the tool hands to start-up and shut-down.
extern const RuntimeLibraries celpackLibraries;

// Never returns: shut-down ends the process with exit code 0.
[[noreturn]] void runCelpack();

#endif
