// The program location page: an edit box for the install folder and a folder navigator, an
// owner-drawn list of either the fixed drives or the chain of folders down to the current one
// followed by its subfolders.
#include "foldernavigator.h"

#include <shlobj.h>
#include <shellapi.h>

#include "cleanup.h"
#include "listentry.h"
#include "manifest.h"
#include "pages.h"
#include "pathutil.h"
#include "pathutil_win32.h"
#include "registration.h"
#include "reservedfolders.h"
#include "resource.h"
#include "shell.h"
#include "text.h"

FolderNavigator Navigator;

namespace {

// Entry texts are full paths of at most 259 characters or the computer's name.
enum { EntryTextSize = MAX_PATH, EditTextLimit = MAX_PATH - 1 };

char* InstallFolder() { return Session.directories.paths[DirInstall]; }

HWND NavigatorList(HWND page) { return GetDlgItem(page, IDC_FOLDER_LIST); }

bool FitsInstallFolder(const char* path) { return strlen(path) < DirectorySlotSize; }

// Reads entry index into text; false (text empty) when there is no such entry or it is too long.
bool ReadEntryText(HWND list, int index, char (&text)[EntryTextSize]) {
    text[0] = '\0';
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length >= EntryTextSize) return false;
    return SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text)) !=
           LB_ERR;
}

void AddEntry(HWND list, const char* text, NavEntryKind kind) {
    const LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (index < 0) return;  // LB_ERR or LB_ERRSPACE: nothing was added
    SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(kind));
}

void InsertEntry(HWND list, int index, const char* text, NavEntryKind kind) {
    const LRESULT at =
        SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    if (at < 0) return;
    SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(kind));
}

void SetLevel(int index, int level) {
    if (index >= 0 && index < NavigatorLevelCount) Navigator.levels[index] = static_cast<int16_t>(level);
}

void SelectEntry(HWND list, int index) {
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Navigator.currentIndex = static_cast<uint16_t>(index);
}

void EndFill(HWND list) {
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    // Turning redrawing back on does not repaint by itself on every system.
    InvalidateRect(list, nullptr, TRUE);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

// One step of the walk down a path: where the entry's text ends and what it names.
struct ChainEntry {
    uint16_t length;
    NavEntryKind kind;
};
enum { ChainCapacity = DirectorySlotSize };

// Splits path into the prefixes that end at each component. The first runs up to and including
// the first backslash (the drive root); a text without any backslash is one Folder entry.
int BuildChain(const char* path, ChainEntry (&chain)[ChainCapacity]) {
    int count = 0;
    int at = 0;
    for (; path[at] != '\0' && count < ChainCapacity; ++at) {
        if (path[at] != '\\') continue;
        if (count == 0) {
            chain[count++] = {static_cast<uint16_t>(at + 1), NavEntryKind::Drive};
        } else {
            chain[count++] = {static_cast<uint16_t>(at), NavEntryKind::Folder};
        }
    }
    if (at > 0 && path[at] == '\0' && path[at - 1] != '\\' && count < ChainCapacity) {
        chain[count++] = {static_cast<uint16_t>(at), NavEntryKind::Folder};
    }
    return count;
}

// Adds path's subfolders, at most limit of them. Only folders whose full path DirInstall could
// hold are listed, so that every entry can become the current path.
void AddSubfolders(HWND list, const char* path, int limit) {
    char pattern[MAX_PATH];
    if (!JoinPath(pattern, sizeof pattern, path, "*.*", false)) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    int added = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || found.cFileName[0] == '.') continue;
        char entry[DirectorySlotSize + 1];  // JoinPath ends with two NULs: 255 characters at most
        if (!JoinPath(entry, sizeof entry, path, found.cFileName, false)) continue;
        AddEntry(list, entry, NavEntryKind::Folder);
        ++added;
    } while (added < limit && FindNextFileA(search, &found));
    FindClose(search);
}

bool ContainsProductName(const char* text) {
    const char* name = Manifest.product.productName;
    for (const char* start = text;; ++start) {
        int i = 0;
        for (;; ++i) {
            char a = start[i];
            char b = name[i];
            if (b == '\0') return true;
            if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
            if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
            if (a != b) break;  // also ends the comparison at the text's end
        }
        if (*start == '\0') return false;
    }
}

// True when a text begins with a drive: a character, a colon and a backslash.
bool HasDriveForm(const char* text) { return text[0] != '\0' && text[1] == ':' && text[2] == '\\'; }

// The folder of the user's files that the copy leaves alone: true when the user goes on (OK).
bool ConfirmOtherFiles(HWND page, const char* folder) {
    const char* const args[] = {folder, Manifest.product.productName};
    return ShowMessage(page, IDS_OTHER_FILES, args, 2, MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

BOOL OnInitDialog(HWND page) {
    PlacePageBesideSideBar(page);
    ApplyProductName(page, NameInExplanation);
    SendMessageA(GetDlgItem(page, IDC_FOLDER_EDIT), EM_LIMITTEXT, EditTextLimit, 0);
    ResetFolder(page);
    return TRUE;
}

void OnCommand(HWND page, int control, int notification) {
    switch (control) {
        case IDC_CONTINUE:
            if (notification != BN_CLICKED) return;
            if (AcceptFolder(page) == 1) {
                EndDialog(page, 1);
            } else {
                SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_FOLDER_EDIT)),
                             TRUE);
            }
            return;
        case IDC_CANCEL:
            if (notification != BN_CLICKED) return;
            AbortPage(page);
            return;
        case IDC_FOLDER_LIST:
            if (notification == LBN_DBLCLK) OnNavigatorDoubleClick(page);
            return;
        case IDC_RESET_FOLDER:
            if (notification == BN_CLICKED) ResetFolder(page);
            return;
        default:
            return;
    }
}

}  // namespace

INT_PTR CALLBACK LocationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(page);
        case WM_COMMAND:
            OnCommand(page, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            return DrawNavigatorEntry(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_CTLCOLORSTATIC:
            return ColorExplanation(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        default:
            return FALSE;
    }
}

void ResetFolder(HWND page) {
    LPITEMIDLIST drives = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(page, CSIDL_DRIVES, &drives)) && drives != nullptr) {
        SHFILEINFOA info = {};
        if (SHGetFileInfoA(reinterpret_cast<LPCSTR>(drives), 0, &info, sizeof info,
                           SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON)) {
            (void)CopyText(Navigator.computerName, sizeof Navigator.computerName, info.szDisplayName);
            Navigator.computerIcon = static_cast<int16_t>(info.iIcon);
        }
        CoTaskMemFree(drives);
    }

    // The registry may hold up to 259 characters; a recorded folder that DirInstall cannot hold
    // is passed over like a missing one.
    char folder[MAX_PATH];
    if (!ReadPreviousInstallFolder(folder, sizeof folder) || !FitsInstallFolder(folder)) {
        (void)JoinPath(folder, sizeof folder, Texts.defaultParent, Manifest.product.productName, false);
    }
    if (strcmp(folder, InstallFolder()) != 0) NavigateTo(page, folder, false);
}

bool NavigateTo(HWND page, const char* path, bool driveView) {
    if (!FitsInstallFolder(path)) return false;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    char* current = InstallFolder();
    if (path != current) (void)CopyText(current, DirectorySlotSize, path);
    SetDlgItemTextA(page, IDC_FOLDER_EDIT, current);
    HWND list = NavigatorList(page);
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    Navigator.driveView = driveView ? 1 : 0;
    if (driveView) {
        FillDriveView(page);
    } else {
        FillFolderView(page, current);
    }
    return true;
}

void FillDriveView(HWND page) {
    HWND list = NavigatorList(page);
    char roots[128];
    // The size given excludes the final NUL; a larger answer means the list did not fit, and the
    // view then shows the computer alone.
    const DWORD length = GetLogicalDriveStringsA(sizeof roots - 1, roots);
    if (length > 0 && length < sizeof roots - 1) {
        roots[length] = '\0';
        for (char* root = roots; root < roots + length && *root != '\0'; root += strlen(root) + 1) {
            if (*root >= 'a' && *root <= 'z') *root = static_cast<char>(*root - 'a' + 'A');
            if (GetDriveTypeA(root) == DRIVE_FIXED) AddEntry(list, root, NavEntryKind::Drive);
        }
    }
    InsertEntry(list, 0, Navigator.computerName, NavEntryKind::Computer);

    LRESULT match = SendMessageA(list, LB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(InstallFolder()));
    SelectEntry(list, match == LB_ERR ? 0 : static_cast<int>(match));

    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    SetLevel(0, 0);
    for (int i = 1; i < count; ++i) SetLevel(i, 1);
    EndFill(list);
}

void FillFolderView(HWND page, const char* path) {
    HWND list = NavigatorList(page);
    // Only a path that could be the current path has a chain to show.
    ChainEntry chain[ChainCapacity];
    const int chainCount = FitsInstallFolder(path) ? BuildChain(path, chain) : 0;

    // The computer and the chain come first; the subfolders get what is left of the level table.
    // Without a backslash the text names no place on a drive, so nothing is searched for it.
    const int room = NavigatorLevelCount - 1 - chainCount;
    if (room > 0 && chainCount > 0 && chain[0].kind == NavEntryKind::Drive) AddSubfolders(list, path, room);

    InsertEntry(list, 0, Navigator.computerName, NavEntryKind::Computer);
    SetLevel(0, 0);
    for (int k = 0; k < chainCount; ++k) {
        char prefix[ChainCapacity + 1];
        (void)CopyText(prefix, chain[k].length + 1, path);
        InsertEntry(list, k + 1, prefix, chain[k].kind);
        SetLevel(k + 1, k + 1);
    }
    SelectEntry(list, chainCount);

    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = chainCount + 1; i < count; ++i) SetLevel(i, chainCount + 1);
    EndFill(list);
}

void OnNavigatorDoubleClick(HWND page) {
    HWND list = NavigatorList(page);
    const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) return;  // nothing selected: there is no text to go to
    char text[EntryTextSize];
    if (!ReadEntryText(list, static_cast<int>(index), text)) return;
    if (index == 0) {
        if (!Navigator.driveView) NavigateTo(page, text, true);
    } else if (Navigator.driveView) {
        NavigateTo(page, text, false);
    } else if (index != Navigator.currentIndex) {
        NavigateTo(page, text, false);
    }
}

int AcceptFolder(HWND page) {
    HWND edit = GetDlgItem(page, IDC_FOLDER_EDIT);
    // The edit box stops typing at 259 characters, but a longer text can still be set into it:
    // one character more than that is read, and a text that fills the buffer is too long.
    char text[MAX_PATH + 1];
    const bool whole = GetWindowTextA(edit, text, sizeof text) < MAX_PATH;

    // Win32 resolves "." and ".." steps before any file system sees a path, so every rule applies
    // to the resolved text: C:\Vantrel\..\Data is C:\Data.
    char resolved[MAX_PATH];
    char folder[DirectorySlotSize + 1];  // JoinPath ends with two NULs: 255 characters at most
    UINT refusal = 0;
    if (text[0] == '\0') {
        refusal = IDS_PATH_EMPTY;
    } else if (!HasDriveForm(text)) {
        refusal = IDS_MISSING_DRIVE;
    } else if (text[3] == '\0') {
        refusal = IDS_ROOT_DRIVE;
    } else if (!whole || !ResolvePath(resolved, sizeof resolved, text)) {
        refusal = IDS_PATH_TOO_LONG;
    } else if (!HasDriveForm(resolved)) {
        refusal = IDS_MISSING_DRIVE;  // a device name such as NUL resolves to one of its own
    } else if (resolved[3] == '\0') {
        refusal = IDS_ROOT_DRIVE;
    } else if (ContainsProductName(resolved)) {
        if (!CopyText(folder, DirectorySlotSize, resolved)) refusal = IDS_PATH_TOO_LONG;
    } else if (!JoinPath(folder, sizeof folder, resolved, Manifest.product.productName, false)) {
        refusal = IDS_PATH_TOO_LONG;
    }
    if (refusal == 0 && IsReservedFolder(folder)) refusal = IDS_RESERVED_FOLDER;
    if (refusal != 0) {
        ShowRefusal(page, IDS_PATH_INVALID, refusal);
        return -1;
    }
    NavigateTo(page, folder, false);
    // The copy cleans only an earlier installation's folder; any other that holds something is
    // left as it is, and the user hears so before anything is copied into it.
    if (HoldsAnyEntry(folder) && !HoldsEarlierInstallation(folder) && !ConfirmOtherFiles(page, folder)) return -1;
    return 1;
}

BOOL DrawNavigatorEntry(const DRAWITEMSTRUCT* item) {
    // An empty list that gets the focus asks for item -1: there is no entry to read or draw.
    if (item->itemID == static_cast<UINT>(-1)) return TRUE;
    const int index = static_cast<int>(item->itemID);
    char text[EntryTextSize];
    if (!ReadEntryText(item->hwndItem, index, text)) return TRUE;

    SHFILEINFOA info = {};
    int icon = -1;
    const char* shown = text;
    const UINT describe = SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SMALLICON;
    switch (static_cast<NavEntryKind>(item->itemData)) {
        case NavEntryKind::Computer:
            icon = Navigator.computerIcon;
            break;
        case NavEntryKind::Drive:
            // A drive the shell cannot describe keeps its root as the text and gets no icon.
            if (SHGetFileInfoA(text, 0, &info, sizeof info, describe)) {
                icon = info.iIcon;
                shown = info.szDisplayName;
            }
            break;
        case NavEntryKind::Folder: {
            const UINT flags = describe | (index == Navigator.currentIndex ? SHGFI_OPENICON : 0);
            // A folder that does not exist yet gets the generic folder icon and its last component.
            if (SHGetFileInfoA(text, 0, &info, sizeof info, flags) ||
                SHGetFileInfoA(text, FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                               flags | SHGFI_USEFILEATTRIBUTES)) {
                icon = info.iIcon;
                shown = info.szDisplayName;
            }
            break;
        }
    }
    const int level = index < NavigatorLevelCount ? Navigator.levels[index] : 0;
    DrawListEntry(item, level, icon, shown);
    return TRUE;
}
