// The installation journal: a run either completes or leaves the machine as it found it.
//
// From the first change on, every change is recorded before it is made, in a journal file in the
// Windows folder (where only administrators can write, and where the next start finds it): each
// folder created, each file created, each file set aside instead of deleted or overwritten. The
// journal is created whole (written, flushed, then renamed into place); each record is appended
// and flushed before its change, and a record torn by a crash fails its checksum and is ignored,
// as its change never began.
//
// A run that completes commits: what the clean-up set aside goes to the Recycle Bin, replaced
// files are deleted. A run that ends any other way, or is killed, is undone: created files and
// folders are removed, set-aside files renamed back, with their bytes, attributes and times.
#pragma once

#include <windows.h>
#include <stddef.h>

#include "manifest_records.h"

enum { JournalPathSize = MAX_PATH };

struct InstallJournal {
    HANDLE file;                     // open while a run changes things; nullptr otherwise
    char path[JournalPathSize];      // the journal file
    char holding[JournalPathSize];   // where the clean-up sets files aside; empty until made
    size_t installLength;            // the install folder's part of every path the clean-up sees
};

// How a journal left by an earlier run was dealt with.
enum JournalOutcome {
    JournalAbsent,     // there was none
    JournalUndone,     // the interrupted run was undone
    JournalCompleted,  // the run had completed; its commit was finished
    JournalStuck,      // something could not be put back (named in stuckPath); the journal stays
};

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

// Makes way for a new file at path: an existing one is renamed aside in its own folder, then the
// new file is recorded. The caller creates it (CREATE_NEW). False when either step fails, or a
// folder is in the way.
bool JournalNewFile(InstallJournal& journal, const char* path);

// The clean-up's delete: moves the file at path (below the install folder the journal was given
// with BeginCleanUp) into the holding folder under the same relative path. False when it stays.
bool JournalSetAside(InstallJournal& journal, const char* path);

// Prepares the clean-up of installFolder: the holding folder's name is chosen (one not in use);
// it is made when the first file is set aside.
bool BeginCleanUp(InstallJournal& journal, const char* installFolder);

// True for the holding folder itself, which the clean-up must not enter.
bool IsHoldingFolder(const InstallJournal& journal, const char* path);

// The run completed: records it, then empties the journal's set-aside files (the holding folder
// to the Recycle Bin when the volume has one, otherwise left in place) and removes the journal.
void CommitJournal(InstallJournal& journal);

// The run did not complete: undoes it. stuckPath receives what could not be put back.
JournalOutcome RollBackJournal(InstallJournal& journal, char* stuckPath, size_t stuckSize);

// At start: finishes or undoes whatever the journal at path records.
JournalOutcome RecoverJournal(const char* path, char* stuckPath, size_t stuckSize);
