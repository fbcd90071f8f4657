// The copy step: cleans or creates the install folder, extracts every payload into its
// destination, stamps the files and reports progress to the installing page.
#pragma once

#include <windows.h>
#include <stdint.h>

struct FileEntry;
struct InstallManifest;

// The well-known folders, each at most 255 characters.
enum { DirInstall = 0, DirWindows = 1, DirPrograms = 2, DirectoryCount = 3 };
enum { DirectorySlotSize = 256 };

// A joined path of up to MAX_PATH - 1 characters, its NUL and the second NUL that JoinPath adds.
// A path that does not fit is skipped, never cut.
enum { JoinedPathSize = MAX_PATH + 1 };

struct DirectoryTable {
    char paths[DirectoryCount][DirectorySlotSize];
};

// Byte progress of the copy step; value is in half-percent steps, 0 to 200.
struct ProgressMeter {
    uint32_t total;
    uint32_t done;
    uint16_t value;
    HWND bar;  // the installing page's progress bar, repainted when value changes
};

// Fills DirWindows and DirPrograms (title-cased) from the system.
void FillSystemFolders(HWND owner);

// Runs the whole step for the installing page. 1 on success, -1 after a failure was shown.
int16_t CopyAllFiles(HWND page);

// The step behind a check of every payload (CopyAllFiles passes the built-in manifest and the
// packer's CRC table, one CRC per row). A damaged payload stops it with a message before the
// clean-up or any folder creation: nothing on disk changes.
int16_t CopyVerifiedFiles(HWND page, const InstallManifest& manifest, const uint32_t* payloadCrcs);

// True when every row's payload resource is there, holds the row's whole stream and matches
// that row's CRC-32.
bool PayloadsIntact(const InstallManifest& manifest, const uint32_t* payloadCrcs);

// The step over any manifest, without the payload check.
int16_t CopyManifestFiles(HWND page, const InstallManifest& manifest);

// Deletes the removable files below folder (kept: .KEY, .DAT, .LOG; folders stay; linked
// folders are not entered). False when the folder cannot be listed.
bool CleanInstallFolder(const char* folder);

// Creates every missing level of path, from the top down.
void CreateFolderChain(const char* path);

// True when manifest entry `entry` must be written to destination.
bool MustExtract(const char* destination, int16_t entry);

// The same decision for any file-table row.
bool MustExtractEntry(const char* destination, const FileEntry& entry);

// Adds finished bytes to the meter, repaints the bar when its value changes, updates label 402.
void AddProgress(HWND page, uint32_t bytes);
