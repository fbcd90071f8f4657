// Records the installation in the registry and reads the recorded install folder back.
#pragma once

#include <stddef.h>

struct DirectoryTable;
struct InstallJournal;

// Writes the install folder, the version, the uninstall entry (with the folders of directories
// and groupName) and the file-system setting below HKEY_LOCAL_MACHINE. Every key stands alone;
// nothing is reported. Each key made and each value written is recorded in journal first, with
// what the value held before, so that an undone run puts the registry back.
void RegisterInstallation(const DirectoryTable& directories, const char* groupName, InstallJournal& journal);

// True when folder (folderSize bytes) now holds the install folder of an earlier installation.
// Anything that is not a NUL-terminated REG_SZ fitting the buffer counts as none; folder is then
// an empty text.
bool ReadPreviousInstallFolder(char* folder, size_t folderSize);
