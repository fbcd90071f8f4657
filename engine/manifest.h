// The description of the product: what is installed, where, and how big. The packer writes it
// into the program as the raw-data resource PRODUCT (ProductResourceSize): the manifest image,
// byte for byte in the layout of manifest_records.h with as many rows as the product has, then
// the CRC-32 of each row's payload and the CRC-32 of everything before it. The program is built
// without any product; LoadProduct reads this and the product's texts before anything else.
#pragma once

#include "manifest_records.h"

struct InstallManifest {
    ProductInfo product;
    FileEntry files[ManifestMaxRows];
    int16_t fileCount;
    int16_t shortcutCount;
};

static_assert(offsetof(InstallManifest, files) == 188, "file table at 188");

// The resource PRODUCT of a product of `rows` rows.
constexpr size_t ProductResourceSize(size_t rows) { return ManifestSize(rows) + 4 * rows + 4; }

// Texts the packer writes into the string table with the product; each at most
// ProductTextSize - 1 characters (the packer refuses longer ones).
enum {
    IDS_PRODUCT_SUPPORT_EMAIL = 2100,
    IDS_PRODUCT_PUBLISHER_KEY = 2101,
    IDS_PRODUCT_VERSION_KEY = 2102,
    IDS_PRODUCT_DEFAULT_PARENT = 2103,
    IDS_PRODUCT_HOME_PAGE = 2104,
    IDS_PRODUCT_HOME_PAGE_NAME = 2105,
    ProductTextSize = 128,
};

struct ProductTexts {
    char supportEmail[ProductTextSize];   // shown in the abort notice and the restart notice
    char publisherKey[ProductTextSize];   // below HKEY_LOCAL_MACHINE: Software\<publisher>
    char versionKey[ProductTextSize];     // <publisher key>\Programs\<product>\Current Version
    char defaultParent[ProductTextSize];  // the proposed install folder's parent: C:\<publisher>
    char homePage[ProductTextSize];       // the publisher's home page and the name the notes give it
    char homePageName[ProductTextSize];
};

// The one product of this program, as LoadProduct read it from the program's resources.
extern InstallManifest Manifest;
extern uint32_t PayloadCrc32[ManifestMaxRows];  // of each row's compressed stream, in row order
extern ProductTexts Texts;

// Reads the resource PRODUCT into Manifest and PayloadCrc32, and the product's texts into Texts.
// False, with nothing read, when the program carries no product, or a damaged one (a size that
// is no product's, a wrong CRC-32, counts that do not fit, a text missing or too long): such a
// program must not install anything.
bool LoadProduct(void);

// The raw-data resource `name` of this program as a read-only view and its size, or null (size
// 0) when the program has none of that name.
const uint8_t* FindRawResource(const char* name, uint32_t* size);
