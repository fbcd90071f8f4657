// Portable text helpers: placeholders filled into a format, manifest fields made into texts.
// Every routine writes only within the size it is given.
#pragma once

#include <stddef.h>

// Fills out with format, each "%s" replaced by the next of args (an empty text once they run
// out) and "%%" by "%"; other characters are copied. Always terminated when outSize > 0; false
// when the result had to be cut to fit.
bool FormatText(char* out, size_t outSize, const char* format, const char* const* args, int argCount);

// A fixed-width manifest text field as a terminated text, even if the field had no NUL.
template <size_t N>
void ManifestText(char (&out)[N + 1], const char (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n]) {
        out[n] = field[n];
        ++n;
    }
    out[n] = '\0';
}
