// Tolvangr: the Vantrel uninstaller. This release only tells the user what removal involves;
// the program that does it comes with a later release.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr,
                "The Vantrel uninstaller will come with a later release of Vantrel.\r\n"
                "\r\n"
                "To remove Vantrel 3.02 now:\r\n"
                "1. Delete the Vantrel program folder. Keep any notes you saved there.\r\n"
                "2. Delete the Vantrel group from the Programs folder of the Start menu.\r\n"
                "3. Delete Tolvangr.exe from the Windows folder.\r\n"
                "\r\n"
                "The uninstaller will do these steps for you and also remove the Vantrel "
                "entries from the registry.",
                "Vantrel Uninstall", MB_OK | MB_ICONINFORMATION);
    return 0;
}
