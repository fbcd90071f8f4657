// Path and text helpers shared by the engine and the pages. Every routine writes only into the
// caller's buffer and takes that buffer's size, so none of them can overrun it.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Writes [quote] folder [\] name [quote] NUL NUL into out. A backslash goes between the parts
// unless the folder already ends in one. Returns false, leaving out as an empty text, when the
// result and both NULs do not fit in outSize bytes.
bool JoinPlainPath(char* out, size_t outSize, const char* folder, const char* name);
bool JoinQuotedPath(char* out, size_t outSize, const char* folder, const char* name);
// One of the two, as quoted says.
inline bool JoinPath(char* out, size_t outSize, const char* folder, const char* name, bool quoted) {
    return quoted ? JoinQuotedPath(out, outSize, folder, name) : JoinPlainPath(out, outSize, folder, name);
}

// Capitalises the first letter after each single space or backslash, lowers the others (ASCII only).
void TitleCasePath(char* text);

// Position of the last '.' in text, or nullptr when there is none.
const char* FindLastDot(const char* text);

// Decimal digits with ',' between groups of three, whatever the regional settings.
// out must hold at least 14 bytes (4,294,967,295 and the NUL).
enum { NumberTextSize = 16 };
void FormatNumber(char* out, uint32_t value);

// True when a relative path has a step made only of dots and spaces ("..", ".", ". ."): the
// system reads such a step as this folder or the one above, so a name holding one could lead out
// of the folder it is joined to. Steps are separated by '\\' or '/'.
bool HasDotStep(const char* path);

// Tidies a full path (a drive, then steps separated by '\\') as the system resolved it: the dots
// and spaces that end a step are dropped, a step left empty goes with its separator, and so does
// a trailing backslash unless it is the drive root's. The system drops such ends itself, but only
// from the last step of a path it opens: "Data. " makes a folder "Data", while "Data. \Vantrel"
// names no folder there. Tidied, every step names the folder that is made or opened.
void TrimStepEnds(char* path);

// True when name can be a program group folder below the Programs folder: one or more steps
// separated by '\\' (a single trailing '\\' allowed), each non-empty, without control characters
// or any of < > : " / | ? *, neither beginning nor ending with a space, and not made only of dots
// and spaces. Whether a nested name's parent exists is for the caller to find out.
bool IsUsableGroupName(const char* name);

// Bounded copy: true when all of src fit; otherwise out holds as much as fits, terminated.
bool CopyText(char* out, size_t outSize, const char* src);
