// The fixed-size records of the manifest, byte for byte as the installer reads them from its
// resources and the packer writes them: the product record, one file-table row, the flag bits and
// the rows whose place is fixed. Whatever needs the number of rows is in manifest.h.
// Every text field ends with a NUL inside its width (the packer refuses a longer text, and the
// resource's CRC-32 keeps it so), so the programs read the fields as texts where they stand.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Same members and layout as the Win32 SYSTEMTIME, so the portable code needs no <windows.h>.
struct ManifestTime {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};

struct ProductInfo {
    char productName[20];
    char version[10];
    char tagline[60];
    char publisher[20];
    char homePageUrl[60];
    ManifestTime fileTime;
    uint16_t padding;  // keeps the file table 4-byte aligned; always 0
};

// Flag bits of FileEntry::flags. Each consumer tests only its own bit.
enum : uint32_t {
    FILE_IN_INSTALL_FOLDER = 0x01,  // the shortcut targets the install folder (else the Windows folder)
    FILE_TO_WINDOWS_FOLDER = 0x02,  // the file is written to the Windows folder (else the install folder)
    FILE_ALWAYS_OVERWRITE = 0x10,   // extract even when the destination already exists
    FILE_KNOWN_FLAGS = FILE_IN_INSTALL_FOLDER | FILE_TO_WINDOWS_FOLDER | FILE_ALWAYS_OVERWRITE,
};

struct FileEntry {
    char fileName[24];
    uint32_t flags;
    char resourceName[16];
    char shortcutName[20];
    uint32_t fileSize;
    uint32_t compressedSize;
};

// Fixed row positions that other parts of the installer rely on, and the most rows a product
// may have (the packer refuses more; the installer and the uninstaller hold that many).
enum {
    UninstallerRow = 0,
    ReadMeRow = 4,
    MinimumFileCount = ReadMeRow + 1,
    ManifestMaxRows = 64,
};

// The manifest is the product record, the rows, then fileCount and shortcutCount (int16 each).
constexpr size_t ManifestSize(size_t rows) {
    return sizeof(ProductInfo) + sizeof(FileEntry) * rows + 2 * sizeof(int16_t);
}

static_assert(sizeof(ManifestTime) == 16, "ManifestTime mirrors SYSTEMTIME");
static_assert(sizeof(ProductInfo) == 188, "ProductInfo is 188 bytes");
static_assert(offsetof(ProductInfo, version) == 20, "version at 20");
static_assert(offsetof(ProductInfo, tagline) == 30, "tagline at 30");
static_assert(offsetof(ProductInfo, publisher) == 90, "publisher at 90");
static_assert(offsetof(ProductInfo, homePageUrl) == 110, "homePageUrl at 110");
static_assert(offsetof(ProductInfo, fileTime) == 170, "fileTime at 170");
static_assert(sizeof(FileEntry) == 72, "FileEntry is 72 bytes");
static_assert(offsetof(FileEntry, flags) == 24, "flags at 24");
static_assert(offsetof(FileEntry, resourceName) == 28, "resourceName at 28");
static_assert(offsetof(FileEntry, shortcutName) == 44, "shortcutName at 44");
static_assert(offsetof(FileEntry, fileSize) == 64, "fileSize at 64");
static_assert(offsetof(FileEntry, compressedSize) == 68, "compressedSize at 68");
static_assert(ManifestSize(7) == 696, "696 bytes with 7 rows");
