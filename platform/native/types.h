// Basic platform types for the native build, with the widths the platform
// gives them: LONG and DWORD stay 32-bit, handles and *_PTR are as wide as
// an address. Strings are UTF-16 (char16_t).
#ifndef CELPACK_NATIVE_TYPES_H
#define CELPACK_NATIVE_TYPES_H

#include <stddef.h>
#include <stdint.h>

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef int32_t INT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef float FLOAT;
typedef char16_t WCHAR;
typedef char CHAR;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef size_t SIZE_T;
typedef DWORD COLORREF;
typedef void VOID;
typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef BYTE* PBYTE;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const CHAR* LPCSTR;
typedef LONG HRESULT;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

#define TRUE 1
#define FALSE 0

// Handles are opaque addresses. The native layer hands out small tagged
// numbers cast to these types, so a stale or forged handle is caught by a
// table look-up instead of a memory read.
typedef void* HANDLE;
#define CELPACK_DECLARE_HANDLE(name) \
    struct name##__;                 \
    typedef struct name##__* name
CELPACK_DECLARE_HANDLE(HWND);
CELPACK_DECLARE_HANDLE(HINSTANCE);
CELPACK_DECLARE_HANDLE(HDC);
CELPACK_DECLARE_HANDLE(HBITMAP);
CELPACK_DECLARE_HANDLE(HBRUSH);
CELPACK_DECLARE_HANDLE(HFONT);
CELPACK_DECLARE_HANDLE(HICON);
CELPACK_DECLARE_HANDLE(HPEN);
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;
typedef void* HGDIOBJ;
typedef HANDLE HGLOBAL;
typedef HANDLE HLOCAL;
#undef CELPACK_DECLARE_HANDLE

typedef INT_PTR (*FARPROC)(void);

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *LPRECT;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *LPPOINT;

typedef struct tagSIZE {
    LONG cx;
    LONG cy;
} SIZE, *LPSIZE;

#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)(WORD)(i))
#define RGB(r, g, b) \
    ((COLORREF)(((BYTE)(r)) | ((WORD)((BYTE)(g)) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)((c) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))

#endif
