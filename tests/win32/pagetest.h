// Support for tests that open the installer's pages inside the test process.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <string.h>

#include <string>
#include <vector>

#include "shell.h"

namespace pagetest {

// A message box as the catcher saw it.
struct SeenBox {
    std::string caption;
    std::string text;
    bool errorIcon;
};

// Answers every message box this thread opens (a system dialog under the installer's caption)
// with IDOK, or the button given to AnswerWith, and records its caption, text and whether it
// shows the stop icon, so that code showing one does not block the test.
class MessageBoxCatcher {
public:
    MessageBoxCatcher() {
        current_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, &MessageBoxCatcher::Hook, nullptr, GetCurrentThreadId());
    }
    ~MessageBoxCatcher() { (void)Stop(); }
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    // The button that ends the boxes from now on: IDCANCEL for an OK and Cancel box.
    void AnswerWith(int button) { answer_ = button; }
    int count() const { return static_cast<int>(seen_.size()); }
    const char* text(int i) const { return i < count() ? seen_[i].text.c_str() : ""; }
    bool hooked() const { return hook_ != nullptr; }
    // Stops answering; the boxes seen, in order.
    std::vector<SeenBox> Stop() {
        if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
        if (current_ == this) current_ = nullptr;
        return seen_;
    }

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
        char text[512] = "";
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        // The stop icon is the shared system icon, set on the box's icon control.
        const HICON stop = LoadIconA(nullptr, IDI_HAND);
        bool errorIcon = false;
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            if (reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == stop) errorIcon = true;
        }
        seen_.push_back({caption, text, errorIcon});
        // Any button ends a message box of one button; IDOK and IDCANCEL end those with Cancel.
        PostMessageA(window, WM_COMMAND, answer_, 0);
    }

    static MessageBoxCatcher* current_;
    HHOOK hook_ = nullptr;
    int answer_ = IDOK;
    std::vector<SeenBox> seen_;
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
