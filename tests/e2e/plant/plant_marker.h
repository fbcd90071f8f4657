// A planted module proves that it ran by leaving a file named after itself in MarkerFolder.
#pragma once

#include <windows.h>

#define PLANT_MARKER_FOLDER "C:\\Reliability\\Markers"

// Creates MarkerFolder\<file name of module>.ran; a module that cannot name itself uses "unknown".
inline void LeavePlantMarker(HMODULE module) {
    char self[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(module, self, sizeof self);
    const char* name = "unknown";
    if (length > 0 && length < sizeof self) {
        name = self;
        for (const char* c = self; *c; ++c) {
            if (*c == '\\' || *c == '/') name = c + 1;
        }
    }
    char marker[MAX_PATH + 64];
    lstrcpynA(marker, PLANT_MARKER_FOLDER "\\", MAX_PATH);
    const int used = lstrlenA(marker);
    lstrcpynA(marker + used, name, MAX_PATH);
    lstrcatA(marker, ".ran");
    HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
