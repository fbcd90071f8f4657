// The program group page and the shortcut page, opened for real in this process: the page runs
// modally on the test's thread while a driver thread plays the user.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "../common/expected_texts.h"
#include "../e2e/driver.h"
#include "engine_fixture.h"
#include "manifest.h"
#include "pages.h"
#include "resource.h"
#include "shell.h"
#include "shortcuts.h"

namespace {

const char GroupCaption[] = "Vantrel Program Group";
const char ShortcutCaption[] = "Creating Vantrel Shortcuts";
const char AbortText[] = "Installation Aborted!\r\n\r\nIf you need assistance you can email\r\nsupport at - ";

// Ends the whole test program with a clear message when a window never shows up: a page that
// waits for a user who is not coming would otherwise hang the run.
[[noreturn]] void Watchdog(const char* what) {
    std::fprintf(stderr, "watchdog: %s did not appear in time\n", what);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) {
    }
}

struct FoundWindow {
    const char* className;
    const char* caption;  // nullptr: any
    HWND owner;           // nullptr: any
    bool visibleOnly;
    HWND result;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* wanted = reinterpret_cast<FoundWindow*>(parameter);
    char className[64];
    char caption[256];
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    if (lstrcmpA(className, wanted->className) != 0) return TRUE;
    if (wanted->visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (wanted->caption != nullptr && lstrcmpA(caption, wanted->caption) != 0) return TRUE;
    if (wanted->owner != nullptr && GetWindow(window, GW_OWNER) != wanted->owner) return TRUE;
    wanted->result = window;
    return FALSE;
}

HWND FindTopWindow(DWORD thread, const char* caption, HWND owner, bool visibleOnly = true) {
    FoundWindow wanted = {"#32770", caption, owner, visibleOnly, nullptr};
    EnumThreadWindows(thread, MatchWindow, reinterpret_cast<LPARAM>(&wanted));
    return wanted.result;
}

HWND WaitForTopWindow(DWORD thread, const char* caption, HWND owner, const char* what, bool visibleOnly = true) {
    for (int waited = 0; waited < 15000; waited += 20) {
        HWND found = FindTopWindow(thread, caption, owner, visibleOnly);
        if (found != nullptr) return found;
        Sleep(20);
    }
    Watchdog(what);
}

std::string WindowText(HWND window) {
    char text[1024];
    text[0] = '\0';
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Waits for a message box owned by owner, returns its text and presses button.
std::string AnswerMessageBox(DWORD thread, HWND owner, int button) {
    HWND box = WaitForTopWindow(thread, "Porvane", owner, "a message box");
    const std::string text = WindowText(GetDlgItem(box, 0xFFFF));
    PostMessageA(box, WM_COMMAND, button, 0);
    for (int waited = 0; IsWindow(box) && waited < 15000; waited += 20) Sleep(20);
    if (IsWindow(box)) Watchdog("the end of a message box");
    return text;
}

void PressButton(HWND page, int id) { PostMessageA(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

HWND GroupEdit(HWND page) { return FindWindowExA(GetDlgItem(page, IDC_GROUP_COMBO), nullptr, "Edit", nullptr); }

std::string ListEntry(HWND page, LRESULT index) {
    char text[MAX_PATH];
    text[0] = '\0';
    if (index >= 0) SendMessageA(GetDlgItem(page, IDC_GROUP_COMBO), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string TempFolder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%sporvane-%s-%lu", temp, name, GetCurrentProcessId());
    return path;
}

void RemoveTree(const std::string& path) {
    std::string from = path;
    from.push_back('\0');  // the operation wants a list ended by an empty name
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&operation);
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The session as the pages find it after the installing page, with a Programs folder of the
// test's own, so nothing is left in the Start menu.
class GroupPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = TempFolder("group");
        RemoveTree(root);
        programs = root + "\\Programs";
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(programs.c_str(), nullptr));

        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        Session.instance = GetModuleHandleA(nullptr);
        Session.screenWidth = GetSystemMetrics(SM_CXSCREEN);
        Session.screenHeight = GetSystemMetrics(SM_CYSCREEN);
        // The system's small-icon list, asked for by a folder that surely exists: the current
        // folder may be one that an earlier test has removed.
        SHFILEINFOA info = {};
        Session.smallIcons = reinterpret_cast<HIMAGELIST>(
            SHGetFileInfoA(root.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        ASSERT_NE(nullptr, Session.smallIcons);
        Session.colors.listSelectedText = GetSysColor(COLOR_HIGHLIGHTTEXT);
        Session.colors.listSelectedBack = GetSysColor(COLOR_HIGHLIGHT);
        Session.colors.listText = GetSysColor(COLOR_WINDOWTEXT);
        Session.colors.listBack = GetSysColor(COLOR_WINDOW);
        lstrcpyA(Session.directories.paths[DirInstall], "C:\\Quillfern Utilities\\Vantrel");
        GetWindowsDirectoryA(Session.directories.paths[DirWindows], DirectorySlotSize);
        lstrcpyA(Session.directories.paths[DirPrograms], programs.c_str());
        Session.groupName[0] = '\0';
        Session.backdrop = CreateWindowExA(0, "STATIC", "backdrop", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                           Session.instance, nullptr);
        Session.currentStep = StepGroup;
        pageThread = GetCurrentThreadId();
        // The copy step's journal, which the shortcut page records into.
        ASSERT_TRUE(BeginJournal(Session.journal, (root + "\\run.journal").c_str()));
    }

    void TearDown() override {
        CommitJournal(Session.journal);
        DestroyWindow(Session.backdrop);
        Session.backdrop = nullptr;
        RemoveTree(root);
    }

    // The page cannot list the groups: it says so while it opens, before it is shown, then gives
    // the abort notice and ends with 2.
    void ExpectStartMenuNotFound() {
        std::string first, second;
        std::thread driver([&] {
            HWND page = WaitForTopWindow(pageThread, GroupCaption, nullptr, "the hidden group page", false);
            first = AnswerMessageBox(pageThread, page, IDOK);
            second = AnswerMessageBox(pageThread, page, IDOK);
        });
        const INT_PTR result = DialogBoxParamA(Session.instance, MAKEINTRESOURCEA(IDD_GROUP), Session.backdrop,
                                               GroupPageProc, 0);
        driver.join();
        EXPECT_EQ(2, result);
        EXPECT_EQ("Unable to locate the Start Menu!", first);
        EXPECT_EQ(0u, second.find(AbortText)) << second;
    }

    void MakeFolder(const char* name) { ASSERT_TRUE(CreateDirectoryA((programs + "\\" + name).c_str(), nullptr)); }

    // Runs the group page on this thread while script plays the user on another.
    INT_PTR RunGroupPageWith(const std::function<void(HWND page)>& script) {
        std::thread driver([&] {
            HWND page = WaitForTopWindow(pageThread, GroupCaption, nullptr, "the group page");
            script(page);
        });
        const INT_PTR result = DialogBoxParamA(Session.instance, MAKEINTRESOURCEA(IDD_GROUP), Session.backdrop,
                                               GroupPageProc, 0);
        driver.join();
        return result;
    }

    // Cancels the page as the user does, with the Escape key, and returns the notice's text.
    std::string CancelWithEscape(HWND page) {
        PostMessageA(GroupEdit(page), WM_KEYDOWN, VK_ESCAPE, 0);
        return AnswerMessageBox(pageThread, page, IDOK);
    }

    std::string root;
    std::string programs;
    DWORD pageThread = 0;
};

TEST_F(GroupPageTest, OpensWithProductNameAndSelectsExistingGroupInAnyLetterCase) {
    MakeFolder("Alpha");
    MakeFolder("VANTREL");
    CloseHandle(CreateFileA((programs + "\\Loose.lnk").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string editText, selected, abortText;
    LRESULT count = -1;
    const INT_PTR result = RunGroupPageWith([&](HWND page) {
        editText = WindowText(GetDlgItem(page, IDC_GROUP_COMBO));
        selected = ListEntry(page, SendMessageA(GetDlgItem(page, IDC_GROUP_COMBO), CB_GETCURSEL, 0, 0));
        count = SendMessageA(GetDlgItem(page, IDC_GROUP_COMBO), CB_GETCOUNT, 0, 0);
        abortText = CancelWithEscape(page);
    });
    EXPECT_EQ(2, result);
    EXPECT_EQ("Vantrel", editText);
    EXPECT_EQ("VANTREL", selected);
    EXPECT_EQ(2, count) << "folders only, without . and ..";
}

TEST_F(GroupPageTest, EmptyProgramsFolderGivesEmptyListAndNoMessage) {
    LRESULT count = -1, selection = 0;
    HWND boxDuringOpening = nullptr;
    const INT_PTR result = RunGroupPageWith([&](HWND page) {
        StaysAway([&] { return FindTopWindow(pageThread, "Porvane", page) != nullptr; }, 300);
        boxDuringOpening = FindTopWindow(pageThread, "Porvane", page);
        count = SendMessageA(GetDlgItem(page, IDC_GROUP_COMBO), CB_GETCOUNT, 0, 0);
        selection = SendMessageA(GetDlgItem(page, IDC_GROUP_COMBO), CB_GETCURSEL, 0, 0);
        CancelWithEscape(page);
    });
    EXPECT_EQ(2, result);
    EXPECT_EQ(nullptr, boxDuringOpening);
    EXPECT_EQ(0, count);
    EXPECT_EQ(CB_ERR, selection);
}

TEST_F(GroupPageTest, EscapeShowsAbortNoticeAndEndsWithTwo) {
    std::string abortText;
    const INT_PTR result = RunGroupPageWith([&](HWND page) { abortText = CancelWithEscape(page); });
    EXPECT_EQ(2, result);
    EXPECT_EQ(0u, abortText.find(AbortText)) << abortText;
}

TEST_F(GroupPageTest, CommandOneLeavesPageAsItWas) {
    std::string before, after;
    bool stillOpen = false;
    HWND box = nullptr;
    const INT_PTR result = RunGroupPageWith([&](HWND page) {
        SetWindowTextA(GetDlgItem(page, IDC_GROUP_COMBO), "Tools");
        before = WindowText(GetDlgItem(page, IDC_GROUP_COMBO));
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        StaysAway([&] { return !IsWindowVisible(page) || FindTopWindow(pageThread, nullptr, page) != nullptr; }, 200);
        stillOpen = IsWindowVisible(page) != FALSE;
        box = FindTopWindow(pageThread, nullptr, page);
        after = WindowText(GetDlgItem(page, IDC_GROUP_COMBO));
        CancelWithEscape(page);
    });
    EXPECT_EQ(2, result);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(nullptr, box);
    EXPECT_EQ(before, after);
    EXPECT_EQ(StepGroup, Session.currentStep);
}

TEST_F(GroupPageTest, ResetGroupPutsBackProductName) {
    MakeFolder("Vantrel");
    MakeFolder("Games");
    std::string editText, selected;
    RunGroupPageWith([&](HWND page) {
        HWND list = GetDlgItem(page, IDC_GROUP_COMBO);
        SendMessageA(list, CB_SETCURSEL, 0, 0);  // "Games"
        SetWindowTextA(list, "Something Else");
        SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_RESET_GROUP, BN_CLICKED), 0);
        editText = WindowText(list);
        selected = ListEntry(page, SendMessageA(list, CB_GETCURSEL, 0, 0));
        CancelWithEscape(page);
    });
    EXPECT_EQ("Vantrel", editText);
    EXPECT_EQ("Vantrel", selected);
}

// A name no group folder can have is refused before any work, and the page stays for another.
TEST_F(GroupPageTest, NamesNoGroupFolderCanHaveAreRefusedAndThePageStays) {
    const std::string badName = FilledText(BadGroupNameFormat, GroupInvalidText);
    const std::string noParent = FilledText(GroupParentMissingFormat, GroupInvalidText);
    const std::string linked = FilledText(GroupThroughLinkFormat, GroupInvalidText);
    std::string hostRoot = root.substr(3);  // as the host sees it below C:
    for (char& c : hostRoot) c = c == '\\' ? '/' : c;
    engine_test::HostLink link(hostRoot, hostRoot + "/Programs/Linked");
    ASSERT_EQ(link.status(), "ok");
    const struct {
        const char* name;
        std::string warning;
    } cases[] = {{"", EmptyGroupText}, {"   ", badName}, {"Tools: Vantrel", badName}, {"..\\Escaped", badName},
                 {" Vantrel", badName}, {"Missing\\Vantrel", noParent}, {"Linked", linked},
                 {"Linked\\Programs", linked}};
    std::vector<std::string> warnings;
    bool stillOpen = true, continueEnabled = true;
    uint32_t stepAfterWarnings = 0;
    const INT_PTR result = RunGroupPageWith([&](HWND page) {
        for (const auto& refused : cases) {
            SetWindowTextA(GetDlgItem(page, IDC_GROUP_COMBO), refused.name);
            PressButton(page, IDC_GROUP_CONTINUE);
            warnings.push_back(AnswerMessageBox(pageThread, page, IDOK));
            StaysAway([&] { return !IsWindowVisible(page) || !IsWindowEnabled(GetDlgItem(page, IDC_GROUP_CONTINUE)); },
                      100);
            stillOpen = stillOpen && IsWindowVisible(page) != FALSE;
            continueEnabled = continueEnabled && IsWindowEnabled(GetDlgItem(page, IDC_GROUP_CONTINUE)) != FALSE;
        }
        stepAfterWarnings = Session.currentStep;
        CancelWithEscape(page);
    });
    EXPECT_EQ(2, result);
    ASSERT_EQ(warnings.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].warning, warnings[i]) << cases[i].name;
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(continueEnabled);
    EXPECT_EQ(StepGroup, stepAfterWarnings);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((programs + "\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    int entries = 0;
    do entries += found.cFileName[0] != '.'; while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(1, entries);  // nothing was made for any of them: only the link is there
}

TEST_F(GroupPageTest, UnsearchableProgramsFolderEndsWithTwoAfterBothMessages) {
    lstrcpyA(Session.directories.paths[DirPrograms], (root + "\\Missing").c_str());
    ExpectStartMenuNotFound();
}

// Without a Programs folder the search would list the root of the current drive instead.
TEST_F(GroupPageTest, NoProgramsFolderAtAllEndsWithTwoAfterBothMessages) {
    Session.directories.paths[DirPrograms][0] = '\0';
    ExpectStartMenuNotFound();
}

// Typing stops at 40 characters; Continue then makes the group with every shortcut and the
// page ends with 1.
TEST_F(GroupPageTest, FortyCharacterNameIsAcceptedAndShortcutsAreMade) {
    const std::string name(40, 'g');
    std::string typed, shortcutCaption;
    bool continueDisabled = false;
    uint32_t stepDuringShortcuts = 0;
    LRESULT highestPosition = -1, rangeHigh = -1;
    const INT_PTR result = RunGroupPageWith([&](HWND page) {
        HWND edit = GroupEdit(page);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        for (int i = 0; i < 45; ++i) SendMessageA(edit, WM_CHAR, 'g', 0);
        typed = WindowText(GetDlgItem(page, IDC_GROUP_COMBO));
        PressButton(page, IDC_GROUP_CONTINUE);
        HWND shortcuts = WaitForTopWindow(pageThread, ShortcutCaption, page, "the shortcut page");
        shortcutCaption = WindowText(shortcuts);
        continueDisabled = !IsWindowEnabled(GetDlgItem(page, IDC_GROUP_CONTINUE));
        stepDuringShortcuts = Session.currentStep;
        HWND bar = GetDlgItem(shortcuts, IDC_SHORTCUT_PROGRESS);
        // The furthest position seen while the bar lives (a window being destroyed answers 0),
        // with the range in force at that moment (the bar starts at 0 to 100).
        const bool barGone = WaitUntil(
            [&] {
                const LRESULT position = SendMessageA(bar, PBM_GETPOS, 0, 0);
                const LRESULT high = SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
                if (position > highestPosition) {
                    highestPosition = position;
                    rangeHigh = high;
                }
                return !IsWindow(bar);
            },
            60000);
        if (!barGone) Watchdog("the end of the shortcut page");
        if (!WaitUntil([&] { return !IsWindow(page); }, SettleTimeoutMs)) Watchdog("the end of the group page");
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(name, typed);
    EXPECT_EQ(name, Session.groupName);
    EXPECT_EQ(ShortcutCaption, shortcutCaption);
    EXPECT_TRUE(continueDisabled);
    EXPECT_EQ(StepShortcuts, stepDuringShortcuts);
    EXPECT_EQ(Manifest.shortcutCount, rangeHigh);
    EXPECT_EQ(Manifest.shortcutCount, highestPosition);
    ASSERT_TRUE(IsFolder(programs + "\\" + name));
    for (int row = 0; row < Manifest.shortcutCount; ++row) {
        const std::string link = programs + "\\" + name + "\\" + Manifest.files[row].shortcutName + ".lnk";
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str())) << link;
    }
}

// COM entered in the other mode on this thread is a real failure: the group page reports it and
// ends the installation.
TEST_F(GroupPageTest, ComThatCannotBeEnteredEndsWithBothMessages) {
    std::string first, second;
    INT_PTR result = 0;
    // A thread of its own, in the multithreaded apartment, where CoInitialize must fail.
    std::thread pageRunner([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const DWORD thread = GetCurrentThreadId();
        std::thread driver([&] {
            HWND page = WaitForTopWindow(thread, GroupCaption, nullptr, "the group page");
            PressButton(page, IDC_GROUP_CONTINUE);
            first = AnswerMessageBox(thread, page, IDOK);
            second = AnswerMessageBox(thread, page, IDOK);
        });
        result = DialogBoxParamA(Session.instance, MAKEINTRESOURCEA(IDD_GROUP), nullptr, GroupPageProc, 0);
        driver.join();
        CoUninitialize();
    });
    pageRunner.join();
    EXPECT_EQ(2, result);
    EXPECT_EQ("Unable To Create Shortcuts!", first);
    EXPECT_EQ(0u, second.find(AbortText)) << second;
    EXPECT_FALSE(IsFolder(programs + "\\Vantrel"));
}

INT_PTR CALLBACK InertPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The shortcut page's work alone, on a thread of its own so its COM state is the test's.
class ShortcutWorkTest : public GroupPageTest {
protected:
    template <typename Body>
    void OnFreshThread(Body body) {
        std::thread thread([&] {
            HWND page = CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_SHORTCUTS), nullptr, InertPageProc, 0);
            ASSERT_NE(nullptr, page);
            body(page);
            DestroyWindow(page);
        });
        thread.join();
    }
};

TEST_F(ShortcutWorkTest, ComAlreadyOpenOnThreadSucceedsAndStaysBalanced) {
    lstrcpyA(Session.groupName, "Vantrel");
    OnFreshThread([&](HWND page) {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        EXPECT_EQ(1, CreateAllShortcuts(page));

        // Still open: the work did not close COM under its caller.
        IUnknown* link = nullptr;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         reinterpret_cast<void**>(&link)));
        if (link != nullptr) link->Release();

        // Closed by the caller's one CoUninitialize: the work left no opening behind.
        CoUninitialize();
        EXPECT_EQ(S_OK, CoInitialize(nullptr));
        CoUninitialize();
    });
    for (int row = 0; row < Manifest.shortcutCount; ++row) {
        const std::string link = programs + "\\Vantrel\\" + Manifest.files[row].shortcutName + ".lnk";
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str())) << link;
    }
}

TEST_F(ShortcutWorkTest, ComInOtherModeFailsWithoutTouchingTheStartMenu) {
    lstrcpyA(Session.groupName, "Vantrel");
    OnFreshThread([&](HWND page) {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_EQ(0, CreateAllShortcuts(page));
        CoUninitialize();
        // No opening of its own was left to balance.
        EXPECT_EQ(S_OK, CoInitialize(nullptr));
        CoUninitialize();
    });
    EXPECT_FALSE(IsFolder(programs + "\\Vantrel"));
}

TEST_F(ShortcutWorkTest, FullBarAndLastShortcutNameAfterTheWork) {
    lstrcpyA(Session.groupName, "Vantrel");
    LRESULT position = -1, rangeHigh = -1;
    std::string label;
    OnFreshThread([&](HWND page) {
        ASSERT_EQ(1, CreateAllShortcuts(page));
        position = SendDlgItemMessageA(page, IDC_SHORTCUT_PROGRESS, PBM_GETPOS, 0, 0);
        rangeHigh = SendDlgItemMessageA(page, IDC_SHORTCUT_PROGRESS, PBM_GETRANGE, FALSE, 0);
        label = WindowText(GetDlgItem(page, IDC_SHORTCUT_NAME));
    });
    ASSERT_GT(Manifest.shortcutCount, 0);
    EXPECT_EQ(Manifest.shortcutCount, position);
    EXPECT_EQ(Manifest.shortcutCount, rangeHigh);
    EXPECT_EQ(Manifest.files[Manifest.shortcutCount - 1].shortcutName, label);
}

// Entries drawn into a bitmap of a colour no drawing uses, to see what was painted.
class GroupEntryDrawingTest : public GroupPageTest {
protected:
    static constexpr COLORREF Untouched = RGB(255, 0, 255);
    static constexpr int Width = 200, Height = 16;

    void SetUp() override {
        GroupPageTest::SetUp();
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, Session.instance, nullptr);
        list = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_SIMPLE | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0, 0,
                               200, 100, parent, reinterpret_cast<HMENU>(IDC_GROUP_COMBO), Session.instance, nullptr);
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = Width;
        format.bmiHeader.biHeight = -Height;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0);
        SelectObject(dc, bitmap);
        for (int i = 0; i < Width * Height; ++i) pixels[i] = 0x00FF00FF;
    }

    void TearDown() override {
        DeleteDC(dc);
        DeleteObject(bitmap);
        DestroyWindow(parent);
        GroupPageTest::TearDown();
    }

    DRAWITEMSTRUCT Request(UINT item) {
        DRAWITEMSTRUCT request = {};
        request.CtlType = ODT_COMBOBOX;
        request.CtlID = IDC_GROUP_COMBO;
        request.itemID = item;
        request.itemAction = ODA_DRAWENTIRE;
        request.hwndItem = list;
        request.hDC = dc;
        request.rcItem = {0, 0, Width, Height};
        return request;
    }

    bool Painted(int left, int right) {
        GdiFlush();
        for (int y = 0; y < Height; ++y)
            for (int x = left; x < right; ++x)
                if ((pixels[y * Width + x] & 0xFFFFFF) != 0xFF00FF) return true;
        return false;
    }

    HWND parent = nullptr;
    HWND list = nullptr;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    uint32_t* pixels = nullptr;
};

std::atomic<int> textRequests{0};
WNDPROC comboProc = nullptr;

LRESULT CALLBACK CountingComboProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CB_GETLBTEXT || message == CB_GETLBTEXTLEN) ++textRequests;
    return CallWindowProcA(comboProc, window, message, wParam, lParam);
}

TEST_F(GroupEntryDrawingTest, RequestForNoEntryReadsNoText) {
    comboProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingComboProc)));
    textRequests = 0;
    DRAWITEMSTRUCT request = Request(static_cast<UINT>(-1));
    request.itemState = ODS_FOCUS;
    EXPECT_TRUE(DrawGroupEntry(&request));
    EXPECT_EQ(0, textRequests.load());
    // A real entry is read through the same window, so the count above means something.
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Games"));
    request = Request(0);
    DrawGroupEntry(&request);
    EXPECT_GT(textRequests.load(), 0);
    SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(comboProc));
}

TEST_F(GroupEntryDrawingTest, ExistingGroupIsDrawnWithIconAndText) {
    MakeFolder("Games");
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Games"));
    DRAWITEMSTRUCT request = Request(0);
    EXPECT_TRUE(DrawGroupEntry(&request));
    EXPECT_TRUE(Painted(1, 17)) << "icon";
    EXPECT_TRUE(Painted(19, Width)) << "text";
}

// A Programs folder of 250 characters and a group name of 100 make a path no A function takes:
// the entry is drawn with its text only, and nothing is written past the path buffer.
TEST_F(GroupEntryDrawingTest, GroupWhosePathIsTooLongIsDrawnWithoutIcon) {
    const std::string longPrograms = "C:\\" + std::string(247, 'p');
    lstrcpyA(Session.directories.paths[DirPrograms], longPrograms.c_str());
    const std::string longName(100, 'n');
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(longName.c_str()));
    DRAWITEMSTRUCT request = Request(0);
    EXPECT_TRUE(DrawGroupEntry(&request));
    EXPECT_FALSE(Painted(1, 17)) << "icon";
    EXPECT_TRUE(Painted(19, Width)) << "text";
}

}  // namespace
