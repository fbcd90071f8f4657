// What one installation of the product consists of, for the uninstaller: the record the packer
// writes into the uninstaller as the raw-data resource INSTALLED, and the uninstaller's reading of
// it. Both sides take the layout from here.
//
// The record, little-endian, every length explicit:
//   header (InstalledHeaderSize bytes)
//      0  char[4]  InstalledTag
//      4  uint16   InstalledFormat
//      6  uint16   file count, at most InstalledMaxFiles
//      8  uint16   link count, at most the file count: link i leads to file i, in that file's folder
//     10  uint16   0
//     12  uint32   the record's size, header included
//     16  uint32   CRC-32 (as in zip) of bytes 0 to 15 followed by bytes 20 to the record's end
//   then texts, each a uint8 length and that many characters (at least one, no NUL):
//     the product name, the publisher key, the version key;
//     per file: its name, uint8 flags (InstalledFlag*), uint32 size, uint32 CRC-32 of its bytes;
//     per link: its name, without ".lnk".
// The rows end exactly at the record's size; bytes after it (resource alignment) are not read.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "manifest_records.h"

inline constexpr char InstalledResourceName[] = "INSTALLED";
inline constexpr char InstalledTag[4] = {'P', 'V', 'I', 'L'};

enum : uint32_t {
    InstalledFormat = 1,
    InstalledHeaderSize = 20,
    InstalledCrcOffset = 16,
    InstalledFlagWindowsFolder = 0x01,  // written to the Windows folder; otherwise to the install folder
    InstalledFlagUninstaller = 0x02,    // the uninstaller's own row
    InstalledKnownFlags = InstalledFlagWindowsFolder | InstalledFlagUninstaller,
};

// Buffer sizes, terminating NUL included: the manifest's widths, and registry key paths below
// HKEY_LOCAL_MACHINE. The file count is bounded as the manifest's own count is.
enum {
    InstalledProductNameSize = sizeof(ProductInfo::productName),
    InstalledKeySize = 128,
    InstalledFileNameSize = sizeof(FileEntry::fileName),
    InstalledLinkNameSize = sizeof(FileEntry::shortcutName),
    InstalledMaxFiles = INT16_MAX,
};

// A file is the product's only while it holds exactly the bytes the installer wrote: its size and
// CRC-32 are those of the file as installed.
struct InstalledFile {
    char fileName[InstalledFileNameSize];
    uint32_t fileSize;
    uint32_t crc32;
    bool inWindowsFolder;  // written to the Windows folder; otherwise to the install folder
    // The uninstaller's own row: no program can hold the CRC of its own bytes, so crc32 is unused
    // and the file counts as the product's when it holds the running uninstaller's bytes.
    bool isUninstaller;
};

struct InstalledProduct {
    char productName[InstalledProductNameSize];  // names the uninstall entry and the install folder's value
    char publisherKey[InstalledKeySize];         // below HKEY_LOCAL_MACHINE; holds the install folder's value
    char versionKey[InstalledKeySize];           // below HKEY_LOCAL_MACHINE, inside the publisher key
    int fileCount;
    int shortcutCount;
    InstalledFile files[InstalledMaxFiles];
    char shortcutNames[InstalledMaxFiles][InstalledLinkNameSize];  // link i leads to files[i]
};

// Reads the record at the start of `size` bytes into product. False, with product left empty, for
// anything but a whole, undamaged record of this format whose texts and counts fit product.
bool ReadInstalledRecord(const uint8_t* data, size_t size, InstalledProduct& product);
