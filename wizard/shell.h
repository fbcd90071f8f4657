// The process-wide session record, the wizard steps and the services every page uses.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <stdint.h>

#include "copystep.h"

// Interface colours: fixed values plus four system colours read when the backdrop is created.
struct UiColors {
    COLORREF titleColors[4];
    COLORREF subtitleColors[3];
    COLORREF listSelectedText;
    COLORREF listSelectedBack;
    COLORREF listText;
    COLORREF listBack;
    COLORREF stepCurrent;
    COLORREF stepOther;
    COLORREF sideBar;
    COLORREF paperLines;
};

// One bit per entry of the backdrop's step list; exactly one is current.
enum WizardStep : uint32_t {
    StepLicense = 1,
    StepLocation = 2,
    StepFiles = 4,
    StepGroup = 8,
    StepShortcuts = 16,
    StepReadMe = 32,
    StepFinished = 64,
};

enum { GroupNameSize = 41 };  // 40 characters and the NUL

struct InstallSession {
    HINSTANCE instance;
    int32_t screenWidth;
    int32_t screenHeight;
    HWND backdrop;
    uint32_t currentStep;
    DirectoryTable directories;
    char groupName[GroupNameSize];
    UiColors colors;
    HIMAGELIST smallIcons;
    ProgressMeter progress;
};

extern InstallSession Session;

// Entry and backdrop window.
void InitSession(HINSTANCE instance);
int RegisterDialogClass(void);
ATOM RegisterBackdropClass(void);
int CreateBackdrop(int showCommand);
void RunMessageLoop(void);
LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int StartWizard(HWND window, UINT_PTR timerId);

// Page services.
void CenterPage(HWND page, int rightOfSideBar);
void ApplyProductName(HWND page, int toCaption);
LRESULT SetSmallIcon(HWND window, int iconId);
void SetWizardStep(uint32_t step);
void PumpMessages(HWND window, uint32_t milliseconds);
int ShowAbortNotice(HWND owner);
// The colour rule for control 700 (WM_CTLCOLORSTATIC); returns the brush, or 0 for other statics.
INT_PTR Control700Color(HDC dc, HWND control);

// Fills out with format, each "%s" replaced by the next of args (an empty text once they run
// out) and "%%" by "%"; other characters are copied. Always terminated when outSize > 0; false
// when the result had to be cut to fit.
bool FormatText(char* out, size_t outSize, const char* format, const char* const* args, int argCount);

// A fixed-width manifest text field as a terminated text, even if the field had no NUL.
template <size_t N>
void ManifestText(char (&out)[N + 1], const char (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n]) {
        out[n] = field[n];
        ++n;
    }
    out[n] = '\0';
}

// The one caption of every message box.
#define PORVANE_CAPTION "Porvane"
