// The licence page: the licence text in a resizable box; I Agree goes on, I Disagree ends.
#include "manifest.h"
#include "pages.h"
#include "resource.h"
#include "shell.h"

#include <string.h>

namespace {

// The licence text is at most this long; a longer resource is cut here (the box would not take
// much more anyway: a multi-line edit holds about 32 KB by default).
enum { LicenseTextLimit = 32767 };

struct LicensePage {
    int32_t lastClientWidth;
    int32_t lastClientHeight;
    bool laidOut;  // the client size above is the page's; sizes arriving before it are not moves
};

LicensePage License;

// The resource's bytes as a terminated text; never reads past the resource's end.
void ShowLicenseText(HWND page) {
    static char text[LicenseTextLimit + 1];
    uint32_t size = 0;
    const uint8_t* bytes = FindRawResource(LICENSE_RESOURCE_NAME, &size);  // none: size 0
    if (size > LicenseTextLimit) size = LicenseTextLimit;
    if (bytes) memcpy(text, bytes, size);
    text[size] = '\0';
    (void)SetDlgItemTextA(page, IDC_LICENSE_TEXT, text);
}

INT_PTR OnInitDialog(HWND page) {
    PlacePageBesideSideBar(page);
    RECT client;
    (void)GetClientRect(page, &client);
    License.lastClientWidth = client.right - client.left;
    License.lastClientHeight = client.bottom - client.top;
    License.laidOut = true;
    ShowLicenseText(page);
    return TRUE;  // the focus goes to I Agree
}

// The control's rectangle in the page's client coordinates.
RECT ControlRect(HWND page, HWND control) {
    RECT r;
    (void)GetWindowRect(control, &r);
    (void)MapWindowPoints(HWND_DESKTOP, page, (POINT*)&r, 2);
    return r;
}

void MoveByOffset(HWND page, int id, int dx, int dy) {
    HWND button = GetDlgItem(page, id);
    const RECT r = ControlRect(page, button);
    (void)SetWindowPos(button, NULL, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The box keeps its top-left corner and its margins; the buttons keep their distance from the
// bottom-right corner.
INT_PTR OnSize(HWND page, int newWidth, int newHeight) {
    if (License.laidOut) {
        const int dx = newWidth - License.lastClientWidth;
        const int dy = newHeight - License.lastClientHeight;
        HWND box = GetDlgItem(page, IDC_LICENSE_TEXT);
        const RECT r = ControlRect(page, box);
        (void)SetWindowPos(box, NULL, 0, 0, r.right - r.left + dx, r.bottom - r.top + dy,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        MoveByOffset(page, IDC_CONTINUE, dx, dy);
        MoveByOffset(page, IDC_CANCEL, dx, dy);
    }
    License.lastClientWidth = newWidth;
    License.lastClientHeight = newHeight;
    return TRUE;
}

INT_PTR OnCommand(HWND page, int id, int code) {
    if (id != IDC_CONTINUE && id != IDC_CANCEL) return TRUE;  // includes the licence box's notifications
    if (code == BN_CLICKED) {
        License.laidOut = false;
        (void)EndDialog(page, id);
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK LicenseProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(page);
        case WM_SIZE:
            return OnSize(page, LOWORD(lParam), HIWORD(lParam));
        case WM_COMMAND:
            return OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        default:
            return FALSE;
    }
}
