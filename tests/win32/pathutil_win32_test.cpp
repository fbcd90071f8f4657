// The path and text helpers that call the system: a grouped number in a real label, and the
// existence tests on real files and folders, and on a drive that is not there.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "pathprobe.h"
#include "pathutil_win32.h"

namespace {

const int LabelId = 401;

// A window with one static label, as a page holds its byte counts.
class NumberLabel : public ::testing::Test {
protected:
    void SetUp() override {
        page = CreateWindowExA(0, "STATIC", "page", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(page, nullptr);
        label = CreateWindowExA(0, "STATIC", "unchanged", WS_CHILD | WS_VISIBLE, 0, 0, 150, 20, page,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(LabelId)), GetModuleHandleA(nullptr),
                                nullptr);
        ASSERT_NE(label, nullptr);
    }
    void TearDown() override {
        if (page) DestroyWindow(page);
    }

    std::string LabelText() {
        char text[64] = "";
        GetDlgItemTextA(page, LabelId, text, sizeof text);
        return text;
    }

    HWND page = nullptr;
    HWND label = nullptr;
};

// A fresh folder under the temporary folder, removed with what the test put in it.
class PathExistsOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
        folder = std::string(temp) + "porvane-pathutil-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override {
        DeleteFileA((folder + "\\note.txt").c_str());
        RemoveDirectoryA((folder + "\\Sub").c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string folder;
};

}  // namespace

TEST_F(NumberLabel, ShowsDigitsGroupedByCommas) {
    SetDlgItemNumber(page, LabelId, 0);
    EXPECT_EQ(LabelText(), "0");
    SetDlgItemNumber(page, LabelId, 999);
    EXPECT_EQ(LabelText(), "999");
    SetDlgItemNumber(page, LabelId, 1000);
    EXPECT_EQ(LabelText(), "1,000");
    SetDlgItemNumber(page, LabelId, 369475);
    EXPECT_EQ(LabelText(), "369,475");
    SetDlgItemNumber(page, LabelId, 4294967295u);
    EXPECT_EQ(LabelText(), "4,294,967,295");
}

TEST_F(NumberLabel, IgnoresTheThousandsSeparatorOfTheLocale) {
    // A user whose settings group digits with '.' still sees ','.
    char saved[8] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, saved, sizeof saved);
    ASSERT_TRUE(SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, "."));
    char now[8] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, now, sizeof now);
    SetDlgItemNumber(page, LabelId, 1234567);
    const std::string shown = LabelText();
    SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, saved);
    ASSERT_STREQ(now, ".");
    EXPECT_EQ(shown, "1,234,567");
}

TEST_F(NumberLabel, MissingControlChangesNothing) {
    SetDlgItemNumber(page, LabelId + 1, 5);
    EXPECT_EQ(LabelText(), "unchanged");
}

TEST_F(PathExistsOnDisk, IsTrueForAFileAndForAFolder) {
    const std::string file = folder + "\\note.txt";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    CloseHandle(handle);
    ASSERT_TRUE(CreateDirectoryA((folder + "\\Sub").c_str(), nullptr));

    EXPECT_TRUE(PathExists(file.c_str()));
    EXPECT_TRUE(PathExists((folder + "\\Sub").c_str()));
    EXPECT_TRUE(PathExists((folder + "\\Sub\\").c_str()));
    EXPECT_TRUE(PathExists(folder.c_str()));
    EXPECT_EQ(ProbePath(file.c_str()), PathPresent);
    EXPECT_EQ(ProbePath((folder + "\\Sub").c_str()), PathPresent);
}

TEST_F(PathExistsOnDisk, IsFalseForWhatIsNotThere) {
    EXPECT_FALSE(PathExists((folder + "\\missing.txt").c_str()));
    EXPECT_FALSE(PathExists((folder + "\\missing\\note.txt").c_str()));
    EXPECT_FALSE(PathExists((folder + "\\bad<name>.txt").c_str()));
    EXPECT_FALSE(PathExists(""));
    for (const char* missing : {"\\missing.txt", "\\missing\\deeper\\note.txt", "\\bad<name>.txt"}) {
        EXPECT_EQ(ProbePath((folder + missing).c_str()), PathAbsent) << missing;
    }
}

// A drive letter that leads nowhere answers "no such file" too: only a folder that is there may.
TEST_F(PathExistsOnDisk, NothingOnAMissingDriveOrShareCountsAsAbsent) {
    ASSERT_EQ(GetDriveTypeA("R:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "R: must not be mapped";
    for (const char* path : {"R:\\Apps\\Vantrel.exe", "R:\\Apps", "R:\\", "\\\\nowhere\\share\\Apps"}) {
        EXPECT_EQ(ProbePath(path), PathUnreachable) << path;
    }
}
