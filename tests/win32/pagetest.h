// Support for tests that open the installer's pages inside the test process.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include "shell.h"

namespace pagetest {

// Answers every message box of this thread (caption "Porvane") with its first button and keeps
// its text, so that page code that shows one does not block the test.
class MessageBoxCatcher {
public:
    enum { Capacity = 16, TextSize = 512 };

    MessageBoxCatcher() {
        current_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, &MessageBoxCatcher::Hook, nullptr, GetCurrentThreadId());
    }
    ~MessageBoxCatcher() {
        if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    int count() const { return count_; }
    const char* text(int i) const { return i < count_ && i < Capacity ? texts_[i] : ""; }
    bool hooked() const { return hook_ != nullptr; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && current_ != nullptr) current_->Catch(reinterpret_cast<HWND>(wParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    void Catch(HWND window) {
        char className[16] = "";
        char caption[32] = "";
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, caption, sizeof caption);
        if (strcmp(className, "#32770") != 0 || strcmp(caption, PORVANE_CAPTION) != 0) return;
        if (count_ < Capacity) GetDlgItemTextA(window, 0xFFFF, texts_[count_], TextSize);
        ++count_;
        // Any button ends a message box of one button; IDOK ends also those with Cancel.
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }

    static MessageBoxCatcher* current_;
    HHOOK hook_ = nullptr;
    int count_ = 0;
    char texts_[Capacity][TextSize] = {};
};

inline MessageBoxCatcher* MessageBoxCatcher::current_ = nullptr;

// Dispatches what is queued for the thread, without waiting.
inline void DrainMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The session fields that pages read, as the backdrop would have set them, with list colours
// that differ from everything else a page paints.
inline void PrepareSession() {
    Session.instance = GetModuleHandleA(nullptr);
    Session.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    Session.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    Session.colors.listText = RGB(10, 20, 30);
    Session.colors.listBack = RGB(200, 210, 220);
    Session.colors.listSelectedText = RGB(250, 240, 230);
    Session.colors.listSelectedBack = RGB(20, 100, 40);
    SHFILEINFOA info = {};
    Session.smallIcons = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA(".", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

}  // namespace pagetest
