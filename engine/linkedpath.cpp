// Looks at each level of a path in turn.
#include "linkedpath.h"

#include <windows.h>
#include <string.h>

bool HasLinkedLevel(const char* path, size_t firstLevel) {
    char level[MAX_PATH];
    const size_t length = strlen(path);
    if (length >= sizeof level) return true;
    memcpy(level, path, length + 1);
    for (size_t i = firstLevel; i <= length; ++i) {
        if (i < length && level[i] != '\\') continue;
        if (i == 0 || level[i - 1] == '\\') continue;  // no name before this separator
        const char kept = level[i];
        level[i] = '\0';
        const DWORD attributes = GetFileAttributesA(level);
        level[i] = kept;
        if (attributes == INVALID_FILE_ATTRIBUTES) return false;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    }
    return false;
}
