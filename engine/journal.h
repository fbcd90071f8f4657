// The installation journal: a run either completes or leaves the machine as it found it.
//
// From the first change on, every change is recorded before it is made, in a journal file in the
// Windows folder (where only administrators can write, and where the next start finds it): each
// folder created, each file created, each file set aside instead of deleted or overwritten, each
// registry key created and value written, each folder protection replaced. The journal is
// created whole (written, flushed, then renamed into place); each record is appended and flushed
// before its change, and a record torn by a crash fails its checksum and is ignored, as its change
// never began.
//
// A run that completes commits: its files are flushed, the completion is recorded, and whatever
// the run set aside is gathered in the holding folder beside the installation, which goes to the
// Recycle Bin only as far as the bin demonstrably keeps it. A run that ends any other way, or is
// killed, is undone: created files and folders are removed, set-aside files put back with their
// bytes, attributes and times, registry values and folder protections restored.
//
// Every step of an undo, a recovery and a commit looks before it acts, so that any of them can be
// stopped at any point and run again, any number of times, with the same end: a created file is
// removed only while what it replaced is still set aside, a set-aside file is put back only while
// it is still set aside, a folder only while it is empty.
#pragma once

#include <windows.h>
#include <stddef.h>

#include "manifest_records.h"

enum { JournalPathSize = MAX_PATH };

struct InstallJournal {
    HANDLE file;                     // open while a run changes things; nullptr otherwise
    char path[JournalPathSize];      // the journal file
    char holding[JournalPathSize];   // where set-aside files end up; empty until chosen
    size_t installLength;            // the install folder's part of every path the clean-up sees
};

// How a journal left by an earlier run was dealt with.
enum JournalOutcome {
    JournalAbsent,     // there was none
    JournalUndone,     // the interrupted run was undone
    JournalCompleted,  // the run had completed; its commit was finished
    JournalStuck,      // something could not be put back, or the journal could not be read
                       // (named in stuckPath); the journal stays for the next start
};

// Called after every change that a run, an undo or a commit makes to the machine. Empty in the
// installer; the crash tests stop the process dead inside it.
extern void (*JournalAfterChange)(void);

// Reports one change to JournalAfterChange; for the steps outside the journal (a file written,
// a link saved).
void NoteChange(void);

// "<Windows folder>\<product> installation.journal"; false when it does not fit out.
bool JournalPath(char* out, size_t outSize, const char* windowsFolder, const ProductInfo& product);

// Creates the journal at path and keeps it open for records. False, with nothing created, when
// it cannot be written, one is already there, or this journal is still open.
bool BeginJournal(InstallJournal& journal, const char* path);

// Creates one folder level after recording it; an existing level is left as it is. False when
// the record cannot be written.
bool JournalCreateFolder(InstallJournal& journal, const char* path, SECURITY_ATTRIBUTES* security);

// Creates every missing level of path, from the top down, each recorded and with the protection
// of the system's program folder; nothing when that protection cannot be built.
void CreateFolderChain(const char* path, InstallJournal& journal);

// An existing install folder that lets others than administrators write in it gets the
// protection of a new one, its earlier DACL recorded first. True when nothing needed doing or the
// folder is protected now; false when the change could not be recorded or made.
bool JournalProtectFolder(InstallJournal& journal, const char* folder);

// Makes way for a new file at path: an existing one is renamed aside in its own folder, then the
// new file is recorded with what it replaces. The caller creates it (CREATE_NEW). False when
// either step fails, or a folder is in the way.
bool JournalNewFile(InstallJournal& journal, const char* path);

// Chooses the holding folder inside installFolder (a name not in use) and records it; it is made
// when the first file is set aside, or at the commit. False when no name is free.
bool BeginCleanUp(InstallJournal& journal, const char* installFolder);

// The clean-up's delete: moves the file at path (below the install folder given to BeginCleanUp)
// into the holding folder under the same relative path. False when it stays.
bool JournalSetAside(InstallJournal& journal, const char* path);

// True for the holding folder itself, which the clean-up must not enter.
bool IsHoldingFolder(const InstallJournal& journal, const char* path);

// Opens the key below HKEY_LOCAL_MACHINE with the access asked; the system's answer.
LONG OpenMachineKey(const char* keyPath, REGSAM access, HKEY* key);
// Opens the key below HKEY_LOCAL_MACHINE, creating what is missing (unrecorded, for an undo).
LONG CreateMachineKey(const char* keyPath, REGSAM access, HKEY* key);
// True when the key below HKEY_LOCAL_MACHINE is there and can be read.
bool MachineKeyExists(const char* keyPath);

// Creates every missing level of the key below HKEY_LOCAL_MACHINE, each recorded first. False
// when a record cannot be written or the key cannot be made.
bool JournalCreateKey(InstallJournal& journal, const char* keyPath);

// Writes a value of a key below HKEY_LOCAL_MACHINE after recording what it held before (its type
// and data, or that there was none). False when that cannot be recorded or the write fails.
bool JournalSetValue(InstallJournal& journal, const char* keyPath, const char* name, DWORD type,
                     const void* data, DWORD size);

// The run completed: flushes the files it wrote, records the completion, then gathers what was
// set aside in the holding folder and hands that to the Recycle Bin as far as the bin keeps it.
// False, with the journal still open for an undo, when the completion cannot be made durable.
bool CommitJournal(InstallJournal& journal);

// The run did not complete: undoes it. stuckPath receives what could not be put back.
JournalOutcome RollBackJournal(InstallJournal& journal, char* stuckPath, size_t stuckSize);

// At start: finishes or undoes whatever the journal at path records.
JournalOutcome RecoverJournal(const char* path, char* stuckPath, size_t stuckSize);
