// A DLL planted beside the installer under the names of system DLLs: if it is ever loaded, it
// says so with a marker file.
#include "plant_marker.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LeavePlantMarker(instance);
    return TRUE;
}
