// The process-wide session (its record is the engine's InstallSession), the wizard steps and the
// services every page uses.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <stdint.h>

#include "messages.h"
#include "session.h"
#include "text.h"

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

extern InstallSession Session;

// The window classes of the pages and of the backdrop.
extern const char DialogClassName[];
extern const char BackdropClassName[];

// Entry and backdrop window.
void InitSession(HINSTANCE instance);
int RegisterDialogClass(void);
ATOM RegisterBackdropClass(void);
int CreateBackdrop(int showCommand);
void RunMessageLoop(void);
LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int StartWizard(HWND window, UINT_PTR timerId);

// Page services.
enum PagePlacement { CentredOnScreen, CentredRightOfSideBar };
void CenterPage(HWND page, PagePlacement placement);
// Fills the product name into the "%s" of the page's caption (with the installer's small icon)
// or of its explanation text.
enum ProductNameTarget { NameInExplanation, NameInCaption };
void ApplyProductName(HWND page, ProductNameTarget target);
// What every page beside the backdrop does first: centred right of the side bar, with the product
// name in its caption.
void PlacePageBesideSideBar(HWND page);
LRESULT SetSmallIcon(HWND window, int iconId);
void SetWizardStep(uint32_t step);
void PumpMessages(HWND window, uint32_t milliseconds);
// The pauses that pace a page's work: each one ends its milliseconds after the previous one was
// due to end when the work in between took less than that, so that the work does not add to the
// pauses and no pause's overshoot carries on into the next; otherwise a whole pause from now.
void PumpMessagesPaced(HWND window, uint32_t milliseconds);
// Counts the work from now until the first paced pause as part of that pause (a page's work
// starting from its timer).
void StartPacedPauses(void);
int ShowAbortNotice(HWND owner);
// A page given up (cancelled, or failed past going on): the abort notice, and the page ends with 2.
void AbortPage(HWND page);
// The message of string-table entry `id` (messagetexts.h), each "%s" replaced by the next of args:
// formatted into out as FormatText does, or shown in a message box with the installer's caption
// and `style` (the answer is the button chosen).
bool FormatMessageText(char* out, size_t outSize, UINT id, const char* const* args, int argCount);
int ShowMessage(HWND owner, UINT id, const char* const* args, int argCount, UINT style);
// A page's refusal of what the user entered: message `reason` in a warning box, its "%s" filled
// with the text of entry `heading` ("Path Invalid!" and a blank line, say).
void ShowRefusal(HWND page, UINT heading, UINT reason);
// The colour rule for the explanation text (WM_CTLCOLORSTATIC); returns the brush, or 0 for
// other statics.
INT_PTR ColorExplanation(HDC dc, HWND control);
// Navy text on the system colour `background` (COLOR_BTNFACE, COLOR_WINDOW): sets dc's colours
// and gives the brush a WM_CTLCOLORSTATIC handler returns.
INT_PTR ColorNavyStatic(HDC dc, int background);
