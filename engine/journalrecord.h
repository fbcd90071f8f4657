// What the journal's parts share: writing a record, and the undo and commit steps that live
// beside the changes they reverse (registry, holding folder).
#pragma once

#include <windows.h>
#include <stddef.h>
#include <stdint.h>

struct InstallJournal;

enum {
    // Fields of a record are separated by '|', which no path, key or value name here can hold.
    RecordFieldLimit = 4,
    // A registry value's earlier data is kept when it fits in this many bytes (written as hex).
    RecordedValueLimit = 1024,
    RecordSize = 2 * RecordedValueLimit + 3 * MAX_PATH,
};

// The journal's numbers: value written as that many upper-case hex digits, most significant
// first, without a NUL; and read back, false when any character is not such a digit.
void WriteHex(char* out, uint32_t value, int digits);
bool ReadHex(const char* text, int digits, uint32_t& value);

// Appends one record and forces it to the disk before the change it announces is made.
bool AppendRecord(InstallJournal& journal, char tag, const char* const* fields, int count);

// Registry steps of an undo; each can run any number of times. keyPath is below
// HKEY_LOCAL_MACHINE; previous is the recorded earlier content of the value.
bool RestoreValue(const char* keyPath, const char* name, const char* previous);
// True when the key was there, empty, and is now removed.
bool RemoveCreatedKey(const char* keyPath);

// The commit's last step for the holding folder: what the Recycle Bin demonstrably keeps leaves
// the folder, the rest stays in it. Safe to run again after a stop at any point.
void RecycleHoldingFolder(const char* holding);
