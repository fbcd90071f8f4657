// Removing the uninstaller's own file. A running program cannot delete its own file (Windows and
// Wine both refuse), so a hidden batch file in the temporary folder waits until the program has
// ended, deletes its file and then itself. Where no batch file can be written or started, the file
// is marked for deletion at the next restart instead.
#pragma once

#include <stddef.h>

enum { RemovalPathSize = 260, RemovalCommandSize = 600 };

struct RemovalHelper {
    char batch[RemovalPathSize];            // the batch file, written
    char interpreter[RemovalPathSize];      // cmd.exe of the system folder
    char commandLine[RemovalCommandSize];
    char workingFolder[RemovalPathSize];    // the temporary folder: no folder of ours is held open
};

// Writes the batch file into tempFolder for target, using the command interpreter and ping of
// systemFolder. False, leaving nothing behind, when a path does not fit or holds characters that
// the batch language would read as something else ('%', '"', control characters, and in the
// paths written into the batch anything but printable ASCII).
bool PrepareRemovalHelper(const char* target, const char* tempFolder, const char* systemFolder,
                          RemovalHelper& helper);

// Starts the batch hidden; the caller then ends. False (the batch file is deleted again) when the
// interpreter cannot be started.
bool StartRemovalHelper(const RemovalHelper& helper);

// The target goes at the next restart (needs administrator rights). False when refused.
bool RemoveAtRestart(const char* target);
