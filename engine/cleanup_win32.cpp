// The clean-up of an earlier installation's folder. Nothing is deleted: every removable file is
// set aside through the journal, to be restored if the run does not complete.
#include <windows.h>
#include <string.h>

#include "cleanup.h"
#include "copystep.h"
#include "journal.h"
#include "manifest.h"
#include "pathutil.h"
#include "pathutil_win32.h"
#include "registration.h"
#include "text.h"

namespace {

// A folder reached through a link (junction, symbolic link, or a host symlink under Wine) leads
// out of the install folder: its files belong to someone else.
bool IsLinkedFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Resolves text into folder; true when it names a folder below a drive root ("X:\" and a step).
bool ResolveFolderBelowRoot(const char* text, char (&folder)[MAX_PATH]) {
    if (text[0] == '\0' || text[1] != ':' || text[2] != '\\') return false;
    return ResolvePath(folder, sizeof folder, text) && folder[1] == ':' && folder[2] == '\\' && folder[3] != '\0';
}

// True when path is where a volume is mounted: its files are that volume's own, not another
// folder's. (Such a folder is a reparse point too, on Windows and for a Unix mount under Wine.)
bool IsVolumeMountPoint(const char* path) {
    char volume[MAX_PATH];
    VolumeOf(path, volume);
    if (volume[0] == '\0') return false;
    const size_t length = strlen(volume);
    if (length > 3 && volume[length - 1] == '\\') volume[length - 1] = '\0';
    return SamePath(volume, path);
}

// True when the resolved folder is a link or a volume's mount point (the root of a volume, which
// is never swept), or when a folder above it up to the drive root is a link.
bool ReachedThroughLink(const char* folder) {
    char level[MAX_PATH];
    if (!CopyText(level, sizeof level, folder)) return true;
    for (bool itself = true;; itself = false) {
        const DWORD attributes = GetFileAttributesA(level);
        if (attributes != INVALID_FILE_ATTRIBUTES && IsLinkedFolder(attributes) &&
            (itself || !IsVolumeMountPoint(level))) {
            return true;
        }
        char* cut = strrchr(level, '\\');
        if (cut == nullptr || cut - level <= 2) return false;  // the drive root is no link
        *cut = '\0';
    }
}

// The product's main program: the name of the row written to the install folder that is named
// after the product, with ".exe". Null when the manifest has none; then only the registry tells
// an earlier installation.
const char* MainProgramName(void) {
    char program[sizeof Manifest.product.productName + 4];
    const char* const args[] = {Manifest.product.productName};
    (void)FormatText(program, sizeof program, "%s.exe", args, 1);
    for (int row = 0; row < Manifest.fileCount && row < ManifestMaxRows; ++row) {
        const FileEntry& entry = Manifest.files[row];
        if (!(entry.flags & FILE_TO_WINDOWS_FOLDER) && SamePath(entry.fileName, program)) return entry.fileName;
    }
    return nullptr;
}

}  // namespace

bool HoldsEarlierInstallation(const char* folder) {
    char resolved[MAX_PATH];
    if (!ResolveFolderBelowRoot(folder, resolved) || ReachedThroughLink(resolved)) return false;

    char recorded[MAX_PATH];
    char recordedResolved[MAX_PATH];
    if (ReadPreviousInstallFolder(recorded, sizeof recorded) && ResolveFolderBelowRoot(recorded, recordedResolved) &&
        SamePath(resolved, recordedResolved)) {
        return true;
    }

    const char* name = MainProgramName();
    char program[JoinedPathSize];
    if (name == nullptr || !JoinPath(program, sizeof program, resolved, name, false)) return false;
    const DWORD attributes = GetFileAttributesA(program);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CleanInstallFolder(const char* folder, InstallJournal& journal) {
    // One buffer serves as the search pattern and then as each entry's path: the recursion
    // keeps one of them per level.
    char path[JoinedPathSize];
    if (!JoinPath(path, sizeof path, folder, "*.*", false)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && found.cFileName[0] == '.') continue;
        // An entry whose path would not fit is left alone rather than reached under a cut name.
        if (!JoinPath(path, sizeof path, folder, found.cFileName, false)) continue;
        if (isFolder) {
            if (!IsLinkedFolder(found.dwFileAttributes) && !IsHoldingFolder(journal, path)) {
                (void)CleanInstallFolder(path, journal);
            }
        } else if (IsRemovableFile(found.cFileName)) {
            // A rename, which keeps the file's bytes, attributes and times (and, through a link,
            // moves only the link). A file that cannot be moved stays where it is.
            (void)JournalSetAside(journal, path);
        }
    } while (FindNextFileA(search, &found));
    (void)FindClose(search);
    return true;
}
