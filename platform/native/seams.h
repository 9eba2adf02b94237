// Test seams of the native layer. Tests include this header directly;
// product code never does. Every seam is off until a test turns it on and
// costs one comparison when off.
#ifndef CELPACK_NATIVE_SEAMS_H
#define CELPACK_NATIVE_SEAMS_H

#include "platform/native/gdi/gdi_seams.h"
#include "platform/native/kernel/kernel_seams.h"
#include "platform/native/user/user_seams.h"

#endif
