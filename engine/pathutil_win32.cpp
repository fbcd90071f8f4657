// The path and text helpers that need the system: dialog labels, file attributes, the full form
// of a path.
#include <windows.h>
#include <string.h>

#include "pathutil.h"
#include "pathutil_win32.h"

void SetDlgItemNumber(HWND dialog, int controlId, uint32_t value) {
    char text[NumberTextSize];
    FormatNumber(text, value);
    (void)SetDlgItemTextA(dialog, controlId, text);
}

HANDLE OpenPath(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    return CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}

void VolumeOf(const char* path, char (&volume)[MAX_PATH]) {
    if (!GetVolumePathNameA(path, volume, sizeof volume)) volume[0] = '\0';
}

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool ResolvePath(char* out, size_t outSize, const char* text) {
    if (outSize == 0) return false;
    // The answer is the length without the NUL when it fits, else the size it would need.
    const DWORD length = GetFullPathNameA(text, static_cast<DWORD>(outSize), out, nullptr);
    if (length == 0 || length >= outSize) {
        out[0] = '\0';
        return false;
    }
    TrimStepEnds(out);
    return true;
}

bool SamePath(const char* a, const char* b) {
    char upperA[MAX_PATH];
    char upperB[MAX_PATH];
    if (!CopyText(upperA, sizeof upperA, a) || !CopyText(upperB, sizeof upperB, b)) return false;
    // The system's own upper case of the code page, so that accented letters match too; no
    // linguistic comparison, which may take two different names as equal.
    (void)CharUpperBuffA(upperA, static_cast<DWORD>(strlen(upperA)));
    (void)CharUpperBuffA(upperB, static_cast<DWORD>(strlen(upperB)));
    return strcmp(upperA, upperB) == 0;
}

bool HoldsAnyEntry(const char* path) {
    // Only a folder is searched: a search pattern would read wildcards in its last step.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    char pattern[MAX_PATH + 1];
    if (!JoinPath(pattern, sizeof pattern, path, "*", false)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool any = false;
    do {
        const char* name = found.cFileName;
        any = !(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')));
    } while (!any && FindNextFileA(search, &found));
    (void)FindClose(search);
    return any;
}
