// Path and text helpers that call the system.
#pragma once

#include <windows.h>
#include <stdint.h>

// Shows value in a dialog label with ',' between groups of three digits.
void SetDlgItemNumber(HWND dialog, int controlId, uint32_t value);

// True when the path names an existing file or folder.
bool PathExists(const char* path);
