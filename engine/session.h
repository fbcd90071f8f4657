// The one process-wide record of an installation run. The engine defines its shape but never
// reaches for the instance: its operations get the fields they need as parameters, and only the
// wizard holds the record itself.
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

enum { GroupNameSize = 41 };  // 40 characters and the NUL

// The engine's fields (directories, groupName, progress) and the wizard's (instance, screen,
// backdrop, step, colours, small icons) in one record.
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
    InstallJournal journal;  // open from the copy step's first change until the run ends
};
