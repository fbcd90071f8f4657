// Whole installations driven from outside, page by page as a person would: what every page shows
// on the way, what lands on the system (files, times, registry rows, links), the clean-up of an
// earlier installation, and a copy that stops at a destination it cannot create.
#include <windows.h>

#include <stdlib.h>

#include "install_fixture.h"

namespace {

using namespace installation;

const char WindowsFolder[] = "C:\\Windows";

// The step list's label rows, top to bottom.
enum StepRowIndex {
    RowLicense,
    RowLocation,
    RowFiles,
    RowGroup,
    RowShortcuts,
    RowReadMe,
    RowFinished
};

std::string Paths(const std::string& installFolder) {
    std::vector<std::string> paths;
    for (const ProductFile& file : Files) paths.push_back(InstalledPath(installFolder, file));
    return Join(paths, "\n");
}

unsigned long Number(const std::string& shown) {
    std::string digits;
    for (char c : shown)
        if (c != ',') digits += c;
    return strtoul(digits.c_str(), nullptr, 10);
}

std::string String(const char* text) { return std::string(text) + '\0'; }

class InstallationRun : public InstallationTest {
protected:
    // Only the current step's label in the current-step colour, read from the side bar alone (it
    // lies outside every page and box), until the backdrop has repainted it.
    void ExpectCurrentStep(int row, const char* where) {
        RECT area = {0, 0, SideBarWidth, StepLabelBox(StepCount - 1).bottom};
        std::string why;
        bool shown = WaitUntil(
            [&] {
                Screenshot shot;
                if (!CaptureArea(area, &shot)) return false;
                StepRow rows[StepCount];
                ReadStepList(shot, rows);
                return StepListShows(rows, row, &why);
            },
            SettleTimeoutMs);
        EXPECT_TRUE(shown) << where << ": the step list shows\n" << why;
    }

    // Every file of the product byte for byte in its folder, stamped with the manifest's time.
    // The times are read before the contents: reading may move the access time.
    void ExpectProductFiles(const std::string& installFolder) {
        const FILETIME stamp = ExpectedFileTime();
        for (const ProductFile& file : Files) {
            std::string path = InstalledPath(installFolder, file);
            SCOPED_TRACE(path);
            FileTimes times = {};
            ASSERT_TRUE(ReadFileTimes(path, &times)) << "missing";
            EXPECT_TRUE(SameTime(times.creation, stamp)) << FormatFileTime(times.creation);
            EXPECT_TRUE(SameTime(times.access, stamp)) << FormatFileTime(times.access);
            EXPECT_TRUE(SameTime(times.write, stamp)) << FormatFileTime(times.write)
                                                      << ", expected " << FormatFileTime(stamp);
            std::string installed = ReadFileOrMissing(path);
            EXPECT_EQ(installed.size(), file.size);
            EXPECT_TRUE(installed == ReadFileOrMissing(file.source)) << "differs from " << file.source;
        }
    }

    void ExpectNothingRecorded() {
        EXPECT_FALSE(ReadRegistryValue(PublisherKey, "Vantrel").present);
        EXPECT_FALSE(ReadRegistryValue(UninstallKey, "DisplayName").present);
        EXPECT_FALSE(Exists(ProgramsFolder() + "\\" + DefaultGroup));
    }
};

// One default installation from the welcome page to the restart notice, the read-me declined.
TEST_F(InstallationRun, DefaultRunShowsEachStepAndLeavesTheProductRecordedAndLinked) {
    HWND license = ContinueToLicense(run, welcome);
    ASSERT_NE(license, nullptr);
    ExpectCurrentStep(RowLicense, "licence page");
    HWND location = ContinueToLocation(run, license);
    ASSERT_NE(location, nullptr);
    ExpectCurrentStep(RowLocation, "location page");
    EXPECT_EQ(TextOf(Item(location, IDC_FOLDER_EDIT)), DefaultFolder);

    HWND installing = ContinueToInstalling(run, location);
    ASSERT_NE(installing, nullptr);
    ExpectCurrentStep(RowFiles, "installing page");
    InstallingRecord copy = FollowInstallingPage(run, installing);
    EXPECT_TRUE(copy.closed) << "the installing page did not close by itself";
    EXPECT_EQ(copy.totalSize, std::vector<std::string>{TotalSizeText});
    EXPECT_EQ(copy.totalFiles, std::vector<std::string>{TotalFilesText});
    EXPECT_EQ(copy.currentFile, FileNumberTexts());
    EXPECT_EQ(Join(copy.extracting, "\n"), Paths(DefaultFolder));
    ASSERT_FALSE(copy.currentSize.empty());
    EXPECT_EQ(copy.currentSize.back(), TotalSizeText);
    for (size_t i = 1; i < copy.currentSize.size(); ++i)
        EXPECT_LT(Number(copy.currentSize[i - 1]), Number(copy.currentSize[i]))
            << "label 402 showed " << Join(copy.currentSize, " ");
    // The full bar: navy all over but for the white "100%" on it.
    ASSERT_TRUE(copy.barSeenFull) << "the bar was not seen after the last byte";
    EXPECT_GT(copy.barNavy, copy.barArea * 3 / 4) << SaveShot(copy.finalScreen, "full-bar.bmp");
    EXPECT_GT(copy.barWhite, 0) << SaveShot(copy.finalScreen, "full-bar.bmp");
    EXPECT_EQ(copy.barButtonFace, 0) << SaveShot(copy.finalScreen, "full-bar.bmp");

    HWND group = WaitForGroupPage(run);
    ASSERT_NE(group, nullptr);
    ExpectCurrentStep(RowGroup, "group page");
    EXPECT_EQ(TextOf(Item(group, IDC_GROUP_COMBO)), DefaultGroup);
    HWND shortcuts = ContinueToShortcuts(run, group);
    ASSERT_NE(shortcuts, nullptr);
    ExpectCurrentStep(RowShortcuts, "shortcut page");
    ShortcutRecord made = FollowShortcutPage(shortcuts);
    EXPECT_TRUE(made.closed);
    EXPECT_EQ(made.names,
              (std::vector<std::string>{"Uninstall", "Update", "Vantrel", "Help", "Read Me"}));
    EXPECT_EQ(made.rangeLow, 0);
    EXPECT_EQ(made.rangeHigh, ShortcutCount);
    EXPECT_EQ(made.finalPosition, ShortcutCount);

    HWND question = WaitForInstallerBox(run, WorkTimeoutMs);
    ASSERT_NE(question, nullptr) << "no read-me question";
    HWND backdrop = run.Backdrop();
    EXPECT_EQ(OwnerOf(question), backdrop);
    EXPECT_EQ(MessageBoxText(question), ReadMeQuestionText);
    EXPECT_TRUE(GetDlgItem(question, IDYES) && GetDlgItem(question, IDNO));
    ExpectCurrentStep(RowReadMe, "read-me question");
    ASSERT_TRUE(Answer(question, IDNO));

    HWND notice = WaitForInstallerBox(run);
    ASSERT_NE(notice, nullptr) << "no restart notice";
    EXPECT_EQ(FindWindowOfOtherProcess("Notepad", run.child.processId), nullptr)
        << "Notepad was started although the read-me was declined";
    EXPECT_EQ(OwnerOf(notice), backdrop);
    EXPECT_EQ(MessageBoxText(notice), RestartNoticeText);
    ExpectCurrentStep(RowFinished, "restart notice");
    ASSERT_TRUE(Answer(notice, IDOK));
    EXPECT_EQ(ExitCode(), 1u);
    EXPECT_EQ(MessageBoxesSeen(), 2) << "only the read-me question and the restart notice";

    ExpectProductFiles(DefaultFolder);

    const std::string uninstaller = std::string(WindowsFolder) + "\\Tolvangr.exe";
    struct Row {
        const char* key;
        const char* name;
        std::string data;
    };
    const Row rows[] = {
        {PublisherKey, "Vantrel", String(DefaultFolder)},
        {VersionKey, "Program Version", String("3.02")},
        {UninstallKey, "DisplayName", String("Vantrel")},
        {UninstallKey, "DisplayVersion", String("v3.02")},
        {UninstallKey, "UninstallString", String(uninstaller.c_str())},
        {UninstallKey, "Program Path", String(DefaultFolder)},
        {UninstallKey, "Program Group", String(DefaultGroup)},
        {UninstallKey, "Publisher", String("Quillfern Utilities")},
        {UninstallKey, "HelpLink", String("http://www.quillfern.example/vantrel")},
    };
    for (const Row& row : rows) {
        RegistryValue value = ReadRegistryValue(row.key, row.name);
        EXPECT_TRUE(value.present && value.type == REG_SZ && value.data == row.data)
            << row.key << " " << row.name << ": " << Describe(value);
    }
    RegistryValue lowDisk = ReadRegistryValue(FileSystemKey, "DisableLowDiskSpaceBroadcast");
    EXPECT_TRUE(lowDisk.present && lowDisk.type == REG_DWORD &&
                lowDisk.data == std::string(4, '\xFF'))
        << Describe(lowDisk);

    const std::string groupFolder = ProgramsFolder() + "\\" + DefaultGroup;
    EXPECT_EQ(ListFolder(groupFolder), (std::vector<std::string>{"Help.lnk", "Read Me.lnk",
                                                                 "Uninstall.lnk", "Update.lnk",
                                                                 "Vantrel.lnk"}));
    for (const ProductFile& file : Files) {
        if (!file.shortcut) continue;
        SCOPED_TRACE(file.shortcut);
        LinkContents link = ReadLink(groupFolder + "\\" + file.shortcut + ".lnk");
        ASSERT_TRUE(link.loaded);
        const std::string folder = file.toWindowsFolder ? WindowsFolder : DefaultFolder;
        EXPECT_EQ(link.target, folder + "\\" + file.name);
        EXPECT_EQ(link.workingFolder, folder);
        EXPECT_EQ(link.description, file.shortcut);
    }
}

// An earlier installation's folder: its .DAT, .KEY and .LOG files stay in any letter case and at
// any depth, every other file goes (read-only and hidden ones too), every folder stays, and a
// folder whose name begins with a dot is not entered.
class SecondInstallation : public InstallationRun {
protected:
    void PrepareSystem() override {
        const std::string folder = DefaultFolder;
        MakeFolders(folder + "\\Data\\Deeper");
        MakeFolders(folder + "\\.settings");
        MakeFolders(folder + "\\Empty");
        for (const Planted& file : planted)
            ASSERT_TRUE(WriteWholeFile(folder + "\\" + file.name, std::string("old ") + file.name,
                                       file.attributes))
                << file.name;
    }

    struct Planted {
        const char* name;
        bool kept;
        DWORD attributes;
    };
    const std::vector<Planted> planted = {
        {"Notes.DAT", true, FILE_ATTRIBUTE_NORMAL},
        {"serial.key", true, FILE_ATTRIBUTE_NORMAL},
        {"Setup.Log", true, FILE_ATTRIBUTE_READONLY},
        {"Vantrel.exe", false, FILE_ATTRIBUTE_NORMAL},
        {"old notes.txt", false, FILE_ATTRIBUTE_NORMAL},
        {"Locked.ini", false, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {".profile", false, FILE_ATTRIBUTE_NORMAL},
        {"Notes.DAT.bak", false, FILE_ATTRIBUTE_NORMAL},
        {"Data\\Cards.dat", true, FILE_ATTRIBUTE_NORMAL},
        {"Data\\Cards.idx", false, FILE_ATTRIBUTE_NORMAL},
        {"Data\\Deeper\\trace.LOG", true, FILE_ATTRIBUTE_NORMAL},
        {"Data\\Deeper\\trace.tmp", false, FILE_ATTRIBUTE_HIDDEN},
        {".settings\\window.cfg", true, FILE_ATTRIBUTE_NORMAL},
    };
};

TEST_F(SecondInstallation, CleansTheFolderKeepingDataKeyAndLogFilesAndEveryFolder) {
    HWND location = OpenLocationPage();
    ASSERT_NE(location, nullptr);
    HWND installing = ContinueToInstalling(run, location);
    ASSERT_NE(installing, nullptr);
    ASSERT_NE(WaitForGroupPage(run), nullptr) << "the copy did not end";

    // The product's files first: reading one would move its access time.
    const std::string folder = DefaultFolder;
    ExpectProductFiles(folder);
    for (const Planted& file : planted) {
        if (std::string(file.name) == "Vantrel.exe") continue;  // replaced, checked above
        std::string content = ReadFileOrMissing(folder + "\\" + file.name);
        if (file.kept)
            EXPECT_EQ(content, std::string("old ") + file.name) << file.name << " was not kept";
        else
            EXPECT_EQ(content, "<missing>") << file.name << " was not deleted";
    }
    for (const char* kept : {"Data", "Data\\Deeper", ".settings", "Empty"})
        EXPECT_TRUE(IsFolder(folder + "\\" + kept)) << kept;
    EXPECT_EQ(ListFolder(folder + "\\Data"), (std::vector<std::string>{"Cards.dat", "Deeper"}));
    EXPECT_EQ(ListFolder(folder + "\\Data\\Deeper"), std::vector<std::string>{"trace.LOG"});
    EXPECT_EQ(ListFolder(folder + "\\Empty"), std::vector<std::string>{});
    // Until the installation completes, what the clean-up removed waits in a folder of its own.
    std::vector<std::string> top = ListFolder(folder);
    EXPECT_EQ(top, (std::vector<std::string>{".settings", "Data", "Empty", RemovedFilesFolderName,
                                             "Notes.DAT", "Order.txt", "Plendix.exe", "Read Me.txt",
                                             "RegInfo.txt", "Setup.Log", "Vantrel.exe",
                                             "Vantrel.hlp", "serial.key"}))
        << Join(top);
}

// A folder in the way of the fourth file, in a folder that is no earlier installation (the page
// says so first): the copy stops there with its own message, then the abort notice, and the
// installer ends; what was written before is undone, the folder untouched.
class BlockedDestination : public InstallationRun {
protected:
    void PrepareSystem() override {
        MakeFolders(std::string(DefaultFolder) + "\\Vantrel.hlp");
        ASSERT_TRUE(WriteWholeFile(std::string(DefaultFolder) + "\\Vantrel.hlp\\inside.dat", "inside"));
    }
};

TEST_F(BlockedDestination, StopsWithTheCopyErrorThenTheAbortNotice) {
    HWND location = OpenLocationPage();
    ASSERT_NE(location, nullptr);
    std::string notice;
    HWND installing = ContinueToInstalling(run, location, &notice);
    ASSERT_NE(installing, nullptr);
    EXPECT_EQ(notice, OtherFilesText(DefaultFolder));
    InstallingRecord copy = FollowInstallingPage(run, installing);
    EXPECT_FALSE(copy.closed);
    EXPECT_EQ(copy.currentFile, (std::vector<std::string>{"1", "2", "3", "4"}));

    HWND error = WaitForInstallerBox(run);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(OwnerOf(error), installing);
    EXPECT_EQ(MessageBoxText(error), CreateFailedText);
    EXPECT_FALSE(GetDlgItem(error, IDCANCEL) && IsWindowVisible(GetDlgItem(error, IDCANCEL)));
    ASSERT_TRUE(Answer(error, IDOK));

    ExpectAbortNoticeAndEnd();
    if (HasFatalFailure()) return;
    EXPECT_EQ(MessageBoxesSeen(), 3);
    EXPECT_EQ(run.watch.CountSeen(PageClass, GroupCaption), 0);

    // The three files written before are undone; the folder in the way stays as it was.
    const std::string folder = DefaultFolder;
    EXPECT_EQ(ListFolder(folder), std::vector<std::string>{"Vantrel.hlp"});
    EXPECT_EQ(ListFolder(folder + "\\Vantrel.hlp"), std::vector<std::string>{"inside.dat"});
    EXPECT_EQ(ReadFileOrMissing(folder + "\\Vantrel.hlp\\inside.dat"), "inside");
    EXPECT_FALSE(Exists(WindowsUninstaller));
    ExpectNothingRecorded();
}

}  // namespace
