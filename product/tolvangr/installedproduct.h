// What one installation of the product consists of. The packer writes the one record, Installed,
// from the same product description that the installer is built from (installed_product.cpp in
// the build tree), so the uninstaller removes exactly what the installer puts in place.
#pragma once

struct InstalledFile {
    const char* fileName;
    bool inWindowsFolder;  // written to the Windows folder; otherwise to the install folder
};

struct InstalledProduct {
    const char* productName;   // names the uninstall entry and the install folder's value
    const char* publisherKey;  // below HKEY_LOCAL_MACHINE; holds the install folder's value
    const char* versionKey;    // below HKEY_LOCAL_MACHINE, inside the publisher key
    const InstalledFile* files;
    int fileCount;
    const char* const* shortcutNames;  // the links in the program group, without ".lnk"
    int shortcutCount;
};

extern const InstalledProduct Installed;
