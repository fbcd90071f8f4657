// Shared fixtures of the engine tests: a scratch tree on C:, a page window with the installing
// page's labels and a bar that counts its repaints, and the host helpers (a drive that fills up,
// folder symlinks).
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../common/host_command.h"
#include "copystep.h"
#include "installingpage.h"
#include "pagetest.h"
#include "shell.h"

namespace engine_test {

using pagetest::MessageBoxCatcher;
using pagetest::SeenBox;

// Every test works below this folder and removes it when done.
inline const char TestRoot[] = "C:\\porvane-engine-tests";

inline std::string Path(const std::string& relative) { return std::string(TestRoot) + "\\" + relative; }

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Removes a tree through the wide, \\?\-prefixed calls so that over-long names go too. Linked
// folders are left alone: under Wine, removing one removes the folder it points to. Tests that
// make links remove them with HostLink.
inline void RemoveTreeWide(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        (void)SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        (void)DeleteFileW(path.c_str());
        return;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return;
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name != L"." && name != L"..") RemoveTreeWide(path + L"\\" + name);
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    (void)SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    (void)RemoveDirectoryW(path.c_str());
}

inline std::wstring Widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    for (size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<unsigned char>(text[i]);
    return wide;
}

inline void RemoveTree(const std::string& path) { RemoveTreeWide(L"\\\\?\\" + Widen(path)); }

inline void MakeFolder(const std::string& path) { ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path; }

inline void WriteBytes(const std::string& path, const std::string& content,
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
    DWORD written = 0;
    const BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(ok && written == content.size()) << path;
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
}

inline std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing " + path + ">";
    std::string content;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) content.append(block, got);
    CloseHandle(file);
    return content;
}

inline uint64_t SizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return ~0ull;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

inline uint64_t Ticks(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct FileTimes {
    uint64_t creation;
    uint64_t access;
    uint64_t write;
};

inline FileTimes TimesOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    EXPECT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << path;
    return {Ticks(data.ftCreationTime), Ticks(data.ftLastAccessTime), Ticks(data.ftLastWriteTime)};
}

inline void SetTimes(const std::string& path, uint64_t ticks) {
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    ASSERT_TRUE(SetFileTime(file, &time, &time, &time));
    CloseHandle(file);
}

// Names in a folder (not . and ..), sorted.
inline std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((L"\\\\?\\" + Widen(folder) + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name;
        for (const wchar_t* c = found.cFileName; *c; ++c) name += static_cast<char>(*c);
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// A scratch tree for one test, removed before and after it.
class ScratchTree : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveTree(TestRoot);
        ASSERT_TRUE(CreateDirectoryA(TestRoot, nullptr));
    }
    void TearDown() override { RemoveTree(TestRoot); }
};

// A top-level dialog window with the installing page's labels (400-404) and a bar (405). Every
// text set on a label is recorded, and the bar's repaints are counted. One page at a time.
class TestPage {
public:
    TestPage() {
        current() = this;
        page_ = CreateWindowExA(0, "#32770", "Installing", WS_POPUP | WS_CAPTION | WS_VISIBLE, 300, 200,
                                420, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        for (int id = FirstLabel; id <= Bar; ++id) {
            HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | (id == Bar ? SS_SUNKEN : 0), 10,
                                           10 + 20 * (id - FirstLabel), 380, 18, page_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
            previous_[id - FirstLabel] = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProc)));
        }
        UpdateWindow(page_);
        Drain();
        paints_ = 0;
        for (auto& texts : texts_) texts.clear();
    }
    ~TestPage() {
        for (int id = FirstLabel; id <= Bar; ++id) {
            SetWindowLongPtrA(GetDlgItem(page_, id), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_[id - FirstLabel]));
        }
        DestroyWindow(page_);
        current() = nullptr;
    }
    TestPage(const TestPage&) = delete;
    TestPage& operator=(const TestPage&) = delete;

    HWND window() const { return page_; }
    HWND bar() const { return GetDlgItem(page_, Bar); }
    // The installing page's own report, into this page's labels and bar, without its timed pauses:
    // the pacing is the installing page's subject, tested there.
    CopyReport report() const {
        CopyReport report = InstallingPageReport(page_);
        report.pause = [](void*, uint32_t) {};
        return report;
    }
    int barPaints() const { return paints_; }

    std::string Label(int id) const {
        char text[300] = "";
        GetDlgItemTextA(page_, id, text, sizeof text);
        return text;
    }
    // Every text set on a label since the page was made, in order.
    const std::vector<std::string>& LabelHistory(int id) const { return texts_[id - FirstLabel]; }

    // Dispatches what is queued, so that later paints are the engine's own.
    void Drain() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

private:
    enum { FirstLabel = 400, Bar = 405, ControlCount = Bar - FirstLabel + 1 };

    static TestPage*& current() {
        static TestPage* page = nullptr;
        return page;
    }
    static LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        TestPage* self = current();
        const int index = GetDlgCtrlID(window) - FirstLabel;
        if (message == WM_PAINT && index == Bar - FirstLabel) ++self->paints_;
        if (message == WM_SETTEXT && lParam != 0) self->texts_[index].push_back(reinterpret_cast<const char*>(lParam));
        return CallWindowProcA(self->previous_[index], window, message, wParam, lParam);
    }

    HWND page_ = nullptr;
    WNDPROC previous_[ControlCount] = {};
    std::vector<std::string> texts_[ControlCount];
    int paints_ = 0;
};

// Runs a command of engine_hostfs.sh on the host and waits for its status file.
inline std::string HostCommand(const std::string& arguments) {
    return RunHostScript(BesideSource(__FILE__, "engine_hostfs.sh"), arguments, "porvane-engine-hostfs.status");
}

// A host symlink below C: (a reparse point to Wine), removed again on the host side.
class HostLink {
public:
    // Paths relative to C:, with '/' separators.
    HostLink(const std::string& target, const std::string& link) : link_(link) {
        status_ = HostCommand("symlink " + target + " " + link);
    }
    ~HostLink() { (void)HostCommand("unlink " + link_); }
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;
    const std::string& status() const { return status_; }

private:
    std::string link_;
    std::string status_;
};

// Puts the directory table and the meter back to a known state; tests fill what they use.
inline void ResetSession(HWND bar = nullptr) {
    if (Session.journal.file != nullptr) CloseHandle(Session.journal.file);
    ZeroMemory(&Session.journal, sizeof Session.journal);
    ZeroMemory(&Session.directories, sizeof Session.directories);
    ZeroMemory(&Session.progress, sizeof Session.progress);
    ZeroMemory(Session.groupName, sizeof Session.groupName);
    Session.progress.bar = bar;
}

inline void SetDirectory(int slot, const std::string& path) {
    ASSERT_LT(path.size(), sizeof Session.directories.paths[slot]);
    strcpy(Session.directories.paths[slot], path.c_str());
}

// Session.journal as the copy step begins it, for the calls that record into it.
inline void BeginScratchJournal() { ASSERT_TRUE(BeginJournal(Session.journal, Path("run.journal").c_str())); }

// Ends Session.journal as the wizard does: committed after a completed run, undone otherwise.
inline void EndJournal(bool completed) {
    char stuck[MAX_PATH] = "";
    if (completed) CommitJournal(Session.journal);
    else EXPECT_NE(RollBackJournal(Session.journal, stuck, sizeof stuck), JournalStuck) << stuck;
}

}  // namespace engine_test
