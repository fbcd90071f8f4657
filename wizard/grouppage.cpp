// The program group page, where the user names the Start-menu group, and the shortcut page it
// opens to make the group's folder and shortcuts.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <string.h>

#include "linkedpath.h"
#include "listentry.h"
#include "manifest.h"
#include "pages.h"
#include "pathutil.h"
#include "resource.h"
#include "shell.h"
#include "shortcuts.h"

namespace {

enum {
    ShortcutTimer = 300,
    ShortcutTimerDelay = 250,
    PauseAfterShortcut = 200,
    PauseAfterLastShortcut = 500,
    PauseBeforeClosing = 500,
    // A folder name from the file search has at most 259 characters, as has a path the A
    // functions accept; one more byte for the second NUL that JoinPath writes.
    EntryTextSize = MAX_PATH,
    EntryPathSize = MAX_PATH + 1,
};

HWND GroupList(HWND page) { return GetDlgItem(page, IDC_GROUP_COMBO); }

const char* ProgramsFolder() { return Session.directories.paths[DirPrograms]; }

// The system's small-icon index for the group folder named text, or -1 when the shell gives
// none. A name that makes the path longer than the A functions accept gets no icon rather than
// a cut path that could name another folder.
int GroupIconIndex(const char* text) {
    char path[EntryPathSize];
    if (!JoinPath(path, sizeof path, ProgramsFolder(), text, false)) return -1;
    SHFILEINFOA info;
    ZeroMemory(&info, sizeof info);
    if (SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON) == 0) {
        return -1;
    }
    return info.iIcon;
}

// A nested group is made only inside a folder that is already there.
bool GroupParentExists(const char* name) {
    char parent[GroupNameSize];
    if (!CopyText(parent, sizeof parent, name)) return false;
    size_t length = strlen(parent);
    if (length > 0 && parent[length - 1] == '\\') parent[--length] = '\0';
    char* last = strrchr(parent, '\\');
    if (last == nullptr) return true;
    *last = '\0';
    char path[EntryPathSize];
    if (!JoinPath(path, sizeof path, ProgramsFolder(), parent, false)) return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A group folder reached through a link (at its own level or one between it and the Programs
// folder) holds what the link leads to: the uninstaller would not go there, nor does the installer.
bool GroupThroughLink(const char* name) {
    char path[EntryPathSize];
    const char* programs = ProgramsFolder();
    const size_t length = strlen(programs);
    return !JoinPath(path, sizeof path, programs, name, false) ||
           HasLinkedLevel(path, length + (length > 0 && programs[length - 1] == '\\' ? 0 : 1));
}

// A failure that ends the page: its message, then the abort notice.
void FailPage(HWND page, UINT text) {
    (void)ShowMessage(page, text, nullptr, 0, MB_OK | MB_ICONERROR);
    AbortPage(page);
}

BOOL OnGroupInitDialog(HWND page) {
    PlacePageBesideSideBar(page);
    ApplyProductName(page, NameInExplanation);
    if (!ListProgramGroups(page)) {
        // Its end takes effect once the opening is over; the rest of the opening still runs.
        FailPage(page, IDS_START_MENU_MISSING);
    }
    (void)SendMessageA(GroupList(page), CB_LIMITTEXT, GroupNameSize - 1, 0);
    ResetGroup(page);
    return TRUE;
}

void OnGroupCommand(HWND page, WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    switch (LOWORD(wParam)) {
        case IDCANCEL:
            AbortPage(page);
            break;
        case IDC_GROUP_CONTINUE:
            AcceptGroup(page);
            break;
        case IDC_RESET_GROUP:
            ResetGroup(page);
            break;
        default:
            break;  // IDOK (Enter) included: the page leaves only by its Continue button
    }
}

BOOL OnShortcutInitDialog(HWND page) {
    PlacePageBesideSideBar(page);
    (void)SetTimer(page, ShortcutTimer, ShortcutTimerDelay, nullptr);
    return TRUE;
}

void OnShortcutTimer(HWND page, WPARAM timer) {
    (void)KillTimer(page, timer);
    StartPacedPauses();
    (void)EndDialog(page, CreateAllShortcuts(page) == 1 ? 1 : 2);
}

}  // namespace

bool ListProgramGroups(HWND page) {
    char pattern[EntryPathSize];
    // Without a Programs folder the search would list the root of the current drive.
    if (ProgramsFolder()[0] == '\0') return false;
    if (!JoinPath(pattern, sizeof pattern, ProgramsFolder(), "*", false)) return false;

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    HWND list = GroupList(page);
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && found.cFileName[0] != '.') {
            (void)SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(found.cFileName));
        }
    } while (FindNextFileA(search, &found));
    (void)FindClose(search);
    return true;
}

void ResetGroup(HWND page) {
    static_assert(sizeof Session.groupName >= sizeof Manifest.product.productName,
                  "the group name holds any product name");
    (void)CopyText(Session.groupName, sizeof Session.groupName, Manifest.product.productName);
    HWND list = GroupList(page);
    // The search ignores letter case; CB_ERR clears the selection when nothing matches.
    const LRESULT match =
        SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(Session.groupName));
    (void)SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(match), 0);
    (void)SetWindowTextA(list, Session.groupName);
}

void AcceptGroup(HWND page) {
    (void)GetWindowTextA(GroupList(page), Session.groupName, sizeof Session.groupName);
    if (Session.groupName[0] == '\0') {
        (void)ShowMessage(page, IDS_EMPTY_GROUP, nullptr, 0, MB_OK | MB_ICONWARNING);
        return;
    }
    // A name no folder can have would end in an installation without shortcuts: the page stays.
    if (!IsUsableGroupName(Session.groupName)) {
        ShowRefusal(page, IDS_GROUP_INVALID, IDS_BAD_GROUP_NAME);
        return;
    }
    if (!GroupParentExists(Session.groupName)) {
        ShowRefusal(page, IDS_GROUP_INVALID, IDS_GROUP_PARENT_MISSING);
        return;
    }
    if (GroupThroughLink(Session.groupName)) {
        ShowRefusal(page, IDS_GROUP_INVALID, IDS_GROUP_THROUGH_LINK);
        return;
    }
    SetWizardStep(StepShortcuts);
    (void)EnableWindow(GetDlgItem(page, IDC_GROUP_CONTINUE), FALSE);

    // The shortcut page's progress bar is a common control: its class must be registered
    // before the template is created. Repeating the call is harmless.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    (void)InitCommonControlsEx(&controls);

    const INT_PTR result = DialogBoxParamA(Session.instance, MAKEINTRESOURCEA(IDD_SHORTCUTS), page,
                                           ShortcutPageProc, 0);
    if (result == 1) {
        PumpMessagesPaced(page, PauseBeforeClosing);
        (void)EndDialog(page, 1);
        return;
    }
    FailPage(page, IDS_SHORTCUTS_FAILED);
}

BOOL DrawGroupEntry(const DRAWITEMSTRUCT* item) {
    // An empty list that gets the focus asks for item -1: there is no text to read, only the
    // focus to show.
    if (item->itemID == static_cast<UINT>(-1)) {
        if (item->itemState & ODS_FOCUS) (void)DrawFocusRect(item->hDC, &item->rcItem);
        return TRUE;
    }
    char text[EntryTextSize];
    text[0] = '\0';
    const LRESULT length = SendMessageA(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0);
    if (length >= 0 && length < static_cast<LRESULT>(sizeof text)) {
        (void)SendMessageA(item->hwndItem, CB_GETLBTEXT, item->itemID, reinterpret_cast<LPARAM>(text));
    }
    DrawListEntry(item, 0, text[0] != '\0' ? GroupIconIndex(text) : -1, text);
    return TRUE;
}

int CreateAllShortcuts(HWND page) {
    // S_FALSE means COM was already open on this thread: it is just as usable, and the call
    // still counts towards the CoUninitialize below.
    if (FAILED(CoInitialize(nullptr))) return 0;

    HWND bar = GetDlgItem(page, IDC_SHORTCUT_PROGRESS);
    const uint16_t count = static_cast<uint16_t>(Manifest.shortcutCount);
    (void)SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, count));
    (void)SendMessageA(bar, PBM_SETSTEP, 1, 0);

    // A group or a link that cannot be made ends the work like COM that cannot be entered.
    bool made = CreateProgramGroup(Session.directories, Session.groupName, Session.journal);
    for (int row = 0; made && row < Manifest.shortcutCount && row < ManifestMaxRows; ++row) {
        const FileEntry& entry = Manifest.files[row];
        (void)SetDlgItemTextA(page, IDC_SHORTCUT_NAME, entry.shortcutName);
        made = CreateShortcut(Session.directories, entry, Session.groupName, Session.journal);
        (void)SendMessageA(bar, PBM_STEPIT, 0, 0);
        PumpMessagesPaced(page, PauseAfterShortcut);
    }
    if (made) PumpMessagesPaced(page, PauseAfterLastShortcut);
    CoUninitialize();
    return made ? 1 : 0;
}

INT_PTR CALLBACK GroupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnGroupInitDialog(page);
        case WM_COMMAND:
            OnGroupCommand(page, wParam);
            return FALSE;
        case WM_DRAWITEM:
            return DrawGroupEntry(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_CTLCOLORSTATIC:
            return ColorExplanation(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK ShortcutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            return OnShortcutInitDialog(page);
        case WM_TIMER:
            OnShortcutTimer(page, wParam);
            return FALSE;
        default:
            return FALSE;
    }
}
