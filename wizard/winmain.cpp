// Process entry: start-up hardening, the welcome page, the backdrop and the message loop.
#include <windows.h>
#include <string.h>

#include "manifest.h"
#include "pages.h"
#include "recovery.h"
#include "resource.h"
#include "shell.h"
#include "singleinstance.h"

namespace {

// Keeps DLLs from being loaded out of the folder the installer was started from (typically a
// download folder where anyone can drop a DLL). SetDefaultDllDirectories arrived with a Vista
// and 7 update, so it is looked up rather than imported.
void RestrictDllSearch(void) {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : NULL;
    if (found) {
        SetDefaultDllDirectoriesFn setDirectories;
        static_assert(sizeof setDirectories == sizeof found, "function pointers of one size");
        memcpy(&setDirectories, &found, sizeof setDirectories);
        (void)setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    (void)SetDllDirectoryA("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    RestrictDllSearch();
    InitSession(instance);
    // Everything below reads the product: without it nothing is touched, not even a journal.
    if (!LoadProduct()) {
        (void)ShowMessage(NULL, IDS_NO_PRODUCT, NULL, 0, MB_OK | MB_ICONSTOP);
        return 1;
    }
    if (!ClaimSingleInstance(Manifest.product.productName)) return 1;
    // A run killed part-way is finished or undone before anything else is offered.
    if (!RecoverEarlierRun()) return 1;
    // Only Continue (1) goes on; Cancel, Esc and a page that cannot be created end at once.
    const INT_PTR welcome = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_WELCOME), NULL, WelcomeProc, 0);
    if (welcome == 1 && CreateBackdrop(showCommand)) RunMessageLoop();
    // Every way out of the wizard but the finish leaves the run uncommitted: it is undone here.
    UndoUnfinishedRun();
    // The exit code is 1 on every path: completed, cancelled or failed.
    return 1;
}
