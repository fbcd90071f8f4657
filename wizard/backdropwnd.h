// The full-screen backdrop: banner, side bar with the step list, ruled work area, titles.
#pragma once

#include <windows.h>

#include "backdroplayout.h"
#include "shell.h"

enum { TitleTextSize = 30, SubtitleTextSize = 60 };
enum { BackdropStartTimer = 100, BackdropStartDelay = 250 };

// The backdrop's own state, alive from creation to destruction.
struct BackdropState {
    char titleText[TitleTextSize];
    char subtitleText[SubtitleTextSize];
    LOGFONTA titleFont;
    LOGFONTA subtitleFont;
    LOGFONTA stepFont;
    HGLOBAL bannerRight;
    HGLOBAL bannerFill;
    HGLOBAL bannerRule;
    HPALETTE bannerPalette;
};

extern BackdropState Backdrop;

int OnBackdropCreate(HWND window);
int OnBackdropPaint(HWND window);
int OnBackdropDestroy(void);

// Copies banner bitmap id; the first one that has a colour table also gives bannerPalette.
HGLOBAL LoadBannerDib(int id);

// The fixed interface colours and the four list colours read from the system now.
void FillUiColors(UiColors* colors);
