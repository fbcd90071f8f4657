#include "cleanup.h"

#include "pathutil.h"

namespace {

bool EqualsIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a;
        char y = *b;
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
        if (x == '\0') return true;
    }
}

}  // namespace

bool IsRemovableFile(const char* name) {
    const char* dot = FindLastDot(name);
    if (dot == nullptr) return true;
    // The user's own data: keys, data files and logs.
    static const char kept[][5] = {".KEY", ".DAT", ".LOG"};
    for (const char* extension : kept) {
        if (EqualsIgnoringCase(dot, extension)) return false;
    }
    return true;
}
