// Program parameters: the process's command line cut into tokens by blanks
// and double quotes, without the program's own name. The line is scanned
// afresh on every call.
#ifndef CELPACK_PARAMETERS_H
#define CELPACK_PARAMETERS_H

#include "platform/platform.h"

// Allocates the parameter cursor (zero) on the RuntimeHeap. Run by
// startRuntime.
void initParameters();

// Forgets the cursor block, which went with the RuntimeHeap. Run by
// stopRuntime, so that nothing reaches the old heap before the next start.
void forgetParameters();

// The number of parameters after the program's name; -1 when the line has
// no token at all.
int32_t countParameters();

// Parameter `index` as a temporary string (empty when there is none). An
// index of 0 or more moves the cursor there first; a negative index takes
// the parameter under the cursor. A parameter found moves the cursor on.
const WCHAR* parameterAt(int32_t index);

// The cursor: the parameter that a negative index asks for.
int32_t parameterCursor();

#endif
