// The protection given to program folders: that of the system's own program folder. A folder
// made under a drive root would otherwise inherit the root's permissions, which let every
// signed-in user add and replace files in new folders — programs that an administrator may later
// start from the Start menu. An install folder that already exists gets the same protection when
// its own lets anyone else write in it (a standard user may have made it before the
// installation); its DACL is recorded first as text, so that an undone run can put it back.
#pragma once

#include <windows.h>
#include <stddef.h>

// Not inherited from the parent (protected); SYSTEM and Administrators: full control; Users and
// Authenticated Users: read and execute; the creator of a file or folder inside: full control of
// it; the folder's owner: read and execute, whoever it is. Applies to the folder, its subfolders
// and its files.
extern const char ProgramFolderSddl[];

struct FolderSecurity {
    SECURITY_ATTRIBUTES attributes;  // lpSecurityDescriptor is the descriptor, owned by the record
};

// Builds the descriptor. False (nothing to free) when the system cannot build it.
bool BuildFolderSecurity(FolderSecurity& security);
void FreeFolderSecurity(FolderSecurity& security);

// True when the descriptor lets anyone but SYSTEM, Administrators, the system's module installer
// (TrustedInstaller) and the creator of what is made inside change what the folder holds: a write,
// add, delete or permission right granted to anyone else on the folder or on what it passes on to
// new files and folders, a NULL DACL, no DACL at all, or an owner of another kind who may rewrite
// the DACL (unless an OWNER RIGHTS entry limits what owners may do).
bool GrantsWriteToOthers(PSECURITY_DESCRIPTOR descriptor);

// The rule above applied to the folder's owner and DACL as the system reports them. Also true
// when they cannot be read: nothing shows the folder to be safe, and a folder whose descriptor
// the installer cannot read is one it can neither record nor protect. Under Wine, which keeps no
// descriptors, every folder reads as owned by the Wine user with full control for that user, so
// every existing folder needs protection there.
bool FolderNeedsProtection(const char* folder);

// The DACL of a descriptor, or of a folder as the system reports it, as SDDL text ("D:" with the
// protection and auto-inheritance flags, then the entries). False, with text empty, when there is
// no DACL, it cannot be read or the text does not fit in textSize bytes.
bool DescriptorDaclText(PSECURITY_DESCRIPTOR descriptor, char* text, size_t textSize);
bool ReadFolderDaclText(const char* folder, char* text, size_t textSize);

// Gives an existing folder the protected DACL of ProgramFolderSddl, passed on to what it holds.
bool ProtectExistingFolder(const char* folder);

// Puts back a DACL recorded by ReadFolderDaclText: protected from the parent's entries when it
// was, otherwise inheriting them again (the recorded inherited entries are then the parent's to
// give, not copied).
bool RestoreFolderDaclText(const char* folder, const char* text);
