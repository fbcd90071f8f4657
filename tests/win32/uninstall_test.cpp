// The uninstaller under Wine: a real installation made with the engine's own functions (copy
// step, program group and links, registration), then the removal, and exactly what is left. Also
// the decisions behind it (accepted paths, links, empty keys) and the helper that deletes the
// uninstaller's own file after it has ended.
#include <windows.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "copystep.h"
#include "shortcuts.h"
#include "../e2e/driver.h"
#include "engine_fixture.h"
#include "../common/expected_texts.h"
#include "installmarks.h"
#include "pathutil.h"
#include "registration.h"
#include "selfremoval.h"
#include "shell.h"
#include "shortcuts.h"
#include "uninstall.h"

using namespace engine_test;

namespace {

const char PublisherKey[] = "Software\\Quillfern Utilities";
const char ProgramsKey[] = "Software\\Quillfern Utilities\\Programs";
const char VersionKey[] = "Software\\Quillfern Utilities\\Programs\\Vantrel\\Current Version";
const char UninstallEntry[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
const char FileSystemKey[] = "System\\CurrentControlSet\\Control\\FileSystem";
const char LowDiskValue[] = "DisableLowDiskSpaceBroadcast";

// This program carries the uninstaller's list as its resource (written by the packer), read before any test
// as the uninstaller reads it before anything else.
const bool ListLoaded = LoadInstalled() || (fputs("no readable INSTALLED resource\n", stderr), abort(), false);

bool HasValue(const char* keyPath, const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    const bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

void SetText(const char* keyPath, const char* name, const std::string& text, DWORD type = REG_SZ) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.data()),
                             static_cast<DWORD>(text.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void MakeKey(const char* keyPath) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void RemoveProductKeys() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, PublisherKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, PublisherKey);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, UninstallEntry);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallEntry);
}

void Fill(char (&slot)[UninstallPathSize], const std::string& text) {
    ASSERT_LT(text.size(), sizeof slot);
    strcpy(slot, text.c_str());
}

std::string SelfPath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

std::vector<std::string> ReportLines(const UninstallReport& report) {
    std::vector<std::string> lines;
    std::string text(report.text, report.length);
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find("\r\n", at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

// Registration also writes the file-system setting when that key exists: it is put back as found.
class LowDiskValueGuard {
public:
    LowDiskValueGuard() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, FileSystemKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
        keyFound_ = true;
        DWORD size = sizeof value_;
        valueFound_ = RegQueryValueExA(key, LowDiskValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&value_), &size) ==
                      ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~LowDiskValueGuard() {
        HKEY key;
        if (!keyFound_ || RegOpenKeyExA(HKEY_LOCAL_MACHINE, FileSystemKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
            return;
        }
        if (valueFound_) {
            RegSetValueExA(key, LowDiskValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value_), sizeof value_);
        } else {
            RegDeleteValueA(key, LowDiskValue);
        }
        RegCloseKey(key);
    }

private:
    bool keyFound_ = false;
    bool valueFound_ = false;
    DWORD value_ = 0;
};

// A scratch tree with a Windows folder, a Programs folder and an install folder, and the
// product's registry keys removed before and after each test.
class UninstallTest : public ScratchTree {
protected:
    void SetUp() override {
        ScratchTree::SetUp();
        RemoveProductKeys();
        lowDisk = std::make_unique<LowDiskValueGuard>();
        page = std::make_unique<TestPage>();
        ResetSession(page->bar());
        MakeFolder(windowsFolder);
        MakeFolder(programsFolder);
        SetDirectory(DirWindows, windowsFolder);
        SetDirectory(DirPrograms, programsFolder);
        SetDirectory(DirInstall, installFolder);
        strcpy(Session.groupName, "Vantrel");
    }
    void TearDown() override {
        page.reset();
        RemoveProductKeys();
        lowDisk.reset();
        ScratchTree::TearDown();
    }

    // What the pages do: the copy step, the group and its links, then the registration.
    void Install() {
        {
            MessageBoxCatcher catcher;
            ASSERT_EQ(CopyAllFiles(page->report(), Session.directories, Session.progress, Session.journal), 1);
            ASSERT_TRUE(catcher.Stop().empty());
        }
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        (void)CreateProgramGroup(Session.directories, Session.groupName, Session.journal);
        for (int row = 0; row < Manifest.shortcutCount; ++row)
            CreateShortcut(Session.directories, Manifest.files[row], Session.groupName, Session.journal);
        CoUninitialize();
        RegisterInstallation(Session.directories, Session.groupName, Session.journal);
        EndJournal(true);
        std::string group = programsFolder + "\\" + Session.groupName;
        if (group.back() == '\\') group.pop_back();
        ASSERT_EQ(ListFolder(group).size(), static_cast<size_t>(Manifest.shortcutCount));
        ASSERT_EQ(ListFolder(Session.directories.paths[DirInstall]).size(), InstallFolderFileCount());
    }

    // The plan as the uninstaller makes it, with the scratch tree's folders for the system's. The
    // uninstaller runs from a copy of the installed one, so its row goes by its bytes alone.
    void ReadPlan() {
        ASSERT_TRUE(ReadUninstallEntry(Installed, plan));
        Fill(plan.windowsFolder, windowsFolder);
        Fill(plan.programsFolder, programsFolder);
        ASSERT_TRUE(CopyFileA((windowsFolder + "\\Tolvangr.exe").c_str(), Path("Tolvangr.exe").c_str(), FALSE));
        Fill(plan.self, Path("Tolvangr.exe"));
        Fill(plan.keptFolders[0], windowsFolder);
        Fill(plan.keptFolders[1], programsFolder);
        plan.keptFolderCount = 2;
    }

    void Uninstall() {
        report = UninstallReport();
        RunUninstall(Installed, plan, report);
    }

    // A recorded folder other than the installed one: the links into the installed one are not
    // provably the product's, and stay with the group; only the uninstaller's own link goes.
    void ExpectFirstLineAndLinksIntoTheFolderKept(const std::string& firstLine) {
        const std::vector<std::string> lines = ReportLines(report);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], firstLine);
        EXPECT_EQ(ListFolder(groupFolder).size(), static_cast<size_t>(Manifest.shortcutCount - 1));
    }

    const std::string windowsFolder = Path("Windows");
    const std::string programsFolder = Path("Programs");
    const std::string installFolder = Path("Apps\\Vantrel");
    const std::string groupFolder = Path("Programs\\Vantrel");
    std::unique_ptr<LowDiskValueGuard> lowDisk;
    std::unique_ptr<TestPage> page;
    UninstallPlan plan = {};
    UninstallReport report = {};
};

// ---------------------------------------------------------------------------------------------
// After a real installation

TEST_F(UninstallTest, RemovesEveryFileLinkFolderAndRecordOfTheInstallation) {
    Install();
    ReadPlan();
    EXPECT_EQ(std::string(plan.installFolder), installFolder);
    EXPECT_EQ(std::string(plan.groupName), "Vantrel");

    Uninstall();

    EXPECT_EQ(report.items, 0) << report.text;
    EXPECT_FALSE(report.selfPending);
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
    EXPECT_FALSE(Exists(installFolder));
    EXPECT_FALSE(Exists(Path("Apps")));  // the empty parent goes too
    EXPECT_FALSE(Exists(groupFolder));
    EXPECT_TRUE(IsFolder(programsFolder));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, PublisherKey));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
}

TEST_F(UninstallTest, KeepsKeyDatAndLogFilesChangedProductFilesAndEveryFileItDidNotInstall) {
    Install();
    WriteBytes(installFolder + "\\Vantrel.KEY", "licence");
    WriteBytes(installFolder + "\\notes.dat", "the user's notes");
    WriteBytes(installFolder + "\\session.Log", "log");
    WriteBytes(installFolder + "\\letter.txt", "the user's letter");
    MakeFolder(installFolder + "\\Backup");
    WriteBytes(installFolder + "\\Backup\\Vantrel.exe", "the user's copy");
    WriteBytes(installFolder + "\\Order.txt", "the user's order");
    ReadPlan();
    WriteBytes(windowsFolder + "\\Tolvangr.exe", std::string(Installed.files[UninstallerRow].fileSize, 'u'));

    Uninstall();

    EXPECT_EQ(ListFolder(installFolder), (std::vector<std::string>{"Backup", "Order.txt", "Vantrel.KEY", "letter.txt",
                                                                   "notes.dat", "session.Log"}));
    EXPECT_EQ(ReadBytes(installFolder + "\\Backup\\Vantrel.exe"), "the user's copy");
    EXPECT_EQ(ReadBytes(installFolder + "\\notes.dat"), "the user's notes");
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{"Tolvangr.exe"});
    const std::string changed = ": changed since installation, kept";
    EXPECT_EQ(ReportLines(report), (std::vector<std::string>{windowsFolder + "\\Tolvangr.exe" + changed,
                                                             installFolder + "\\Order.txt" + changed,
                                                             installFolder + ": kept, it still holds other files"}));
    EXPECT_FALSE(Exists(groupFolder));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
}

// Another product installed into the same group replaced two links of the same names.
TEST_F(UninstallTest, RemovesOnlyItsOwnLinksFromAGroupThatHoldsOthers) {
    Install();
    WriteBytes(groupFolder + "\\Other.lnk", "someone else's link");
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_TRUE(CreateShellLink(Path("Brindle\\Help.exe").c_str(), installFolder.c_str(),
                                (groupFolder + "\\Help.lnk").c_str(), "Help"));
    CoUninitialize();
    WriteBytes(groupFolder + "\\Update.lnk", "not a link at all");
    ReadPlan();

    Uninstall();

    EXPECT_EQ(ListFolder(groupFolder), (std::vector<std::string>{"Help.lnk", "Other.lnk", "Update.lnk"}));
    const std::string kept = ": not this installation's link, kept";
    EXPECT_EQ(ReportLines(report), (std::vector<std::string>{groupFolder + "\\Update.lnk" + kept,
                                                             groupFolder + "\\Help.lnk" + kept,
                                                             groupFolder + ": kept, it still holds other files"}));
}

TEST_F(UninstallTest, RemovesANestedGroupButNotItsParent) {
    MakeFolder(programsFolder + "\\Quillfern");
    strcpy(Session.groupName, "Quillfern\\Vantrel\\");
    Install();
    ReadPlan();

    Uninstall();

    EXPECT_EQ(report.items, 0) << report.text;
    EXPECT_EQ(ListFolder(programsFolder + "\\Quillfern"), std::vector<std::string>{});
    EXPECT_TRUE(IsFolder(programsFolder + "\\Quillfern"));
}

TEST_F(UninstallTest, KeepsRegistryKeysThatStillHoldSomethingElse) {
    Install();
    SetText(PublisherKey, "Plendix", "C:\\Apps\\Plendix");
    MakeKey("Software\\Quillfern Utilities\\Programs\\Plendix\\Current Version");
    ReadPlan();

    Uninstall();

    EXPECT_EQ(report.items, 0) << report.text;
    EXPECT_FALSE(HasValue(PublisherKey, "Vantrel"));
    EXPECT_TRUE(HasValue(PublisherKey, "Plendix"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\Quillfern Utilities\\Programs\\Vantrel"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\Quillfern Utilities\\Programs\\Plendix\\Current Version"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
}

TEST_F(UninstallTest, KeepsTheVersionKeyAndTheEntryWhileTheyHoldValuesOfSomeoneElse) {
    Install();
    SetText(VersionKey, "Build", "1187");
    SetText(UninstallEntry, "EstimatedSize", "361");
    ReadPlan();

    Uninstall();

    EXPECT_TRUE(HasValue(VersionKey, "Build"));
    EXPECT_FALSE(HasValue(VersionKey, "Program Version"));
    EXPECT_TRUE(HasValue(UninstallEntry, "EstimatedSize"));
    EXPECT_FALSE(HasValue(UninstallEntry, "DisplayName"));
    EXPECT_FALSE(HasValue(UninstallEntry, "UninstallString"));
    EXPECT_EQ(ReportLines(report),
              (std::vector<std::string>{
                  std::string("HKEY_LOCAL_MACHINE\\") + VersionKey + ": kept, it still holds other values",
                  std::string("HKEY_LOCAL_MACHINE\\") + UninstallEntry + ": kept, it still holds other values"}));
}

TEST_F(UninstallTest, ReportsAFileInUseAndRemovesTheRest) {
    Install();
    const std::string program = installFolder + "\\Vantrel.exe";
    HANDLE held = CreateFileA(program.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ReadPlan();

    Uninstall();
    CloseHandle(held);

    EXPECT_EQ(ListFolder(installFolder), std::vector<std::string>{"Vantrel.exe"});
    EXPECT_EQ(ReportLines(report), (std::vector<std::string>{program + ": could not be deleted (it may be in use)",
                                                             installFolder + ": kept, it still holds other files"}));
    EXPECT_FALSE(Exists(groupFolder));
}

TEST_F(UninstallTest, NeverDescendsThroughALinkedInstallFolder) {
    SetDirectory(DirInstall, Path("Real\\Vantrel"));
    Install();
    HostLink link("porvane-engine-tests/Real", "porvane-engine-tests/Apps");
    ASSERT_EQ(link.status(), "ok");
    ASSERT_TRUE(Exists(installFolder + "\\Vantrel.exe"));  // the same files, reached through the link
    SetText(UninstallEntry, "Program Path", installFolder + '\0');
    ReadPlan();

    Uninstall();

    EXPECT_EQ(ListFolder(Path("Real\\Vantrel")).size(), InstallFolderFileCount());
    ExpectFirstLineAndLinksIntoTheFolderKept(installFolder + ": left alone, it is reached through a link");
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
}

TEST_F(UninstallTest, NeverFollowsARecordedPathThatIsNotAFolderOnADrive) {
    Install();
    const std::string wandering = Path("Elsewhere\\..\\Apps\\Vantrel");
    SetText(UninstallEntry, "Program Path", wandering + '\0');
    ReadPlan();

    Uninstall();

    EXPECT_EQ(ListFolder(installFolder).size(), InstallFolderFileCount());
    ExpectFirstLineAndLinksIntoTheFolderKept(wandering + ": left alone, it is not a folder on a drive");
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
}

// Moved by the user, or on a drive that is not there: nothing is removed, and the entry stays. A
// folder that an earlier, stopped removal took is no reason to stop.
TEST_F(UninstallTest, ChangesNothingWhenTheInstallFolderCannotBeFound) {
    Install();
    ReadPlan();
    ASSERT_TRUE(MoveFileA(installFolder.c_str(), Path("Apps\\Moved").c_str()));
    const std::vector<std::string> group = ListFolder(groupFolder);
    for (const std::string& recorded : {installFolder, std::string("R:\\Apps\\Vantrel")}) {
        Fill(plan.installFolder, recorded);
        Uninstall();
        EXPECT_TRUE(report.folderMissing);
        const std::vector<std::string> lines = ReportLines(report);
        EXPECT_EQ(lines.size(), InstallFolderFileCount());
        EXPECT_EQ(lines[0], recorded + "\\" + Installed.files[1].fileName + ": not removed, its folder cannot be found");
        EXPECT_EQ(ListFolder(groupFolder), group);
        EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{"Tolvangr.exe"});
        EXPECT_TRUE(HasValue(UninstallEntry, "Program Path"));
    }
    // The real uninstaller says so, and ends with its own code.
    ChildProgram child;
    std::string said, why;
    DWORD exitCode = 0;
    ASSERT_TRUE(StartProgram((windowsFolder + "\\Tolvangr.exe").c_str(), &child, &why)) << why;
    for (int box = 0; box < 2; ++box) {  // the question, then the closing message
        HWND shown = WaitForMessageBox(child.processId, nullptr, PORVANE_CAPTION, 15000);
        said = shown ? MessageBoxText(shown) : "no message";
        if (shown) AnswerMessageBox(shown, box == 0 ? IDYES : IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(shown); }, 15000));
    }
    EXPECT_TRUE(WaitForExit(&child, 15000, &exitCode));
    EndProgram(&child);
    const char* const args[] = {"Vantrel", installFolder.c_str(), "Vantrel"};
    char expected[1024];
    ASSERT_TRUE(FormatText(expected, sizeof expected, FolderMissingFormat, args, 3));
    EXPECT_EQ(said.substr(0, strlen(expected)), expected);
    EXPECT_EQ(exitCode, 5u);
    EXPECT_TRUE(HasValue(UninstallEntry, "Program Path"));
    // The mark of a removal that began in the folder, and took it before it was stopped.
    Fill(plan.installFolder, installFolder);
    SetText(UninstallEntry, "Removal Begun", std::string("\1\0\0\0", 4), REG_DWORD);
    Uninstall();
    EXPECT_FALSE(report.folderMissing);
    EXPECT_FALSE(Exists(groupFolder));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
}

TEST_F(UninstallTest, LeavesItsOwnRunningFileForAfterItHasEnded) {
    Install();
    ReadPlan();
    Fill(plan.self, windowsFolder + "\\Tolvangr.exe");

    Uninstall();

    EXPECT_TRUE(report.selfPending);
    EXPECT_EQ(report.items, 0) << report.text;
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{"Tolvangr.exe"});
}

TEST_F(UninstallTest, NeverRemovesAnEmptySystemFolderAboveTheInstallFolder) {
    Install();
    ReadPlan();
    Fill(plan.keptFolders[plan.keptFolderCount++], Path("Apps"));

    Uninstall();

    EXPECT_FALSE(Exists(installFolder));
    EXPECT_TRUE(IsFolder(Path("Apps")));
    EXPECT_EQ(report.items, 0) << report.text;
}

TEST_F(UninstallTest, SaysWhatIsNotRecordedAndStillRemovesTheRest) {
    Install();
    HKEY entry;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallEntry, 0, KEY_SET_VALUE, &entry), ERROR_SUCCESS);
    RegDeleteValueA(entry, "Program Path");
    RegDeleteValueA(entry, "Program Group");
    RegCloseKey(entry);
    ReadPlan();

    Uninstall();

    EXPECT_EQ(ReportLines(report),
              (std::vector<std::string>{"The program folder: not recorded; the files in it were left alone",
                                        "The program group: not recorded; its links were left alone"}));
    EXPECT_EQ(ListFolder(installFolder).size(), InstallFolderFileCount());
    EXPECT_EQ(ListFolder(windowsFolder), std::vector<std::string>{});
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallEntry));
}

// The installed uninstaller as the system's program list starts it, while an installer holds its
// mutex or an unfinished installation's journal (even one held shut) is in the real Windows
// folder: it says so instead of asking, and ends with code 4 having changed nothing.
TEST_F(UninstallTest, ChangesNothingWhileAnInstallationRunsOrIsUnfinished) {
    Install();
    const std::vector<std::string> installed = ListFolder(installFolder);
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    const std::string journal = std::string(windows) + "\\" + FilledText(JournalFileNameFormat, Installed.productName);
    ASSERT_FALSE(Exists(journal));
    const char* const names[] = {Installed.productName, Installed.productName};
    char expected[512];
    ASSERT_TRUE(FormatText(expected, sizeof expected, InstallationUnderwayFormat, names, 2));
    for (int mark = 0; mark < 3; ++mark) {  // a journal, a journal held shut, the installer's mutex
        if (mark < 2) WriteBytes(journal, "Porvane installation journal 1\r\n");
        HANDLE held = mark == 1 ? CreateFileA(journal.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                      : mark == 2 ? CreateMutexA(nullptr, FALSE, FilledText(InstallerMutexNameFormat, names[0]).c_str())
                                  : nullptr;
        ChildProgram child;
        std::string said;
        DWORD exitCode = 0;
        if (StartProgram((windowsFolder + "\\Tolvangr.exe").c_str(), &child, &said)) {
            HWND box = WaitForMessageBox(child.processId, nullptr, PORVANE_CAPTION, 15000);
            said = box ? MessageBoxText(box) : "no message";
            if (box) AnswerMessageBox(box, IDOK);
            (void)WaitForExit(&child, 15000, &exitCode);  // ended by its handle when it does not
            EndProgram(&child);
        }
        if (held != nullptr && held != INVALID_HANDLE_VALUE) CloseHandle(held);
        DeleteFileA(journal.c_str());
        EXPECT_EQ(said, expected) << mark;
        EXPECT_EQ(exitCode, 4u) << mark;
    }
    EXPECT_EQ(ListFolder(installFolder), installed);
    EXPECT_TRUE(HasValue(UninstallEntry, "Program Path"));
}

// ---------------------------------------------------------------------------------------------
// The recorded entry

TEST_F(UninstallTest, FindsNoEntryWhenTheProductIsNotInstalled) {
    Fill(plan.installFolder, "left over");
    EXPECT_FALSE(ReadUninstallEntry(Installed, plan));
    EXPECT_EQ(std::string(plan.installFolder), "");
}

TEST_F(UninstallTest, ReadsAValueTooLongForAPathOrOfAnotherTypeAsEmpty) {
    SetText(UninstallEntry, "Program Path", std::string(300, 'a') + '\0');
    SetText(UninstallEntry, "Program Group", std::string("Vantrel") + '\0', REG_EXPAND_SZ);
    EXPECT_TRUE(ReadUninstallEntry(Installed, plan));
    EXPECT_EQ(std::string(plan.installFolder), "");
    EXPECT_EQ(std::string(plan.groupName), "");

    SetText(UninstallEntry, "Program Path", std::string(259, 'a') + '\0');
    SetText(UninstallEntry, "Program Group", std::string("Vantrel") + '\0');
    EXPECT_TRUE(ReadUninstallEntry(Installed, plan));
    EXPECT_EQ(std::string(plan.installFolder), std::string(259, 'a'));
    EXPECT_EQ(std::string(plan.groupName), "Vantrel");
}

// The uninstaller's list comes from the same description as the manifest.
TEST(InstalledList, NamesTheManifestsFilesFoldersAndShortcuts) {
    EXPECT_STREQ(Installed.productName, Manifest.product.productName);
    ASSERT_EQ(Installed.fileCount, Manifest.fileCount);
    for (int row = 0; row < Manifest.fileCount; ++row) {
        EXPECT_STREQ(Installed.files[row].fileName, Manifest.files[row].fileName);
        EXPECT_EQ(Installed.files[row].inWindowsFolder, (Manifest.files[row].flags & FILE_TO_WINDOWS_FOLDER) != 0);
    }
    ASSERT_EQ(Installed.shortcutCount, Manifest.shortcutCount);
    for (int row = 0; row < Manifest.shortcutCount; ++row) {
        EXPECT_STREQ(Installed.shortcutNames[row], Manifest.files[row].shortcutName);
    }
    EXPECT_STREQ(Installed.publisherKey, PublisherKey);
    EXPECT_STREQ(Installed.versionKey, VersionKey);
}

// ---------------------------------------------------------------------------------------------
// Decisions

TEST(UninstallDecisions, AcceptsOnlyFoldersOnADriveAsInstallFolders) {
    for (const char* accepted : {"C:\\Apps\\Vantrel", "C:\\Apps\\Vantrel\\", "d:\\Vantrel", "Z:\\a b\\c.d\\e"}) {
        EXPECT_TRUE(IsAcceptableInstallFolder(accepted)) << accepted;
    }
    const std::string longest = "C:\\" + std::string(252, 'v');
    EXPECT_TRUE(IsAcceptableInstallFolder(longest.c_str()));
    const std::string overLong = longest + "v";
    const char* const refused[] = {
        "",  "C:\\",           "C:",           "C:Vantrel",        "Vantrel",          "Apps\\Vantrel",
        "\\Vantrel",           "\\\\server\\share\\Vantrel",       "\\\\?\\C:\\Vantrel", "\\\\.\\C:\\Vantrel",
        "1:\\Vantrel",         "C:\\Apps\\..\\Windows",            "C:\\Apps\\.\\Vantrel", "C:\\..",
        "C:\\Apps\\\\Vantrel", "C:\\Apps\\Vantrel\\\\",            "C:\\Apps/Vantrel", "C:\\Apps\\Van:trel",
        "C:\\Apps\\Vantrel.",  "C:\\Apps \\Vantrel",               "C:\\Apps\\Van\ttrel", "C:\\Apps\\Van*",
        overLong.c_str(),
    };
    for (const char* path : refused) EXPECT_FALSE(IsAcceptableInstallFolder(path)) << path;
}

TEST(UninstallDecisions, AcceptsOnlyPlainNamesBelowTheProgramsFolderAsGroups) {
    for (const char* accepted : {"Vantrel", "Vantrel\\", "Quillfern\\Vantrel", "Quillfern Vantrel 3.02"}) {
        EXPECT_TRUE(IsAcceptableGroupName(accepted)) << accepted;
    }
    const std::string longest(40, 'g');
    EXPECT_TRUE(IsAcceptableGroupName(longest.c_str()));
    const std::string overLong(41, 'g');
    const char* const refused[] = {"",   "\\",        "\\Vantrel", "..",          "..\\..\\Windows", "Quillfern\\..",
                                   ".",  "C:\\Apps",  "C:Apps",    "a\\\\b",      "Vantrel\\\\",     "\\\\server\\x",
                                   "a/b", overLong.c_str()};
    for (const char* name : refused) EXPECT_FALSE(IsAcceptableGroupName(name)) << name;
}

class UninstallFolderTest : public ScratchTree {};

TEST_F(UninstallFolderTest, FindsALinkAtAnyLevelFromTheFirstOneAsked) {
    MakeFolder(Path("Real"));
    MakeFolder(Path("Real\\Vantrel"));
    HostLink link("porvane-engine-tests/Real", "porvane-engine-tests/Apps");
    ASSERT_EQ(link.status(), "ok");
    const std::string throughLink = Path("Apps\\Vantrel");
    ASSERT_TRUE(IsFolder(throughLink));

    EXPECT_TRUE(HasLinkedLevel(throughLink.c_str(), 3));
    EXPECT_TRUE(HasLinkedLevel((throughLink + "\\").c_str(), 3));
    EXPECT_TRUE(HasLinkedLevel(Path("Apps").c_str(), strlen(TestRoot) + 1));
    EXPECT_FALSE(HasLinkedLevel(throughLink.c_str(), strlen(TestRoot) + 6));  // from "Vantrel" on
    EXPECT_FALSE(HasLinkedLevel(Path("Real\\Vantrel").c_str(), 3));
    EXPECT_FALSE(HasLinkedLevel(Path("Missing\\Vantrel").c_str(), 3));
}

TEST_F(UninstallFolderTest, AFolderIsEmptyOnlyWithNothingInIt) {
    MakeFolder(Path("Empty"));
    MakeFolder(Path("WithFolder"));
    MakeFolder(Path("WithFolder\\Inner"));
    MakeFolder(Path("WithHidden"));
    WriteBytes(Path("WithHidden\\.hidden"), "x", FILE_ATTRIBUTE_HIDDEN);

    EXPECT_TRUE(IsFolderEmpty(Path("Empty").c_str()));
    EXPECT_TRUE(IsFolderEmpty((Path("Empty") + "\\").c_str()));
    EXPECT_FALSE(IsFolderEmpty(Path("WithFolder").c_str()));
    EXPECT_FALSE(IsFolderEmpty(Path("WithHidden").c_str()));
    EXPECT_FALSE(IsFolderEmpty(Path("Missing").c_str()));
}

TEST_F(UninstallFolderTest, TellsTheSameFileByIdentityNotBySpelling) {
    MakeFolder(Path("Windows"));
    WriteBytes(Path("Windows\\Tolvangr.exe"), "uninstaller");
    WriteBytes(Path("Windows\\Other.exe"), "another");

    EXPECT_TRUE(IsSameFile(Path("Windows\\Tolvangr.exe").c_str(), Path("WINDOWS\\tolvangr.EXE").c_str()));
    EXPECT_TRUE(IsSameFile(Path("Windows\\Tolvangr.exe").c_str(), Path("Windows\\..\\Windows\\Tolvangr.exe").c_str()));
    EXPECT_TRUE(IsSameFile(Path("Windows").c_str(), (Path("Windows") + "\\").c_str()));
    EXPECT_FALSE(IsSameFile(Path("Windows\\Tolvangr.exe").c_str(), Path("Windows\\Other.exe").c_str()));
    EXPECT_FALSE(IsSameFile(Path("Windows\\Tolvangr.exe").c_str(), Path("Windows\\Missing.exe").c_str()));
}

// Keys below a scratch key of HKEY_LOCAL_MACHINE.
class UninstallKeyTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, Root);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, Root);
    }
    static constexpr const char* Root = "Software\\Porvane Uninstall Tests";
    static constexpr const char* Top = "Software\\Porvane Uninstall Tests\\Publisher";
    static constexpr const char* Deep = "Software\\Porvane Uninstall Tests\\Publisher\\Programs\\Product\\Version";
};

TEST_F(UninstallKeyTest, AKeyIsEmptyOnlyWithoutValuesAndSubkeys) {
    MakeKey(Deep);
    EXPECT_TRUE(IsKeyEmpty(HKEY_LOCAL_MACHINE, Deep));
    EXPECT_FALSE(IsKeyEmpty(HKEY_LOCAL_MACHINE, Top));  // holds a subkey
    SetText(Deep, "Program Version", std::string("3.02") + '\0');
    EXPECT_FALSE(IsKeyEmpty(HKEY_LOCAL_MACHINE, Deep));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, Deep, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, "Program Version");
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);  // the default value
    RegCloseKey(key);
    EXPECT_FALSE(IsKeyEmpty(HKEY_LOCAL_MACHINE, Deep));
    EXPECT_FALSE(IsKeyEmpty(HKEY_LOCAL_MACHINE, "Software\\Porvane Uninstall Tests\\Missing"));
}

TEST_F(UninstallKeyTest, RemovesEmptyKeysUpToTheTopOneAndNoFurther) {
    MakeKey(Deep);

    RemoveEmptyKeys(HKEY_LOCAL_MACHINE, Deep, strlen(Top));

    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, Top));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, Root));  // above the top key, even empty
}

TEST_F(UninstallKeyTest, StopsAtTheFirstKeyThatHoldsSomething) {
    MakeKey(Deep);
    MakeKey("Software\\Porvane Uninstall Tests\\Publisher\\Programs\\Other");

    RemoveEmptyKeys(HKEY_LOCAL_MACHINE, Deep, strlen(Top));

    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\Porvane Uninstall Tests\\Publisher\\Programs\\Product"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\Porvane Uninstall Tests\\Publisher\\Programs\\Other"));
}

TEST_F(UninstallKeyTest, PassesOverAMissingKeyToItsEmptyParents) {
    MakeKey("Software\\Porvane Uninstall Tests\\Publisher\\Programs\\Product");

    RemoveEmptyKeys(HKEY_LOCAL_MACHINE, Deep, strlen(Top));

    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, Top));
}

TEST_F(UninstallKeyTest, NeverRemovesAKeyHoldingAValue) {
    MakeKey(Deep);
    SetText(Top, "Other Product", std::string("C:\\Other") + '\0');

    RemoveEmptyKeys(HKEY_LOCAL_MACHINE, Deep, strlen(Top));

    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "Software\\Porvane Uninstall Tests\\Publisher\\Programs"));
    EXPECT_TRUE(HasValue(Top, "Other Product"));
}

TEST(UninstallReportText, StaysInItsBufferAndMarksLeftOutLines) {
    UninstallReport report = {};
    const std::string subject(200, 's');
    for (int i = 0; i < 50; ++i) AddReportLine(report, subject.c_str(), "could not be deleted");

    EXPECT_TRUE(report.full);
    EXPECT_LT(report.length, sizeof report.text);
    EXPECT_EQ(strlen(report.text), report.length);
    const std::string text(report.text, report.length);
    EXPECT_EQ(text.substr(text.size() - 5), "...\r\n");
    EXPECT_EQ(text.substr(0, 224), subject + ": could not be deleted\r\n");
}

// ---------------------------------------------------------------------------------------------
// The helper that deletes the uninstaller once it has ended

class RemovalHelperTest : public ScratchTree {
protected:
    void SetUp() override {
        ScratchTree::SetUp();
        MakeFolder(Path("Win & (dows)"));
        char system[MAX_PATH];
        GetSystemDirectoryA(system, sizeof system);
        systemFolder = system;
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        tempFolder = temp;
    }

    // A process running from target: a copy of this test program, started suspended.
    PROCESS_INFORMATION RunFrom(const std::string& target) {
        PROCESS_INFORMATION process = {};
        EXPECT_TRUE(CopyFileA(SelfPath().c_str(), target.c_str(), FALSE));
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string line = "\"" + target + "\"";
        EXPECT_TRUE(CreateProcessA(target.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                   nullptr, &startup, &process));
        return process;
    }

    static bool WaitUntilGone(const std::string& path, int milliseconds) {
        for (int waited = 0; waited < milliseconds; waited += 100) {
            if (!Exists(path)) return true;
            Sleep(100);
        }
        return !Exists(path);
    }

    // '&' and parentheses are literal inside the quotes the helper puts around every path.
    const std::string target = Path("Win & (dows)\\Tolvangr.exe");
    std::string systemFolder;
    std::string tempFolder;
};

// The user's temporary folder is writable by every unelevated program of that user: the elevated
// helper must not run anything from there (or from any file at all).
TEST_F(RemovalHelperTest, DeletesTheFileOnceItsProcessHasEndedWithoutWritingAnyFile) {
    PROCESS_INFORMATION process = RunFrom(target);
    ASSERT_FALSE(DeleteFileA(target.c_str()));  // held by the running process
    const std::vector<std::string> tempBefore = ListFolder(tempFolder);

    RemovalHelper helper = {};
    ASSERT_TRUE(PrepareRemovalHelper(target.c_str(), systemFolder.c_str(), helper));
    ASSERT_TRUE(StartRemovalHelper(helper));
    EXPECT_TRUE(StaysAway([&] { return !Exists(target); }, 1500));  // still running
    EXPECT_TRUE(Exists(target));
    EXPECT_EQ(ListFolder(tempFolder), tempBefore);
    EXPECT_EQ(ListFolder(Path("Win & (dows)")), std::vector<std::string>{"Tolvangr.exe"});

    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    EXPECT_TRUE(WaitUntilGone(target, 15000));
    EXPECT_EQ(ListFolder(tempFolder), tempBefore);
    EXPECT_EQ(ListFolder(Path("Win & (dows)")), std::vector<std::string>{});
}

TEST_F(RemovalHelperTest, RefusesPathsTheCommandLanguageWouldMisread) {
    RemovalHelper helper = {};
    for (const std::string& bad : {Path("Windows\\100%\\Tolvangr.exe"), Path("Windows\\\"x\\Tolvangr.exe"),
                                   Path("Windows\\\xE9t\xE9\\Tolvangr.exe")}) {
        EXPECT_FALSE(PrepareRemovalHelper(bad.c_str(), systemFolder.c_str(), helper)) << bad;
    }
    EXPECT_FALSE(PrepareRemovalHelper(target.c_str(), Path("System %PATH%").c_str(), helper));
}

TEST_F(RemovalHelperTest, CarriesTheWholeLoopOnItsCommandLineWithFullSystemPaths) {
    RemovalHelper helper = {};
    ASSERT_TRUE(PrepareRemovalHelper(target.c_str(), systemFolder.c_str(), helper));
    const std::string quoted = "\"" + target + "\"";
    EXPECT_EQ(std::string(helper.interpreter), systemFolder + "\\cmd.exe");
    EXPECT_EQ(std::string(helper.workingFolder), systemFolder);
    EXPECT_EQ(std::string(helper.commandLine),
              "cmd.exe /d /q /v:off /s /c \"for /l %i in (1,1,60) do (if exist " + quoted + " (del /f /q " + quoted +
                  " >nul 2>&1 & if exist " + quoted + " \"" + systemFolder + "\\ping.exe\" -n 2 127.0.0.1 >nul))\"");
}

}  // namespace
