// Path and text helpers that call the system.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

// Shows value in a dialog label with ',' between groups of three digits.
void SetDlgItemNumber(HWND dialog, int controlId, uint32_t value);

// CreateFileA without security attributes or template: one call the engine's many opens share.
HANDLE OpenPath(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);

// The volume that holds path, as the system names it ("C:\"); empty when unknown.
void VolumeOf(const char* path, char (&volume)[MAX_PATH]);

// True when the path names an existing file or folder.
bool PathExists(const char* path);

// The path the system would open for a text: "." and ".." steps taken, repeated separators
// joined, '/' read as '\', then tidied by TrimStepEnds. Win32 does all but the tidying before
// any file system sees the text, whether or not the folders named exist. False, with out empty,
// when the system cannot resolve the text or the result does not fit outSize bytes.
bool ResolvePath(char* out, size_t outSize, const char* text);

// True when two resolved paths name the same file or folder: the same text but for the case of
// letters.
bool SamePath(const char* a, const char* b);

// True when path is a folder that holds anything at all, files or folders.
bool HoldsAnyEntry(const char* path);
