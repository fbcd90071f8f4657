// Plendix: the Vantrel updater. This release has nothing newer to offer, and says so.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MessageBoxA(nullptr,
                "There is no update available for Vantrel 3.02.\r\n"
                "\r\n"
                "You already have the latest release. News of later releases appears on "
                "http://www.quillfern.example/vantrel.",
                "Vantrel Update", MB_OK | MB_ICONINFORMATION);
    return 0;
}
