// What the copy step shares with the checks it makes first (preflight) and with its page: the
// folder table, the progress meter, the report, and where and whether each row is written.
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

// The manifest's row count, kept within 0 and ManifestMaxRows whatever the field holds.
int16_t ClampedFileCount(const InstallManifest& manifest);

// The row's destination path; false when it cannot be joined.
bool EntryDestination(const DirectoryTable& directories, const FileEntry& entry, char (&path)[JoinedPathSize]);

// True when the row must be written to destination: the row always overwrites, or no file there
// can be opened for reading.
bool MustExtractEntry(const char* destination, const FileEntry& entry);
