// Portable text helper: placeholders filled into a format.
// It writes only within the size it is given.
#pragma once

#include <stddef.h>

// Fills out with format, each "%s" replaced by the next of args (an empty text once they run
// out) and "%%" by "%"; other characters are copied. Always terminated when outSize > 0; false
// when the result had to be cut to fit.
bool FormatText(char* out, size_t outSize, const char* format, const char* const* args, int argCount);

