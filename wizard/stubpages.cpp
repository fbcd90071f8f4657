// Stand-ins for the pages that are not written yet. Each ends at once with 2, which ends the
// installer as a cancelled page would. Each one is removed when its page arrives.
#include "pages.h"

INT_PTR CALLBACK LocationPageProc(HWND page, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    (void)EndDialog(page, 2);
    return TRUE;
}

INT_PTR CALLBACK InstallingPageProc(HWND page, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    (void)EndDialog(page, 2);
    return TRUE;
}

INT_PTR CALLBACK GroupPageProc(HWND page, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    (void)EndDialog(page, 2);
    return TRUE;
}

void RunFinish(HWND backdrop) { (void)DestroyWindow(backdrop); }
