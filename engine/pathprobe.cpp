// Walks up from the path to the first level the system can answer for.
#include "pathprobe.h"

#include <windows.h>
#include <string.h>

namespace {

// The errors that say the name is not at that place, or cannot be (a name no file can have).
bool MeansNoSuchName(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME ||
           error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_DIRECTORY;
}

// The length of the first level that can be answered for: "X:\" of a drive path, "\\server\share"
// of a share's; 0 for any other text.
size_t RootLength(const char* path) {
    if (path[0] != '\0' && path[1] == ':' && path[2] == '\\') return 3;
    if (path[0] != '\\' || path[1] != '\\') return 0;
    const char* server = strchr(path + 2, '\\');
    if (server == nullptr) return 0;
    const char* share = strchr(server + 1, '\\');
    return share != nullptr ? static_cast<size_t>(share - path) : strlen(path);
}

}  // namespace

PathPresence ProbePath(const char* path) {
    char level[MAX_PATH];
    const size_t length = strlen(path);
    const size_t root = RootLength(path);
    if (root == 0 || length >= sizeof level) return PathUnreachable;
    memcpy(level, path, length + 1);
    for (bool above = false;; above = true) {
        if (GetFileAttributesA(level) != INVALID_FILE_ATTRIBUTES) return above ? PathAbsent : PathPresent;
        const DWORD error = GetLastError();
        // "No such file" is believed only from a level above that is there: a drive that has gone
        // may answer so too.
        if (MeansNoSuchName(error)) {
            if (!above && error != ERROR_FILE_NOT_FOUND) return PathAbsent;
        } else if (error != ERROR_PATH_NOT_FOUND) {
            return PathUnreachable;
        }
        const size_t levelLength = strlen(level);
        char* cut = strrchr(level, '\\');
        if (levelLength <= root || cut == nullptr) return PathUnreachable;  // not even the root answers
        size_t at = static_cast<size_t>(cut - level);
        if (at < root) at = root;  // a drive's root keeps its separator
        level[at] = '\0';
    }
}
