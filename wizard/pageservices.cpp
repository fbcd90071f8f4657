// Services every page uses: placement, product name in captions, icons, colours, the step
// marker, the timed message pump and the abort notice.
#include "shell.h"

#include "backdroplayout.h"
#include "manifest.h"
#include "resource.h"

namespace {

enum { TemplateTextSize = 200, FormattedTextSize = 220, MessageFormatSize = 512, MessageTextSize = 1024 };
// The longest message formats, with the longest names the product description allows.
static_assert(sizeof TEXT_RESTART_NOTICE <= MessageFormatSize && sizeof TEXT_UNDO_STUCK <= MessageFormatSize &&
                  sizeof TEXT_OTHER_FILES <= MessageFormatSize && sizeof TEXT_FILE_IN_USE <= MessageFormatSize,
              "every message format fits its buffer");
enum { RefusalHeadingSize = 32 };
static_assert(sizeof TEXT_PATH_INVALID <= RefusalHeadingSize && sizeof TEXT_GROUP_INVALID <= RefusalHeadingSize,
              "every refusal heading fits its buffer");
const COLORREF NavyText = 0x800000;

// When the last paced pause was due to end; none yet while started is false.
struct PauseCadence {
    DWORD due;
    bool started;
};
PauseCadence Cadence;

}  // namespace

void CenterPage(HWND page, PagePlacement placement) {
    RECT frame;
    if (!GetWindowRect(page, &frame)) return;
    const int w = frame.right - frame.left;
    const int h = frame.bottom - frame.top;
    // Signed divisions: a page larger than the screen gets a negative position.
    const int x = placement == CentredRightOfSideBar ? (Session.screenWidth - w + SideBarWidth) / 2
                                                     : (Session.screenWidth - w) / 2;
    const int y = (Session.screenHeight - h) / 2;
    // What MoveWindow does without repainting.
    (void)SetWindowPos(page, NULL, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
}

void ApplyProductName(HWND page, ProductNameTarget target) {
    HWND window = target == NameInCaption ? page : GetDlgItem(page, IDC_EXPLANATION);
    if (window) {
        char format[TemplateTextSize];
        if (GetWindowTextA(window, format, sizeof format) <= 0) format[0] = '\0';
        const char* const args[] = {Manifest.product.productName};
        char text[FormattedTextSize];
        (void)FormatText(text, sizeof text, format, args, 1);
        (void)SetWindowTextA(window, text);
    }
    if (target == NameInCaption) (void)SetSmallIcon(page, IDI_PORVANE);
}

void PlacePageBesideSideBar(HWND page) {
    CenterPage(page, CentredRightOfSideBar);
    ApplyProductName(page, NameInCaption);
}

LRESULT SetSmallIcon(HWND window, int iconId) {
    HANDLE icon = LoadImageA(Session.instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
    return SendMessageA(window, WM_SETICON, ICON_SMALL, (LPARAM)icon);
}

INT_PTR ColorExplanation(HDC dc, HWND control) {
    if (GetDlgCtrlID(control) != IDC_EXPLANATION) return 0;
    return ColorNavyStatic(dc, COLOR_BTNFACE);
}

INT_PTR ColorNavyStatic(HDC dc, int background) {
    (void)SetTextColor(dc, NavyText);
    (void)SetBkColor(dc, GetSysColor(background));
    return (INT_PTR)GetSysColorBrush(background);
}

void SetWizardStep(uint32_t step) {
    Session.currentStep = step;
    // Without a backdrop there is nothing to repaint (and a null window would mean every window).
    if (!Session.backdrop) return;
    (void)InvalidateRect(Session.backdrop, &StepListRect, FALSE);
    (void)UpdateWindow(Session.backdrop);
}

void PumpMessages(HWND window, uint32_t milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        const bool handled = PeekMessageA(&message, window, 0, 0, PM_REMOVE) != FALSE;
        if (handled) {
            (void)TranslateMessage(&message);
            (void)DispatchMessageA(&message);
        }
        const uint32_t elapsed = GetTickCount() - start;  // unsigned: the tick counter's wrap is harmless
        if (elapsed >= milliseconds) return;
        // Nothing of this window is queued: sleep until something new arrives or the time is up.
        // Without MWMO_INPUTAVAILABLE the wait ends only on input that came after the last look
        // at the queue; with it, a message for another window (the backdrop's pending paint),
        // which this filtered pump never removes, would end every wait at once.
        if (!handled) (void)MsgWaitForMultipleObjectsEx(0, NULL, milliseconds - elapsed, QS_ALLINPUT, 0);
    }
}

bool FormatMessageText(char* out, size_t outSize, UINT id, const char* const* args, int argCount) {
    char format[MessageFormatSize];
    (void)LoadStringA(Session.instance, id, format, sizeof format);
    return FormatText(out, outSize, format, args, argCount);
}

int ShowMessage(HWND owner, UINT id, const char* const* args, int argCount, UINT style) {
    char text[MessageTextSize];
    (void)FormatMessageText(text, sizeof text, id, args, argCount);
    return MessageBoxA(owner, text, PORVANE_CAPTION, style);
}

void ShowRefusal(HWND page, UINT heading, UINT reason) {
    char text[RefusalHeadingSize];
    (void)FormatMessageText(text, sizeof text, heading, nullptr, 0);
    const char* const args[] = {text};
    (void)ShowMessage(page, reason, args, 1, MB_OK | MB_ICONWARNING);
}

void StartPacedPauses(void) {
    Cadence.due = GetTickCount();
    Cadence.started = true;
}

void PumpMessagesPaced(HWND window, uint32_t milliseconds) {
    const DWORD now = GetTickCount();
    const uint32_t sinceDue = now - Cadence.due;  // unsigned: the tick counter's wrap is harmless
    // The work done since the last pause was due to end (a block decoded and written, the bar
    // painted, a link saved) is part of this pause when it took less than the pause; otherwise
    // the pause is counted whole from now.
    Cadence.due = Cadence.started && sinceDue < milliseconds ? Cadence.due + milliseconds : now + milliseconds;
    Cadence.started = true;
    PumpMessages(window, Cadence.due - now);
}

void AbortPage(HWND page) {
    (void)ShowAbortNotice(page);
    (void)EndDialog(page, 2);
}

int ShowAbortNotice(HWND owner) {
    const char* const args[] = {Texts.supportEmail};
    (void)ShowMessage(owner, IDS_ABORT_NOTICE, args, 1, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}
