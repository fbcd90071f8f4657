// Start-menu shortcuts through the shell's link object.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "copystep.h"
#include "journal.h"
#include "manifest.h"
#include "pathutil.h"
#include "shortcuts.h"

bool CreateProgramGroup(const DirectoryTable& directories, const char* groupName, InstallJournal& journal) {
    const char* programs = directories.paths[DirPrograms];
    // Without a Programs folder the group would land in the root of the current drive; a name
    // stepping up with ".." would land outside the Programs folder.
    if (programs[0] == '\0' || HasDotStep(groupName)) return false;
    char folder[JoinedPathSize];
    if (!JoinPath(folder, sizeof folder, programs, groupName, false)) return false;
    if (!JournalCreateFolder(journal, folder, nullptr)) return false;
    // An existing group is used as it is; a file in the way or a missing parent is a failure.
    const DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ShortcutLinkPath(char* out, size_t outSize, const DirectoryTable& directories, const char* groupName,
                      const FileEntry& entry) {
    static const char extension[] = ".lnk";
    const char* programs = directories.paths[DirPrograms];
    char group[JoinedPathSize];
    char link[JoinedPathSize];
    // JoinPath adds a separator only where the text before it does not end in one.
    bool fits = programs[0] != '\0' && !HasDotStep(groupName) &&
                JoinPath(group, sizeof group, programs, groupName, false) &&
                JoinPath(link, sizeof link, group, entry.shortcutName, false);
    if (fits) {
        const size_t length = strlen(link);
        fits = length + sizeof extension - 1 <= MAX_PATH - 1 && length + sizeof extension + 1 <= outSize;
        if (fits) {
            memcpy(out, link, length);
            memcpy(out + length, extension, sizeof extension);
            out[length + sizeof extension] = '\0';  // the second NUL of every joined path
        }
    }
    if (!fits && outSize > 0) out[0] = '\0';
    return fits;
}

bool CreateShortcut(const DirectoryTable& directories, const FileEntry& entry, const char* groupName,
                    InstallJournal& journal) {
    const char* folder = directories.paths[(entry.flags & FILE_IN_INSTALL_FOLDER) ? DirInstall : DirWindows];
    char target[JoinedPathSize];
    char link[JoinedPathSize];
    if (!JoinPath(target, sizeof target, folder, entry.fileName, false)) return false;
    if (!ShortcutLinkPath(link, sizeof link, directories, groupName, entry)) return false;
    if (!JournalNewFile(journal, link)) return false;
    const bool saved = CreateShellLink(target, folder, link, entry.shortcutName);
    NoteChange();
    return saved;
}

bool CreateShellLink(const char* target, const char* workingFolder, const char* linkPath,
                     const char* description) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return false;
    }
    // SetPath answers S_FALSE for a target that does not exist yet; the link is still wanted.
    (void)link->SetPath(target);
    (void)link->SetWorkingDirectory(workingFolder);
    (void)link->SetDescription(description);

    HRESULT saved = E_FAIL;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR widePath[MAX_PATH];
        // The conversion fails (0) when the path does not fit; a cut path would name another file.
        if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) > 0) {
            saved = file->Save(widePath, TRUE);
        }
        file->Release();
    }
    link->Release();
    return SUCCEEDED(saved);
}
