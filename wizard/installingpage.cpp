// The installing page. Its work starts from a one-shot timer so that the page is painted first,
// and the copy step then runs inside that timer's message, pumping the page's own messages.
#include "installingpage.h"

#include "copystep.h"
#include "manifest.h"
#include "pages.h"
#include "pathutil_win32.h"
#include "resource.h"
#include "shell.h"

namespace {

enum {
    StartTimerId = 200,
    StartDelayMs = 250,
    FinalPauseMs = 1000,
    UnnumberedControl = 0xFFFF,  // the id -1 of the template, as GetDlgCtrlID reads it back
    FullValue = 200,
    // The note's two lines of text, the longest home page name (19) and page (59), and the NUL.
    HomePageNoteSize = 160,
};

const COLORREF Navy = 0x800000;
const COLORREF DarkBlue = 0x400000;
const COLORREF White = 0xFFFFFF;

// The page's one piece of state: the static's own procedure, kept while the bar replaces it.
struct InstallingPageState {
    WNDPROC previousBarProc;
};
InstallingPageState InstallingPage;

HWND PageOf(void* context) { return static_cast<HWND>(context); }

void ShowTotals(void* page, uint32_t totalBytes, uint32_t fileCount) {
    SetDlgItemNumber(PageOf(page), IDC_TOTAL_SIZE, totalBytes);
    SetDlgItemNumber(PageOf(page), IDC_TOTAL_FILES, fileCount);
}

void ShowFile(void* page, const char* destination, uint32_t number) {
    (void)SetDlgItemTextA(PageOf(page), IDC_EXTRACTING, destination);
    SetDlgItemNumber(PageOf(page), IDC_CURRENT_FILE, number);
}

void ShowDone(void* page, uint32_t bytesDone) { SetDlgItemNumber(PageOf(page), IDC_CURRENT_SIZE, bytesDone); }

void RepaintBar(void*, const ProgressMeter& meter) {
    // Without a bar, InvalidateRect would mark every window on the desktop.
    if (meter.bar == nullptr) return;
    (void)InvalidateRect(meter.bar, nullptr, FALSE);
    (void)UpdateWindow(meter.bar);
}

void Pause(void* page, uint32_t milliseconds) { PumpMessagesPaced(PageOf(page), milliseconds); }

void ShowCopyFailure(void* page, unsigned textId, const char* const* args, int argCount) {
    (void)ShowMessage(PageOf(page), textId, args, argCount, MB_OK | MB_ICONERROR);
}

bool RetryHeldFile(void* page, const char* path) {
    const char* const args[] = {path};
    return ShowMessage(PageOf(page), IDS_FILE_IN_USE, args, 1, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

BOOL OnInitDialog(HWND page) {
    PlacePageBesideSideBar(page);
    char note[HomePageNoteSize];
    const char* const noteArgs[] = {Texts.homePageName, Texts.homePage};
    if (FormatMessageText(note, sizeof note, IDS_HOME_PAGE_NOTE, noteArgs, 2)) {
        (void)SetDlgItemTextA(page, IDC_HOME_PAGE_NOTE, note);
    }
    HWND bar = GetDlgItem(page, IDC_PROGRESS_BAR);
    Session.progress.bar = bar;
    InstallingPage.previousBarProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProgressBarProc)));
    FillSystemFolders(page, Session.directories);
    (void)SetTimer(page, StartTimerId, StartDelayMs, nullptr);
    return TRUE;
}

void OnTimer(HWND page, UINT_PTR timer) {
    // Killed first: the copy step pumps messages and must not be entered a second time.
    KillTimer(page, timer);
    StartPacedPauses();
    if (CopyAllFiles(InstallingPageReport(page), Session.directories, Session.progress, Session.journal) == -1) {
        AbortPage(page);
        return;
    }
    PumpMessagesPaced(page, FinalPauseMs);
    EndDialog(page, 1);
}

INT_PTR OnCtlColorStatic(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == IDC_HOME_PAGE_NOTE) return ColorNavyStatic(dc, COLOR_WINDOW);
    if (static_cast<WORD>(id) == UnnumberedControl) return 0;
    return ColorNavyStatic(dc, COLOR_BTNFACE);
}

void OnDestroy(HWND page) {
    if (InstallingPage.previousBarProc == nullptr) return;
    SetWindowLongPtrA(GetDlgItem(page, IDC_PROGRESS_BAR), GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(InstallingPage.previousBarProc));
    InstallingPage.previousBarProc = nullptr;
}

}  // namespace

CopyReport InstallingPageReport(HWND page) {
    return {page, ShowTotals, ShowFile, ShowDone, RepaintBar, Pause, ShowCopyFailure, RetryHeldFile};
}

INT_PTR CALLBACK InstallingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(page);
        case WM_TIMER:
            OnTimer(page, wParam);
            return FALSE;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DESTROY:
            OnDestroy(page);
            return TRUE;
        default:
            return FALSE;
    }
}

LRESULT CALLBACK ProgressBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            PaintProgressBar(bar);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the whole client area
        default:
            if (InstallingPage.previousBarProc == nullptr) return DefWindowProcA(bar, message, wParam, lParam);
            return CallWindowProcA(InstallingPage.previousBarProc, bar, message, wParam, lParam);
    }
}

void PaintProgressBar(HWND bar) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(bar, &paint);
    RECT area;
    GetClientRect(bar, &area);
    DrawProgressBar(dc, area, Session.progress.value);
    EndPaint(bar, &paint);
}

void DrawProgressBar(HDC dc, const RECT& area, unsigned value) {
    HGDIOBJ previousFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    const int v = value > FullValue ? FullValue : static_cast<int>(value);
    const int boundary = v == 0 ? area.left : area.left + (area.right - area.left) * v / FullValue;
    const RECT finished = {area.left, area.top, boundary, area.bottom};
    const RECT remaining = {boundary, area.top, area.right, area.bottom};

    char text[8];  // "100%" at most, as v is bounded
    const int length = wsprintfA(text, "%d%%", v / 2);
    SIZE extent = {0, 0};
    (void)GetTextExtentPointA(dc, text, length, &extent);
    const int x = area.left + (area.right - extent.cx) / 2;
    const int y = area.top + (area.bottom - extent.cy) / 2;

    // The remaining part first, dark blue on the button face, then the finished part, white on navy:
    // each call fills its rectangle and draws the part of the text that falls into it.
    const struct {
        const RECT* area;
        COLORREF text, back;
    } parts[] = {{&remaining, DarkBlue, GetSysColor(COLOR_BTNFACE)}, {&finished, White, Navy}};
    for (const auto& part : parts) {
        SetTextColor(dc, part.text);
        SetBkColor(dc, part.back);
        ExtTextOutA(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, part.area, text, static_cast<UINT>(length), nullptr);
    }

    SelectObject(dc, previousFont);
}
