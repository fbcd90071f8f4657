// Removing the uninstaller's own file. A running program cannot delete its own file (Windows and
// Wine both refuse), so a hidden command interpreter waits until the program has ended and deletes
// its file. Everything the interpreter runs is on its command line: no batch file, so nothing that
// another program could rewrite while the interpreter reads it, with the uninstaller's rights.
// Where the interpreter cannot be started, the file is marked for deletion at the next restart.
#pragma once

#include <stddef.h>

enum { RemovalPathSize = 260, RemovalCommandSize = 2048 };

struct RemovalHelper {
    char interpreter[RemovalPathSize];      // cmd.exe of the system folder
    char commandLine[RemovalCommandSize];
    char workingFolder[RemovalPathSize];    // the system folder: no folder of ours is held open
};

// Builds the command that deletes target, using the command interpreter and ping of systemFolder.
// Writes nothing anywhere. False when a path does not fit or holds characters that the command
// language would read as something else ('%', '"', control characters, anything but printable
// ASCII).
bool PrepareRemovalHelper(const char* target, const char* systemFolder, RemovalHelper& helper);

// Starts the interpreter hidden; the caller then ends. False when it cannot be started.
bool StartRemovalHelper(const RemovalHelper& helper);

// The target goes at the next restart (needs administrator rights). False when refused.
bool RemoveAtRestart(const char* target);
