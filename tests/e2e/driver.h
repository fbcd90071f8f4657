// Drives a GUI program from a second Win32 program in the same Wine session: starts it, finds its
// windows, reads their texts, presses buttons and keys, resizes pages, answers message boxes and
// takes screenshots. Used by the end-to-end tests and by the screenshot walker.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <string>
#include <vector>

// A started child program. The handles belong to the driver; EndProgram closes them.
struct ChildProgram {
    HANDLE process = nullptr;
    HANDLE thread = nullptr;
    DWORD processId = 0;
};

// Starts the program at a Windows path, with its own folder as the current directory. A program
// started suspended runs only after ResumeProgram, so that a WindowWatch can be started first.
bool StartProgram(const char* windowsPath, ChildProgram* child, std::string* error,
                  bool suspended = false);
void ResumeProgram(const ChildProgram& child);
// Waits for the program to end and reads its exit code. On timeout the child is terminated (by its
// handle) and false is returned.
bool WaitForExit(ChildProgram* child, DWORD timeoutMs, DWORD* exitCode);
// Terminates the child by its handle if it still runs, and closes the handles. Safe to call twice.
void EndProgram(ChildProgram* child);
bool IsRunning(const ChildProgram& child);

// Top-level windows of one process. A null class or caption matches any; classes compare without
// case (as the system does), captions exactly.
HWND FindTopWindow(DWORD processId, const char* className, const char* caption,
                   bool mustBeVisible = true, HWND owner = nullptr);
HWND WaitForTopWindow(DWORD processId, const char* className, const char* caption,
                      DWORD timeoutMs, HWND owner = nullptr);
bool WaitForWindowGone(HWND window, DWORD timeoutMs);
// Every top-level window of the process, visible or not.
std::vector<HWND> TopWindowsOf(DWORD processId);

// Sends a message that carries no pointer to a window of another process and reads the result,
// waiting at most a few seconds; false when the window did not answer.
bool SendQuery(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

std::string ClassOf(HWND window);
HWND OwnerOf(HWND window);
// Text of any window, also of an edit control of another process (WM_GETTEXT, not GetWindowText).
std::string TextOf(HWND window);
std::string ItemText(HWND page, int id);
HWND Item(HWND page, int id);
// The first child whose text begins with the given text (for controls without an identifier).
HWND ChildWithText(HWND parent, const char* textStart);
// Entries of a list box or of a combo box's list, converted to the ANSI code page.
std::vector<std::string> ListBoxEntries(HWND list);
std::vector<std::string> ComboBoxEntries(HWND combo);
int ListBoxSelection(HWND list);
int ComboBoxSelection(HWND combo);
bool IsEnabled(HWND window);

RECT WindowRectOf(HWND window);
RECT ClientRectOf(HWND window);
// The client area in screen coordinates.
RECT ClientRectOnScreen(HWND window);
// A child's window rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);
// The window that has the keyboard focus in the thread that owns the given window, if any.
HWND FocusOf(HWND window);
HWND ActiveOf(HWND window);

// The pause between two looks of WaitUntil. Every look asks the wine server about the desktop's
// windows; a timing run looks less often, so that these requests weigh little in the server's
// processor time.
extern DWORD PollIntervalMs;  // 5 unless a program sets it

// A driver that looks seldom would answer each new page up to PollIntervalMs late. Once this is
// called, the calling thread is told whenever the process creates a top-level window, and
// WaitUntil then looks every millisecond for a short while, so the answer follows the page at
// once while the idle looks stay rare. The thread's own messages are dispatched while it waits,
// so it must be a thread that owns no windows. Until StopWakingOnNewWindows.
bool WakeOnNewWindows(DWORD processId);
void StopWakingOnNewWindows();
// What WaitUntil does between two looks.
void PauseBetweenLooks();

// Polls a condition every few milliseconds until it holds or the time is over.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return condition();
        PauseBetweenLooks();
    }
}

// The limit of a wait for what a program does at once in answer to input or to a message: far
// above what it takes, so that a busy machine never runs it out; a program that works never
// makes a test wait that long.
const DWORD SettleTimeoutMs = 15000;

// For a check that something does not happen: watches for the fault for holdMs and tells whether
// it stayed away. A fault that shows ends the watch at once.
template <typename Fault>
bool StaysAway(Fault fault, DWORD holdMs) {
    return !WaitUntil(fault, holdMs);
}

// Brings the window's top-level window to the foreground and waits until it is active.
bool BringToForeground(HWND window);

// Input, as a person's would arrive.
//  ClickButton posts BM_CLICK, which the button turns into its own press and release; it does not
//  wait, so a button that opens modal UI does not block the driver.
void ClickButton(HWND page, int id);
//  A real mouse click (SendInput) at a screen point; the window there must accept input.
bool ClickAt(int x, int y);
bool DoubleClickAt(int x, int y);
bool ClickCenter(HWND window);
//  A key press through the system's input queue: the page is brought to the foreground first, so
//  the key reaches the page's focused control and the dialog manager sees it.
bool PressKey(HWND page, WORD virtualKey);
// Gives a control the keyboard focus with a mouse click and waits until the click is over (the
// button released): an edit still holding the mouse moves its selection with it, which would
// undo a selection made before typing.
bool FocusByClick(HWND control);
//  Types text into an edit control: the edit is focused by a click, its text selected and the
//  characters sent through the input queue, replacing what was there.
bool TypeText(HWND edit, const char* text);
//  Replaces an edit control's text at once (WM_SETTEXT), as a paste would.
void SetEditText(HWND edit, const char* text);
//  Double-clicks list box entry `index` with the mouse, scrolling it into view first.
bool DoubleClickListEntry(HWND list, int index);
//  Drags the bottom-right corner of a sizing frame by dx, dy with the mouse; a drag that did not
//  land at that size is made again from where the frame is (at most three drags).
bool DragFrameCorner(HWND window, int dx, int dy);
//  Resizes a window from outside (SetWindowPos), keeping its top-left corner.
bool ResizeWindow(HWND window, int width, int height);

// Message boxes: top-level dialogs whose static 0xFFFF holds the text. Pages may have statics
// without an identifier too, so a box is told apart by its caption (and its owner, when given;
// a null caption or owner matches any).
HWND WaitForMessageBox(DWORD processId, HWND owner, const char* caption, DWORD timeoutMs);
std::string MessageBoxText(HWND box);
// Presses the button with the given identifier (IDOK, IDYES, IDNO...) of a message box.
bool AnswerMessageBox(HWND box, int buttonId);

// A copy of the screen or of one area of it, 24 bits per pixel, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // blue, green, red; rows of width * 3 bytes, no padding

    COLORREF At(int x, int y) const;
    // Pixels of exactly this colour inside the rectangle (clipped to the screen).
    int CountColor(const RECT& area, COLORREF color) const;
    bool SaveBmp(const char* path) const;
    // A copy of one area; the BMP of a window alone.
    Screenshot Crop(const RECT& area) const;
};
bool CaptureScreen(Screenshot* shot);
// Only one area of the screen (faster for a race with the program); the copy is of the area's size.
bool CaptureArea(const RECT& area, Screenshot* shot);
// Captures until two copies in a row are equal, so that a page's paint has finished.
bool CaptureSteadyScreen(Screenshot* shot, DWORD timeoutMs = SettleTimeoutMs);

// Records every top-level window that a process shows, from Start until Stop, by polling in a
// thread of its own every few milliseconds, so that a window that lives only briefly is seen too.
class WindowWatch {
public:
    struct Seen {
        HWND window;
        std::string className;
        std::string caption;
        HWND owner;
    };
    WindowWatch() = default;
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    void Start(DWORD processId);
    void Stop();
    // Records a window that the driver found itself while the watch runs: on a busy machine the
    // watch's thread may not get to look while a short-lived box is up.
    void Note(HWND window);
    std::vector<Seen> SeenWindows();
    bool SawClass(const char* className);
    // Distinct windows seen with this class (any when null) and caption (any when null).
    int CountSeen(const char* className, const char* caption);

private:
    static DWORD WINAPI Run(void* self);
    void Poll();
    void Record(HWND window);
    DWORD processId_ = 0;
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    CRITICAL_SECTION lock_;
    bool lockReady_ = false;
    std::vector<Seen> seen_;
};

// Ends a stuck run with a clear message: when not disarmed within the time, it prints what was
// running, terminates the child (by its handle) and exits the driver process with code 3.
class Watchdog {
public:
    Watchdog(const char* what, DWORD timeoutMs, const ChildProgram* child);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Run(void* self);
    std::string what_;
    DWORD timeoutMs_;
    const ChildProgram* child_;
    HANDLE disarmed_;
    HANDLE thread_;
};

// Reads a whole file in binary.
bool ReadWholeFile(const char* path, std::string* data);
