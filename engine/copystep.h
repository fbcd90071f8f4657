// The copy step: cleans or creates the install folder, extracts every payload into its
// destination, stamps the files and reports progress to its page through a CopyReport.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "cleanup.h"
#include "journal.h"

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

// What the step tells its page, the same way the decoder reports through a PayloadSink. Every
// function gets context back.
struct CopyReport {
    void* context;
    // Once, before the first entry: the total of the meter and the number of entries.
    void (*showTotals)(void* context, uint32_t totalBytes, uint32_t fileCount);
    // Each entry as it begins: its destination and its number, counted from 1.
    void (*showFile)(void* context, const char* destination, uint32_t number);
    // The meter's bytes done, at every progress report once it is above zero.
    void (*showDone)(void* context, uint32_t bytesDone);
    // The meter's value changed: its bar wants repainting.
    void (*repaintBar)(void* context, const ProgressMeter& meter);
    // A timed pause in which the page stays responsive.
    void (*pause)(void* context, uint32_t milliseconds);
    // A failure that stops the step: the message with id textId (messagetexts.h), each "%s" filled
    // from args, is shown before the step returns -1.
    void (*fail)(void* context, unsigned textId, const char* const* args, int argCount);
    // A product file to be replaced is held open by another program: true to look again (Retry),
    // false to stop the step (Cancel; nothing else is reported).
    bool (*retryHeldFile)(void* context, const char* path);
};

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

// True when manifest entry `entry` must be written to destination.
bool MustExtract(const char* destination, int16_t entry);

// The same decision for any file-table row.
bool MustExtractEntry(const char* destination, const FileEntry& entry);

// The manifest's row count, kept within 0 and ManifestMaxRows whatever the field holds.
int16_t ClampedFileCount(const InstallManifest& manifest);

// The row's destination path; false when it cannot be joined.
bool EntryDestination(const DirectoryTable& directories, const FileEntry& entry, char (&path)[JoinedPathSize]);

// Adds finished bytes to meter; reports a repaint and pauses 10 ms when its value changes, then
// reports the bytes done.
void AddProgress(ProgressMeter& meter, const CopyReport& report, uint32_t bytes);
