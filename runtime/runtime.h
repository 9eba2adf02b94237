// The top of the runtime: the fixed start-up and shut-down sequences and the
// msimg32 look-up. The records below it (runtime/heaps.h) come with this
// header for the libraries above. Those libraries hand in their init and
// end routines so that imports run one way only; the runtime still calls
// them in its own fixed order.
#ifndef CELPACK_RUNTIME_H
#define CELPACK_RUNTIME_H

#include "platform/platform.h"
#include "runtime/heaps.h"

// The routines of the libraries above the runtime, each optional (null is
// skipped). The runtime's own (strings, alpha blend, parameters, user
// interface) are not listed: it calls them itself.
struct RuntimeLibraries {
    void (*initImageDecoders)();
    void (*initImages)();
    void (*initDrawing)();
    void (*initFiles)();
    void (*endFiles)();
    void (*endImages)();
};

// msimg32's "AlphaBlend", looked up at start-up and never called; null when
// the library or the entry is missing.
extern FARPROC alphaBlendEntry;

// Runs the start-up sequence. A heap that cannot be created ends the
// process at once with exit code 0.
void startRuntime(const RuntimeLibraries* libraries);

// Runs the shut-down sequence and ends the process with exit code 0.
[[noreturn]] void endRuntime();

// The shut-down sequence without the exit, for tests that start and stop
// the runtime many times in one process.
void stopRuntime();

// The runtime's own steps of the two sequences.
void initAlphaBlend();     // loads msimg32 and looks up alphaBlendEntry
void endAlphaBlend();      // releases msimg32, if it was loaded
void initUserInterface();  // common controls and COM; results ignored

#endif
