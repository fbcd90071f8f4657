#include "driver.h"

#include <stdio.h>
#include <string.h>

DWORD PollIntervalMs = 5;

namespace {

// The wake-up of WakeOnNewWindows: when the watched process last created a top-level window.
HWINEVENTHOOK CreationHook = nullptr;
DWORD LastCreationTick = 0;
bool CreationSeen = false;
// After a new window, looks this often for this long: a page is shown within milliseconds of
// its creation. Each look asks the wine server, so the span stays short.
const DWORD QuickLookMs = 1;
const DWORD QuickLookSpanMs = 100;

void CALLBACK OnWindowCreated(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    if (object != OBJID_WINDOW || !window || GetAncestor(window, GA_PARENT) != GetDesktopWindow()) return;
    char name[8] = "";
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "IME") == 0) return;  // the input method's window of every thread with windows
    LastCreationTick = GetTickCount();
    CreationSeen = true;
}

// Every cross-process message gets a bounded wait, so a hung target fails the check instead of
// hanging the driver.
const UINT SendTimeoutMs = 10000;
// The limit of the waits for input to arrive and take effect.
const DWORD InputTimeoutMs = SettleTimeoutMs;

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SendTimeoutMs,
                             &value))
        return false;
    if (result) *result = (LRESULT)value;
    return true;
}

bool SendWithTimeoutW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SendTimeoutMs,
                             &value))
        return false;
    if (result) *result = (LRESULT)value;
    return true;
}

std::string ToAnsi(const wchar_t* text, int length) {
    if (length <= 0) return std::string();
    int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], size, nullptr, nullptr);
    return out;
}

// Cross-process LB_GETTEXT/CB_GETLBTEXT in the A form hand back UTF-16 under Wine, so the
// entries are read in the W form and converted here. Those messages take no buffer size, and the
// page may refill its list between the length asked and the text copied ("C:\\" becoming
// "C:\\Program Files"): the text goes into a buffer that every entry of the lists driven here fits
// with room to spare (paths and display names, a few hundred characters at most), and a read
// during which an entry's length or the count changed is made again.
const LRESULT EntryCapacity = 32767;

bool ReadEntriesOnce(HWND control, UINT countMsg, UINT lengthMsg, UINT textMsg, std::vector<wchar_t>& buffer,
                     std::vector<std::string>* entries) {
    entries->clear();
    LRESULT count = 0;
    if (!SendWithTimeoutW(control, countMsg, 0, 0, &count) || count < 0) return true;
    bool steady = true;
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        LRESULT copied = 0;
        LRESULT after = -1;
        const bool read = SendWithTimeoutW(control, lengthMsg, (WPARAM)i, 0, &length) && length >= 0 &&
                          length <= EntryCapacity &&
                          SendWithTimeoutW(control, textMsg, (WPARAM)i, (LPARAM)buffer.data(), &copied) &&
                          SendWithTimeoutW(control, lengthMsg, (WPARAM)i, 0, &after);
        steady = steady && read && copied == length && after == length;
        entries->push_back(read && copied >= 0 && copied <= EntryCapacity ? ToAnsi(buffer.data(), (int)copied)
                                                                         : std::string());
    }
    LRESULT countAfter = -1;
    return steady && SendWithTimeoutW(control, countMsg, 0, 0, &countAfter) && countAfter == count;
}

std::vector<std::string> ReadEntries(HWND control, UINT countMsg, UINT lengthMsg, UINT textMsg) {
    std::vector<wchar_t> buffer((size_t)EntryCapacity + 1, L'\0');
    std::vector<std::string> entries;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (ReadEntriesOnce(control, countMsg, lengthMsg, textMsg, buffer, &entries)) break;
    }
    return entries;
}

struct FindRequest {
    DWORD processId;
    const char* className;
    const char* caption;
    bool mustBeVisible;
    HWND owner;
    HWND found;
};

bool Matches(HWND window, const FindRequest& request) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != request.processId) return false;
    if (request.mustBeVisible && !IsWindowVisible(window)) return false;
    if (request.className && _stricmp(ClassOf(window).c_str(), request.className) != 0)
        return false;
    if (request.owner && OwnerOf(window) != request.owner) return false;
    if (request.caption) {
        char caption[512] = {0};
        GetWindowTextA(window, caption, sizeof caption);
        if (strcmp(caption, request.caption) != 0) return false;
    }
    return true;
}

BOOL CALLBACK FindProc(HWND window, LPARAM param) {
    FindRequest* request = (FindRequest*)param;
    if (Matches(window, *request)) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ListRequest {
    DWORD processId;
    std::vector<HWND>* windows;
};

BOOL CALLBACK ListProc(HWND window, LPARAM param) {
    ListRequest* request = (ListRequest*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == request->processId) request->windows->push_back(window);
    return TRUE;
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// Absolute mouse coordinates run from 0 to 65535 across the screen; rounding up keeps the
// system's scaling back to pixels on the intended pixel.
LONG NormalX(int x) { return (LONG)(((LONGLONG)x * 65536 + ScreenWidth() - 1) / ScreenWidth()); }
LONG NormalY(int y) { return (LONG)(((LONGLONG)y * 65536 + ScreenHeight() - 1) / ScreenHeight()); }

bool SendMouse(DWORD flags, int x, int y) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = NormalX(x);
    input.mi.dy = NormalY(y);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    return SendInput(1, &input, sizeof input) == 1;
}

bool MoveMouse(int x, int y) {
    if (!SendMouse(0, x, y)) return false;
    POINT at = {};
    return WaitUntil([&] { return GetCursorPos(&at) && at.x == x && at.y == y; }, InputTimeoutMs);
}

bool SendKey(WORD virtualKey, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = (WORD)MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return SendInput(1, &input, sizeof input) == 1;
}

bool SendUnicodeChar(wchar_t ch) {
    INPUT inputs[2] = {};
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wScan = ch;
        inputs[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    return SendInput(2, inputs, sizeof inputs[0]) == 2;
}

DWORD ThreadOf(HWND window) { return GetWindowThreadProcessId(window, nullptr); }

bool GuiInfo(HWND window, GUITHREADINFO* info) {
    memset(info, 0, sizeof *info);
    info->cbSize = sizeof *info;
    return GetGUIThreadInfo(ThreadOf(window), info) != FALSE;
}

// The top-level window that holds `window` (itself when it is top-level).
HWND TopOf(HWND window) { return GetAncestor(window, GA_ROOT); }

}  // namespace

bool WakeOnNewWindows(DWORD processId) {
    StopWakingOnNewWindows();
    CreationHook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnWindowCreated, processId,
                                   0, WINEVENT_OUTOFCONTEXT);
    return CreationHook != nullptr;
}

void StopWakingOnNewWindows() {
    if (CreationHook) UnhookWinEvent(CreationHook);
    CreationHook = nullptr;
    CreationSeen = false;
}

void PauseBetweenLooks() {
    if (!CreationHook) {
        Sleep(PollIntervalMs);
        return;
    }
    const bool quick = CreationSeen && GetTickCount() - LastCreationTick < QuickLookSpanMs;
    // The hook's news arrives as a message to this thread: it ends the wait, and is handled here.
    (void)MsgWaitForMultipleObjectsEx(0, nullptr, quick ? QuickLookMs : PollIntervalMs, QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

bool StartProgram(const char* windowsPath, ChildProgram* child, std::string* error,
                  bool suspended) {
    *child = ChildProgram();
    std::string folder = windowsPath;
    size_t slash = folder.find_last_of('\\');
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
    std::string commandLine = std::string("\"") + windowsPath + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(windowsPath, &commandLine[0], nullptr, nullptr, FALSE,
                        suspended ? CREATE_SUSPENDED : 0, nullptr, folder.c_str(), &startup,
                        &info)) {
        if (error) {
            char message[400];
            snprintf(message, sizeof message, "CreateProcess(%s) failed with error %lu",
                     windowsPath, (unsigned long)GetLastError());
            *error = message;
        }
        return false;
    }
    child->process = info.hProcess;
    child->thread = info.hThread;
    child->processId = info.dwProcessId;
    return true;
}

void ResumeProgram(const ChildProgram& child) {
    if (child.thread) ResumeThread(child.thread);
}

bool IsRunning(const ChildProgram& child) {
    return child.process && WaitForSingleObject(child.process, 0) == WAIT_TIMEOUT;
}

bool WaitForExit(ChildProgram* child, DWORD timeoutMs, DWORD* exitCode) {
    if (!child->process) return false;
    if (WaitForSingleObject(child->process, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(child->process, 0xDEAD);
        WaitForSingleObject(child->process, 5000);
        return false;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(child->process, &code)) return false;
    if (exitCode) *exitCode = code;
    return true;
}

void EndProgram(ChildProgram* child) {
    if (child->process) {
        if (WaitForSingleObject(child->process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(child->process, 0xDEAD);
            WaitForSingleObject(child->process, 5000);
        }
        CloseHandle(child->process);
    }
    if (child->thread) CloseHandle(child->thread);
    *child = ChildProgram();
}

bool SendQuery(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return SendWithTimeout(window, message, wParam, lParam, result);
}

HWND FindTopWindow(DWORD processId, const char* className, const char* caption,
                   bool mustBeVisible, HWND owner) {
    FindRequest request = {processId, className, caption, mustBeVisible, owner, nullptr};
    EnumWindows(FindProc, (LPARAM)&request);
    return request.found;
}

HWND WaitForTopWindow(DWORD processId, const char* className, const char* caption,
                      DWORD timeoutMs, HWND owner) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(processId, className, caption, true, owner)); },
              timeoutMs);
    return found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::vector<HWND> TopWindowsOf(DWORD processId) {
    std::vector<HWND> windows;
    ListRequest request = {processId, &windows};
    EnumWindows(ListProc, (LPARAM)&request);
    return windows;
}

std::string ClassOf(HWND window) {
    char name[256] = {0};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND OwnerOf(HWND window) { return GetWindow(window, GW_OWNER); }

std::string TextOf(HWND window) {
    LRESULT length = 0;
    if (!window || !SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &length) || length < 0)
        return std::string();
    // The text may grow between the two requests (a label counting up): the buffer gets room to
    // spare, and a copy that fills it is asked for again with more room, so a text is never cut.
    size_t size = (size_t)length + 64;
    for (int attempt = 0; attempt < 8; ++attempt, size *= 2) {
        std::vector<char> buffer(size, '\0');
        LRESULT copied = 0;
        if (!SendWithTimeout(window, WM_GETTEXT, buffer.size(), (LPARAM)buffer.data(), &copied) ||
            copied < 0)
            return std::string();
        if ((size_t)copied + 1 < size) return std::string(buffer.data(), (size_t)copied);
    }
    return std::string();
}

HWND Item(HWND page, int id) { return GetDlgItem(page, id); }

namespace {

struct ChildRequest {
    const char* textStart;
    HWND found;
};

BOOL CALLBACK ChildProc(HWND window, LPARAM param) {
    ChildRequest* request = (ChildRequest*)param;
    if (TextOf(window).compare(0, strlen(request->textStart), request->textStart) == 0) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND ChildWithText(HWND parent, const char* textStart) {
    ChildRequest request = {textStart, nullptr};
    EnumChildWindows(parent, ChildProc, (LPARAM)&request);
    return request.found;
}

std::string ItemText(HWND page, int id) { return TextOf(Item(page, id)); }

std::vector<std::string> ListBoxEntries(HWND list) {
    return ReadEntries(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::string> ComboBoxEntries(HWND combo) {
    return ReadEntries(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int ListBoxSelection(HWND list) {
    LRESULT index = LB_ERR;
    if (!SendWithTimeout(list, LB_GETCURSEL, 0, 0, &index)) return LB_ERR;
    return (int)index;
}

int ComboBoxSelection(HWND combo) {
    LRESULT index = CB_ERR;
    if (!SendWithTimeout(combo, CB_GETCURSEL, 0, 0, &index)) return CB_ERR;
    return (int)index;
}

bool IsEnabled(HWND window) { return IsWindowEnabled(window) != FALSE; }

RECT WindowRectOf(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

RECT ClientRectOf(HWND window) {
    RECT r = {};
    GetClientRect(window, &r);
    return r;
}

RECT ClientRectOnScreen(HWND window) {
    RECT r = ClientRectOf(window);
    MapWindowPoints(window, HWND_DESKTOP, (POINT*)&r, 2);
    return r;
}

RECT RectInParent(HWND child) {
    RECT r = WindowRectOf(child);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), (POINT*)&r, 2);
    return r;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info;
    return GuiInfo(window, &info) ? info.hwndFocus : nullptr;
}

HWND ActiveOf(HWND window) {
    GUITHREADINFO info;
    return GuiInfo(window, &info) ? info.hwndActive : nullptr;
}

// Brings the page to the foreground and waits until the system reports it active, so that the
// keyboard input that follows goes to its thread.
bool BringToForeground(HWND page) {
    HWND top = TopOf(page);
    if (GetForegroundWindow() == top) return true;
    SetForegroundWindow(top);
    return WaitUntil([&] { return GetForegroundWindow() == top && ActiveOf(top) == top; }, InputTimeoutMs);
}

void ClickButton(HWND page, int id) { PostMessageA(Item(page, id), BM_CLICK, 0, 0); }

bool ClickAt(int x, int y) {
    if (!MoveMouse(x, y)) return false;
    return SendMouse(MOUSEEVENTF_LEFTDOWN, x, y) && SendMouse(MOUSEEVENTF_LEFTUP, x, y);
}

bool DoubleClickAt(int x, int y) {
    if (!MoveMouse(x, y)) return false;
    return SendMouse(MOUSEEVENTF_LEFTDOWN, x, y) && SendMouse(MOUSEEVENTF_LEFTUP, x, y) &&
           SendMouse(MOUSEEVENTF_LEFTDOWN, x, y) && SendMouse(MOUSEEVENTF_LEFTUP, x, y);
}

bool ClickCenter(HWND window) {
    RECT r = WindowRectOf(window);
    return ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

bool PressKey(HWND page, WORD virtualKey) {
    if (!BringToForeground(page)) return false;
    return SendKey(virtualKey, false) && SendKey(virtualKey, true);
}

bool FocusByClick(HWND control) {
    if (!BringToForeground(control)) return false;
    if (FocusOf(control) == control) return true;
    if (!ClickCenter(control)) return false;
    // Until the button-up has been handled the edit holds the mouse, and its selection timer
    // would undo a selection made now: wait for both the focus and the released capture.
    return WaitUntil(
        [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &info) &&
                   info.hwndFocus == control && info.hwndCapture == nullptr;
        },
        InputTimeoutMs);
}

bool TypeText(HWND edit, const char* text) {
    if (!FocusByClick(edit)) return false;
    // Ctrl+A selects nothing in a plain edit control, so the old text is selected directly.
    if (!SendWithTimeout(edit, EM_SETSEL, 0, -1, nullptr)) return false;
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::vector<wchar_t> wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), (int)wide.size());
    for (size_t i = 0; wide[i]; ++i)
        if (!SendUnicodeChar(wide[i])) return false;
    return true;
}

void SetEditText(HWND edit, const char* text) {
    SendWithTimeout(edit, WM_SETTEXT, 0, (LPARAM)text, nullptr);
}

bool DoubleClickListEntry(HWND list, int index) {
    LRESULT count = 0;
    if (!SendWithTimeout(list, LB_GETCOUNT, 0, 0, &count) || index < 0 || index >= count)
        return false;
    LRESULT height = 0;
    if (!SendWithTimeout(list, LB_GETITEMHEIGHT, (WPARAM)index, 0, &height) || height <= 0)
        return false;
    RECT client = ClientRectOf(list);
    int visible = (int)((client.bottom - client.top) / height);
    if (visible < 1) visible = 1;
    LRESULT top = 0;
    SendWithTimeout(list, LB_GETTOPINDEX, 0, 0, &top);
    if (index < top || index >= top + visible) {
        // Scrolled into view as the user would with the scroll bar.
        SendWithTimeout(list, LB_SETTOPINDEX, (WPARAM)index, 0, nullptr);
        SendWithTimeout(list, LB_GETTOPINDEX, 0, 0, &top);
    }
    // Entries have one height here (the lists do not measure their items), so the entry's row
    // follows from the top index.
    POINT at = {client.left + 12, (LONG)((index - top) * height + height / 2)};
    ClientToScreen(list, &at);
    if (!BringToForeground(list)) return false;
    return DoubleClickAt(at.x, at.y);
}

namespace {

bool HasSize(HWND window, LONG width, LONG height) {
    RECT now = WindowRectOf(window);
    return now.right - now.left == width && now.bottom - now.top == height;
}

// One drag of the bottom-right corner until the frame has the given size; false when the
// system's sizing loop did not end there.
bool DragCornerTo(HWND window, LONG width, LONG height) {
    if (HasSize(window, width, height)) return true;
    if (!BringToForeground(window)) return false;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    auto inSizingLoop = [&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE);
    };
    // The loop of an earlier drag may still be ending: its flag would pass for this drag's loop.
    if (!WaitUntil([&] { return !inSizingLoop(); }, InputTimeoutMs)) return false;
    RECT r = WindowRectOf(window);
    const int x = r.right - 2;
    const int y = r.bottom - 2;
    const int dx = width - (r.right - r.left);
    const int dy = height - (r.bottom - r.top);
    if (!MoveMouse(x, y)) return false;
    if (!SendMouse(MOUSEEVENTF_LEFTDOWN, x, y)) return false;
    // The system's sizing loop measures from where the cursor is when it starts; moves sent
    // before it runs would be lost on a busy machine, so the drag waits for the loop.
    if (!WaitUntil(inSizingLoop, InputTimeoutMs)) {
        SendMouse(MOUSEEVENTF_LEFTUP, x, y);
        return false;
    }
    // Each move arrives before the next is sent, and the release after the last.
    const int steps = 8;
    bool moved = true;
    for (int i = 1; moved && i <= steps; ++i) moved = MoveMouse(x + dx * i / steps, y + dy * i / steps);
    // A loop that resizes the window as the mouse moves has reached the size before the release.
    BOOL fullDrag = FALSE;
    if (moved && SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &fullDrag, 0) && fullDrag)
        WaitUntil([&] { return HasSize(window, width, height); }, InputTimeoutMs);
    if (!SendMouse(MOUSEEVENTF_LEFTUP, x + dx, y + dy)) return false;
    // The loop ends with the release and then gives the frame its last size.
    if (!WaitUntil([&] { return !inSizingLoop(); }, InputTimeoutMs)) return false;
    return moved && WaitUntil([&] { return HasSize(window, width, height); }, 2000);
}

}  // namespace

bool DragFrameCorner(HWND window, int dx, int dy) {
    RECT r = WindowRectOf(window);
    const LONG width = r.right - r.left + dx;
    const LONG height = r.bottom - r.top + dy;
    // On a machine busy with other work the system's sizing loop now and then ends elsewhere
    // than the mouse did (the cursor found away from the last move, the frame at its smallest);
    // a person whose drag did not land drags again, from where the frame is now.
    for (int attempt = 0; attempt < 3; ++attempt)
        if (DragCornerTo(window, width, height)) return true;
    return false;
}

bool ResizeWindow(HWND window, int width, int height) {
    // For another thread's window the system carries this out in that thread and waits, so the
    // window has handled its WM_SIZE when this returns.
    if (!SetWindowPos(window, nullptr, 0, 0, width, height,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
        return false;
    RECT r = WindowRectOf(window);
    return r.right - r.left == width && r.bottom - r.top == height;
}

HWND WaitForMessageBox(DWORD processId, HWND owner, const char* caption, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopWindowsOf(processId)) {
                if (!IsWindowVisible(window) || ClassOf(window) != "#32770") continue;
                if (owner && OwnerOf(window) != owner) continue;
                char title[256] = {0};
                GetWindowTextA(window, title, sizeof title);
                if (caption && strcmp(title, caption) != 0) continue;
                HWND text = GetDlgItem(window, 0xFFFF);
                if (!text || _stricmp(ClassOf(text).c_str(), "Static") != 0) continue;
                found = window;
                return true;
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::string MessageBoxText(HWND box) { return ItemText(box, 0xFFFF); }

bool AnswerMessageBox(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    if (!button) return false;
    PostMessageA(button, BM_CLICK, 0, 0);
    return true;
}

COLORREF Screenshot::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const uint8_t* p = &pixels[((size_t)y * width + x) * 3];
    return RGB(p[2], p[1], p[0]);
}

int Screenshot::CountColor(const RECT& area, COLORREF color) const {
    int count = 0;
    for (int y = area.top < 0 ? 0 : area.top; y < area.bottom && y < height; ++y)
        for (int x = area.left < 0 ? 0 : area.left; x < area.right && x < width; ++x)
            if (At(x, y) == color) ++count;
    return count;
}

Screenshot Screenshot::Crop(const RECT& area) const {
    Screenshot out;
    int left = area.left < 0 ? 0 : area.left;
    int top = area.top < 0 ? 0 : area.top;
    int right = area.right > width ? width : area.right;
    int bottom = area.bottom > height ? height : area.bottom;
    if (right <= left || bottom <= top) return out;
    out.width = right - left;
    out.height = bottom - top;
    out.pixels.resize((size_t)out.width * out.height * 3);
    for (int y = 0; y < out.height; ++y)
        memcpy(&out.pixels[(size_t)y * out.width * 3],
               &pixels[((size_t)(top + y) * width + left) * 3], (size_t)out.width * 3);
    return out;
}

bool Screenshot::SaveBmp(const char* path) const {
    if (width <= 0 || height <= 0) return false;
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom row first, the usual form
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = (DWORD)stride * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = fopen(path, "wb");
    if (!out) return false;
    bool ok = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1;
    std::vector<uint8_t> row((size_t)stride, 0);
    for (int y = height - 1; ok && y >= 0; --y) {
        memcpy(row.data(), &pixels[(size_t)y * width * 3], (size_t)width * 3);
        ok = fwrite(row.data(), row.size(), 1, out) == 1;
    }
    return fclose(out) == 0 && ok;
}

bool CaptureArea(const RECT& area, Screenshot* shot) {
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory && bitmap && bits) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        // CAPTUREBLT takes layered windows too; GdiFlush makes the DIB's bits complete.
        ok = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top,
                    SRCCOPY | CAPTUREBLT) != FALSE;
        GdiFlush();
        if (ok) {
            int stride = (width * 3 + 3) & ~3;
            shot->width = width;
            shot->height = height;
            shot->pixels.resize((size_t)width * height * 3);
            for (int y = 0; y < height; ++y)
                memcpy(&shot->pixels[(size_t)y * width * 3],
                       (const uint8_t*)bits + (size_t)y * stride, (size_t)width * 3);
        }
        SelectObject(memory, previous);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool CaptureScreen(Screenshot* shot) {
    RECT all = {0, 0, ScreenWidth(), ScreenHeight()};
    return CaptureArea(all, shot);
}

bool CaptureSteadyScreen(Screenshot* shot, DWORD timeoutMs) {
    Screenshot previous;
    if (!CaptureScreen(&previous)) return false;
    bool steady = WaitUntil(
        [&] {
            Sleep(100);
            if (!CaptureScreen(shot)) return false;
            bool same = shot->pixels == previous.pixels;
            previous.pixels.swap(shot->pixels);
            return same;
        },
        timeoutMs);
    *shot = previous;
    return steady;
}

WindowWatch::~WindowWatch() {
    Stop();
    if (lockReady_) DeleteCriticalSection(&lock_);
}

void WindowWatch::Start(DWORD processId) {
    Stop();
    if (!lockReady_) {
        InitializeCriticalSection(&lock_);
        lockReady_ = true;
    }
    processId_ = processId;
    seen_.clear();
    Poll();
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

void WindowWatch::Stop() {
    if (!thread_) return;
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
    thread_ = nullptr;
    stop_ = nullptr;
    Poll();  // one last look, so that nothing between the last poll and now is missed
}

DWORD WINAPI WindowWatch::Run(void* self) {
    WindowWatch* watch = (WindowWatch*)self;
    while (WaitForSingleObject(watch->stop_, 2) == WAIT_TIMEOUT) watch->Poll();
    return 0;
}

void WindowWatch::Poll() {
    for (HWND window : TopWindowsOf(processId_)) Record(window);
}

void WindowWatch::Note(HWND window) {
    if (!thread_ || !window) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == processId_ && GetAncestor(window, GA_PARENT) == GetDesktopWindow()) Record(window);
}

void WindowWatch::Record(HWND window) {
    // GetWindowText reads another process's caption without sending it a message, so a busy
    // target cannot stall the watch.
    char caption[512] = {0};
    GetWindowTextA(window, caption, sizeof caption);
    std::string className = ClassOf(window);
    if (className.empty()) return;  // gone between the listing and now
    EnterCriticalSection(&lock_);
    bool known = false;
    for (const Seen& s : seen_)
        if (s.window == window && s.className == className && s.caption == caption) {
            known = true;
            break;
        }
    if (!known) seen_.push_back(Seen{window, className, caption, OwnerOf(window)});
    LeaveCriticalSection(&lock_);
}

std::vector<WindowWatch::Seen> WindowWatch::SeenWindows() {
    if (!lockReady_) return std::vector<Seen>();
    EnterCriticalSection(&lock_);
    std::vector<Seen> copy = seen_;
    LeaveCriticalSection(&lock_);
    return copy;
}

bool WindowWatch::SawClass(const char* className) { return CountSeen(className, nullptr) > 0; }

int WindowWatch::CountSeen(const char* className, const char* caption) {
    std::vector<HWND> windows;
    for (const Seen& s : SeenWindows()) {
        if (className && _stricmp(s.className.c_str(), className) != 0) continue;
        if (caption && s.caption != caption) continue;
        bool counted = false;
        for (HWND w : windows) counted = counted || w == s.window;
        if (!counted) windows.push_back(s.window);
    }
    return (int)windows.size();
}

Watchdog::Watchdog(const char* what, DWORD timeoutMs, const ChildProgram* child)
    : what_(what), timeoutMs_(timeoutMs), child_(child) {
    disarmed_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

Watchdog::~Watchdog() {
    SetEvent(disarmed_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(disarmed_);
}

DWORD WINAPI Watchdog::Run(void* self) {
    Watchdog* dog = (Watchdog*)self;
    if (WaitForSingleObject(dog->disarmed_, dog->timeoutMs_) == WAIT_OBJECT_0) return 0;
    fprintf(stderr,
            "\nWATCHDOG: '%s' did not finish within %lu ms; ending the program under test and "
            "failing\n",
            dog->what_.c_str(), (unsigned long)dog->timeoutMs_);
    fflush(stderr);
    fflush(stdout);
    if (dog->child_ && dog->child_->process) TerminateProcess(dog->child_->process, 0xDEAD);
    ExitProcess(3);
}

bool ReadWholeFile(const char* path, std::string* data) {
    FILE* in = fopen(path, "rb");
    if (!in) return false;
    data->clear();
    char block[4096];
    size_t got;
    while ((got = fread(block, 1, sizeof block, in)) > 0) data->append(block, got);
    bool ok = !ferror(in);
    fclose(in);
    return ok;
}
