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

// Page services.
void CenterPage(HWND page, int rightOfSideBar);
void ApplyProductName(HWND page, int toCaption);
LRESULT SetSmallIcon(HWND window, int iconId);
void SetWizardStep(uint32_t step);
void PumpMessages(HWND window, uint32_t milliseconds);
int ShowAbortNotice(HWND owner);
// The colour rule for control 700 (WM_CTLCOLORSTATIC); returns the brush, or 0 for other statics.
INT_PTR Control700Color(HDC dc, HWND control);

// The one caption of every message box.
#define PORVANE_CAPTION "Porvane"
