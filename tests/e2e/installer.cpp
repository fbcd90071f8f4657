#include "installer.h"

RECT StepLabelBox(int row) {
    RECT box = {10, 120 + 18 * row, SideBarWidth, 120 + 18 * row + 14};
    return box;
}

void ReadStepList(const Screenshot& shot, StepRow rows[StepCount]) {
    for (int i = 0; i < StepCount; ++i) {
        RECT box = StepLabelBox(i);
        rows[i].current = shot.CountColor(box, StepCurrentColor);
        rows[i].other = shot.CountColor(box, StepOtherColor);
    }
}

bool StepListShows(const StepRow rows[StepCount], int current, std::string* why) {
    bool ok = true;
    std::string found;
    for (int i = 0; i < StepCount; ++i) {
        bool rowOk = i == current ? rows[i].current > 0 && rows[i].other == 0
                                  : rows[i].other > 0 && rows[i].current == 0;
        ok = ok && rowOk;
        found += "row " + std::to_string(i) + ": " + std::to_string(rows[i].current) +
                 " current, " + std::to_string(rows[i].other) + " other pixels\n";
    }
    if (!ok && why) *why = found;
    return ok;
}

POINT PagePositionRightOfSideBar(HWND page) {
    RECT r = WindowRectOf(page);
    POINT at = {(GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left) + SideBarWidth) / 2,
                (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2};
    return at;
}

POINT PagePositionOnScreen(HWND page) {
    RECT r = WindowRectOf(page);
    POINT at = {(GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2};
    return at;
}

bool InstallerRun::Start(std::string* error) {
    if (!StartProgram(program, &child, error, true)) return false;
    if (watchWindows) watch.Start(child.processId);
    if (wakeOnNewWindows && !WakeOnNewWindows(child.processId)) {
        EndProgram(&child);
        if (error) *error = "no hook for the installer's new windows";
        return false;
    }
    ResumeProgram(child);
    return true;
}

HWND InstallerRun::WaitForWelcome(DWORD timeoutMs) {
    HWND welcome = WaitForTopWindow(child.processId, WelcomeClass, WelcomeCaption, timeoutMs);
    watch.Note(welcome);
    return welcome;
}

HWND InstallerRun::WaitForPage(const char* caption, DWORD timeoutMs) {
    HWND page = WaitForTopWindow(child.processId, PageClass, caption, timeoutMs);
    watch.Note(page);
    return page;
}

HWND InstallerRun::Backdrop() const {
    return FindTopWindow(child.processId, BackdropClass, nullptr, false);
}

HWND InstallerRun::WaitForBackdrop(DWORD timeoutMs) const {
    return WaitForTopWindow(child.processId, BackdropClass, nullptr, timeoutMs);
}

bool InstallerRun::WaitForEnd(DWORD timeoutMs, DWORD* exitCode) {
    bool ended = WaitForExit(&child, timeoutMs, exitCode);
    watch.Stop();
    if (wakeOnNewWindows) StopWakingOnNewWindows();
    return ended;
}

void InstallerRun::End() {
    watch.Stop();
    if (wakeOnNewWindows) StopWakingOnNewWindows();
    EndProgram(&child);
}
