// The holding folder's way out at the commit: into the Recycle Bin, as far as the bin keeps it.
//
// The shell's "move to the Recycle Bin" may delete instead and still report success: on Windows
// for whatever the bin cannot take (more than its quota, a drive whose bin is switched off, a
// network or removable drive), under Wine for anything on another file system than the bin. So
// before the folder is handed over, every file in it gets a second name (a hard link) in a mirror
// folder beside it. Afterwards a mirrored file whose data still has another name (the bin's, or
// the user's own hard link elsewhere) loses its mirror name; one whose mirror name is the last
// stays, and the mirror becomes the holding folder again. Where no second name can be made (a
// file system without hard links) nothing is handed to the bin: the holding folder stays.
//
// Every step looks first, so the whole can be stopped anywhere and run again.
#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include "journal.h"
#include "journalrecord.h"
#include "pathutil.h"
#include "pathutil_win32.h"

namespace {

const char MirrorSuffix[] = " (kept)";

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

DWORD LinkCount(const char* path) {
    HANDLE file = OpenPath(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(file, &information) != FALSE;
    (void)CloseHandle(file);
    return known ? information.nNumberOfLinks : 0;
}

// Removes one name of a file whose data has another. The attributes belong to the data, not the
// name: a read-only mark is cleared so that the name can go, and set again through the handle
// before it goes, so that the other name's file keeps it.
void RemoveMirrorName(const char* path, DWORD attributes) {
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) {
        if (DeleteFileA(path)) NoteChange();
        return;
    }
    (void)SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    HANDLE file = OpenPath(path, DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE);
    if (file == INVALID_HANDLE_VALUE) {
        (void)SetFileAttributesA(path, attributes);
        return;
    }
    FILE_BASIC_INFO basic;
    ZeroMemory(&basic, sizeof basic);  // times of zero stay as they are
    basic.FileAttributes = attributes;
    (void)SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
    (void)CloseHandle(file);
    NoteChange();
}

enum Walk { MakeMirror, ReleaseMirror };

// MakeMirror: gives every file below from a second name below to; false when one cannot have it.
// ReleaseMirror: removes each mirror name below from whose data has another name, and the folders
// it leaves empty.
bool WalkTree(Walk walk, const char* from, const char* to) {
    char pattern[MAX_PATH + 2];
    if (!JoinPath(pattern, sizeof pattern, from, "*", false)) return false;
    if (walk == MakeMirror && !Exists(to) && CreateDirectoryA(to, nullptr)) NoteChange();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return walk == ReleaseMirror;
    bool whole = true;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0) continue;
        char source[MAX_PATH + 2];
        char target[MAX_PATH + 2];
        if (!JoinPath(source, sizeof source, from, found.cFileName, false) ||
            !JoinPath(target, sizeof target, to, found.cFileName, false)) {
            whole = false;
            continue;
        }
        const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (walk == MakeMirror) {
            if (folder) {
                whole = WalkTree(walk, source, target) && whole;
            } else if (!Exists(target)) {
                if (CreateHardLinkA(target, source, nullptr)) {
                    NoteChange();
                } else {
                    whole = false;
                }
            }
        } else if (folder) {
            (void)WalkTree(walk, source, source);
        } else if (LinkCount(source) >= 2) {
            RemoveMirrorName(source, found.dwFileAttributes);
        }
    } while (FindNextFileA(search, &found));
    (void)FindClose(search);
    if (walk == ReleaseMirror && RemoveDirectoryA(from)) NoteChange();
    return whole;
}

// Hands the folder to the Recycle Bin of its volume, when the volume has one.
void SendToBin(const char* folder) {
    char root[MAX_PATH];
    VolumeOf(folder, root);
    if (root[0] == '\0') return;
    SHQUERYRBINFO bin;
    bin.cbSize = sizeof bin;
    if (FAILED(SHQueryRecycleBinA(root, &bin))) return;
    char from[MAX_PATH + 1];  // a list of one path, ended by a second NUL
    if (!CopyText(from, sizeof from - 1, folder)) return;
    from[strlen(from) + 1] = '\0';
    SHFILEOPSTRUCTA operation;
    ZeroMemory(&operation, sizeof operation);
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    (void)SHFileOperationA(&operation);
    NoteChange();
}

}  // namespace

void RecycleHoldingFolder(const char* holding) {
    char mirror[MAX_PATH];
    const size_t length = strlen(holding);
    if (length + sizeof MirrorSuffix > sizeof mirror) return;  // the folder stays as it is
    memcpy(mirror, holding, length);
    memcpy(mirror + length, MirrorSuffix, sizeof MirrorSuffix);

    if (Exists(holding)) {
        // Only a folder whose every file has its second name goes to the bin.
        if (WalkTree(MakeMirror, holding, mirror)) SendToBin(holding);
    }
    if (!Exists(mirror)) return;
    (void)WalkTree(ReleaseMirror, mirror, mirror);
    // What only the mirror still holds is what the user will look for in the holding folder.
    if (Exists(mirror) && !Exists(holding) && MoveFileExA(mirror, holding, MOVEFILE_COPY_ALLOWED)) NoteChange();
}
