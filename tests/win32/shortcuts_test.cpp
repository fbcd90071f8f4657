// Start-menu group and shell links, saved through the shell's link object and read back.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_fixture.h"
#include "manifest.h"
#include "shell.h"
#include "shortcuts.h"

using namespace engine_test;

namespace {

const DirectoryTable& Folders = Session.directories;  // the engine calls get the session's folders

struct LinkInfo {
    bool loaded = false;
    std::string target;
    std::string workingFolder;
    std::string description;
};

LinkInfo ReadLink(const std::string& path) {
    LinkInfo info;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        return info;
    }
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        info.loaded = SUCCEEDED(file->Load(Widen(path).c_str(), STGM_READ));
        file->Release();
    }
    char text[MAX_PATH] = "";
    if (info.loaded && SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) info.target = text;
    text[0] = '\0';
    if (info.loaded && SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) info.workingFolder = text;
    text[0] = '\0';
    if (info.loaded && SUCCEEDED(link->GetDescription(text, MAX_PATH))) info.description = text;
    link->Release();
    return info;
}

FileEntry Entry(const char* fileName, uint32_t flags, const char* shortcutName) {
    FileEntry entry = {};
    strcpy(entry.fileName, fileName);
    entry.flags = flags;
    strcpy(entry.shortcutName, shortcutName);
    return entry;
}

class ShortcutsTest : public ScratchTree {
protected:
    void SetUp() override {
        ScratchTree::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ResetSession();
        MakeFolder(programs);
        MakeFolder(installFolder);
        MakeFolder(windowsFolder);
        SetDirectory(DirPrograms, programs);
        SetDirectory(DirInstall, installFolder);
        SetDirectory(DirWindows, windowsFolder);
        BeginScratchJournal();
        for (int row = 0; row < Manifest.fileCount; ++row) {
            const FileEntry& entry = Manifest.files[row];
            WriteBytes(((entry.flags & FILE_TO_WINDOWS_FOLDER) ? windowsFolder : installFolder) + "\\" + entry.fileName,
                       "installed");
        }
    }
    void TearDown() override {
        CoUninitialize();
        EndJournal(false);
        ScratchTree::TearDown();
    }

    // What the shortcut page does: the group, then one link per row that gets one, up to the first
    // that cannot be made. True when all were made.
    bool MakeAll(const char* group) {
        bool made = CreateProgramGroup(Folders, group, Session.journal);
        for (int row = 0; made && row < Manifest.shortcutCount; ++row) {
            made = CreateShortcut(Folders, Manifest.files[row], group, Session.journal);
        }
        return made;
    }

    const std::string programs = Path("Programs");
    const std::string installFolder = Path("Vantrel");
    const std::string windowsFolder = Path("Windows");
};

TEST_F(ShortcutsTest, MakesOneLinkForEachOfTheFirstRowsPointingWhereItsFileIs) {
    EXPECT_TRUE(MakeAll("Vantrel"));

    const std::string group = programs + "\\Vantrel";
    EXPECT_EQ(ListFolder(group), (std::vector<std::string>{"Help.lnk", "Read Me.lnk", "Uninstall.lnk", "Update.lnk",
                                                           "Vantrel.lnk"}));
    ASSERT_EQ(Manifest.shortcutCount, 5);
    for (int row = 0; row < Manifest.shortcutCount; ++row) {
        const FileEntry& entry = Manifest.files[row];
        const std::string folder = row == UninstallerRow ? windowsFolder : installFolder;
        const LinkInfo link = ReadLink(group + "\\" + entry.shortcutName + ".lnk");
        ASSERT_TRUE(link.loaded) << entry.shortcutName;
        EXPECT_EQ(link.target, folder + "\\" + entry.fileName);
        EXPECT_EQ(link.workingFolder, folder);
        EXPECT_EQ(link.description, entry.shortcutName);
    }
}

TEST_F(ShortcutsTest, ReusesAnExistingGroupAndReplacesItsLinks) {
    const std::string group = programs + "\\Vantrel";
    MakeFolder(group);
    WriteBytes(group + "\\Vantrel.lnk", "not a link at all");
    WriteBytes(group + "\\Other.lnk", "someone else's");

    EXPECT_TRUE(MakeAll("Vantrel"));

    const LinkInfo link = ReadLink(group + "\\Vantrel.lnk");
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, installFolder + "\\Vantrel.exe");
    EXPECT_EQ(ReadBytes(group + "\\Other.lnk"), "someone else's");
    // Undone, the run leaves the group as it found it: the replaced link back, the new ones gone.
    EndJournal(false);
    EXPECT_EQ(ListFolder(group), (std::vector<std::string>{"Other.lnk", "Vantrel.lnk"}));
    EXPECT_EQ(ReadBytes(group + "\\Vantrel.lnk"), "not a link at all");
}

TEST_F(ShortcutsTest, AGroupNameEndingInABackslashGivesNoDoubledBackslash) {
    char path[JoinedPathSize];
    ASSERT_TRUE(ShortcutLinkPath(path, sizeof path, Folders, "Vantrel\\", Manifest.files[UninstallerRow]));
    EXPECT_EQ(std::string(path), programs + "\\Vantrel\\Uninstall.lnk");

    SetDirectory(DirPrograms, programs + "\\");
    ASSERT_TRUE(ShortcutLinkPath(path, sizeof path, Folders, "Vantrel", Manifest.files[UninstallerRow]));
    EXPECT_EQ(std::string(path), programs + "\\Vantrel\\Uninstall.lnk");

    EXPECT_TRUE(MakeAll("Vantrel\\"));
    EXPECT_EQ(ListFolder(programs + "\\Vantrel").size(), static_cast<size_t>(Manifest.shortcutCount));
}

// The page turns the failure into its message; the engine makes nothing and says nothing.
TEST_F(ShortcutsTest, AGroupThatCannotBeAFolderMakesNothingAndFails) {
    MessageBoxCatcher catcher;
    WriteBytes(programs + "\\In the way", "a file");

    EXPECT_FALSE(MakeAll("Quillfern\\Vantrel"));
    EXPECT_FALSE(MakeAll("In the way"));

    EXPECT_TRUE(catcher.Stop().empty());
    EXPECT_EQ(ListFolder(programs), std::vector<std::string>{"In the way"});
}

TEST_F(ShortcutsTest, TheFolderFlagAloneDecidesWhereALinkPoints) {
    CreateProgramGroup(Folders, "Flags", Session.journal);
    CreateShortcut(Folders, Entry("Tool.exe", FILE_TO_WINDOWS_FOLDER | FILE_ALWAYS_OVERWRITE, "To Windows"), "Flags", Session.journal);
    CreateShortcut(Folders, Entry("Tool.exe", FILE_IN_INSTALL_FOLDER | FILE_TO_WINDOWS_FOLDER, "To Install"), "Flags", Session.journal);

    const LinkInfo windows = ReadLink(programs + "\\Flags\\To Windows.lnk");
    ASSERT_TRUE(windows.loaded);
    EXPECT_EQ(windows.target, windowsFolder + "\\Tool.exe");
    EXPECT_EQ(windows.workingFolder, windowsFolder);
    const LinkInfo install = ReadLink(programs + "\\Flags\\To Install.lnk");
    ASSERT_TRUE(install.loaded);
    EXPECT_EQ(install.target, installFolder + "\\Tool.exe");
    EXPECT_EQ(install.workingFolder, installFolder);
}

TEST_F(ShortcutsTest, ALinkToATargetThatIsNotThereYetIsStillSaved) {
    const std::string link = programs + "\\Missing.lnk";

    EXPECT_TRUE(CreateShellLink("C:\\porvane-engine-tests\\Nowhere\\Missing.exe", "C:\\porvane-engine-tests\\Nowhere",
                                link.c_str(), "Missing target"));

    const LinkInfo info = ReadLink(link);
    ASSERT_TRUE(info.loaded);
    EXPECT_EQ(info.target, "C:\\porvane-engine-tests\\Nowhere\\Missing.exe");
    EXPECT_EQ(info.workingFolder, "C:\\porvane-engine-tests\\Nowhere");
    EXPECT_EQ(info.description, "Missing target");
}

// The group folder fits; a link in it would pass MAX_PATH - 1 characters. A cut path would save
// the link under another name inside the group.
TEST_F(ShortcutsTest, ALinkPathOverTheLimitIsNotSavedUnderACutName) {
    const std::string longPrograms = Path(std::string(240 - strlen(TestRoot) - 1, 'p'));
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + Widen(longPrograms)).c_str(), nullptr));
    SetDirectory(DirPrograms, longPrograms);
    const std::string group = longPrograms + "\\Group";
    const FileEntry entry = Entry("Vantrel.exe", FILE_IN_INSTALL_FOLDER, "Nineteen characters");

    EXPECT_TRUE(CreateProgramGroup(Folders, "Group", Session.journal));
    EXPECT_FALSE(CreateShortcut(Folders, entry, "Group", Session.journal));

    ASSERT_TRUE(IsFolder(group));
    char path[JoinedPathSize] = "untouched";
    EXPECT_FALSE(ShortcutLinkPath(path, sizeof path, Folders, "Group", entry));
    EXPECT_STREQ(path, "");
    EXPECT_EQ(ListFolder(group), std::vector<std::string>{});

    const std::string tooLong = group + "\\" + std::string(30, 'n') + ".lnk";
    EXPECT_FALSE(CreateShellLink("C:\\Vantrel.exe", "C:\\", tooLong.c_str(), "Too long"));
    EXPECT_EQ(ListFolder(group), std::vector<std::string>{});
}

TEST_F(ShortcutsTest, WithoutAProgramsFolderNoGroupIsMadeAnywhere) {
    const std::string rootGroup = "C:\\porvane-engine-tests-group";
    ASSERT_FALSE(Exists(rootGroup));
    SetDirectory(DirPrograms, "");
    SetCurrentDirectoryA(TestRoot);

    EXPECT_FALSE(MakeAll("porvane-engine-tests-group"));

    EXPECT_FALSE(Exists(rootGroup));
    RemoveTree(rootGroup);
    SetCurrentDirectoryA("C:\\");
}

// A group name that steps up with ".." would put the group beside the Programs folder.
TEST_F(ShortcutsTest, AGroupNameSteppingOutOfTheProgramsFolderMakesNothing) {
    const std::string above = programs.substr(0, programs.rfind('\\'));
    const std::vector<std::string> aboveBefore = ListFolder(above);
    MessageBoxCatcher catcher;

    for (const char* name : {"..\\Escaped", "..", "Vantrel\\..\\..\\Escaped", ". ."}) {
        char path[JoinedPathSize] = "untouched";
        EXPECT_FALSE(ShortcutLinkPath(path, sizeof path, Folders, name, Manifest.files[UninstallerRow])) << name;
        EXPECT_STREQ(path, "") << name;
        EXPECT_FALSE(MakeAll(name)) << name;
    }

    EXPECT_TRUE(catcher.Stop().empty());
    EXPECT_EQ(ListFolder(programs), std::vector<std::string>{});
    EXPECT_EQ(ListFolder(above), aboveBefore);
}

}  // namespace
