// Services every page uses: placement, product name in captions, icons, colours, the step
// marker, the timed message pump and the abort notice.
#include "shell.h"

#include "manifest.h"
#include "resource.h"

namespace {

enum { TemplateTextSize = 200, FormattedTextSize = 220, NoticeTextSize = 256 };
enum { SideBar = 150 };
const COLORREF ExplanationColor = 0x800000;  // navy

// The backdrop's step list, the only part of it that a step change repaints.
const RECT StepListRect = {0, 120, 150, 244};

}  // namespace

bool FormatText(char* out, size_t outSize, const char* format, const char* const* args, int argCount) {
    if (outSize == 0) return false;
    size_t used = 0;
    int nextArg = 0;
    bool whole = true;
    auto put = [&](char c) {
        if (used + 1 < outSize) {
            out[used++] = c;
        } else {
            whole = false;
        }
    };
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            const char* arg = nextArg < argCount ? args[nextArg] : "";
            ++nextArg;
            for (; *arg; ++arg) put(*arg);
            ++p;
        } else if (p[0] == '%' && p[1] == '%') {
            put('%');
            ++p;
        } else {
            put(*p);
        }
    }
    out[used] = '\0';
    return whole;
}

void CenterPage(HWND page, int rightOfSideBar) {
    RECT frame;
    if (!GetWindowRect(page, &frame)) return;
    const int w = frame.right - frame.left;
    const int h = frame.bottom - frame.top;
    // Signed divisions: a page larger than the screen gets a negative position.
    const int x = rightOfSideBar ? (Session.screenWidth - w + SideBar) / 2 : (Session.screenWidth - w) / 2;
    const int y = (Session.screenHeight - h) / 2;
    (void)MoveWindow(page, x, y, w, h, FALSE);
}

void ApplyProductName(HWND page, int toCaption) {
    HWND target = toCaption ? page : GetDlgItem(page, IDC_EXPLANATION);
    if (target) {
        char format[TemplateTextSize];
        if (GetWindowTextA(target, format, sizeof format) <= 0) format[0] = '\0';
        char name[sizeof Manifest.product.productName + 1];
        ManifestText(name, Manifest.product.productName);
        const char* const args[] = {name};
        char text[FormattedTextSize];
        (void)FormatText(text, sizeof text, format, args, 1);
        (void)SetWindowTextA(target, text);
    }
    if (toCaption) (void)SetSmallIcon(page, IDI_PORVANE);
}

LRESULT SetSmallIcon(HWND window, int iconId) {
    HANDLE icon = LoadImageA(Session.instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
    return SendMessageA(window, WM_SETICON, ICON_SMALL, (LPARAM)icon);
}

INT_PTR Control700Color(HDC dc, HWND control) {
    if (GetDlgCtrlID(control) != IDC_EXPLANATION) return 0;
    (void)SetTextColor(dc, ExplanationColor);
    (void)SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return (INT_PTR)GetSysColorBrush(COLOR_BTNFACE);
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
    DWORD now;
    do {
        now = GetTickCount();
        MSG message;
        if (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) {
            (void)TranslateMessage(&message);
            (void)DispatchMessageA(&message);
        }
    } while ((uint32_t)(now - start) < milliseconds);  // unsigned: the tick counter's wrap is harmless
}

int ShowAbortNotice(HWND owner) {
    const char* const args[] = {SupportEmail};
    char text[NoticeTextSize];
    (void)FormatText(text, sizeof text,
                     "Installation Aborted!\r\n\r\nIf you need assistance you can email\r\nsupport at - %s!", args, 1);
    (void)MessageBoxA(owner, text, PORVANE_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}
