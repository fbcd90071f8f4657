// The clean-up of an earlier installation's folder, and the rule of what it keeps, which the
// uninstaller follows too.
#pragma once

// The keep rule: a file whose last extension is one of those listed in cleanup.cpp, in any letter
// case, holds the user's own data and is kept; every other file may be deleted. True for a file
// that may go.
bool IsRemovableFile(const char* name);

struct InstallJournal;

// Removes every removable file below folder, setting it aside through the journal (which must be
// begun, and given folder with BeginCleanUp) rather than deleting it. Folders stay, and folders
// reached through a link are not entered. False when the folder cannot be listed.
bool CleanInstallFolder(const char* folder, InstallJournal& journal);
