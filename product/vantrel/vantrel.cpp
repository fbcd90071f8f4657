// Vantrel: a small note pad. One window with a multi-line edit control, a menu for files,
// editing and help, and an about box.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include "resource.h"

namespace {

const char WindowClass[] = "VantrelNotes";
const char AppName[] = "Vantrel";
// The edit control holds the whole note; notes beyond this are not what the program is for.
const DWORD LargestNote = 1024 * 1024;

// The program's one window and what it shows.
struct NotePad {
    HINSTANCE instance;
    HWND window;
    HWND editor;
    HFONT font;
    bool wordWrap;
    char path[MAX_PATH];  // empty for a note never saved
};

NotePad Pad;

void ShowProblem(const char* text) { MessageBoxA(Pad.window, text, AppName, MB_OK | MB_ICONEXCLAMATION); }

const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    }
    return name;
}

void UpdateCaption() {
    char caption[MAX_PATH + 16];
    lstrcpynA(caption, Pad.path[0] ? FileNamePart(Pad.path) : "Untitled", MAX_PATH);
    lstrcatA(caption, " - ");
    lstrcatA(caption, AppName);
    SetWindowTextA(Pad.window, caption);
}

// The folder Vantrel.exe runs from joined with name; false when it does not fit.
bool BesideProgram(const char* name, char* out, DWORD outSize) {
    const DWORD length = GetModuleFileNameA(nullptr, out, outSize);
    if (length == 0 || length >= outSize) return false;
    char* cut = const_cast<char*>(FileNamePart(out));
    if (static_cast<DWORD>(cut - out) + lstrlenA(name) + 1 > outSize) return false;
    lstrcpyA(cut, name);
    return true;
}

HWND CreateEditor(bool wordWrap) {
    DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
    if (!wordWrap) style |= WS_HSCROLL | ES_AUTOHSCROLL;
    RECT area;
    GetClientRect(Pad.window, &area);
    HWND editor = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", style, 0, 0, area.right, area.bottom, Pad.window,
                                  reinterpret_cast<HMENU>(IDC_EDITOR), Pad.instance, nullptr);
    SendMessageA(editor, WM_SETFONT, reinterpret_cast<WPARAM>(Pad.font), FALSE);
    SendMessageA(editor, EM_LIMITTEXT, LargestNote, 0);
    return editor;
}

// Text of the editor in a fresh heap block (free with HeapFree), or nullptr.
char* EditorText(DWORD* length) {
    *length = static_cast<DWORD>(GetWindowTextLengthA(Pad.editor));
    char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, *length + 1));
    if (text == nullptr) return nullptr;
    *length = static_cast<DWORD>(GetWindowTextA(Pad.editor, text, static_cast<int>(*length + 1)));
    return text;
}

bool SaveTo(const char* path) {
    DWORD length = 0;
    char* text = EditorText(&length);
    if (text == nullptr) {
        ShowProblem("There is not enough memory to save the note.");
        return false;
    }
    bool saved = false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        saved = WriteFile(file, text, length, &written, nullptr) && written == length;
        saved = CloseHandle(file) && saved;
    }
    HeapFree(GetProcessHeap(), 0, text);
    if (!saved) {
        ShowProblem("The note could not be saved. Check that the disk has room and that the file is not "
                    "read-only.");
        return false;
    }
    lstrcpynA(Pad.path, path, MAX_PATH);
    SendMessageA(Pad.editor, EM_SETMODIFY, FALSE, 0);
    UpdateCaption();
    return true;
}

bool AskFileName(char* path, bool forSaving) {
    OPENFILENAMEA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Pad.window;
    dialog.lpstrFilter = "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "txt";
    if (forSaving) {
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        return GetSaveFileNameA(&dialog) != FALSE;
    }
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    return GetOpenFileNameA(&dialog) != FALSE;
}

bool SaveAs() {
    char path[MAX_PATH];
    lstrcpynA(path, Pad.path[0] ? Pad.path : "Note.txt", MAX_PATH);
    return AskFileName(path, true) && SaveTo(path);
}

bool Save() { return Pad.path[0] ? SaveTo(Pad.path) : SaveAs(); }

// Offers to save unsaved changes; false when the user cancels what was about to happen.
bool MayDiscard() {
    if (!SendMessageA(Pad.editor, EM_GETMODIFY, 0, 0)) return true;
    char question[MAX_PATH + 64];
    lstrcpyA(question, "Save the changes to ");
    lstrcatA(question, Pad.path[0] ? FileNamePart(Pad.path) : "the new note");
    lstrcatA(question, "?");
    switch (MessageBoxA(Pad.window, question, AppName, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES: return Save();
        case IDNO: return true;
        default: return false;
    }
}

void NewNote() {
    if (!MayDiscard()) return;
    SetWindowTextA(Pad.editor, "");
    SendMessageA(Pad.editor, EM_SETMODIFY, FALSE, 0);
    Pad.path[0] = '\0';
    UpdateCaption();
}

void OpenNote() {
    if (!MayDiscard()) return;
    char path[MAX_PATH] = "";
    if (!AskFileName(path, false)) return;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ShowProblem("The file could not be opened.");
        return;
    }
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE || size > LargestNote) {
        CloseHandle(file);
        ShowProblem("The file is too large for Vantrel. Notes can hold up to one megabyte.");
        return;
    }
    char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, size + 1));
    DWORD read = 0;
    const bool good = text != nullptr && ReadFile(file, text, size, &read, nullptr) && read == size;
    CloseHandle(file);
    if (!good) {
        if (text) HeapFree(GetProcessHeap(), 0, text);
        ShowProblem("The file could not be read.");
        return;
    }
    text[size] = '\0';
    SetWindowTextA(Pad.editor, text);
    HeapFree(GetProcessHeap(), 0, text);
    SendMessageA(Pad.editor, EM_SETMODIFY, FALSE, 0);
    lstrcpynA(Pad.path, path, MAX_PATH);
    UpdateCaption();
}

void InsertTimeAndDate() {
    char stamp[128];
    int length = GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, nullptr, nullptr, stamp, 64);
    if (length == 0) return;
    stamp[length - 1] = ' ';
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, stamp + length, 64) == 0) return;
    SendMessageA(Pad.editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(stamp));
}

// The edit control fixes its wrapping when it is created, so a new one takes over the text.
void ToggleWordWrap() {
    DWORD length = 0;
    char* text = EditorText(&length);
    if (text == nullptr) return;
    const BOOL modified = static_cast<BOOL>(SendMessageA(Pad.editor, EM_GETMODIFY, 0, 0));
    DWORD start = 0, end = 0;
    SendMessageA(Pad.editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    HWND replacement = CreateEditor(!Pad.wordWrap);
    if (replacement == nullptr) {
        HeapFree(GetProcessHeap(), 0, text);
        return;
    }
    SetWindowTextA(replacement, text);
    HeapFree(GetProcessHeap(), 0, text);
    SendMessageA(replacement, EM_SETMODIFY, modified, 0);
    SendMessageA(replacement, EM_SETSEL, start, end);
    SendMessageA(replacement, EM_SCROLLCARET, 0, 0);
    DestroyWindow(Pad.editor);
    Pad.editor = replacement;
    Pad.wordWrap = !Pad.wordWrap;
    SetFocus(Pad.editor);
}

// Starts a companion file that the installer put beside Vantrel.exe.
void OpenBesideProgram(const char* name, bool inNotepad, const char* missing) {
    char path[MAX_PATH + 2];
    if (!BesideProgram(name, path + 1, MAX_PATH) || GetFileAttributesA(path + 1) == INVALID_FILE_ATTRIBUTES) {
        ShowProblem(missing);
        return;
    }
    HINSTANCE started;
    if (inNotepad) {
        path[0] = '"';
        lstrcatA(path, "\"");
        started = ShellExecuteA(Pad.window, "open", "notepad.exe", path, nullptr, SW_SHOWNORMAL);
    } else {
        started = ShellExecuteA(Pad.window, "open", path + 1, nullptr, nullptr, SW_SHOWNORMAL);
    }
    if (reinterpret_cast<INT_PTR>(started) <= 32) ShowProblem(missing);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

void OnCommand(WORD command) {
    switch (command) {
        case IDM_FILE_NEW: NewNote(); break;
        case IDM_FILE_OPEN: OpenNote(); break;
        case IDM_FILE_SAVE: Save(); break;
        case IDM_FILE_SAVEAS: SaveAs(); break;
        case IDM_FILE_EXIT: PostMessageA(Pad.window, WM_CLOSE, 0, 0); break;
        case IDM_EDIT_UNDO: SendMessageA(Pad.editor, EM_UNDO, 0, 0); break;
        case IDM_EDIT_CUT: SendMessageA(Pad.editor, WM_CUT, 0, 0); break;
        case IDM_EDIT_COPY: SendMessageA(Pad.editor, WM_COPY, 0, 0); break;
        case IDM_EDIT_PASTE: SendMessageA(Pad.editor, WM_PASTE, 0, 0); break;
        case IDM_EDIT_DELETE: SendMessageA(Pad.editor, WM_CLEAR, 0, 0); break;
        case IDM_EDIT_SELECTALL: SendMessageA(Pad.editor, EM_SETSEL, 0, -1); break;
        case IDM_EDIT_TIMEDATE: InsertTimeAndDate(); break;
        case IDM_VIEW_WORDWRAP: ToggleWordWrap(); break;
        case IDM_HELP_TOPICS:
            OpenBesideProgram("Vantrel.hlp", true, "The help file Vantrel.hlp is not in the Vantrel folder.");
            break;
        case IDM_HELP_UPDATE:
            OpenBesideProgram("Plendix.exe", false, "The updater Plendix.exe is not in the Vantrel folder.");
            break;
        case IDM_HELP_ABOUT:
            DialogBoxParamA(Pad.instance, MAKEINTRESOURCEA(IDD_ABOUT), Pad.window, AboutProc, 0);
            break;
    }
}

void OnInitMenuPopup(HMENU menu) {
    DWORD start = 0, end = 0;
    SendMessageA(Pad.editor, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const UINT selection = start != end ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(menu, IDM_EDIT_CUT, selection);
    EnableMenuItem(menu, IDM_EDIT_COPY, selection);
    EnableMenuItem(menu, IDM_EDIT_DELETE, selection);
    EnableMenuItem(menu, IDM_EDIT_UNDO, SendMessageA(Pad.editor, EM_CANUNDO, 0, 0) ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, IDM_EDIT_PASTE, IsClipboardFormatAvailable(CF_TEXT) ? MF_ENABLED : MF_GRAYED);
    CheckMenuItem(menu, IDM_VIEW_WORDWRAP, Pad.wordWrap ? MF_CHECKED : MF_UNCHECKED);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            Pad.window = window;
            Pad.editor = CreateEditor(Pad.wordWrap);
            if (Pad.editor == nullptr) return -1;
            UpdateCaption();
            return 0;
        case WM_SIZE:
            MoveWindow(Pad.editor, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_SETFOCUS:
            SetFocus(Pad.editor);
            return 0;
        case WM_COMMAND:
            if (lParam == 0) OnCommand(LOWORD(wParam));
            return 0;
        case WM_INITMENUPOPUP:
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_CLOSE:
            if (MayDiscard()) DestroyWindow(window);
            return 0;
        case WM_QUERYENDSESSION:
            return MayDiscard() ? TRUE : FALSE;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    Pad.instance = instance;
    Pad.font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));

    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
    windowClass.lpszClassName = WindowClass;
    if (!RegisterClassA(&windowClass)) return 1;

    HWND window = CreateWindowExA(0, WindowClass, AppName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 560,
                                  400, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(window, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
