// The one door to the platform. Product code includes this header and
// nothing else of the operating system.
//
// On Windows it is the platform's own headers. Elsewhere it declares the
// subset of types, structures, constants and calls that celpack uses, under
// the platform's names, implemented in software by platform/native/.
#ifndef CELPACK_PLATFORM_H
#define CELPACK_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <string.h>
#include <wchar.h>

// A UTF-16 string literal of the platform's character type.
#define UTF16(text) L##text

#else

#include "platform/native/types.h"
#include "platform/native/kernel.h"
#include "platform/native/gdi.h"
#include "platform/native/user.h"

#define UTF16(text) u##text

#endif

#endif
