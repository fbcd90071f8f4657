// The two common-controls functions the installer calls, bound on first use.
//
// A DLL that a program imports is loaded before the program's entry runs, and unless it is one of
// the system's known DLLs it is looked for in the program's own folder first: a COMCTL32.DLL
// dropped beside the installer (a download folder) would run before any hardening could. So
// Porvane.exe does not import COMCTL32.DLL. Its callers still call through the usual import
// slots (__imp_ symbols, from the dllimport declarations of <commctrl.h>); the slots are defined
// here, read-only, and hold binders that load the library from the system folder by its full path
// on first use and call on to the real functions. Built into the installer only; the tests import
// the library.
// A further common-controls function fails to link until it gets a slot here.
#include <windows.h>
#include <commctrl.h>

#include <string.h>

#include "pathutil.h"

namespace {

typedef BOOL(WINAPI* ImageListDrawFn)(HIMAGELIST, int, HDC, int, int, UINT);
typedef BOOL(WINAPI* InitCommonControlsExFn)(const INITCOMMONCONTROLSEX*);

FARPROC BindCommonControl(const char* name) {
    static HMODULE library;
    if (!library) {
        char path[MAX_PATH];
        const UINT length = GetSystemDirectoryA(path, sizeof path);
        if (length == 0 || length >= sizeof path) return NULL;
        char file[MAX_PATH + 16];
        if (!JoinPath(file, sizeof file, path, "comctl32.dll", false)) return NULL;
        library = LoadLibraryA(file);
        if (!library) return NULL;
    }
    return GetProcAddress(library, name);
}

template <typename Fn>
Fn AsFunction(FARPROC found) {
    Fn function;
    static_assert(sizeof function == sizeof found, "function pointers of one size");
    memcpy(&function, &found, sizeof function);
    return function;
}

BOOL WINAPI BindImageListDraw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
BOOL WINAPI BindInitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);

}  // namespace

// The import slots, under the names the compiler gives them for i686 stdcall functions. Being
// constant, they need no writable data section of their own.
extern "C" const ImageListDrawFn ImageListDrawSlot __asm__("__imp__ImageList_Draw@24") = BindImageListDraw;
extern "C" const InitCommonControlsExFn InitCommonControlsExSlot __asm__("__imp__InitCommonControlsEx@4") =
    BindInitCommonControlsEx;

namespace {

BOOL WINAPI BindImageListDraw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
    static ImageListDrawFn draw;
    if (!draw) draw = AsFunction<ImageListDrawFn>(BindCommonControl("ImageList_Draw"));
    return draw ? draw(list, index, dc, x, y, style) : FALSE;
}

BOOL WINAPI BindInitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
    static InitCommonControlsExFn init;
    if (!init) init = AsFunction<InitCommonControlsExFn>(BindCommonControl("InitCommonControlsEx"));
    return init ? init(classes) : FALSE;
}

}  // namespace
