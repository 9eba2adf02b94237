// User-interface calls of the native build: top-level window enumeration
// and state (a terminal has no windows), the message box (one line "Caption: text" on standard
// error), icons, common controls and COM start-up.
#ifndef CELPACK_NATIVE_USER_H
#define CELPACK_NATIVE_USER_H

#include "platform/native/types.h"

typedef BOOL (*WNDENUMPROC)(HWND window, LPARAM extra);

#define GWL_EXSTYLE (-20)
#define WS_EX_TOPMOST 0x00000008
#define HWND_TOPMOST ((HWND)(LONG_PTR)-1)
#define HWND_NOTOPMOST ((HWND)(LONG_PTR)-2)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOACTIVATE 0x0010

#define MB_OK 0x00000000
#define IDOK 1

BOOL EnumWindows(WNDENUMPROC callback, LPARAM extra);
DWORD GetWindowThreadProcessId(HWND window, LPDWORD processId);
BOOL IsWindowVisible(HWND window);
BOOL IsWindowEnabled(HWND window);
LONG GetWindowLongA(HWND window, int index);
HWND GetForegroundWindow(void);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

#define ICC_TAB_CLASSES 0x00000008
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_INTERNET_CLASSES 0x00000800

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
HRESULT CoInitialize(LPVOID reserved);

// ---- Icons
#define LR_DEFAULTCOLOR 0x00000000
#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003

typedef struct _ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
} ICONINFO, *PICONINFO;

HICON CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL icon, DWORD version, int desiredWidth,
                               int desiredHeight, UINT flags);
HICON CreateIconFromResource(PBYTE bits, DWORD size, BOOL icon, DWORD version);
BOOL GetIconInfo(HICON icon, PICONINFO info);
BOOL DestroyIcon(HICON icon);
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step,
                HBRUSH flickerFreeBrush, UINT flags);

#endif
