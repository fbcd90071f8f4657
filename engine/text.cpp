#include "text.h"

bool FormatText(char* out, size_t outSize, const char* format, const char* const* args, int argCount) {
    if (outSize == 0) return false;
    size_t used = 0;
    int nextArg = 0;
    bool whole = true;
    for (const char* p = format; *p; ++p) {
        const char* arg = nullptr;
        if (p[0] == '%' && p[1] == 's') {
            arg = nextArg < argCount ? args[nextArg] : "";
            ++nextArg;
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            ++p;
        }
        // Every character of the argument, or the one character of the format at p.
        for (const char* c = arg != nullptr ? arg : p; *c != '\0'; ++c) {
            if (used + 1 < outSize) {
                out[used++] = *c;
            } else {
                whole = false;
            }
            if (arg == nullptr) break;
        }
    }
    out[used] = '\0';
    return whole;
}
