// The program location page, opened from its real template inside the test process: the default
// folder, the navigator's two views, the rules for the typed folder and the drawing of entries.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "../common/expected_texts.h"
#include "foldernavigator.h"
#include "manifest.h"
#include "pages.h"
#include "pagetest.h"
#include "reservedfolders.h"
#include "resource.h"
#include "shell.h"

namespace {

using pagetest::MessageBoxCatcher;

const char PublisherKey[] = "Software\\Quillfern Utilities";
const char DefaultFolder[] = "C:\\Quillfern Utilities\\Vantrel";
const char Scratch[] = "C:\\porvane-nav-test";
const char ShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::string Repeat(char c, size_t count) { return std::string(count, c); }

// Deletes a folder and everything below it.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Long paths are made through the \\?\ form, which has no 248-character folder limit.
void MakeFolder(const std::string& path) {
    const std::wstring wide = L"\\\\?\\" + std::wstring(path.begin(), path.end());
    ASSERT_TRUE(CreateDirectoryW(wide.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << path;
}

void MakeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    CloseHandle(file);
}

class LocationDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(boxes_.hooked());
        pagetest::PrepareSession();
        ZeroMemory(&Session.directories, sizeof Session.directories);
        ZeroMemory(&Navigator, sizeof Navigator);
        SaveRecordedFolder();
        RemoveTree(L"\\\\?\\C:\\porvane-nav-test");
        MakeFolder(Scratch);
    }

    void TearDown() override {
        if (page_ != nullptr) DestroyWindow(page_);
        pagetest::DrainMessages();
        RestoreRecordedFolder();
        if (documentsSize_ > 0) RegSetKeyValueA(HKEY_CURRENT_USER, ShellFoldersKey, "Personal", documentsType_,
                                                documents_, documentsSize_);
        RemoveTree(L"\\\\?\\C:\\porvane-nav-test");
    }

    // The folder an earlier installation recorded: a text, or none at all.
    void SetRecordedFolder(const char* folder) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, PublisherKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        if (folder == nullptr) {
            RegDeleteValueA(key, Manifest.product.productName);
        } else {
            RegSetValueExA(key, Manifest.product.productName, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                           lstrlenA(folder) + 1);
        }
        RegCloseKey(key);
    }

    // The user's Documents folder, as the shell reads it, until the test ends.
    void SetDocumentsFolder(const std::string& folder) {
        documentsSize_ = sizeof documents_;
        ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, ShellFoldersKey, "Personal", RRF_RT_ANY | RRF_NOEXPAND,
                               &documentsType_, documents_, &documentsSize_), ERROR_SUCCESS);
        RegSetKeyValueA(HKEY_CURRENT_USER, ShellFoldersKey, "Personal", REG_SZ, folder.c_str(), folder.size() + 1);
    }

    void Open() {
        page_ = CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_LOCATION), nullptr, LocationPageProc, 0);
        ASSERT_NE(page_, nullptr);
    }

    HWND List() const { return GetDlgItem(page_, IDC_FOLDER_LIST); }
    int Count() const { return static_cast<int>(SendMessageA(List(), LB_GETCOUNT, 0, 0)); }
    int Selected() const { return static_cast<int>(SendMessageA(List(), LB_GETCURSEL, 0, 0)); }

    std::string Entry(int index) const {
        char text[MAX_PATH + 1] = "";
        SendMessageA(List(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }
    NavEntryKind Kind(int index) const {
        return static_cast<NavEntryKind>(SendMessageA(List(), LB_GETITEMDATA, index, 0));
    }
    std::string EditText() const {
        char text[400] = "";
        GetDlgItemTextA(page_, IDC_FOLDER_EDIT, text, sizeof text);
        return text;
    }
    std::string Current() const { return Session.directories.paths[DirInstall]; }

    void DoubleClick(int index) {
        SendMessageA(List(), LB_SETCURSEL, index, 0);
        SendMessageA(page_, WM_COMMAND, MAKEWPARAM(IDC_FOLDER_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(List()));
    }
    void Press(int control) {
        SendMessageA(page_, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page_, control)));
    }
    int Accept(const std::string& typed) {
        SetDlgItemTextA(page_, IDC_FOLDER_EDIT, typed.c_str());
        return AcceptFolder(page_);
    }

    void ExpectEntry(int index, const std::string& text, NavEntryKind kind, int level) const {
        SCOPED_TRACE("entry " + std::to_string(index));
        EXPECT_EQ(Entry(index), text);
        EXPECT_EQ(Kind(index), kind);
        EXPECT_EQ(Navigator.levels[index], level);
    }

    MessageBoxCatcher boxes_;
    HWND page_ = nullptr;

private:
    void SaveRecordedFolder() {
        HKEY key;
        savedExists_ = false;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PublisherKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        DWORD size = sizeof saved_;
        savedExists_ = RegQueryValueExA(key, Manifest.product.productName, nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(saved_), &size) == ERROR_SUCCESS;
        saved_[sizeof saved_ - 1] = '\0';
        RegCloseKey(key);
    }
    void RestoreRecordedFolder() { SetRecordedFolder(savedExists_ ? saved_ : nullptr); }

    bool savedExists_ = false;
    char saved_[1024] = "";
    BYTE documents_[MAX_PATH] = {};
    DWORD documentsType_ = REG_SZ, documentsSize_ = 0;
};

// --- Opening and Reset Folder ---

TEST_F(LocationDialog, OpeningWithoutRecordedFolderShowsDefaultChain) {
    SetRecordedFolder(nullptr);
    Open();
    EXPECT_EQ(EditText(), DefaultFolder);
    EXPECT_EQ(Current(), DefaultFolder);
    EXPECT_EQ(Navigator.driveView, 0);
    ASSERT_GE(Count(), 4);
    ExpectEntry(0, Navigator.computerName, NavEntryKind::Computer, 0);
    ExpectEntry(1, "C:\\", NavEntryKind::Drive, 1);
    ExpectEntry(2, "C:\\Quillfern Utilities", NavEntryKind::Folder, 2);
    ExpectEntry(3, DefaultFolder, NavEntryKind::Folder, 3);
    EXPECT_EQ(Selected(), 3);
    EXPECT_EQ(Navigator.currentIndex, 3);
    EXPECT_STRNE(Navigator.computerName, "");
    if (GetFileAttributesA(DefaultFolder) == INVALID_FILE_ATTRIBUTES) {
        EXPECT_EQ(Count(), 4);
    }
    EXPECT_EQ(boxes_.count(), 0);
}

TEST_F(LocationDialog, OpeningPutsFocusOnContinueAndLimitsTheEditBox) {
    SetRecordedFolder(nullptr);
    Open();
    EXPECT_EQ(SendDlgItemMessageA(page_, IDC_FOLDER_EDIT, EM_GETLIMITTEXT, 0, 0), 259);
    char caption[100] = "";
    GetWindowTextA(page_, caption, sizeof caption);
    EXPECT_STREQ(caption, "Vantrel Program Location");
}

TEST_F(LocationDialog, RecordedFolderIsShownUnchanged) {
    SetRecordedFolder("D:\\Apps\\Older Tools");
    Open();
    EXPECT_EQ(EditText(), "D:\\Apps\\Older Tools");
    ASSERT_EQ(Count(), 4);
    ExpectEntry(1, "D:\\", NavEntryKind::Drive, 1);
    ExpectEntry(2, "D:\\Apps", NavEntryKind::Folder, 2);
    ExpectEntry(3, "D:\\Apps\\Older Tools", NavEntryKind::Folder, 3);
}

TEST_F(LocationDialog, RecordedFolderTooLongForTheInstallFolderGivesTheDefault) {
    const std::string tooLong = "D:\\" + Repeat('a', 253);  // 256 characters
    SetRecordedFolder(tooLong.c_str());
    Open();
    EXPECT_EQ(EditText(), DefaultFolder);
    EXPECT_EQ(Current(), DefaultFolder);
}

TEST_F(LocationDialog, RecordedFolderOfMaximumLengthIsShown) {
    const std::string longest = "D:\\" + Repeat('a', 252);  // 255 characters
    SetRecordedFolder(longest.c_str());
    Open();
    EXPECT_EQ(Current(), longest);
    EXPECT_EQ(EditText(), longest);
}

TEST_F(LocationDialog, EmptyRecordedFolderLeavesEditAndListEmpty) {
    SetRecordedFolder("");
    Open();
    EXPECT_EQ(EditText(), "");
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(Current(), "");
}

TEST_F(LocationDialog, RecordedFolderWithoutBackslashIsOneChainEntry) {
    SetRecordedFolder("Vantrel");
    Open();
    ASSERT_EQ(Count(), 2);
    ExpectEntry(1, "Vantrel", NavEntryKind::Folder, 1);
    EXPECT_EQ(Selected(), 1);
}

TEST_F(LocationDialog, ResetFolderWhileAtTheDefaultKeepsTheTypedText) {
    SetRecordedFolder(nullptr);
    Open();
    SetDlgItemTextA(page_, IDC_FOLDER_EDIT, "E:\\Typed");
    Press(IDC_RESET_FOLDER);
    EXPECT_EQ(EditText(), "E:\\Typed");
    EXPECT_EQ(Current(), DefaultFolder);
}

TEST_F(LocationDialog, ResetFolderReturnsFromTheDriveView) {
    SetRecordedFolder(nullptr);
    Open();
    DoubleClick(0);
    ASSERT_EQ(Navigator.driveView, 1);
    Press(IDC_RESET_FOLDER);
    EXPECT_EQ(Navigator.driveView, 0);
    EXPECT_EQ(EditText(), DefaultFolder);
    EXPECT_EQ(Entry(Selected()), DefaultFolder);
}

// --- Folder view ---

TEST_F(LocationDialog, FolderViewListsSubfoldersSortedOneLevelDeeper) {
    SetRecordedFolder(nullptr);
    MakeFolder(std::string(Scratch) + "\\beta");
    MakeFolder(std::string(Scratch) + "\\Alpha");
    MakeFolder(std::string(Scratch) + "\\.hidden");
    MakeFile(std::string(Scratch) + "\\file.txt");
    Open();
    ASSERT_TRUE(NavigateTo(page_, Scratch, false));
    ASSERT_EQ(Count(), 5);
    ExpectEntry(1, "C:\\", NavEntryKind::Drive, 1);
    ExpectEntry(2, Scratch, NavEntryKind::Folder, 2);
    ExpectEntry(3, std::string(Scratch) + "\\Alpha", NavEntryKind::Folder, 3);
    ExpectEntry(4, std::string(Scratch) + "\\beta", NavEntryKind::Folder, 3);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Navigator.currentIndex, 2);
}

TEST_F(LocationDialog, TrailingBackslashAddsNoChainEntry) {
    SetRecordedFolder(nullptr);
    MakeFolder(std::string(Scratch) + "\\inner");
    Open();
    ASSERT_TRUE(NavigateTo(page_, "C:\\porvane-nav-test\\", false));
    ASSERT_EQ(Count(), 4);
    ExpectEntry(2, "C:\\porvane-nav-test", NavEntryKind::Folder, 2);
    ExpectEntry(3, "C:\\porvane-nav-test\\inner", NavEntryKind::Folder, 3);
    EXPECT_EQ(Selected(), 2);
}

TEST_F(LocationDialog, DriveRootIsOneChainEntryFollowedByItsFolders) {
    SetRecordedFolder(nullptr);
    Open();
    ASSERT_TRUE(NavigateTo(page_, "C:\\", false));
    ASSERT_GE(Count(), 3);
    ExpectEntry(1, "C:\\", NavEntryKind::Drive, 1);
    EXPECT_EQ(Selected(), 1);
    bool sawScratch = false;
    for (int i = 2; i < Count(); ++i) {
        EXPECT_EQ(Navigator.levels[i], 2);
        EXPECT_EQ(Entry(i).rfind("C:\\", 0), 0u);
        if (Entry(i) == Scratch) sawScratch = true;
    }
    EXPECT_TRUE(sawScratch);
}

TEST_F(LocationDialog, FolderWithSixHundredSubfoldersFillsTheLevelTableExactly) {
    SetRecordedFolder(nullptr);
    for (int i = 0; i < 600; ++i) MakeFolder(std::string(Scratch) + "\\sub" + std::to_string(1000 + i));
    Open();
    ASSERT_TRUE(NavigateTo(page_, Scratch, false));
    ASSERT_EQ(Count(), NavigatorLevelCount);
    EXPECT_EQ(Navigator.levels[0], 0);
    EXPECT_EQ(Navigator.levels[2], 2);
    for (int i = 3; i < NavigatorLevelCount; ++i) ASSERT_EQ(Navigator.levels[i], 3) << i;
}

TEST_F(LocationDialog, SubfoldersThatTheInstallFolderCannotHoldAreNotListed) {
    SetRecordedFolder(nullptr);
    const std::string parent = std::string(Scratch) + "\\" + Repeat('p', 225);  // 245 characters
    ASSERT_EQ(parent.size(), 245u);
    MakeFolder(parent);
    MakeFolder(parent + "\\fits12345");   // 255 characters: the longest that fits
    MakeFolder(parent + "\\toolong123");  // 256 characters
    Open();
    ASSERT_TRUE(NavigateTo(page_, parent.c_str(), false));
    ASSERT_EQ(Count(), 5);
    ExpectEntry(4, parent + "\\fits12345", NavEntryKind::Folder, 4);
}

TEST_F(LocationDialog, NavigationToPathLongerThanTheInstallFolderChangesNothing) {
    SetRecordedFolder(nullptr);
    Open();
    const int count = Count();
    const std::string tooLong = "C:\\" + Repeat('x', 297);
    EXPECT_FALSE(NavigateTo(page_, tooLong.c_str(), false));
    EXPECT_EQ(Current(), DefaultFolder);
    EXPECT_EQ(EditText(), DefaultFolder);
    EXPECT_EQ(Count(), count);
}

// --- Double-clicks ---

TEST_F(LocationDialog, DoubleClickOnComputerShowsFixedDrivesSortedInUpperCase) {
    SetRecordedFolder(nullptr);
    Open();
    DoubleClick(0);
    EXPECT_EQ(Navigator.driveView, 1);
    EXPECT_EQ(EditText(), Navigator.computerName);
    EXPECT_EQ(Current(), Navigator.computerName);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Navigator.currentIndex, 0);
    ASSERT_GE(Count(), 2);
    ExpectEntry(0, Navigator.computerName, NavEntryKind::Computer, 0);
    bool sawC = false;
    for (int i = 1; i < Count(); ++i) {
        const std::string root = Entry(i);
        SCOPED_TRACE(root);
        EXPECT_EQ(Kind(i), NavEntryKind::Drive);
        EXPECT_EQ(Navigator.levels[i], 1);
        ASSERT_EQ(root.size(), 3u);
        EXPECT_TRUE(root[0] >= 'A' && root[0] <= 'Z');
        EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_FIXED));
        if (i > 1) {
            EXPECT_LT(Entry(i - 1), root);
        }
        if (root == "C:\\") sawC = true;
    }
    EXPECT_TRUE(sawC);
}

TEST_F(LocationDialog, DoubleClickOnComputerInDriveViewChangesNothing) {
    SetRecordedFolder(nullptr);
    Open();
    DoubleClick(0);
    const int count = Count();
    SetDlgItemTextA(page_, IDC_FOLDER_EDIT, "typed");
    DoubleClick(0);
    EXPECT_EQ(EditText(), "typed");
    EXPECT_EQ(Navigator.driveView, 1);
    EXPECT_EQ(Count(), count);
}

TEST_F(LocationDialog, DoubleClickOnCurrentFolderChangesNothing) {
    SetRecordedFolder(nullptr);
    Open();
    SetDlgItemTextA(page_, IDC_FOLDER_EDIT, "typed");
    DoubleClick(3);
    EXPECT_EQ(EditText(), "typed");
    EXPECT_EQ(Current(), DefaultFolder);
}

TEST_F(LocationDialog, DoubleClickOnDriveEntersItsRoot) {
    SetRecordedFolder(nullptr);
    Open();
    DoubleClick(0);
    const int c = static_cast<int>(SendMessageA(List(), LB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>("C:\\")));
    ASSERT_GT(c, 0);
    DoubleClick(c);
    EXPECT_EQ(Navigator.driveView, 0);
    EXPECT_EQ(Current(), "C:\\");
    EXPECT_EQ(Selected(), 1);
    ExpectEntry(1, "C:\\", NavEntryKind::Drive, 1);
}

TEST_F(LocationDialog, DoubleClickOnChainEntryGoesUpAndOnSubfolderGoesDown) {
    SetRecordedFolder(nullptr);
    MakeFolder(std::string(Scratch) + "\\inner");
    Open();
    ASSERT_TRUE(NavigateTo(page_, Scratch, false));
    DoubleClick(3);  // the subfolder
    EXPECT_EQ(Current(), std::string(Scratch) + "\\inner");
    EXPECT_EQ(Selected(), 3);
    DoubleClick(1);  // the drive root
    EXPECT_EQ(Current(), "C:\\");
    EXPECT_EQ(EditText(), "C:\\");
}

TEST_F(LocationDialog, DoubleClickWithoutSelectionDoesNothing) {
    SetRecordedFolder("");
    Open();
    ASSERT_EQ(Count(), 0);
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(IDC_FOLDER_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(List()));
    EXPECT_EQ(Current(), "");
    EXPECT_EQ(Count(), 0);

    ASSERT_TRUE(NavigateTo(page_, Scratch, false));
    SendMessageA(List(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(IDC_FOLDER_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(List()));
    EXPECT_EQ(Current(), Scratch);
}

// --- Continue ---

TEST_F(LocationDialog, RefusedTextsGiveTheirMessageAndKeepTheInstallFolder) {
    SetRecordedFolder(nullptr);
    const std::string documents = std::string(Scratch) + "\\Vantrel";
    MakeFolder(documents);
    SetDocumentsFolder(documents);
    Open();
    const struct {
        std::string typed;
        const char* format;
    } cases[] = {
        {"", PathEmptyFormat},      {"D:", MissingDriveFormat},       {"D", MissingDriveFormat},
        {"DD:\\Tools", MissingDriveFormat}, {"D:/Tools", MissingDriveFormat}, {"D:\\", RootDriveFormat},
        {"C:\\Vantrel\\..", RootDriveFormat}, {"D:\\a\\b\\..\\..\\.", RootDriveFormat}, {"D:\\Tools\\NUL", MissingDriveFormat},
        // A user's own Documents folder, named after the product (below it is fine).
        {documents, ReservedFolderFormat}, {documents + "\\Notes\\..", ReservedFolderFormat},
    };
    int shown = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(Accept(c.typed), -1);
        ASSERT_EQ(boxes_.count(), ++shown);
        EXPECT_EQ(boxes_.text(shown - 1), FilledText(c.format, PathInvalidText));
        EXPECT_EQ(Current(), DefaultFolder);
    }
    EXPECT_EQ(Accept(documents + "\\Notes"), 1);
}

TEST_F(LocationDialog, TextTooLongForTheInstallFolderIsRefused) {
    SetRecordedFolder(nullptr);
    Open();
    const std::string refused[] = {
        "D:\\" + Repeat('t', 245),              // 248 characters, 256 with "\\Vantrel"
        "D:\\" + Repeat('t', 246) + "Vantrel",  // 256 characters, holding the name already
        "D:\\" + Repeat('t', 300),              // longer than anyone can type into the box
    };
    for (const std::string& typed : refused) EXPECT_EQ(Accept(typed), -1);
    ASSERT_EQ(boxes_.count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(boxes_.text(i), FilledText(PathTooLongFormat, PathInvalidText));
    EXPECT_EQ(Current(), DefaultFolder);
}

TEST_F(LocationDialog, LongestTextHoldingTheNameIsAccepted) {
    SetRecordedFolder(nullptr);
    Open();
    const std::string typed = "D:\\" + Repeat('t', 245) + "Vantrel";  // 255 characters
    EXPECT_EQ(Accept(typed), 1);
    EXPECT_EQ(Current(), typed);
    EXPECT_EQ(boxes_.count(), 0);
}

TEST_F(LocationDialog, LongestTextThatFitsWithTheNameIsAccepted) {
    SetRecordedFolder(nullptr);
    Open();
    const std::string typed = "D:\\" + Repeat('t', 244);  // 247 + "\Vantrel" = 255
    EXPECT_EQ(Accept(typed), 1);
    EXPECT_EQ(Current(), typed + "\\Vantrel");
    EXPECT_EQ(boxes_.count(), 0);
}

// The product name is added once, to the text as the system resolves it, and the resolved folder
// is what the page shows and keeps.
TEST_F(LocationDialog, AcceptedTextIsResolvedAndGetsTheProductNameOnce) {
    SetRecordedFolder(nullptr);
    Open();
    const struct {
        const char* typed;
        const char* folder;
    } cases[] = {
        {"D:\\Tools", "D:\\Tools\\Vantrel"},           {"D:\\Tools\\", "D:\\Tools\\Vantrel"},
        {"1:\\x", "1:\\x\\Vantrel"},                   {"d:\\old vantrel files", "d:\\old vantrel files"},
        {"E:\\VANTREL", "E:\\VANTREL"},                 {"E:\\Vantre", "E:\\Vantre\\Vantrel"},
        {"C:\\Vantrel\\..\\Data", "C:\\Data\\Vantrel"},    {"D:\\Vantrel\\.\\Tools\\..\\", "D:\\Vantrel"},
        {"D:\\Tools\\\\Apps//x", "D:\\Tools\\Apps\\x\\Vantrel"}, {"D:\\Tools. \\Vantrel. .", "D:\\Tools\\Vantrel"},
        {"D:\\Tools\\...\\Vantrel", "D:\\Tools\\Vantrel"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Accept(c.typed), 1) << c.typed;
        EXPECT_EQ(Current(), c.folder) << c.typed;
        EXPECT_EQ(EditText(), c.folder) << c.typed;
    }
    EXPECT_EQ(boxes_.count(), 0);
}

TEST_F(LocationDialog, AcceptedFolderIsShownInEditBoxAndList) {
    SetRecordedFolder(nullptr);
    Open();
    EXPECT_EQ(Accept("D:\\Tools"), 1);
    EXPECT_EQ(EditText(), "D:\\Tools\\Vantrel");
    EXPECT_EQ(Navigator.driveView, 0);
    ASSERT_EQ(Count(), 4);
    ExpectEntry(3, "D:\\Tools\\Vantrel", NavEntryKind::Folder, 3);
    EXPECT_EQ(Selected(), 3);
}

// A folder that holds something, but no earlier installation, is left as it is by the copy: the
// user hears so first, and goes on with OK or stays with Cancel (the resolved folder shown). An
// empty folder, the recorded one (however written) and one holding the main program bring no box.
TEST_F(LocationDialog, FolderHoldingOtherFilesIsTakenAfterTheUsersOk) {
    const std::string data = std::string(Scratch) + "\\Data", folder = data + "\\Vantrel";
    const std::string recorded = std::string(Scratch) + "\\Vantrel\\Letters";
    SetRecordedFolder("c:\\PORVANE-nav-test\\x\\..\\vantrel\\");
    MakeFolder(data);
    MakeFolder(std::string(Scratch) + "\\Vantrel");
    MakeFolder(recorded);
    Open();
    MakeFolder(folder);
    EXPECT_EQ(Accept(data), 1);
    MakeFolder(folder + "\\Letters");
    boxes_.AnswerWith(IDCANCEL);
    EXPECT_EQ(Accept(folder + "\\Letters\\.."), -1);
    EXPECT_EQ(EditText(), folder);
    boxes_.AnswerWith(IDOK);
    EXPECT_EQ(Accept(data), 1);
    EXPECT_EQ(Accept(recorded + "\\.."), 1);
    MakeFile(folder + "\\Vantrel.exe");
    EXPECT_EQ(Accept(data), 1);
    ASSERT_EQ(boxes_.count(), 2);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(boxes_.text(i), OtherFilesText(folder));
}

TEST_F(LocationDialog, ContinueInDriveViewReportsMissingDrive) {
    SetRecordedFolder(nullptr);
    Open();
    DoubleClick(0);
    Press(IDC_CONTINUE);
    ASSERT_EQ(boxes_.count(), 1);
    EXPECT_EQ(boxes_.text(0), FilledText(MissingDriveFormat, PathInvalidText));
    EXPECT_EQ(Current(), Navigator.computerName);
    EXPECT_TRUE(IsWindowVisible(page_));
    EXPECT_EQ(GetFocus(), GetDlgItem(page_, IDC_FOLDER_EDIT));
}

TEST_F(LocationDialog, CancelShowsTheAbortNotice) {
    SetRecordedFolder(nullptr);
    Open();
    Press(IDC_CANCEL);
    ASSERT_EQ(boxes_.count(), 1);
    EXPECT_EQ(boxes_.text(0), AbortNoticeText);
}

// The folders of this Wine prefix's Windows and of its user "porvane", themselves only.
TEST(ReservedFolders, AreTheSystemsAndTheUsersOwnFoldersButNotWhatLiesBelowThem) {
    for (const char* folder : {"C:\\WINDOWS", "c:\\windows\\system32", "C:\\Program Files", "C:\\Program Files\\Common Files",
                               "C:\\users", "C:\\users\\Porvane", "C:\\users\\porvane\\Documents",
                               "C:\\users\\porvane\\Desktop", "C:\\users\\Public\\Documents", "C:\\users\\Public\\Desktop"}) {
        EXPECT_TRUE(IsReservedFolder(folder)) << folder;
        EXPECT_FALSE(IsReservedFolder((std::string(folder) + "\\Vantrel").c_str())) << folder;
    }
}

// --- Drawing ---

class NavigatorDrawing : public LocationDialog {
protected:
    enum { Width = 400, Height = 16 };
    const COLORREF Marker = RGB(1, 2, 3);

    void SetUp() override {
        LocationDialog::SetUp();
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = Width;
        info.bmiHeader.biHeight = -Height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels_), nullptr, 0);
        ASSERT_NE(bitmap_, nullptr);
        previous_ = SelectObject(dc_, bitmap_);
    }
    void TearDown() override {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        LocationDialog::TearDown();
    }

    // Draws list entry index over a row filled with the marker colour, in the list's own font.
    void Draw(int index, UINT state) {
        HBRUSH marker = CreateSolidBrush(Marker);
        RECT all = {0, 0, Width, Height};
        FillRect(dc_, &all, marker);
        DeleteObject(marker);
        SelectObject(dc_, reinterpret_cast<HFONT>(SendMessageA(List(), WM_GETFONT, 0, 0)));
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_LISTBOX;
        item.CtlID = IDC_FOLDER_LIST;
        item.itemID = static_cast<UINT>(index);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = List();
        item.hDC = dc_;
        item.rcItem = all;
        item.itemData = index >= 0 ? static_cast<ULONG_PTR>(SendMessageA(List(), LB_GETITEMDATA, index, 0)) : 0;
        EXPECT_TRUE(DrawNavigatorEntry(&item));
        GdiFlush();
    }
    COLORREF Pixel(int x, int y) const {
        const DWORD p = pixels_[y * Width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int TextWidth(const char* text) {
        SIZE size = {};
        GetTextExtentPointA(dc_, text, lstrlenA(text), &size);
        return size.cx;
    }
    bool IconAreaPainted(int x) const {
        for (int y = 0; y < 16; ++y)
            for (int i = x; i < x + 16; ++i)
                if (Pixel(i, y) != Marker) return true;
        return false;
    }

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    DWORD* pixels_ = nullptr;
};

TEST_F(NavigatorDrawing, MissingFolderIsDrawnWithItsLastComponentAndAnIcon) {
    SetRecordedFolder(nullptr);
    Open();
    ASSERT_TRUE(NavigateTo(page_, "C:\\porvane-nav-test\\Not Yet There", false));
    Draw(3, 0);
    const int x = 8 * 3 + 1;
    const int right = x + 18 + TextWidth("Not Yet There") + 5;
    EXPECT_EQ(Pixel(x + 18, 0), Session.colors.listBack);
    EXPECT_EQ(Pixel(right - 1, 0), Session.colors.listBack);
    EXPECT_EQ(Pixel(right, 0), Marker);
    EXPECT_EQ(Pixel(x + 17, 0), Marker);  // between icon and text: untouched
    EXPECT_EQ(Pixel(x - 1, 8), Marker);   // left of the icon: untouched
    EXPECT_TRUE(IconAreaPainted(x));
}

TEST_F(NavigatorDrawing, SelectedFocusedEntryUsesSelectionColoursAndFocusFrame) {
    SetRecordedFolder(nullptr);
    Open();
    ASSERT_TRUE(NavigateTo(page_, Scratch, false));
    Draw(2, ODS_SELECTED | ODS_FOCUS);
    const int x = 8 * 2 + 1;
    const int right = x + 18 + TextWidth("porvane-nav-test") + 5;
    EXPECT_EQ(Pixel(right - 2, 5), Session.colors.listSelectedBack);  // padding after the text
    EXPECT_EQ(Pixel(right, 5), Marker);
    // The focus frame is a dotted line along the rectangle's edge.
    int framed = 0;
    for (int i = x + 18; i < right; ++i) framed += Pixel(i, 0) != Session.colors.listSelectedBack;
    EXPECT_GT(framed, 0);
}

TEST_F(NavigatorDrawing, ComputerEntryIsDrawnAtLevelZeroWithItsName) {
    SetRecordedFolder(nullptr);
    Open();
    Draw(0, 0);
    const int right = 1 + 18 + TextWidth(Navigator.computerName) + 5;
    EXPECT_EQ(Pixel(1 + 18, 0), Session.colors.listBack);
    EXPECT_EQ(Pixel(right - 1, 0), Session.colors.listBack);
    EXPECT_EQ(Pixel(right, 0), Marker);
}

TEST_F(NavigatorDrawing, RequestForNoEntryDrawsNothing) {
    SetRecordedFolder("");
    Open();
    Draw(-1, ODS_FOCUS);
    for (int x = 0; x < Width; ++x) ASSERT_EQ(Pixel(x, 0), Marker) << x;
}

}  // namespace
