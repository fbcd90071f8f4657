// The clean-up of an earlier installation's folder: where it runs, and the rule of what it keeps,
// which the uninstaller follows too.
#pragma once

// The keep rule: a file whose last extension is one of those listed in cleanup.cpp, in any letter
// case, holds the user's own data and is kept; every other file may be deleted. True for a file
// that may go.
bool IsRemovableFile(const char* name);

// Where the clean-up runs: only in a folder that holds an earlier installation of this product.
// A folder does when, resolved (ResolvePath), it is the folder the registry records for the
// product (resolved the same way, letters compared without case), or when it holds the product's
// main program (the install-folder row named after the product, such as Vantrel.exe) as a file.
// A folder reached through a link (at itself or at any folder above it) never does: its files lie
// in some other folder, which may be anyone's. Nor does the root of a drive or of a volume
// mounted at the folder itself; a volume mounted in a folder above it is no link.
bool HoldsEarlierInstallation(const char* folder);

struct InstallJournal;

// Removes every removable file below folder, setting it aside through the journal (which must be
// begun, and given folder with BeginCleanUp) rather than deleting it. Folders stay, and folders
// reached through a link are not entered. False when the folder cannot be listed.
bool CleanInstallFolder(const char* folder, InstallJournal& journal);
