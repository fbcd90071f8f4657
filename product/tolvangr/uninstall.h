// The uninstaller's work apart from its messages: what it reads back from the registry, which
// recorded paths it accepts, which files are its own, which keys and folders are empty, and the
// removal itself. Nothing here asks the user anything.
#pragma once

#include <windows.h>
#include <stddef.h>

#include "installedproduct.h"
#include "linkedpath.h"

enum {
    UninstallPathSize = MAX_PATH,  // paths of at most MAX_PATH - 1 characters
    MaxInstallFolderLength = 255,  // what the installer's folder slot holds
    MaxGroupNameLength = 40,       // what the group page accepts
    KeptFolderLimit = 16,
    UninstallReportSize = 2048,
};

// Where one installation lives. A text is empty when it is not known.
struct UninstallPlan {
    char installFolder[UninstallPathSize];   // "Program Path" of the uninstall entry, as recorded
    char groupName[UninstallPathSize];       // "Program Group", as recorded
    char windowsFolder[UninstallPathSize];
    char programsFolder[UninstallPathSize];  // the current user's Start-menu Programs folder
    char self[UninstallPathSize];            // the running uninstaller: removed after it ends
    char keptFolders[KeptFolderLimit][UninstallPathSize];  // system folders: never removed, even empty
    int keptFolderCount;
};

// What was left behind, one line per item, for the closing message.
struct UninstallReport {
    char text[UninstallReportSize];
    size_t length;
    int items;
    bool full;         // later lines were left out for lack of room
    bool selfPending;  // the running uninstaller is one of the files: it goes after the process ends
    bool folderMissing;  // the install folder cannot be found: nothing was removed
};

// The uninstall entry's key below HKEY_LOCAL_MACHINE. False when it does not fit out.
bool UninstallEntryKey(const InstalledProduct& product, char* out, size_t outSize);

// Reads "Program Path" and "Program Group" of the product's uninstall entry into the plan. False
// when there is no entry. A value that is missing, not a terminated string or too long reads as
// an empty text.
bool ReadUninstallEntry(const InstalledProduct& product, UninstallPlan& plan);

// The Windows and Programs folders, the running program and the system folders to keep.
void FillSystemPlan(UninstallPlan& plan);

// A folder on a drive, as the location page records it: "X:\" and at least one level, each level
// a plain name (no "." or "..", no empty level, no character Windows refuses in a name, none
// ending in a dot or a space), an optional final backslash, at most 255 characters. UNC, device
// and relative paths are refused.
bool IsAcceptableInstallFolder(const char* path);

// A program group name below the Programs folder: 1 to 40 characters of plain levels as above,
// relative, an optional final backslash.
bool IsAcceptableGroupName(const char* name);

// True when the folder exists and holds nothing but "." and "..".
bool IsFolderEmpty(const char* path);

// True when the key exists and holds neither values (the default value included) nor subkeys.
bool IsKeyEmpty(HKEY root, const char* path);

bool RegistryKeyExists(HKEY root, const char* path);

// True when both paths name the same existing file or folder (volume and file index).
bool IsSameFile(const char* a, const char* b);

// Deletes path and then each parent key while it exists empty, never a key whose path is shorter
// than topLength characters. A missing key is passed over; a key that holds anything stops it.
void RemoveEmptyKeys(HKEY root, const char* path, size_t topLength);

// Adds "subject: note" as a line of the report; a line that does not fit marks the report full.
void AddReportLine(UninstallReport& report, const char* subject, const char* note);

// True while an installer of the product runs (its mutex exists, even one out of this process's
// reach) or an installation of it is unfinished (its journal is in the Windows folder, even one
// that cannot be read). Removing the product then would pull files from under the installer, or
// from under the undo that the journal's next reading performs.
bool IsInstallationUnderway(const InstalledProduct& product, const char* windowsFolder);

// What the uninstaller says instead of asking, before it changes anything, while an installation
// is under way; both arguments are the product name.
inline constexpr char InstallationUnderwayFormat[] =
    "An installation of %s is running or did not finish.\r\n\r\nStart the installer to finish or undo it, "
    "then remove %s.";

// What the uninstaller says when the recorded install folder cannot be found (moved, renamed, or on
// a drive that is not there): the product name, the folder, the product name; the report's lines
// follow.
inline constexpr char FolderMissingFormat[] =
    "%s was not removed: its program folder cannot be found.\r\n%s\r\n\r\nNothing was changed. Put the "
    "folder back in its place (or connect its drive), then remove %s again.\r\n\r\n";

// What the uninstaller says, and all it does, when it carries no list of the product's files or a
// damaged one.
inline constexpr char UninstallerNoProductText[] =
    "This uninstaller holds no product it can remove: it was built without one, or it is damaged.\r\n"
    "Nothing was changed.";

// True when the running program is the product's uninstaller in the Windows folder.
bool IsInstalledUninstaller(const InstalledProduct& product, const UninstallPlan& plan);

// The removal, in this order: the installed files, the program group's links and folder, the
// install folder and its empty parents, the registry records. Everything that stays behind for
// another reason than belonging to someone else is reported. A link in the group goes only while
// it is the one the installer made. When the recorded install folder cannot be found, nothing is
// removed: report.folderMissing, and the folder's files are listed.
void RunUninstall(const InstalledProduct& product, const UninstallPlan& plan, UninstallReport& report);
