// Helpers for the tests of the wizard's shell, pages and backdrop, run inside the test process.
#pragma once

#include <windows.h>
#include <string.h>

#include "shell.h"

namespace wizardtest {

// The session as the installer sets it up: this module's resources, the real screen and both
// window classes (registered once per process).
inline void PrepareSession() {
    Session.instance = GetModuleHandleA(NULL);
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExA(Session.instance, "InstallDlg", &existing)) {
        InitSession(Session.instance);
    } else {
        Session.screenWidth = GetSystemMetrics(SM_CXSCREEN);
        Session.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    }
}

// Runs a modal page and, once it is up, posts one key to the control that has the focus, as a
// user pressing it would. Returns the page's result.
class KeyPress {
public:
    static INT_PTR Run(int templateId, DLGPROC procedure, HWND owner, WPARAM key) {
        key_ = key;
        UINT_PTR timer = SetTimer(NULL, 0, 100, &KeyPress::Fire);
        const INT_PTR result = DialogBoxParamA(Session.instance, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
        KillTimer(NULL, timer);
        return result;
    }

private:
    static void CALLBACK Fire(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(NULL, timer);
        HWND focus = GetFocus();
        if (focus == NULL) return;
        PostMessageA(focus, WM_KEYDOWN, key_, 1);
        PostMessageA(focus, WM_KEYUP, key_, 0xC0000001);
    }
    static inline WPARAM key_ = 0;
};

// Removes a WM_QUIT left in the queue (the backdrop posts one when it is destroyed), so that
// later modal loops of the test process are not ended by it. True when there was one.
inline bool TakeQuitMessage() {
    MSG message;
    bool found = false;
    while (PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) found = true;
    return found;
}

inline void Text(HWND window, char* out, int size) {
    out[0] = '\0';
    GetWindowTextA(window, out, size);
}

}  // namespace wizardtest
