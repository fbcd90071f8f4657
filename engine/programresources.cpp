// The product the packer wrote into the program: the manifest, the payloads' CRCs and the texts,
// read once before anything else; and the payloads themselves.
#include <windows.h>
#include <stddef.h>
#include <string.h>

#include "manifest.h"
#include "payloadcheck.h"

InstallManifest Manifest;
uint32_t PayloadCrc32[ManifestMaxRows];
ProductTexts Texts;

const uint8_t* FindRawResource(const char* name, uint32_t* size) {
    *size = 0;
    HRSRC resource = FindResourceA(NULL, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (resource == NULL) return NULL;
    HGLOBAL loaded = LoadResource(NULL, resource);
    if (loaded == NULL) return NULL;
    *size = SizeofResource(NULL, resource);
    return static_cast<const uint8_t*>(LockResource(loaded));
}

namespace {

uint32_t Read32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

// A text of the string table that is there, not empty, and fits its field whole.
bool LoadText(UINT id, char (&text)[ProductTextSize]) {
    const int length = LoadStringA(GetModuleHandleA(NULL), id, text, ProductTextSize);
    return length > 0 && length < ProductTextSize - 1;
}

}  // namespace

bool LoadProduct(void) {
    uint32_t size = 0;
    const uint8_t* image = FindRawResource("PRODUCT", &size);
    const uint32_t perRow = sizeof(FileEntry) + 4;
    const uint32_t fixed = ProductResourceSize(0);
    if (!image || size < fixed || (size - fixed) % perRow != 0) return false;
    const uint32_t rows = (size - fixed) / perRow;
    if (rows > ManifestMaxRows || Crc32(image, size - 4) != Read32(image + size - 4)) return false;

    const uint8_t* counts = image + ManifestSize(rows) - 4;
    int16_t fileCount, shortcutCount;
    memmove(&fileCount, counts, 2);
    memmove(&shortcutCount, counts + 2, 2);
    if (fileCount != static_cast<int16_t>(rows) || shortcutCount < 0 || shortcutCount > fileCount) return false;
    // The texts' fields follow one another in the order of their ids.
    enum { TextCount = IDS_PRODUCT_HOME_PAGE_NAME - IDS_PRODUCT_SUPPORT_EMAIL + 1 };
    static_assert(sizeof(ProductTexts) == TextCount * ProductTextSize &&
                      offsetof(ProductTexts, homePageName) == sizeof(ProductTexts) - ProductTextSize,
                  "one field per text id, in id order");
    char(*field)[ProductTextSize] = reinterpret_cast<char(*)[ProductTextSize]>(&Texts);
    for (UINT id = IDS_PRODUCT_SUPPORT_EMAIL; id <= IDS_PRODUCT_HOME_PAGE_NAME; ++id, ++field) {
        if (!LoadText(id, *field)) return false;
    }

    memmove(&Manifest, image, sizeof(ProductInfo) + sizeof(FileEntry) * rows);
    Manifest.fileCount = fileCount;
    Manifest.shortcutCount = shortcutCount;
    for (uint32_t row = 0; row < rows; ++row) PayloadCrc32[row] = Read32(counts + 4 + 4 * row);
    return true;
}
