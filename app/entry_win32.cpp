// The process entry of celpack.exe. No C runtime start-up runs before it:
// the loader calls it directly and shut-down ends the process through
// ExitProcess, so it never returns.
#include "app/celpack_main.h"

// The loader gives no alignment beyond 4 bytes; realign for the compiler's
// own assumptions.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void celpackEntry() { runCelpack(); }
