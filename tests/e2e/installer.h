// What the end-to-end tests and the screenshot walker know of the installer from outside: its
// window classes and captions, the backdrop's step list and where pages sit; and one run of it.
#pragma once

#include <windows.h>

#include "driver.h"
#include "resource.h"

// Windows paths of the installer under test and of its licence text, set by the build.
#ifndef PORVANE_EXE_PATH
#error PORVANE_EXE_PATH must name the installer
#endif

const char* const BackdropClass = "InstallApp";
const char* const WelcomeClass = "InstallDlg";
const char* const PageClass = "#32770";
const char* const WelcomeCaption = "Porvane";
const char* const LicenseCaption = "Vantrel License Agreement";
const char* const LocationCaption = "Vantrel Program Location";
const char* const InstallingCaption = "Installing Vantrel Program Files";
const char* const GroupCaption = "Vantrel Program Group";
const char* const ShortcutsCaption = "Creating Vantrel Shortcuts";
const char* const MessageBoxCaption = "Porvane";

const int SideBarWidth = 150;
const COLORREF StepCurrentColor = RGB(207, 216, 255);
const COLORREF StepOtherColor = RGB(111, 136, 255);
const COLORREF ExplanationTextColor = RGB(0, 0, 128);
const int StepCount = 7;

// The box of one label of the backdrop's step list (row 0 "- License Agreement" to row 6
// "- Finished"): from the label's left edge to the side bar's right edge, one 11-pixel line high.
RECT StepLabelBox(int row);

// Colours of the step list in a screenshot of the whole screen.
struct StepRow {
    int current;  // pixels in the current step's colour
    int other;    // pixels in the other steps' colour
};
void ReadStepList(const Screenshot& shot, StepRow rows[StepCount]);
// True when exactly row `current` is drawn in the current colour and all others in the other
// colour; -1 for none current. Says what it found in `why` otherwise.
bool StepListShows(const StepRow rows[StepCount], int current, std::string* why);

// Where a page of the chain sits: centred in the area right of the side bar.
POINT PagePositionRightOfSideBar(HWND page);
// Where the welcome page sits: centred on the whole screen.
POINT PagePositionOnScreen(HWND page);

// One run of the installer, from its start to its end. Its windows are watched from before its
// first instruction, so that the tests can tell which windows ever existed.
class InstallerRun {
public:
    InstallerRun() = default;
    ~InstallerRun() { End(); }
    InstallerRun(const InstallerRun&) = delete;
    InstallerRun& operator=(const InstallerRun&) = delete;

    bool Start(std::string* error);
    HWND WaitForWelcome(DWORD timeoutMs);
    // A page of the chain (a dialog of the standard class) by its caption.
    HWND WaitForPage(const char* caption, DWORD timeoutMs);
    // The backdrop as it is now, or null.
    HWND Backdrop() const;
    HWND WaitForBackdrop(DWORD timeoutMs) const;
    // Waits for the installer to end; on timeout it is terminated and false returned.
    bool WaitForEnd(DWORD timeoutMs, DWORD* exitCode);
    bool Running() const { return IsRunning(child); }
    // Terminates the installer by its handle if it still runs.
    void End();

    // What Start runs, and whether it records every window the installer shows: the watch lists
    // the desktop's windows every few milliseconds, a load that a timing run does without.
    const char* program = PORVANE_EXE_PATH;
    bool watchWindows = true;
    // Whether the waits wake up at each new top-level window of the installer (WakeOnNewWindows),
    // for a timing run that looks seldom.
    bool wakeOnNewWindows = false;

    ChildProgram child;
    WindowWatch watch;
};
