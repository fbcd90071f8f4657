#include "pathutil.h"

#include <string.h>

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Join(char* out, size_t outSize, const char* folder, const char* name, bool quoted) {
    const size_t folderLength = strlen(folder);
    const size_t nameLength = strlen(name);
    const bool needsSeparator = folderLength == 0 || folder[folderLength - 1] != '\\';
    const size_t needed = folderLength + nameLength + (needsSeparator ? 1 : 0) + (quoted ? 2 : 0) + 2;
    if (outSize < needed) {
        if (outSize > 0) out[0] = '\0';
        if (outSize > 1) out[1] = '\0';
        return false;
    }
    size_t at = 0;
    if (quoted) out[at++] = '"';
    memcpy(out + at, folder, folderLength);
    at += folderLength;
    // With an empty folder the last character written may be the opening quote, never a
    // backslash, so an empty folder always gets its separator.
    if (needsSeparator) out[at++] = '\\';
    memcpy(out + at, name, nameLength);
    at += nameLength;
    if (quoted) out[at++] = '"';
    out[at++] = '\0';
    out[at] = '\0';
    return true;
}

}  // namespace

bool JoinPlainPath(char* out, size_t outSize, const char* folder, const char* name) {
    return Join(out, outSize, folder, name, false);
}

bool JoinQuotedPath(char* out, size_t outSize, const char* folder, const char* name) {
    return Join(out, outSize, folder, name, true);
}

void TitleCasePath(char* text) {
    char* p = text;
    for (;;) {
        // p is at a word start.
        if (*p >= 'a' && *p <= 'z') *p = AsciiUpper(*p);
        for (;;) {
            if (*p == '\0') return;
            ++p;
            if (*p == ' ' || *p == '\\') {
                ++p;  // the character after a single separator starts a word, whatever it is
                break;
            }
            *p = AsciiLower(*p);
        }
    }
}

const char* FindLastDot(const char* text) { return strrchr(text, '.'); }

void FormatNumber(char* out, uint32_t value) {
    char reversed[NumberTextSize];
    size_t count = 0;
    int digits = 0;
    do {
        reversed[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
        ++digits;
        if (value != 0 && digits % 3 == 0) reversed[count++] = ',';
    } while (value != 0);
    for (size_t i = 0; i < count; ++i) out[i] = reversed[count - 1 - i];
    out[count] = '\0';
}

bool HasDotStep(const char* path) {
    bool dots = false;   // the step so far holds a dot
    bool others = false; // ... or anything but dots and spaces
    for (const char* c = path;; ++c) {
        if (*c == '\0' || *c == '\\' || *c == '/') {
            if (dots && !others) return true;
            if (*c == '\0') return false;
            dots = others = false;
        } else if (*c == '.') {
            dots = true;
        } else if (*c != ' ') {
            others = true;
        }
    }
}

void TrimStepEnds(char* path) {
    char* first = strchr(path, '\\');
    if (first == nullptr) return;
    // Copies step by step behind the reading position; the drive and its backslash stay.
    char* out = first + 1;
    const char* step = first + 1;
    for (;;) {
        const char* end = step;
        while (*end != '\0' && *end != '\\') ++end;
        const char* last = end;
        while (last > step && (last[-1] == '.' || last[-1] == ' ')) --last;
        if (last > step) {
            if (out > first + 1) *out++ = '\\';
            memmove(out, step, static_cast<size_t>(last - step));
            out += last - step;
        }
        if (*end == '\0') break;
        step = end + 1;
    }
    *out = '\0';
}

bool IsUsableGroupName(const char* name) {
    if (name[0] == '\0' || HasDotStep(name)) return false;
    const char* step = name;  // start of the current step
    for (const char* c = name;; ++c) {
        if (*c == '\\' || *c == '\0') {
            const size_t length = static_cast<size_t>(c - step);
            // An empty step is allowed only as the end of a name that ends in one backslash.
            if (length == 0 && !(*c == '\0' && c != name)) return false;
            if (length > 0 && (step[0] == ' ' || c[-1] == ' ')) return false;
            if (*c == '\0') return true;
            step = c + 1;
        } else if (static_cast<unsigned char>(*c) < 0x20 || strchr("<>:\"/|?*", *c) != nullptr) {
            return false;
        }
    }
}

bool CopyText(char* out, size_t outSize, const char* src) {
    if (outSize == 0) return false;
    const size_t length = strlen(src);
    if (length < outSize) {
        memcpy(out, src, length + 1);
        return true;
    }
    memcpy(out, src, outSize - 1);
    out[outSize - 1] = '\0';
    return false;
}
