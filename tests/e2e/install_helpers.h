// What the installation tests, the unattended run of `make run` and the installation timing share:
// the product as it should land on the system (files, times, registry rows, links), the system
// calls that read it back, the cleaning of the Wine prefix, and the steps of a run page by page.
// Free of GoogleTest, so that plain driver programs use it too.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <string>
#include <vector>

#include "../common/expected_texts.h"
#include "installer.h"

namespace installation {

// Generous for a loaded machine; the copy alone takes some seconds of fixed pauses.
const DWORD StepTimeoutMs = 15000;
const DWORD WorkTimeoutMs = 60000;

const char PublisherFolder[] = "C:\\Quillfern Utilities";
const char DefaultFolder[] = "C:\\Quillfern Utilities\\Vantrel";
const char WindowsUninstaller[] = "C:\\Windows\\Tolvangr.exe";
// Where a run records its changes until it completes.
const char JournalFile[] = "C:\\Windows\\Vantrel installation.journal";
const char DefaultGroup[] = "Vantrel";

const char PublisherKey[] = "Software\\Quillfern Utilities";
const char VersionKey[] = "Software\\Quillfern Utilities\\Programs\\Vantrel\\Current Version";
const char UninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
const char FileSystemKey[] = "System\\CurrentControlSet\\Control\\FileSystem";


// Every installed file in table order, with the file it is built from.
struct ProductFile {
    const char* name;
    bool toWindowsFolder;
    const char* source;  // Windows path of the payload's source in the build tree
    DWORD size;
    const char* shortcut;  // null for rows without a shortcut
};
// Vantrel's rows: the installations the tests check against this table follow the built manifest.
constexpr int FileCount = 7;
const int ShortcutCount = Manifest.shortcutCount;
extern const ProductFile Files[FileCount];

// The stamp every installed file carries: 2006-12-18 03:02:00 local time, as UTC with the
// time-zone bias in force now.
FILETIME ExpectedFileTime();
std::string FormatFileTime(const FILETIME& time);  // "2006-12-18 02:02:00.000 UTC"

// Files and folders.
std::string ProgramsFolder();
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
void MakeFolders(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& content,
                    DWORD attributes = FILE_ATTRIBUTE_NORMAL);
std::string ReadFileOrMissing(const std::string& path);  // "<missing>" when it cannot be read
void RemoveTree(const std::string& path);
std::vector<std::string> ListFolder(const std::string& folder);  // names, sorted, no . and ..
struct FileTimes {
    FILETIME creation, access, write;
};
bool ReadFileTimes(const std::string& path, FileTimes* times);
bool SameTime(const FILETIME& a, const FILETIME& b);
// Where the file of a row lands for an installation into installFolder.
std::string InstalledPath(const std::string& installFolder, const ProductFile& file);

// Registry values below HKLM.
struct RegistryValue {
    bool present = false;
    DWORD type = 0;
    std::string data;  // the raw bytes, the terminating NUL of a string included
};
RegistryValue ReadRegistryValue(const char* key, const char* name);
bool WriteRegistryString(const char* key, const char* name, const std::string& text);
std::string Describe(const RegistryValue& value);  // "REG_SZ 12 bytes \"...\"" for messages

// A shell link as the shell reads it back.
struct LinkContents {
    bool loaded = false;
    std::string target, workingFolder, description;
};
LinkContents ReadLink(const std::string& path);

// Another program's current directory, read from its process parameters.
bool CurrentDirectoryOf(DWORD processId, std::string* folder);
// A visible top-level window of the given class in any process but this one and the excluded one.
HWND FindWindowOfOtherProcess(const char* className, DWORD excludedProcessId);
// Closes every Notepad that an installer started (WM_CLOSE, then its end by its process id).
void CloseNotepads(DWORD excludedProcessId);

// The prefix without the product: no install folders, no uninstaller, no group folders of the
// product's name (any case) or of the given names, no registry records. The file-system key gets
// created when missing, so that the installer can write its setting, and its setting is taken
// away for the test; `RestoreFileSystemKey` puts both back as they were.
struct SystemCleaner {
    void Clean();
    void PrepareFileSystemKey();
    void RestoreFileSystemKey();
    std::vector<std::string> extraFolders;  // further folders a test installs into
    std::vector<std::string> programsBefore;
    bool createdFileSystemKey = false;
    bool hadLowDiskValue = false;
    RegistryValue lowDiskValue;
};

// Page by page through a run. Each step returns the page (or box) it reached, or null.
HWND ContinueToLicense(InstallerRun& run, HWND welcome);
HWND ContinueToLocation(InstallerRun& run, HWND license);
// A notice that the folder holds other files is answered OK when otherFilesNotice is given (its
// text kept there); without, the step fails.
HWND ContinueToInstalling(InstallerRun& run, HWND location, std::string* otherFilesNotice = nullptr);
HWND WaitForGroupPage(InstallerRun& run, DWORD timeoutMs = WorkTimeoutMs);
HWND ContinueToShortcuts(InstallerRun& run, HWND group);
// The installer's next message box (any owner), with its caption "Porvane".
HWND WaitForInstallerBox(InstallerRun& run, DWORD timeoutMs = StepTimeoutMs);
// Presses the button and waits until the box has gone.
bool Answer(HWND box, int button);

// What the installing page showed while it ran: every distinct value of each label, in order,
// and the progress bar once the last byte was done (before the page closed itself).
struct InstallingRecord {
    std::vector<std::string> extracting, totalSize, currentSize, totalFiles, currentFile;
    bool closed = false;          // the page went away by itself
    bool barSeenFull = false;     // label 402 showed the total while the page was up
    int barArea = 0, barNavy = 0, barButtonFace = 0, barWhite = 0;
    Screenshot finalScreen;       // the whole screen when the bar was read
};
// Follows the page until it closes or a message box of the installer shows up.
InstallingRecord FollowInstallingPage(InstallerRun& run, HWND page, DWORD timeoutMs = WorkTimeoutMs);

struct ShortcutRecord {
    std::vector<std::string> names;  // every distinct value of label 600, in order
    int finalPosition = -1, rangeHigh = -1, rangeLow = -1;
    bool closed = false;
};
ShortcutRecord FollowShortcutPage(HWND page, DWORD timeoutMs = WorkTimeoutMs);

// Writes a BMP of the shot into the current folder (the test's working folder) under the name,
// for a look after a failure or for the record; the file's name on success, else empty.
std::string SaveShot(const Screenshot& shot, const char* name);

std::string Join(const std::vector<std::string>& items, const char* separator = ", ");

}  // namespace installation
