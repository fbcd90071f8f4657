#include "install_helpers.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <stdio.h>
#include <string.h>
#include <winternl.h>

#include <algorithm>

#ifndef PORVANE_PRODUCT_BIN_PATH
#error PORVANE_PRODUCT_BIN_PATH must name the folder of the built product programs
#endif
#ifndef PORVANE_PRODUCT_TEXT_PATH
#error PORVANE_PRODUCT_TEXT_PATH must name the folder of the product texts
#endif

namespace installation {

const ProductFile Files[FileCount] = {
    {"Tolvangr.exe", true, PORVANE_PRODUCT_BIN_PATH "\\Tolvangr.exe", 49152, "Uninstall"},
    {"Plendix.exe", false, PORVANE_PRODUCT_BIN_PATH "\\Plendix.exe", 57344, "Update"},
    {"Vantrel.exe", false, PORVANE_PRODUCT_BIN_PATH "\\Vantrel.exe", 212992, "Vantrel"},
    {"Vantrel.hlp", false, PORVANE_PRODUCT_TEXT_PATH "\\Vantrel.hlp", 41611, "Help"},
    {"Read Me.txt", false, PORVANE_PRODUCT_TEXT_PATH "\\Read Me.txt", 5163, "Read Me"},
    {"Order.txt", false, PORVANE_PRODUCT_TEXT_PATH "\\Order.txt", 1962, nullptr},
    {"RegInfo.txt", false, PORVANE_PRODUCT_TEXT_PATH "\\RegInfo.txt", 1251, nullptr},
};

namespace {

const uint64_t TicksPerMinute = 60ull * 10000000ull;

uint64_t Ticks(const FILETIME& time) {
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(uint64_t ticks) {
    FILETIME time;
    time.dwLowDateTime = (DWORD)ticks;
    time.dwHighDateTime = (DWORD)(ticks >> 32);
    return time;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return text;
}

}  // namespace

FILETIME ExpectedFileTime() {
    // The installer converts with the bias in force at installation time, not the one of the
    // stamp's date; the bias is read here on its own, not through the same conversion call.
    SYSTEMTIME local = {2006, 12, 1, 18, 3, 2, 0, 0};
    FILETIME localTime = {};
    SystemTimeToFileTime(&local, &localTime);
    TIME_ZONE_INFORMATION zone = {};
    DWORD which = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
    if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
    return FromTicks(Ticks(localTime) + (int64_t)bias * (int64_t)TicksPerMinute);
}

std::string FormatFileTime(const FILETIME& time) {
    SYSTEMTIME t = {};
    if (!FileTimeToSystemTime(&time, &t)) return "<invalid time>";
    char text[64];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u UTC", t.wYear, t.wMonth,
             t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

std::string ProgramsFolder() {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, 0, path))) return std::string();
    return path;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

bool WriteWholeFile(const std::string& path, const std::string& content, DWORD attributes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), (DWORD)content.size(), &written, nullptr) &&
              written == content.size();
    ok = CloseHandle(file) && ok;
    return ok && SetFileAttributesA(path.c_str(), attributes);
}

std::string ReadFileOrMissing(const std::string& path) {
    std::string data;
    return ReadWholeFile(path.c_str(), &data) ? data : std::string("<missing>");
}

void RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    // A linked folder is not entered: under Wine, emptying it would empty its target.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
    for (const std::string& name : ListFolder(path)) RemoveTree(path + "\\" + name);
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadFileTimes(const std::string& path, FileTimes* times) {
    // Backup semantics open folders as well; reading times moves none of them.
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileTime(file, &times->creation, &times->access, &times->write) != FALSE;
    CloseHandle(file);
    return ok;
}

bool SameTime(const FILETIME& a, const FILETIME& b) { return Ticks(a) == Ticks(b); }

std::string InstalledPath(const std::string& installFolder, const ProductFile& file) {
    return std::string(file.toWindowsFolder ? "C:\\Windows" : installFolder) + "\\" + file.name;
}

RegistryValue ReadRegistryValue(const char* key, const char* name) {
    RegistryValue value;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(handle, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.assign(size, '\0');
        if (RegQueryValueExA(handle, name, nullptr, &value.type,
                             size ? (BYTE*)&value.data[0] : nullptr, &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            value.present = true;
        }
    }
    RegCloseKey(handle);
    return value;
}

bool WriteRegistryString(const char* key, const char* name, const std::string& text) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(handle, name, 0, REG_SZ, (const BYTE*)text.c_str(),
                             (DWORD)text.size() + 1) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return ok;
}

std::string Describe(const RegistryValue& value) {
    if (!value.present) return "<missing>";
    char head[64];
    const char* type = value.type == REG_SZ      ? "REG_SZ"
                       : value.type == REG_DWORD ? "REG_DWORD"
                                                 : "other type";
    snprintf(head, sizeof head, "%s (%lu), %u bytes: ", type, (unsigned long)value.type,
             (unsigned)value.data.size());
    std::string shown;
    for (unsigned char c : value.data) {
        char part[8];
        if (c >= 32 && c < 127)
            snprintf(part, sizeof part, "%c", c);
        else
            snprintf(part, sizeof part, "\\x%02X", c);
        shown += part;
    }
    return head + shown;
}

LinkContents ReadLink(const std::string& path) {
    LinkContents contents;
    HRESULT com = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void**)&link))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
            wchar_t wide[MAX_PATH];
            if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0 &&
                SUCCEEDED(file->Load(wide, STGM_READ))) {
                char text[MAX_PATH] = "";
                if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
                    contents.target = text;
                text[0] = '\0';
                if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
                    contents.workingFolder = text;
                text[0] = '\0';
                if (SUCCEEDED(link->GetDescription(text, MAX_PATH))) contents.description = text;
                contents.loaded = true;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return contents;
}

bool CurrentDirectoryOf(DWORD processId, std::string* folder) {
    // The current directory lives in the process parameters that the PEB points to: offset 0x10
    // of the 32-bit PEB, and the directory's counted string at 0x24 of the parameters.
    typedef LONG(WINAPI * QueryProcess)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryProcess query =
        (QueryProcess)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    if (!query) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return false;
    bool ok = false;
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    DWORD parameters = 0;
    struct {
        USHORT length;
        USHORT maximumLength;
        DWORD buffer;
    } directory = {};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, &length) >= 0 &&
        ReadProcessMemory(process, (const char*)basic.PebBaseAddress + 0x10, &parameters,
                          sizeof parameters, nullptr) &&
        ReadProcessMemory(process, (const void*)(uintptr_t)(parameters + 0x24), &directory,
                          sizeof directory, nullptr) &&
        directory.length > 0 && directory.length < 4096) {
        std::vector<wchar_t> text(directory.length / 2 + 1, L'\0');
        if (ReadProcessMemory(process, (const void*)(uintptr_t)directory.buffer, text.data(),
                              directory.length, nullptr)) {
            char narrow[4096] = "";
            WideCharToMultiByte(CP_ACP, 0, text.data(), -1, narrow, sizeof narrow, nullptr, nullptr);
            *folder = narrow;
            ok = true;
        }
    }
    CloseHandle(process);
    return ok;
}

namespace {

struct OtherWindowSearch {
    const char* className;
    DWORD excluded;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOtherWindows(HWND window, LPARAM parameter) {
    OtherWindowSearch* search = (OtherWindowSearch*)parameter;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || process == search->excluded) return TRUE;
    if (!IsWindowVisible(window) || _stricmp(ClassOf(window).c_str(), search->className) != 0)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsOfOtherProcesses(const char* className, DWORD excluded) {
    OtherWindowSearch search = {className, excluded, {}};
    EnumWindows(CollectOtherWindows, (LPARAM)&search);
    return search.found;
}

}  // namespace

HWND FindWindowOfOtherProcess(const char* className, DWORD excludedProcessId) {
    std::vector<HWND> found = WindowsOfOtherProcesses(className, excludedProcessId);
    return found.empty() ? nullptr : found.front();
}

void CloseNotepads(DWORD excludedProcessId) {
    for (HWND window : WindowsOfOtherProcesses("Notepad", excludedProcessId)) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (process) {
            if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
}

void SystemCleaner::Clean() {
    RemoveTree(PublisherFolder);
    for (const std::string& folder : extraFolders) RemoveTree(folder);
    RemoveTree(WindowsUninstaller);
    RemoveTree(JournalFile);
    std::string programs = ProgramsFolder();
    if (!programs.empty()) {
        for (const std::string& name : ListFolder(programs)) {
            bool before = std::find(programsBefore.begin(), programsBefore.end(), name) !=
                          programsBefore.end();
            if (Lower(name) == Lower(DefaultGroup) || (!programsBefore.empty() && !before))
                RemoveTree(programs + "\\" + name);
        }
    }
    for (const char* key : {PublisherKey, UninstallKey}) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    }
}

void SystemCleaner::PrepareFileSystemKey() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, FileSystemKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, &disposition) == ERROR_SUCCESS) {
        createdFileSystemKey = disposition == REG_CREATED_NEW_KEY;
        RegCloseKey(key);
    }
    lowDiskValue = ReadRegistryValue(FileSystemKey, "DisableLowDiskSpaceBroadcast");
    hadLowDiskValue = lowDiskValue.present;
    // Every test starts without the value, whatever an earlier one left; it comes back after.
    if (hadLowDiskValue && RegOpenKeyExA(HKEY_LOCAL_MACHINE, FileSystemKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "DisableLowDiskSpaceBroadcast");
        RegCloseKey(key);
    }
}

void SystemCleaner::RestoreFileSystemKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, FileSystemKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    if (hadLowDiskValue)
        RegSetValueExA(key, "DisableLowDiskSpaceBroadcast", 0, lowDiskValue.type,
                       (const BYTE*)lowDiskValue.data.data(), (DWORD)lowDiskValue.data.size());
    else
        RegDeleteValueA(key, "DisableLowDiskSpaceBroadcast");
    RegCloseKey(key);
    if (createdFileSystemKey) RegDeleteKeyA(HKEY_LOCAL_MACHINE, FileSystemKey);
}

HWND ContinueToLicense(InstallerRun& run, HWND welcome) {
    ClickButton(welcome, IDC_CONTINUE);
    return run.WaitForPage(LicenseCaption, StepTimeoutMs);
}

HWND ContinueToLocation(InstallerRun& run, HWND license) {
    ClickButton(license, IDC_CONTINUE);
    return run.WaitForPage(LocationCaption, StepTimeoutMs);
}

HWND ContinueToInstalling(InstallerRun& run, HWND location, std::string* otherFilesNotice) {
    ClickButton(location, IDC_CONTINUE);
    HWND installing = nullptr;
    HWND box = nullptr;
    WaitUntil(
        [&] { return (installing = run.WaitForPage(InstallingCaption, 0)) || (box = WaitForInstallerBox(run, 0)); },
        StepTimeoutMs);
    if (!box || !otherFilesNotice) return installing;
    *otherFilesNotice = MessageBoxText(box);
    return Answer(box, IDOK) ? run.WaitForPage(InstallingCaption, StepTimeoutMs) : nullptr;
}

HWND WaitForGroupPage(InstallerRun& run, DWORD timeoutMs) {
    return run.WaitForPage(GroupCaption, timeoutMs);
}

HWND ContinueToShortcuts(InstallerRun& run, HWND group) {
    ClickButton(group, IDC_GROUP_CONTINUE);
    return run.WaitForPage(ShortcutsCaption, StepTimeoutMs);
}

HWND WaitForInstallerBox(InstallerRun& run, DWORD timeoutMs) {
    HWND box = WaitForMessageBox(run.child.processId, nullptr, MessageBoxCaption, timeoutMs);
    run.watch.Note(box);
    return box;
}

bool Answer(HWND box, int button) {
    return AnswerMessageBox(box, button) && WaitForWindowGone(box, StepTimeoutMs);
}

namespace {

void Note(std::vector<std::string>* values, const std::string& value) {
    if (!value.empty() && (values->empty() || values->back() != value)) values->push_back(value);
}

bool Gone(HWND window) { return !IsWindow(window) || !IsWindowVisible(window); }

}  // namespace

InstallingRecord FollowInstallingPage(InstallerRun& run, HWND page, DWORD timeoutMs) {
    InstallingRecord record;
    const std::string& total = TotalSizeText;
    HWND bar = Item(page, IDC_PROGRESS_BAR);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (Gone(page)) {
            record.closed = true;
            break;
        }
        Note(&record.extracting, ItemText(page, IDC_EXTRACTING));
        Note(&record.totalSize, ItemText(page, IDC_TOTAL_SIZE));
        Note(&record.currentSize, ItemText(page, IDC_CURRENT_SIZE));
        Note(&record.totalFiles, ItemText(page, IDC_TOTAL_FILES));
        Note(&record.currentFile, ItemText(page, IDC_CURRENT_FILE));
        if (!record.barSeenFull && !record.currentSize.empty() && record.currentSize.back() == total) {
            // The bar is repainted before the label changes, and the page stays for a second
            // after the last file: this copy shows the final bar.
            RECT area = ClientRectOnScreen(bar);
            Screenshot shot;
            if (CaptureSteadyScreen(&shot, 600) && !Gone(page)) {
                record.barSeenFull = true;
                record.barArea = (area.right - area.left) * (area.bottom - area.top);
                record.barNavy = shot.CountColor(area, RGB(0, 0, 128));
                record.barButtonFace = shot.CountColor(area, GetSysColor(COLOR_BTNFACE));
                record.barWhite = shot.CountColor(area, RGB(255, 255, 255));
                record.finalScreen = shot;
            }
        }
        if (WaitForInstallerBox(run, 0)) break;
        Sleep(2);
    }
    return record;
}

ShortcutRecord FollowShortcutPage(HWND page, DWORD timeoutMs) {
    ShortcutRecord record;
    HWND bar = Item(page, IDC_SHORTCUT_PROGRESS);
    LRESULT value = 0;
    if (SendQuery(bar, PBM_GETRANGE, FALSE, 0, &value)) record.rangeHigh = (int)value;
    if (SendQuery(bar, PBM_GETRANGE, TRUE, 0, &value)) record.rangeLow = (int)value;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (Gone(page)) {
            record.closed = true;
            break;
        }
        Note(&record.names, ItemText(page, IDC_SHORTCUT_NAME));
        if (SendQuery(bar, PBM_GETPOS, 0, 0, &value) && !Gone(page)) record.finalPosition = (int)value;
        // The range is set by the page's first timer tick, after it opened.
        if (SendQuery(bar, PBM_GETRANGE, FALSE, 0, &value)) record.rangeHigh = (int)value;
        if (SendQuery(bar, PBM_GETRANGE, TRUE, 0, &value)) record.rangeLow = (int)value;
        Sleep(2);
    }
    return record;
}

std::string SaveShot(const Screenshot& shot, const char* name) {
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    std::string path = std::string(folder) + "\\" + name;
    return shot.SaveBmp(path.c_str()) ? path : std::string();
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) joined += (i ? separator : "") + items[i];
    return joined;
}

}  // namespace installation
