// The copy step: cleans or creates the install folder, extracts every payload into its
// destination, stamps the files and reports progress to its page through a CopyReport.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "cleanup.h"
#include "copyreport.h"
#include "journal.h"

struct FileEntry;
struct InstallManifest;

// Fills DirWindows and DirPrograms (title-cased) from the system.
void FillSystemFolders(HWND owner, DirectoryTable& directories);

// Runs the whole step into the folders of directories, counting on meter. 1 on success, -1 after
// a failure was reported.
// Every change is recorded in journal, which stays open for the pages that follow: the caller
// commits it or rolls it back.
int16_t CopyAllFiles(const CopyReport& report, const DirectoryTable& directories, ProgressMeter& meter,
                     InstallJournal& journal);

// The step behind a check of every payload (CopyAllFiles passes the built-in manifest and the
// packer's CRC table, one CRC per row), of the files in use and of the free space. Any of them
// stops it before the clean-up or any folder creation: nothing on disk changes.
int16_t CopyVerifiedFiles(const CopyReport& report, const DirectoryTable& directories, ProgressMeter& meter,
                          InstallJournal& journal, const InstallManifest& manifest, const uint32_t* payloadCrcs);

// True when every row's payload resource is there, holds the row's whole stream and matches
// that row's CRC-32.
bool PayloadsIntact(const InstallManifest& manifest, const uint32_t* payloadCrcs);

// The step over any manifest, without the payload check.
int16_t CopyManifestFiles(const CopyReport& report, const DirectoryTable& directories, ProgressMeter& meter,
                          InstallJournal& journal, const InstallManifest& manifest);

// True when manifest entry `entry` must be written to destination (MustExtractEntry for its row).
bool MustExtract(const char* destination, int16_t entry);

// Adds finished bytes to meter; reports a repaint and pauses 10 ms when its value changes, then
// reports the bytes done.
void AddProgress(ProgressMeter& meter, const CopyReport& report, uint32_t bytes);
