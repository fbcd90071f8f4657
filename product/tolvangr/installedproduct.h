// What one installation of the product consists of. The packer writes the one record, Installed,
// from the same product description that the installer is built from (installed_product.cpp in
// the build tree), so the uninstaller removes exactly what the installer puts in place.
#pragma once

#include <stdint.h>

// A file is the product's only while it holds exactly the bytes the installer wrote: its size and
// CRC-32 (as in zip) are those of the file as installed.
struct InstalledFile {
    const char* fileName;
    bool inWindowsFolder;  // written to the Windows folder; otherwise to the install folder
    uint32_t fileSize;
    uint32_t crc32;
    // The uninstaller's own row: no program can hold the CRC of its own bytes, so crc32 is unused
    // and the file counts as the product's when it holds the running uninstaller's bytes.
    bool isUninstaller;
};

struct InstalledProduct {
    const char* productName;   // names the uninstall entry and the install folder's value
    const char* publisherKey;  // below HKEY_LOCAL_MACHINE; holds the install folder's value
    const char* versionKey;    // below HKEY_LOCAL_MACHINE, inside the publisher key
    const InstalledFile* files;
    int fileCount;
    const char* const* shortcutNames;  // the links in the program group, without ".lnk"; link i
                                       // leads to files[i], in that file's folder
    int shortcutCount;
};

extern const InstalledProduct Installed;
