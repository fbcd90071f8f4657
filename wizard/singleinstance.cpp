// A named mutex per product marks the running installer.
#include "singleinstance.h"

#include <windows.h>

#include "installmarks.h"
#include "shell.h"
#include "text.h"

namespace {

struct Search {
    DWORD self;
    HWND found;
};

// The running installer's backdrop, or its welcome page while there is no backdrop yet.
BOOL CALLBACK FindInstallerWindow(HWND window, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    DWORD process = 0;
    (void)GetWindowThreadProcessId(window, &process);
    if (process == search->self) return TRUE;
    char className[16];
    if (GetClassNameA(window, className, sizeof className) == 0) return TRUE;
    if (strcmp(className, BackdropClassName) == 0) {
        search->found = window;
        return FALSE;
    }
    if (strcmp(className, DialogClassName) == 0 && GetWindow(window, GW_OWNER) == nullptr) search->found = window;
    return TRUE;
}

void BringRunningInstallerForward() {
    Search search = {GetCurrentProcessId(), nullptr};
    (void)EnumWindows(FindInstallerWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return;
    // The page or message box in front of the backdrop is the one that waits for the user.
    HWND front = GetLastActivePopup(search.found);
    if (IsIconic(front)) (void)ShowWindow(front, SW_RESTORE);
    (void)SetForegroundWindow(front);
}

}  // namespace

bool ClaimSingleInstance(const char* productName) {
    char name[InstallerMutexNameSize];
    const char* const args[] = {productName};
    if (!FormatText(name, sizeof name, InstallerMutexNameFormat, args, 1)) return true;
    // The handle stays open until the process ends: that is the claim.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    const DWORD error = GetLastError();
    // A mutex that is there but out of reach (another account's installer) is refused.
    if (mutex == nullptr && error != ERROR_ACCESS_DENIED) return true;  // better an installer than none
    if (mutex != nullptr && error != ERROR_ALREADY_EXISTS) return true;
    if (mutex != nullptr) (void)CloseHandle(mutex);
    BringRunningInstallerForward();
    return false;
}
