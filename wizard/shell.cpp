// The session, the two window classes, the backdrop window's messages and the page chain.
#include "shell.h"

#include "backdropwnd.h"
#include "pages.h"
#include "resource.h"

InstallSession Session;

const char DialogClassName[] = "InstallDlg";
const char BackdropClassName[] = "InstallApp";

namespace {

const ATOM SystemDialogClass = 32770;
enum { DialogWindowBytes = 30 };

// The installer's icon: size by size pixels, or with size 0 at the system's icon size and shared,
// which is what LoadIconA gives.
HICON InstallerIcon(int size) {
    return (HICON)LoadImageA(Session.instance, MAKEINTRESOURCEA(IDI_PORVANE), IMAGE_ICON, size, size,
                             size != 0 ? LR_DEFAULTCOLOR : LR_DEFAULTSIZE | LR_SHARED);
}

// Sets the step, runs the page owned by owner, and tells whether it ended with 1. Any other
// result, including the failure to create the page, destroys the backdrop.
bool RunPage(HWND owner, uint32_t step, int templateId, DLGPROC procedure) {
    SetWizardStep(step);
    const INT_PTR result = DialogBoxParamA(Session.instance, MAKEINTRESOURCEA(templateId), owner, procedure, 0);
    if (result == 1) return true;
    (void)DestroyWindow(owner);
    return false;
}

}  // namespace

void InitSession(HINSTANCE instance) {
    Session.instance = instance;
    Session.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    Session.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    (void)RegisterDialogClass();
    (void)RegisterBackdropClass();
}

int RegisterDialogClass(void) {
    WNDCLASSEXA dialogClass;
    dialogClass.cbSize = sizeof dialogClass;
    if (!GetClassInfoExA(NULL, MAKEINTATOM(SystemDialogClass), &dialogClass)) return 0;
    // Everything else stays as the system dialog class has it.
    dialogClass.lpfnWndProc = DefDlgProcA;
    dialogClass.cbWndExtra = DialogWindowBytes;
    dialogClass.hInstance = Session.instance;
    dialogClass.hIcon = InstallerIcon(0);
    dialogClass.hIconSm = InstallerIcon(16);
    dialogClass.lpszClassName = DialogClassName;
    return RegisterClassExA(&dialogClass) ? 1 : 0;
}

ATOM RegisterBackdropClass(void) {
    WNDCLASSEXA backdropClass = {};
    backdropClass.cbSize = sizeof backdropClass;
    backdropClass.style = CS_BYTEALIGNWINDOW;
    backdropClass.lpfnWndProc = BackdropProc;
    backdropClass.hInstance = Session.instance;
    backdropClass.hIcon = InstallerIcon(0);
    backdropClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    backdropClass.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    backdropClass.lpszClassName = BackdropClassName;
    backdropClass.hIconSm = InstallerIcon(16);
    return RegisterClassExA(&backdropClass);
}

int CreateBackdrop(int showCommand) {
    HWND window = CreateWindowExA(WS_EX_TOPMOST, BackdropClassName, PORVANE_CAPTION,
                                  WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 0, 0, Session.screenWidth,
                                  Session.screenHeight, NULL, NULL, Session.instance, NULL);
    Session.backdrop = window;
    if (!window) return 0;
    (void)ShowWindow(window, showCommand);
    (void)UpdateWindow(window);
    return 1;
}

void RunMessageLoop(void) {
    MSG message;
    // GetMessageA gives 0 for WM_QUIT and -1 on failure; both end the loop.
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        (void)TranslateMessage(&message);
        (void)DispatchMessageA(&message);
    }
}

LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnBackdropCreate(window);
        case WM_DESTROY:
            return OnBackdropDestroy();
        case WM_PAINT:
            return OnBackdropPaint(window);
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_TIMER:
            return StartWizard(window, wParam);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int StartWizard(HWND window, UINT_PTR timerId) {
    // Killed first, so that the chain starts once however long it runs.
    (void)KillTimer(window, timerId);
    RunLicensePage(window);
    return 0;
}

void RunLicensePage(HWND owner) {
    if (RunPage(owner, StepLicense, IDD_LICENSE, LicenseProc)) RunLocationPage(owner);
}

void RunLocationPage(HWND owner) {
    if (RunPage(owner, StepLocation, IDD_LOCATION, LocationPageProc)) RunInstallingPage(owner);
}

void RunInstallingPage(HWND owner) {
    if (RunPage(owner, StepFiles, IDD_INSTALLING, InstallingPageProc)) RunGroupPage(owner);
}

void RunGroupPage(HWND owner) {
    if (RunPage(owner, StepGroup, IDD_GROUP, GroupPageProc)) RunFinish(owner);
}
