// The program location page: the install folder typed or picked in the folder navigator.
#pragma once

#include <windows.h>
#include <stdint.h>

// What a navigator entry stands for; kept as the entry's item data.
enum class NavEntryKind : uint32_t {
    Computer = 1,  // the computer's display name, always entry 0
    Drive = 2,     // a drive root such as C:\ (or the first component of the current path)
    Folder = 4,    // the full path of a folder, without a trailing backslash
};

enum {
    NavigatorLevelCount = 500,  // the list never holds more entries than this
    ComputerNameSize = 128,
};

// The navigator's own state. Its current path is DirInstall itself.
struct FolderNavigator {
    char computerName[ComputerNameSize];
    int16_t computerIcon;
    int16_t levels[NavigatorLevelCount];  // indent level by entry index
    uint16_t currentIndex;                // the entry the last fill selected
    int32_t driveView;                    // 1: drives listed; 0: a folder's chain and subfolders
};

extern FolderNavigator Navigator;

// Describes the computer again and goes back to the default folder unless DirInstall holds it.
void ResetFolder(HWND page);

// Makes path the current path (DirInstall and the edit box) and refills the list in the view
// asked for. A path that DirInstall cannot hold changes nothing and gives false.
bool NavigateTo(HWND page, const char* path, bool driveView);

// Fill an emptied list: the computer and the fixed drives, or path's chain and subfolders.
void FillDriveView(HWND page);
void FillFolderView(HWND page, const char* path);

void OnNavigatorDoubleClick(HWND page);

// Validates the typed folder; 1 when DirInstall now holds the install folder, -1 when the user
// was told why it was refused (DirInstall unchanged).
int AcceptFolder(HWND page);

BOOL DrawNavigatorEntry(const DRAWITEMSTRUCT* item);
