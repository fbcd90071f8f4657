// The checks before the copy step's first change.
#include "preflight.h"

#include <windows.h>
#include <string.h>

#include "copyreport.h"
#include "manifest.h"
#include "messages.h"
#include "pathutil.h"
#include "pathutil_win32.h"

namespace {

// Another program holds the file when it cannot be opened for writing with no sharing at all.
// Opening it changes neither its bytes nor its times.
bool IsHeld(const char* path) {
    HANDLE file = OpenPath(path, GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (file != INVALID_HANDLE_VALUE) {
        (void)CloseHandle(file);
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Free bytes where folder is, asked of its nearest existing level (the install folder may not be
// there yet). False when no level can tell.
bool FreeBytesAt(const char* folder, uint64_t* freeBytes) {
    char path[MAX_PATH];
    if (!CopyText(path, sizeof path, folder)) return false;
    for (;;) {
        ULARGE_INTEGER available;
        if (GetDiskFreeSpaceExA(path, &available, nullptr, nullptr)) {
            *freeBytes = available.QuadPart;
            return true;
        }
        char* cut = strrchr(path, '\\');
        if (cut == nullptr) return false;
        if (cut[1] == '\0') {  // a trailing separator: drop it and cut again
            *cut = '\0';
            continue;
        }
        // Keep the drive root's separator.
        cut[cut > path && cut[-1] == ':' ? 1 : 0] = '\0';
    }
}

}  // namespace

bool WaitUntilFilesAreFree(const CopyReport& report, const DirectoryTable& directories,
                           const InstallManifest& manifest) {
    const int16_t count = ClampedFileCount(manifest);
    for (int16_t i = 0; i < count; ++i) {
        char path[JoinedPathSize];
        if (!EntryDestination(directories, manifest.files[i], path)) continue;
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!MustExtractEntry(path, manifest.files[i])) continue;
        while (IsHeld(path)) {
            if (!report.retryHeldFile(report.context, path)) return false;
        }
    }
    return true;
}

bool CheckFreeSpace(const CopyReport& report, const DirectoryTable& directories, const InstallManifest& manifest) {
    // Bytes per destination folder; both count against one volume when they share it.
    uint64_t needed[2] = {0, 0};
    const int slots[2] = {DirInstall, DirWindows};
    const int16_t count = ClampedFileCount(manifest);
    for (int16_t i = 0; i < count; ++i) {
        needed[(manifest.files[i].flags & FILE_TO_WINDOWS_FOLDER) ? 1 : 0] += manifest.files[i].fileSize;
    }
    char volumes[2][MAX_PATH];
    VolumeOf(directories.paths[DirInstall], volumes[0]);
    VolumeOf(directories.paths[DirWindows], volumes[1]);
    if (volumes[0][0] != '\0' && lstrcmpiA(volumes[0], volumes[1]) == 0) {
        needed[0] += needed[1];
        needed[1] = 0;
    }
    for (int v = 0; v < 2; ++v) {
        uint64_t available = 0;
        // A volume that cannot tell is not held against the installation: the copy still
        // reports a write that comes up short.
        if (needed[v] == 0 || !FreeBytesAt(directories.paths[slots[v]], &available) || available >= needed[v]) {
            continue;
        }
        char neededText[NumberTextSize];
        char availableText[NumberTextSize];
        FormatNumber(neededText, needed[v] > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(needed[v]));
        FormatNumber(availableText, static_cast<uint32_t>(available));  // below needed, so it fits
        const char* where = volumes[v][0] != '\0' ? volumes[v] : directories.paths[slots[v]];
        const char* const args[] = {where, neededText, availableText};
        report.fail(report.context, IDS_NOT_ENOUGH_SPACE, args, 3);
        return false;
    }
    return true;
}
