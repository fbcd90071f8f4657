// The clean-up of an earlier installation's folder. Nothing is deleted: every removable file is
// set aside through the journal, to be restored if the run does not complete.
#include <windows.h>

#include "cleanup.h"
#include "copystep.h"
#include "journal.h"
#include "pathutil.h"

namespace {

// A folder reached through a link (junction, symbolic link, or a host symlink under Wine) leads
// out of the install folder: its files belong to someone else.
bool IsLinkedFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

}  // namespace

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
