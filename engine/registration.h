// Records the installation in the registry and reads the recorded install folder back.
#pragma once

#include <stddef.h>

struct DirectoryTable;

// Writes the install folder, the version, the uninstall entry (with the folders of directories
// and groupName) and the file-system setting below HKEY_LOCAL_MACHINE. Every key stands alone;
// nothing is reported.
void RegisterInstallation(const DirectoryTable& directories, const char* groupName);

// True when folder (folderSize bytes) now holds the install folder of an earlier installation.
// Anything that is not a NUL-terminated REG_SZ fitting the buffer counts as none; folder is then
// an empty text.
bool ReadPreviousInstallFolder(char* folder, size_t folderSize);
