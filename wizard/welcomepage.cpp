// The welcome page: shown by itself before the backdrop; Continue goes on, Cancel ends.
#include "pages.h"
#include "shell.h"

namespace {

INT_PTR OnInitDialog(HWND page) {
    CenterPage(page, CentredOnScreen);  // there is no backdrop yet
    ApplyProductName(page, NameInExplanation);  // the caption stays; the icons come from the class
    return TRUE;                 // the dialog manager puts the focus on Continue
}

INT_PTR OnCommand(HWND page, WPARAM wParam) {
    if (HIWORD(wParam) != 0) return TRUE;
    (void)EndDialog(page, LOWORD(wParam));
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK WelcomeProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(page);
        case WM_COMMAND:
            return OnCommand(page, wParam);
        case WM_CTLCOLORSTATIC:
            return ColorExplanation((HDC)wParam, (HWND)lParam);
        default:
            return FALSE;
    }
}
