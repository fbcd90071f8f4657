// The protection given to the folders the installer creates: that of the system's own program
// folder. A folder made under a drive root would otherwise inherit the root's permissions, which
// let every signed-in user add and replace files in new folders — programs that an administrator
// may later start from the Start menu.
#pragma once

#include <windows.h>

// Not inherited from the parent (protected); SYSTEM and Administrators: full control; Users and
// Authenticated Users: read and execute; the creator of a file or folder inside: full control of
// it. Applies to the folder, its subfolders and its files.
extern const char ProgramFolderSddl[];

struct FolderSecurity {
    SECURITY_ATTRIBUTES attributes;  // lpSecurityDescriptor is the descriptor, owned by the record
};

// Builds the descriptor. False (nothing to free) when the system cannot build it.
bool BuildFolderSecurity(FolderSecurity& security);
void FreeFolderSecurity(FolderSecurity& security);
