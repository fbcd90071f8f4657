// Removal of one installation: files, program group, install folder, registry records.
#include "uninstall.h"

#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "cleanup.h"
#include "installmarks.h"
#include "pathprobe.h"
#include "pathutil.h"
#include "payloadcheck.h"
#include "shelllinkread.h"
#include "text.h"

namespace {

const char UninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Written into the uninstall entry once a removal begins in the install folder: a later run that
// finds the folder gone knows the removal took it, not the user.
const char RemovalMark[] = "Removal Begun";

// The values the installer writes into its uninstall entry, and the uninstaller's own mark.
const char* const EntryValues[] = {"DisplayName", "DisplayVersion", "UninstallString", "Program Path",
                                   "Program Group", "Publisher", "HelpLink", RemovalMark};

const char NotDeleted[] = "could not be deleted (it may be in use)";
const char NotRemoved[] = "could not be removed";
const char StillHolds[] = "kept, it still holds other files";
const char ThroughLink[] = "left alone, it is reached through a link";
const char Changed[] = "changed since installation, kept";
const char OthersLink[] = "not this installation's link, kept";
const char FolderNotFound[] = "not removed, its folder cannot be found";

enum { ReadBlockSize = 4096 };

// System folders that may stand empty but are never ours to remove.
const int KeptFolderIds[] = {
    CSIDL_WINDOWS,       CSIDL_SYSTEM,        CSIDL_PROGRAM_FILES,   CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROFILE, CSIDL_PERSONAL,       CSIDL_DESKTOPDIRECTORY,
    CSIDL_APPDATA,       CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA,  CSIDL_PROGRAMS,
    CSIDL_COMMON_PROGRAMS, CSIDL_STARTMENU,
};
static_assert(sizeof KeptFolderIds / sizeof KeptFolderIds[0] <= KeptFolderLimit, "room for every kept folder");

bool IsSeparator(char c) { return c == '\\'; }

// Characters that Windows refuses in a file or folder name, the separators included.
bool IsNameCharacter(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && strchr("<>:\"/\\|?*", c) == nullptr;
}

// Levels separated by single backslashes, each a plain name; one final backslash may follow.
bool AreAcceptableLevels(const char* text) {
    if (*text == '\0') return false;
    const char* level = text;
    for (const char* c = text;; ++c) {
        if (*c != '\0' && !IsSeparator(*c)) {
            if (!IsNameCharacter(*c)) return false;
            continue;
        }
        const size_t length = static_cast<size_t>(c - level);
        // A level ending in a dot or a space names another folder once the system trims it; this
        // also refuses "." and "..".
        if (length == 0) return *c == '\0' && c != text && IsSeparator(c[-1]) && c - 1 != text;
        if (level[length - 1] == '.' || level[length - 1] == ' ') return false;
        if (*c == '\0') return true;
        level = c + 1;
    }
}

size_t BoundedLength(const char* text, size_t limit) {
    size_t length = 0;
    while (length <= limit && text[length] != '\0') ++length;
    return length;
}

// Copies a folder path without its final backslash. False when it does not fit.
bool FolderWithoutSeparator(char* out, size_t outSize, const char* folder) {
    if (!CopyText(out, outSize, folder)) return false;
    const size_t length = strlen(out);
    if (length > 3 && IsSeparator(out[length - 1])) out[length - 1] = '\0';
    return true;
}

bool IsFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Drops one final backslash, except a drive root's.
void TrimSeparator(char* folder) {
    const size_t length = strlen(folder);
    if (length > 3 && IsSeparator(folder[length - 1])) folder[length - 1] = '\0';
}

// The bytes a file must hold to be the one the installer wrote.
struct ExpectedContent {
    bool known;  // false: nothing can match
    uint32_t size;
    uint32_t crc32;
};

enum class ReadResult { Read, Held, Failed };

// The CRC-32 of a file that holds exactly `size` bytes, read block by block. Held when another
// program has it open for writing or without sharing; Failed for any other size or error.
ReadResult ReadFileCrc(const char* path, uint32_t size, uint32_t& crc) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_SHARING_VIOLATION ? ReadResult::Held : ReadResult::Failed;
    }
    uint8_t block[ReadBlockSize];
    uint32_t total = 0;
    crc = 0;
    ReadResult result = ReadResult::Failed;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, block, sizeof block, &got, nullptr)) {
            if (GetLastError() == ERROR_LOCK_VIOLATION) result = ReadResult::Held;  // a locked range
            break;
        }
        if (got == 0) {
            if (total == size) result = ReadResult::Read;
            break;
        }
        if (got > size - total) break;  // longer than it should be
        total += got;
        crc = Crc32Continue(crc, block, got);
    }
    (void)CloseHandle(file);
    return result;
}

// What the uninstaller's own row must hold: the running uninstaller's bytes.
ExpectedContent SelfContent(const InstalledFile& file, const UninstallPlan& plan) {
    ExpectedContent expected = {false, file.fileSize, 0};
    if (plan.self[0] != '\0') {
        expected.known = ReadFileCrc(plan.self, file.fileSize, expected.crc32) == ReadResult::Read;
    }
    return expected;
}

// Deletes one installed file; with `expected`, only while it holds those bytes. A missing file is
// fine; a folder standing at its name is not ours.
void RemoveFile(const char* path, UninstallReport& report, const ExpectedContent* expected = nullptr) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) AddReportLine(report, path, NotDeleted);
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return;
    if (expected != nullptr) {
        uint32_t crc = 0;
        const ReadResult read = ReadFileCrc(path, expected->size, crc);
        if (read == ReadResult::Held) {
            AddReportLine(report, path, NotDeleted);
            return;
        }
        // A file that cannot be read counts as changed: it may be the user's.
        if (!expected->known || read != ReadResult::Read || crc != expected->crc32) {
            AddReportLine(report, path, Changed);
            return;
        }
    }
    // Through a link the attributes would change on the target: only the link goes.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) (void)SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path)) AddReportLine(report, path, NotDeleted);
}

bool IsKeptFolder(const UninstallPlan& plan, const char* folder) {
    for (int i = 0; i < plan.keptFolderCount && i < KeptFolderLimit; ++i) {
        if (IsSameFile(folder, plan.keptFolders[i])) return true;
    }
    return false;
}

// Checks the recorded install folder once; false (reported) when its files must be left alone.
bool InstallFolderUsable(const UninstallPlan& plan, UninstallReport& report) {
    if (plan.installFolder[0] == '\0') {
        AddReportLine(report, "The program folder", "not recorded; the files in it were left alone");
        return false;
    }
    if (!IsAcceptableInstallFolder(plan.installFolder)) {
        AddReportLine(report, plan.installFolder, "left alone, it is not a folder on a drive");
        return false;
    }
    if (HasLinkedLevel(plan.installFolder, 3)) {
        AddReportLine(report, plan.installFolder, ThroughLink);
        return false;
    }
    return true;
}

bool EntryValueExists(const InstalledProduct& product, const char* name) {
    char path[UninstallPathSize];
    HKEY key = nullptr;
    if (!UninstallEntryKey(product, path, sizeof path) ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool exists = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    (void)RegCloseKey(key);
    return exists;
}

void SetRemovalMark(const InstalledProduct& product) {
    char path[UninstallPathSize];
    HKEY key = nullptr;
    if (!UninstallEntryKey(product, path, sizeof path) ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    const DWORD begun = 1;
    (void)RegSetValueExA(key, RemovalMark, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&begun), sizeof begun);
    (void)RegFlushKey(key);
    (void)RegCloseKey(key);
}

// The recorded install folder is there, or an earlier removal took it. A folder the user moved or
// renamed, or one on a drive that is not there, stops the whole removal: its files are listed as
// not removed, and everything stays, the entry and this uninstaller included, to remove the
// product once the folder is back.
bool FindInstallFolder(const InstalledProduct& product, const UninstallPlan& plan, UninstallReport& report) {
    const PathPresence presence = ProbePath(plan.installFolder);
    if (presence == PathPresent && IsFolder(plan.installFolder)) {
        SetRemovalMark(product);
        return true;
    }
    if (presence == PathAbsent && EntryValueExists(product, RemovalMark)) return true;
    report.folderMissing = true;
    for (int i = 0; i < product.fileCount; ++i) {
        const InstalledFile& file = product.files[i];
        char path[UninstallPathSize + 1];
        if (file.inWindowsFolder || !IsRemovableFile(file.fileName) ||
            !JoinPath(path, sizeof path, plan.installFolder, file.fileName, false)) {
            continue;
        }
        AddReportLine(report, path, FolderNotFound);
    }
    return false;
}

void RemoveInstalledFiles(const InstalledProduct& product, const UninstallPlan& plan, bool installUsable,
                          UninstallReport& report) {
    for (int i = 0; i < product.fileCount; ++i) {
        const InstalledFile& file = product.files[i];
        if (!IsRemovableFile(file.fileName)) continue;  // the clean-up's keep rule
        const char* folder = file.inWindowsFolder ? plan.windowsFolder : plan.installFolder;
        if (!file.inWindowsFolder && !installUsable) continue;
        if (folder[0] == '\0') continue;
        char path[UninstallPathSize + 1];
        if (!JoinPath(path, sizeof path, folder, file.fileName, false)) {
            AddReportLine(report, file.fileName, "left alone, its path is too long");
            continue;
        }
        // A running program's file cannot be deleted; it goes once the process has ended.
        if (plan.self[0] != '\0' && IsSameFile(path, plan.self)) {
            report.selfPending = true;
            continue;
        }
        // The same name may stand for the user's own file (a changed file, a recorded folder that
        // points elsewhere): only the bytes the installer wrote go.
        const ExpectedContent expected =
            file.isUninstaller ? SelfContent(file, plan) : ExpectedContent{true, file.fileSize, file.crc32};
        RemoveFile(path, report, &expected);
    }
}

// A link this product made: it leads to its row's file and starts in that file's folder, as the
// installer wrote it. Another program may have put a link of the same name in a shared group.
bool IsOwnLink(const char* link, const InstalledFile& file, const UninstallPlan& plan) {
    char folder[UninstallPathSize];
    char expected[UninstallPathSize + 1];
    char target[UninstallPathSize];
    char working[UninstallPathSize];
    if (!CopyText(folder, sizeof folder, file.inWindowsFolder ? plan.windowsFolder : plan.installFolder) ||
        folder[0] == '\0' || !ReadShellLink(link, target, sizeof target, working, sizeof working)) {
        return false;
    }
    TrimSeparator(folder);
    TrimSeparator(working);
    return JoinPath(expected, sizeof expected, folder, file.fileName, false) && lstrcmpiA(target, expected) == 0 &&
           lstrcmpiA(working, folder) == 0;
}

void RemoveProgramGroup(const InstalledProduct& product, const UninstallPlan& plan, UninstallReport& report) {
    if (plan.groupName[0] == '\0') {
        AddReportLine(report, "The program group", "not recorded; its links were left alone");
        return;
    }
    if (!IsAcceptableGroupName(plan.groupName)) {
        AddReportLine(report, plan.groupName, "left alone, it is not a program group name");
        return;
    }
    if (plan.programsFolder[0] == '\0') {
        AddReportLine(report, plan.groupName, "left alone, the Programs folder is not known");
        return;
    }
    char joined[UninstallPathSize + 1];
    char group[UninstallPathSize];
    if (!JoinPath(joined, sizeof joined, plan.programsFolder, plan.groupName, false) ||
        !FolderWithoutSeparator(group, sizeof group, joined)) {
        AddReportLine(report, plan.groupName, "left alone, its path is too long");
        return;
    }
    const size_t programsLength = strlen(plan.programsFolder);
    const size_t firstLevel = programsLength + (IsSeparator(plan.programsFolder[programsLength - 1]) ? 0 : 1);
    if (HasLinkedLevel(group, firstLevel)) {
        AddReportLine(report, group, ThroughLink);
        return;
    }
    if (!IsFolder(group)) {  // removed already, unless it is out of reach
        if (ProbePath(group) == PathUnreachable) AddReportLine(report, group, NotRemoved);
        return;
    }

    static const char extension[] = ".lnk";
    const HRESULT com = CoInitialize(nullptr);
    for (int i = 0; i < product.shortcutCount && i < product.fileCount; ++i) {
        char name[UninstallPathSize];
        char link[UninstallPathSize + 1];
        const size_t length = strlen(product.shortcutNames[i]);
        if (length + sizeof extension > sizeof name) continue;
        memcpy(name, product.shortcutNames[i], length);
        memcpy(name + length, extension, sizeof extension);
        if (!JoinPath(link, sizeof link, group, name, false)) continue;  // never saved either
        if (GetFileAttributesA(link) != INVALID_FILE_ATTRIBUTES && !IsOwnLink(link, product.files[i], plan)) {
            AddReportLine(report, link, OthersLink);
            continue;
        }
        RemoveFile(link, report);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    if (!IsFolderEmpty(group)) {
        AddReportLine(report, group, StillHolds);
    } else if (!RemoveDirectoryA(group)) {
        AddReportLine(report, group, NotRemoved);
    }
}

// The install folder when it is empty, then each parent that is then empty, never the drive root
// nor a system folder.
void RemoveInstallFolder(const UninstallPlan& plan, UninstallReport& report) {
    char folder[UninstallPathSize];
    if (!FolderWithoutSeparator(folder, sizeof folder, plan.installFolder)) return;
    if (!IsFolder(folder)) return;
    if (!IsFolderEmpty(folder)) {
        AddReportLine(report, folder, StillHolds);
        return;
    }
    for (bool first = true;; first = false) {
        if (IsKeptFolder(plan, folder)) return;
        if (!RemoveDirectoryA(folder)) {
            if (first) AddReportLine(report, folder, NotRemoved);
            return;
        }
        char* cut = strrchr(folder, '\\');
        // "X:\" is the root: its separator is the third character.
        if (cut == nullptr || cut - folder <= 2) return;
        *cut = '\0';
        if (!IsFolderEmpty(folder)) return;
    }
}

HKEY OpenKey(HKEY root, const char* path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, access, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

// HKEY_LOCAL_MACHINE\path for the report.
void ReportKey(UninstallReport& report, const char* path, const char* note) {
    char text[UninstallPathSize + 24];
    if (!JoinPath(text, sizeof text, "HKEY_LOCAL_MACHINE", path, false)) return;
    AddReportLine(report, text, note);
}

// A key to delete values from: nullptr when it is missing (nothing to do) or, reported, when it
// cannot be opened for writing (an account without administrator rights).
HKEY OpenForRemoval(const char* path, UninstallReport& report) {
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    if (result == ERROR_SUCCESS) return key;
    if (result != ERROR_FILE_NOT_FOUND) ReportKey(report, path, NotRemoved);
    return nullptr;
}

// False (reported) when the value is there and stays.
bool DeleteValue(HKEY key, const char* name, const char* keyPath, UninstallReport& report) {
    const LONG result = RegDeleteValueA(key, name);
    if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return true;
    ReportKey(report, keyPath, NotRemoved);
    return false;
}

void RemoveRegistryRecords(const InstalledProduct& product, UninstallReport& report) {
    if (HKEY publisher = OpenForRemoval(product.publisherKey, report)) {
        (void)DeleteValue(publisher, product.productName, product.publisherKey, report);
        (void)RegCloseKey(publisher);
    }
    if (HKEY version = OpenForRemoval(product.versionKey, report)) {
        (void)DeleteValue(version, "Program Version", product.versionKey, report);
        (void)RegCloseKey(version);
    }
    // The publisher's key goes too once nothing else is kept in it, but never anything above it.
    RemoveEmptyKeys(HKEY_LOCAL_MACHINE, product.versionKey, strlen(product.publisherKey));
    if (RegistryKeyExists(HKEY_LOCAL_MACHINE, product.versionKey)) {
        ReportKey(report, product.versionKey, "kept, it still holds other values");
    }

    char entry[UninstallPathSize];
    if (!UninstallEntryKey(product, entry, sizeof entry)) return;
    if (HKEY key = OpenForRemoval(entry, report)) {
        // One line for the entry, however many of its values stay.
        for (const char* name : EntryValues) {
            if (!DeleteValue(key, name, entry, report)) break;
        }
        (void)RegCloseKey(key);
    }
    if (!RegistryKeyExists(HKEY_LOCAL_MACHINE, entry)) return;
    if (!IsKeyEmpty(HKEY_LOCAL_MACHINE, entry)) {
        ReportKey(report, entry, "kept, it still holds other values");
    } else if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, entry) != ERROR_SUCCESS) {
        ReportKey(report, entry, NotRemoved);
    }
}

// A REG_SZ value that fits out with its NUL; anything else reads as an empty text.
void ReadText(HKEY key, const char* name, char* out, DWORD outSize) {
    out[0] = '\0';
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
        size == 0 || size > outSize) {
        return;
    }
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS ||
        type != REG_SZ || size == 0 || size > outSize || out[size - 1] != '\0') {
        out[0] = '\0';
    }
}

// A folder from the system, kept only when it fits.
bool SystemFolder(int id, char* out) {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) path[0] = '\0';
    if (!CopyText(out, UninstallPathSize, path)) out[0] = '\0';
    return out[0] != '\0';
}

}  // namespace

bool UninstallEntryKey(const InstalledProduct& product, char* out, size_t outSize) {
    const size_t root = sizeof UninstallRoot - 1;
    const size_t name = strlen(product.productName);
    if (root + name + 1 > outSize) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    memcpy(out, UninstallRoot, root);
    memcpy(out + root, product.productName, name + 1);
    return true;
}

bool ReadUninstallEntry(const InstalledProduct& product, UninstallPlan& plan) {
    plan.installFolder[0] = '\0';
    plan.groupName[0] = '\0';
    char path[UninstallPathSize];
    if (!UninstallEntryKey(product, path, sizeof path)) return false;
    HKEY entry = OpenKey(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE);
    if (entry == nullptr) return false;
    ReadText(entry, "Program Path", plan.installFolder, sizeof plan.installFolder);
    ReadText(entry, "Program Group", plan.groupName, sizeof plan.groupName);
    (void)RegCloseKey(entry);
    return true;
}

void FillSystemPlan(UninstallPlan& plan) {
    const UINT length = GetWindowsDirectoryA(plan.windowsFolder, sizeof plan.windowsFolder);
    if (length == 0 || length >= sizeof plan.windowsFolder) plan.windowsFolder[0] = '\0';
    (void)SystemFolder(CSIDL_PROGRAMS, plan.programsFolder);
    // A cut module name would be some other file.
    const DWORD selfLength = GetModuleFileNameA(nullptr, plan.self, sizeof plan.self);
    if (selfLength == 0 || selfLength >= sizeof plan.self) plan.self[0] = '\0';
    plan.keptFolderCount = 0;
    for (int id : KeptFolderIds) {
        if (SystemFolder(id, plan.keptFolders[plan.keptFolderCount])) ++plan.keptFolderCount;
    }
}

bool IsInstallationUnderway(const InstalledProduct& product, const char* windowsFolder) {
    const char* const args[] = {product.productName};
    // A name that does not fit is one the installer cannot claim either.
    char mutexName[InstallerMutexNameSize];
    if (FormatText(mutexName, sizeof mutexName, InstallerMutexNameFormat, args, 1)) {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, mutexName);
        if (mutex != nullptr) {
            (void)CloseHandle(mutex);
            return true;
        }
        // The installer of another account: its mutex is there, out of our reach.
        if (GetLastError() == ERROR_ACCESS_DENIED) return true;
    }
    // The installer forms the journal's path the same way in a buffer of the same size, so a path
    // that does not fit here never held a journal.
    char name[UninstallPathSize];
    char journal[UninstallPathSize];
    if (windowsFolder[0] == '\0' || !FormatText(name, sizeof name, JournalFileNameFormat, args, 1) ||
        !JoinPath(journal, sizeof journal, windowsFolder, name, false)) {
        return false;
    }
    // Only its presence counts: a journal held open or closed to us is as unfinished as any.
    if (GetFileAttributesA(journal) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool IsAcceptableInstallFolder(const char* path) {
    const size_t length = BoundedLength(path, MaxInstallFolderLength);
    if (length < 4 || length > MaxInstallFolderLength) return false;
    const char drive = static_cast<char>(path[0] | 0x20);
    if (drive < 'a' || drive > 'z' || path[1] != ':' || !IsSeparator(path[2])) return false;
    return AreAcceptableLevels(path + 3);
}

bool IsAcceptableGroupName(const char* name) {
    const size_t length = BoundedLength(name, MaxGroupNameLength);
    return length >= 1 && length <= MaxGroupNameLength && AreAcceptableLevels(name);
}

bool IsFolderEmpty(const char* path) {
    char pattern[UninstallPathSize + 1];
    if (!JoinPath(pattern, sizeof pattern, path, "*", false)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool empty = true;
    do {
        const char* name = found.cFileName;
        const bool dots = name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
        if (!dots) empty = false;
    } while (empty && FindNextFileA(search, &found));
    (void)FindClose(search);
    return empty;
}

bool RegistryKeyExists(HKEY root, const char* path) {
    HKEY key = OpenKey(root, path, KEY_QUERY_VALUE);
    if (key == nullptr) return false;
    (void)RegCloseKey(key);
    return true;
}

bool IsKeyEmpty(HKEY root, const char* path) {
    HKEY key = OpenKey(root, path, KEY_QUERY_VALUE);
    if (key == nullptr) return false;
    DWORD subkeys = 1;
    DWORD values = 1;
    const bool read = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                       nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    (void)RegCloseKey(key);
    return read && subkeys == 0 && values == 0;
}

bool IsSameFile(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        // No access asked: a running program's file and a folder open like any other.
        HANDLE handle = CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const BOOL read = GetFileInformationByHandle(handle, &info[i]);
        (void)CloseHandle(handle);
        if (!read) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

void RemoveEmptyKeys(HKEY root, const char* path, size_t topLength) {
    char key[UninstallPathSize];
    if (!CopyText(key, sizeof key, path)) return;
    for (;;) {
        if (strlen(key) < topLength) return;
        if (RegistryKeyExists(root, key)) {
            if (!IsKeyEmpty(root, key) || RegDeleteKeyA(root, key) != ERROR_SUCCESS) return;
        }
        char* cut = strrchr(key, '\\');
        if (cut == nullptr) return;
        *cut = '\0';
    }
}

void AddReportLine(UninstallReport& report, const char* subject, const char* note) {
    if (report.full) return;
    static const char separator[] = ": ";
    static const char lineEnd[] = "\r\n";
    static const char more[] = "...\r\n";
    const size_t subjectLength = strlen(subject);
    const size_t noteLength = strlen(note);
    const size_t lineLength = subjectLength + sizeof separator - 1 + noteLength + sizeof lineEnd - 1;
    // Room is kept for the mark that says lines are missing, and for the NUL.
    if (report.length + lineLength + sizeof more > sizeof report.text) {
        memcpy(report.text + report.length, more, sizeof more);
        report.length += sizeof more - 1;
        report.full = true;
        ++report.items;
        return;
    }
    char* at = report.text + report.length;
    memcpy(at, subject, subjectLength);
    at += subjectLength;
    memcpy(at, separator, sizeof separator - 1);
    at += sizeof separator - 1;
    memcpy(at, note, noteLength);
    at += noteLength;
    memcpy(at, lineEnd, sizeof lineEnd);  // the NUL too
    report.length += lineLength;
    ++report.items;
}

bool IsInstalledUninstaller(const InstalledProduct& product, const UninstallPlan& plan) {
    for (int i = 0; i < product.fileCount; ++i) {
        const InstalledFile& file = product.files[i];
        char path[UninstallPathSize + 1];
        if (file.isUninstaller && file.inWindowsFolder && plan.windowsFolder[0] != '\0' && plan.self[0] != '\0' &&
            JoinPath(path, sizeof path, plan.windowsFolder, file.fileName, false) && IsSameFile(path, plan.self)) {
            return true;
        }
    }
    return false;
}

void RunUninstall(const InstalledProduct& product, const UninstallPlan& plan, UninstallReport& report) {
    const bool installUsable = InstallFolderUsable(plan, report);
    if (installUsable && !FindInstallFolder(product, plan, report)) return;
    RemoveInstalledFiles(product, plan, installUsable, report);
    RemoveProgramGroup(product, plan, report);
    if (installUsable) RemoveInstallFolder(plan, report);
    RemoveRegistryRecords(product, report);
}
