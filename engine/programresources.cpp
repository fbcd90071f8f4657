// The raw-data resources the packer wrote into the program: the manifest, read once before
// anything else into the one table every step reads, and the payloads.
#include <windows.h>
#include <string.h>

#include "manifest.h"
#include "payloadcheck.h"

InstallManifest Manifest;

const uint8_t* FindRawResource(const char* name, uint32_t* size) {
    *size = 0;
    HRSRC resource = FindResourceA(NULL, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (resource == NULL) return NULL;
    HGLOBAL loaded = LoadResource(NULL, resource);
    if (loaded == NULL) return NULL;
    *size = SizeofResource(NULL, resource);
    return static_cast<const uint8_t*>(LockResource(loaded));
}

bool LoadManifest(void) {
    uint32_t size = 0;
    const uint8_t* image = FindRawResource("PRODUCT", &size);
    if (!image || size != sizeof Manifest || Crc32(image, size) != ManifestCrc32) return false;
    memmove(&Manifest, image, sizeof Manifest);
    return true;
}
