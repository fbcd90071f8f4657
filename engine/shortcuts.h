// The Start-menu program group and its shell links.
#pragma once

#include <stddef.h>

struct DirectoryTable;
struct FileEntry;
struct InstallJournal;

// Creates the group folder below the Programs folder of directories (last level only; an
// existing one is used). A name with a "." or ".." step makes nothing: the group never leaves
// the Programs folder. True when the group folder is there afterwards.
// A new folder is recorded in journal first.
bool CreateProgramGroup(const DirectoryTable& directories, const char* groupName, InstallJournal& journal);

// Programs folder \ group \ shortcut name .lnk, with no doubled backslash. False, leaving an
// empty text, when the path would be longer than MAX_PATH - 1 characters or not fit out, or when
// the group name has a "." or ".." step.
bool ShortcutLinkPath(char* out, size_t outSize, const DirectoryTable& directories, const char* groupName,
                      const FileEntry& entry);

// The link for one file-table row, pointing into the install folder or the Windows folder.
// True when the link was saved. It is recorded in journal first; a link already there is set aside.
bool CreateShortcut(const DirectoryTable& directories, const FileEntry& entry, const char* groupName,
                    InstallJournal& journal);

// Saves a shell link; COM must be initialised on the thread. True when it was saved; a link that
// could not be made is left out.
bool CreateShellLink(const char* target, const char* workingFolder, const char* linkPath,
                     const char* description);
