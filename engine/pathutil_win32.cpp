// The two path and text helpers that need the system: dialog labels and file attributes.
#include <windows.h>

#include "pathutil.h"
#include "pathutil_win32.h"

void SetDlgItemNumber(HWND dialog, int controlId, uint32_t value) {
    char text[NumberTextSize];
    FormatNumber(text, value);
    (void)SetDlgItemTextA(dialog, controlId, text);
}

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }
