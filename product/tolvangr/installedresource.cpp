// The uninstaller's list, read from its own resources.
#include <windows.h>

#include "installedproduct.h"

InstalledProduct Installed;

bool LoadInstalled(void) {
    HRSRC resource = FindResourceA(nullptr, InstalledResourceName, MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr) return ReadInstalledRecord(nullptr, 0, Installed);
    return ReadInstalledRecord(static_cast<const uint8_t*>(data), SizeofResource(nullptr, resource), Installed);
}
