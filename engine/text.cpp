#include "text.h"

bool FormatText(char* out, size_t outSize, const char* format, const char* const* args, int argCount) {
    if (outSize == 0) return false;
    size_t used = 0;
    int nextArg = 0;
    bool whole = true;
    auto put = [&](char c) {
        if (used + 1 < outSize) {
            out[used++] = c;
        } else {
            whole = false;
        }
    };
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            const char* arg = nextArg < argCount ? args[nextArg] : "";
            ++nextArg;
            for (; *arg; ++arg) put(*arg);
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            put('%');
            ++p;
        } else {
            put(*p);
        }
    }
    out[used] = '\0';
    return whole;
}
