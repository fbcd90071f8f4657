// Reads a link through the shell's link object, as the shell itself would.
#include "shelllinkread.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

bool ReadShellLink(const char* linkPath, char* target, size_t targetSize, char* workingFolder,
                   size_t workingFolderSize) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    // One character more than either text may hold, so that a text cut to fit shows as too long.
    char path[MAX_PATH + 1] = "";
    char folder[MAX_PATH + 1] = "";
    bool read = false;
    IPersistFile* file = nullptr;
    WCHAR widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) > 0 &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        read = SUCCEEDED(file->Load(widePath, STGM_READ)) &&
               SUCCEEDED(link->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH)) &&
               SUCCEEDED(link->GetWorkingDirectory(folder, sizeof folder));
        file->Release();
    }
    link->Release();
    const size_t pathLength = lstrlenA(path);
    const size_t folderLength = lstrlenA(folder);
    if (!read || pathLength + 1 > targetSize || folderLength + 1 > workingFolderSize) return false;
    lstrcpynA(target, path, static_cast<int>(targetSize));
    lstrcpynA(workingFolder, folder, static_cast<int>(workingFolderSize));
    return true;
}
