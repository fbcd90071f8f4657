// The page procedures and the runners that chain them over the backdrop.
#pragma once

#include <windows.h>

// Dialog procedures, one per page template.
INT_PTR CALLBACK WelcomeProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LicenseProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LocationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK GroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Runners: each sets its step, runs its page owned by the backdrop, and on result 1 calls the
// next runner; on anything else it destroys the backdrop, which ends the installer.
void RunLicensePage(HWND owner);
void RunLocationPage(HWND owner);
void RunInstallingPage(HWND owner);
void RunGroupPage(HWND owner);

// The last link of the chain: registration, read-me question, restart notice. Destroys the backdrop.
void RunFinish(HWND backdrop);

// Program group page (above) and the shortcut page it opens.
INT_PTR CALLBACK ShortcutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Lists the subfolders of the Programs folder in the group list; false when it cannot be searched.
bool ListProgramGroups(HWND page);
// Puts the product name back as the group name and selects the group of that name, if any.
void ResetGroup(HWND page);
// Continue: takes the typed group name, runs the shortcut page and ends the group page.
void AcceptGroup(HWND page);
// One entry of the group list: the group folder's small icon and its name.
BOOL DrawGroupEntry(const DRAWITEMSTRUCT* item);
// The shortcut page's work: the group folder and every shortcut. 1, or 0 when COM cannot be used.
int CreateAllShortcuts(HWND page);

// The finish. Its two messages are formatted into buffers of this size; the formatters return
// false when the text had to be cut to fit outSize.
enum { FinishMessageSize = 512 };
bool FormatReadMeQuestion(char* out, size_t outSize);
bool FormatRestartNotice(char* out, size_t outSize);
// Full path of the system's own Notepad; false when it does not fit outSize.
bool NotepadApplicationPath(char* out, size_t outSize);
// "Notepad.exe" and the quoted read-me path in installFolder; false when it does not fit outSize.
bool ReadMeCommandLine(char* out, size_t outSize, const char* installFolder);
// Shows the read-me in Notepad, the backdrop minimised until Notepad ends.
void ShowReadMe(HWND backdrop);
