// A small page for checking the driver itself: buttons, keys, an edit box, lists, a resizable
// frame, a painted swatch, a message box and a short-lived top-level window.
#include <windows.h>
#include <stdio.h>

#include "sample_app.h"

namespace {

HINSTANCE Instance;

LRESULT CALLBACK FlashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void ShowFlash(HWND page) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FlashProc;
    wc.hInstance = Instance;
    wc.lpszClassName = "SampleFlash";
    RegisterClassA(&wc);
    HWND flash = CreateWindowExA(0, "SampleFlash", "Flash", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                 page, nullptr, Instance, nullptr);
    Sleep(20);
    DestroyWindow(flash);
}

void OnSize(HWND page, int width, int height) {
    char text[40];
    snprintf(text, sizeof text, "%d x %d", width, height);
    SetDlgItemTextA(page, SAMPLE_SIZE, text);
}

void OnCommand(HWND page, int id, int code) {
    if (id == SAMPLE_LIST && code == LBN_DBLCLK) {
        HWND list = GetDlgItem(page, SAMPLE_LIST);
        int index = (int)SendMessageA(list, LB_GETCURSEL, 0, 0);
        char text[64] = {0};
        if (index >= 0 && SendMessageA(list, LB_GETTEXTLEN, index, 0) < (LRESULT)sizeof text)
            SendMessageA(list, LB_GETTEXT, index, (LPARAM)text);
        SetDlgItemTextA(page, SAMPLE_CHOSEN, text);
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
    case IDOK: {
        char typed[100] = {0};
        GetDlgItemTextA(page, SAMPLE_EDIT, typed, sizeof typed);
        char text[140];
        snprintf(text, sizeof text, "Typed: %s", typed);
        MessageBoxA(page, text, "Sample", MB_OK);
        EndDialog(page, IDOK);
        break;
    }
    case IDCANCEL:
        EndDialog(page, IDCANCEL);
        break;
    case SAMPLE_ASK:
        SetDlgItemTextA(page, SAMPLE_CHOSEN,
                        MessageBoxA(page, "Proceed?", "Sample", MB_YESNO) == IDYES ? "yes" : "no");
        break;
    case SAMPLE_FLASH:
        ShowFlash(page);
        break;
    }
}

INT_PTR CALLBACK SampleProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        static const char* const entries[] = {"alpha", "bravo", "charlie", "delta", "echo"};
        for (const char* entry : entries) {
            SendDlgItemMessageA(page, SAMPLE_LIST, LB_ADDSTRING, 0, (LPARAM)entry);
        }
        static const char* const groups[] = {"Tools", "Games", "Office"};
        for (const char* group : groups)
            SendDlgItemMessageA(page, SAMPLE_COMBO, CB_ADDSTRING, 0, (LPARAM)group);
        RECT client;
        GetClientRect(page, &client);
        OnSize(page, client.right, client.bottom);
        return TRUE;
    }
    case WM_SIZE:
        OnSize(page, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID((HWND)lParam) == SAMPLE_SWATCH) {
            static HBRUSH swatch = CreateSolidBrush(SampleSwatchColor);
            return (INT_PTR)swatch;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Instance = instance;
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(SAMPLE_DIALOG), nullptr,
                                     SampleProc, 0);
    return 10 + (int)result;
}
