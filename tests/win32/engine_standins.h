// Stand-ins for the session record and the message pump of the wizard shell, for as long as
// the wizard library is not there to link. Include in exactly one test file.
#pragma once

#include <windows.h>

#include "shell.h"

InstallSession Session;

void PumpMessages(HWND window, uint32_t milliseconds) {
    const DWORD start = GetTickCount();
    DWORD now;
    do {
        now = GetTickCount();
        MSG message;
        if (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    } while (now - start < milliseconds);
}
