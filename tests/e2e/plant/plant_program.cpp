// A program planted beside the installer as Notepad.exe: if it is ever run, it says so with a
// marker file and ends.
#include "plant_marker.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    LeavePlantMarker(nullptr);
    return 0;
}
