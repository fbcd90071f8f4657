// The finish: the two messages, the Notepad start for the read-me, and the whole sequence with a
// driver thread answering the message boxes.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "../common/expected_texts.h"
#include "../e2e/driver.h"
#include "manifest.h"
#include "pages.h"
#include "journal.h"
#include "shell.h"

namespace {

[[noreturn]] void Watchdog(const char* what) {
    std::fprintf(stderr, "watchdog: %s did not appear in time\n", what);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) {
    }
}

struct Search {
    const char* className;
    HWND owner;    // nullptr: any
    DWORD process; // 0: any
    bool otherProcess;
    HWND result;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    char className[64];
    GetClassNameA(window, className, sizeof className);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (lstrcmpA(className, search->className) != 0 || !IsWindowVisible(window)) return TRUE;
    if (search->owner != nullptr && GetWindow(window, GW_OWNER) != search->owner) return TRUE;
    if (search->otherProcess && process == GetCurrentProcessId()) return TRUE;
    search->result = window;
    return FALSE;
}

HWND FindWindowOf(const char* className, HWND owner, bool otherProcess) {
    Search search = {className, owner, 0, otherProcess, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.result;
}

HWND WaitForWindowOf(const char* className, HWND owner, bool otherProcess, const char* what) {
    for (int waited = 0; waited < 20000; waited += 20) {
        HWND found = FindWindowOf(className, owner, otherProcess);
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

// Waits until Notepad shows the read-me (its title says "Untitled" until the file is loaded).
void WaitForReadMeInNotepad(HWND notepad) {
    if (!WaitUntil([&] { return WindowText(notepad).find("Read Me") != std::string::npos; }, SettleTimeoutMs))
        Watchdog("the read-me in Notepad");
}

// The uppermost visible top-level window of this process.
HWND UppermostOfThisProcess() {
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

std::string ProcessImage(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    if (process != nullptr) {
        if (!QueryFullProcessImageNameA(process, 0, path, &size)) path[0] = '\0';
        CloseHandle(process);
    }
    return path;
}

std::string SystemNotepad() {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    return std::string(system) + "\\notepad.exe";
}

std::string Upper(std::string text) {
    CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
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
    from.push_back('\0');
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&operation);
}

HWND MakeBackdrop() {
    return CreateWindowExA(0, "STATIC", "backdrop", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TEST(FinishMessages, ReadMeQuestionIsExactText) {
    char text[FinishMessageSize];
    ASSERT_TRUE(FormatReadMeQuestion(text, sizeof text));
    EXPECT_EQ(ReadMeQuestionText, text);
}

TEST(FinishMessages, RestartNoticeIsExactText) {
    char text[FinishMessageSize];
    ASSERT_TRUE(FormatRestartNotice(text, sizeof text));
    EXPECT_STREQ(RestartNoticeText, text);
}

TEST(FinishMessages, TooSmallBufferGetsCutTextAndNothingBeyond) {
    char text[48];
    std::memset(text, '#', sizeof text);
    EXPECT_FALSE(FormatRestartNotice(text, 40));
    EXPECT_EQ(std::string(RestartNoticeText, 39), std::string(text));
    for (size_t i = 40; i < sizeof text; ++i) EXPECT_EQ('#', text[i]) << i;
}

TEST(ReadMeLaunch, ApplicationIsTheSystemsOwnNotepad) {
    char application[MAX_PATH + 1];
    ASSERT_TRUE(NotepadApplicationPath(application, sizeof application));
    EXPECT_EQ(SystemNotepad(), application);
}

TEST(ReadMeLaunch, CommandLineQuotesReadMePath) {
    char commandLine[400];
    ASSERT_TRUE(ReadMeCommandLine(commandLine, sizeof commandLine, "C:\\Quillfern Utilities\\Vantrel"));
    EXPECT_STREQ("Notepad.exe \"C:\\Quillfern Utilities\\Vantrel\\Read Me.txt\"", commandLine);
}

TEST(ReadMeLaunch, LongestInstallFolderFitsAndShorterBufferIsRefused) {
    const std::string folder = "C:\\" + std::string(252, 'f');
    const std::string expected = "Notepad.exe \"" + folder + "\\Read Me.txt\"";
    char commandLine[400];
    ASSERT_TRUE(ReadMeCommandLine(commandLine, sizeof commandLine, folder.c_str()));
    EXPECT_EQ(expected, commandLine);

    std::memset(commandLine, '#', sizeof commandLine);
    EXPECT_FALSE(ReadMeCommandLine(commandLine, expected.size(), folder.c_str()));
    for (size_t i = expected.size(); i < sizeof commandLine; ++i) ASSERT_EQ('#', commandLine[i]) << i;
}

// A Notepad.exe planted in the current folder is found before the system's by the usual search
// for a command line's first word; the read-me must still open in the system's own Notepad,
// with the backdrop minimised until Notepad is closed.
TEST(ReadMeLaunch, OpensReadMeInSystemNotepadDespiteOnePlantedInCurrentFolder) {
    const std::string root = TempFolder("finish");
    RemoveTree(root);
    const std::string install = root + "\\Install Folder";
    const std::string planted = root + "\\Planted";
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(install.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(planted.c_str(), nullptr));
    HANDLE readMe = CreateFileA((install + "\\Read Me.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, readMe);
    DWORD written = 0;
    WriteFile(readMe, "Vantrel", 7, &written, nullptr);
    CloseHandle(readMe);
    ASSERT_TRUE(CopyFileA(SystemNotepad().c_str(), (planted + "\\Notepad.exe").c_str(), FALSE));

    char previousFolder[MAX_PATH];
    GetCurrentDirectoryA(sizeof previousFolder, previousFolder);
    ASSERT_TRUE(SetCurrentDirectoryA(planted.c_str()));
    lstrcpyA(Session.directories.paths[DirInstall], install.c_str());
    HWND backdrop = MakeBackdrop();
    Session.backdrop = backdrop;

    std::string image, title;
    bool minimisedWhileOpen = false;
    std::thread driver([&] {
        HWND notepad = WaitForWindowOf("Notepad", nullptr, true, "Notepad");
        image = ProcessImage(notepad);
        // The window shows "Untitled" until the file is loaded.
        for (int waited = 0; waited < 10000; waited += 20) {
            title = WindowText(notepad);
            if (title.find("Read Me") != std::string::npos) break;
            Sleep(20);
        }
        minimisedWhileOpen = IsIconic(backdrop) != FALSE;
        PostMessageA(notepad, WM_CLOSE, 0, 0);
    });
    ShowReadMe(backdrop);
    driver.join();
    const bool minimisedAfter = IsIconic(backdrop) != FALSE;

    SetCurrentDirectoryA(previousFolder);
    DestroyWindow(backdrop);
    Session.backdrop = nullptr;
    RemoveTree(root);

    EXPECT_EQ(Upper(SystemNotepad()), Upper(image));
    EXPECT_NE(std::string::npos, title.find("Read Me")) << title;
    EXPECT_TRUE(minimisedWhileOpen);
    EXPECT_FALSE(minimisedAfter);
}

// Keys that the registration writes, removed again when the test made them.
class FinishSequenceTest : public ::testing::Test {
protected:
    static bool KeyExists(const char* path) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }

    void SetUp() override {
        hadPublisherKey = KeyExists(PublisherKey);
        hadUninstallKey = KeyExists(UninstallKey);
        // An install folder with the read-me in it, for a Notepad that opens without questions.
        install = TempFolder("finish-install");
        RemoveTree(install);
        ASSERT_TRUE(CreateDirectoryA(install.c_str(), nullptr));
        HANDLE readMe = CreateFileA((install + "\\Read Me.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                    nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, readMe);
        CloseHandle(readMe);
        lstrcpyA(Session.directories.paths[DirInstall], install.c_str());
        GetWindowsDirectoryA(Session.directories.paths[DirWindows], DirectorySlotSize);
        lstrcpyA(Session.groupName, "Vantrel");
        // The finish commits the run that the copy step began.
        ZeroMemory(&Session.journal, sizeof Session.journal);
        ASSERT_TRUE(BeginJournal(Session.journal, (install + ".journal").c_str()));
    }

    void TearDown() override {
        if (Session.journal.file != nullptr) CloseHandle(Session.journal.file);
        Session.journal.file = nullptr;
        DeleteFileA((install + ".journal").c_str());
        if (!hadPublisherKey) RegDeleteTreeA(HKEY_LOCAL_MACHINE, PublisherKey);
        if (!hadUninstallKey) RegDeleteTreeA(HKEY_LOCAL_MACHINE, UninstallKey);
        RemoveTree(install);
    }

    static constexpr const char* PublisherKey = "Software\\Quillfern Utilities";
    static constexpr const char* UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
    bool hadPublisherKey = false;
    bool hadUninstallKey = false;
    std::string install;
};

TEST_F(FinishSequenceTest, AnsweringNoSkipsNotepadAndRestartNoticeEndsTheWizard) {
    HWND backdrop = MakeBackdrop();
    Session.backdrop = backdrop;
    Session.currentStep = StepShortcuts;
    std::string question, notice;
    uint32_t stepAtQuestion = 0, stepAtNotice = 0;
    bool notepadSeen = false;
    std::thread driver([&] {
        HWND box = WaitForWindowOf("#32770", backdrop, false, "the read-me question");
        question = WindowText(GetDlgItem(box, 0xFFFF));
        stepAtQuestion = Session.currentStep;
        PostMessageA(box, WM_COMMAND, IDNO, 0);
        if (!WaitUntil([&] { return !IsWindow(box); }, SettleTimeoutMs)) Watchdog("the end of the read-me question");
        box = WaitForWindowOf("#32770", backdrop, false, "the restart notice");
        notepadSeen = FindWindowOf("Notepad", nullptr, true) != nullptr;
        notice = WindowText(GetDlgItem(box, 0xFFFF));
        stepAtNotice = Session.currentStep;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    RunFinish(backdrop);
    driver.join();
    Session.backdrop = nullptr;

    EXPECT_EQ(ReadMeQuestionText, question);
    EXPECT_EQ(StepReadMe, stepAtQuestion);
    EXPECT_EQ(RestartNoticeText, notice);
    EXPECT_EQ(StepFinished, stepAtNotice);
    EXPECT_FALSE(notepadSeen);
    EXPECT_FALSE(IsWindow(backdrop));
    EXPECT_TRUE(KeyExists(UninstallKey)) << "the installation was registered first";
}

TEST_F(FinishSequenceTest, AnsweringYesShowsRestartNoticeOnlyAfterNotepadCloses) {
    HWND backdrop = MakeBackdrop();
    Session.backdrop = backdrop;
    bool noticeWhileNotepadOpen = true;
    bool noticeAfterNotepad = false;
    std::thread driver([&] {
        HWND box = WaitForWindowOf("#32770", backdrop, false, "the read-me question");
        PostMessageA(box, WM_COMMAND, IDYES, 0);
        HWND notepad = WaitForWindowOf("Notepad", nullptr, true, "Notepad");
        WaitForReadMeInNotepad(notepad);
        noticeWhileNotepadOpen = !StaysAway([&] { return FindWindowOf("#32770", backdrop, false) != nullptr; }, 500);
        PostMessageA(notepad, WM_CLOSE, 0, 0);
        box = WaitForWindowOf("#32770", backdrop, false, "the restart notice");
        noticeAfterNotepad = WindowText(GetDlgItem(box, 0xFFFF)) == RestartNoticeText;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    RunFinish(backdrop);
    driver.join();
    Session.backdrop = nullptr;

    EXPECT_FALSE(noticeWhileNotepadOpen);
    EXPECT_TRUE(noticeAfterNotepad);
    EXPECT_FALSE(IsWindow(backdrop));
}

// The restart notice after Notepad must open above the backdrop it belongs to, which is a
// topmost window covering the screen, as the installer's own.
TEST_F(FinishSequenceTest, RestartNoticeAfterNotepadIsAboveTheRestoredBackdrop) {
    HWND backdrop = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "backdrop", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                    0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
    Session.backdrop = backdrop;
    HWND uppermost = nullptr;
    HWND notice = nullptr;
    std::thread driver([&] {
        HWND box = WaitForWindowOf("#32770", backdrop, false, "the read-me question");
        PostMessageA(box, WM_COMMAND, IDYES, 0);
        HWND notepad = WaitForWindowOf("Notepad", nullptr, true, "Notepad");
        WaitForReadMeInNotepad(notepad);
        PostMessageA(notepad, WM_CLOSE, 0, 0);
        notice = WaitForWindowOf("#32770", backdrop, false, "the restart notice");
        // The backdrop's restore may still be under way as the notice opens: the notice comes
        // out on top and stays there.
        WaitUntil([&] { return UppermostOfThisProcess() == notice; }, SettleTimeoutMs);
        StaysAway([&] { return UppermostOfThisProcess() != notice; }, 500);
        uppermost = UppermostOfThisProcess();
        PostMessageA(notice, WM_COMMAND, IDOK, 0);
    });
    RunFinish(backdrop);
    driver.join();
    Session.backdrop = nullptr;

    EXPECT_EQ(notice, uppermost);
}

}  // namespace
