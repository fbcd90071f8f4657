// The installing page's progress bar: static control 405 painted as a two-tone bar.
#pragma once

#include <windows.h>

#include "copystep.h"

// The copy step's report to the installing page (context: the page): the labels 400 to 404, the
// bar's repaint, pauses that pump the page's messages, and failures in an error box.
CopyReport InstallingPageReport(HWND page);

// Window procedure that turns the page's static control 405 into the progress bar.
LRESULT CALLBACK ProgressBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam);

// Paints the bar window from the progress meter's value.
void PaintProgressBar(HWND bar);

// Draws the bar for value (half-percent steps, 0 to 200) over area: navy from the left up to
// the value, button face after it, the percentage centred in white on navy and dark blue on
// the button face.
void DrawProgressBar(HDC dc, const RECT& area, unsigned value);
