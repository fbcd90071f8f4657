// The folders an install folder may not be: installing there would put the product's files among
// those of Windows, of every program or of a user, and a later installation's clean-up would
// sweep them.
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include "pathutil_win32.h"
#include "reservedfolders.h"

namespace {

// The shell's folders for everyone's programs and for a user's own files. The x86 program-files
// folders exist only on 64-bit Windows; elsewhere the shell fails them and they are passed over.
// Every id is below 256.
const BYTE ShellFolders[] = {
    CSIDL_PROGRAM_FILES,  CSIDL_PROGRAM_FILESX86,  CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86,
    CSIDL_PROFILE,        CSIDL_PERSONAL,          CSIDL_DESKTOPDIRECTORY,     CSIDL_COMMON_DOCUMENTS,
    CSIDL_COMMON_DESKTOPDIRECTORY,
};

// The system's form of a path may differ from the folder's in case or separators: both are
// compared resolved.
bool Names(const char* path, const char* folder) {
    char resolved[MAX_PATH];
    return path[0] != '\0' && ResolvePath(resolved, sizeof resolved, path) && SamePath(resolved, folder);
}

// The folder above path; false for a drive root or a text without a backslash.
bool Parent(char* path) {
    char* cut = strrchr(path, '\\');
    if (cut == nullptr || cut - path < 3) return false;
    *cut = '\0';
    return true;
}

}  // namespace

bool IsReservedFolder(const char* folder) {
    char path[MAX_PATH];
    UINT length = GetWindowsDirectoryA(path, sizeof path);
    if (length > 0 && length < sizeof path && Names(path, folder)) return true;
    length = GetSystemDirectoryA(path, sizeof path);
    if (length > 0 && length < sizeof path && Names(path, folder)) return true;

    for (const int id : ShellFolders) {
        if (FAILED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) continue;
        if (Names(path, folder)) return true;
        // The folder that holds the user's profile holds every other profile too.
        if (id == CSIDL_PROFILE && Parent(path) && Names(path, folder)) return true;
    }
    return false;
}
