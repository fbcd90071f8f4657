// Installations that cannot finish: a destination held open by another program, a read-only
// install folder, a drive that fills up mid-file, a missing Programs folder, a damaged installer.
// Each ends with its message, the abort notice and exit code 1, and leaves what was there before
// as it was, except what the clean-up is meant to delete.
#include "reliability_helpers.h"

namespace reliability {
namespace {

using namespace installation;

// Nothing is registered and no group is made by an installation that stops before the group page.
void ExpectNoRegistrationOrGroup() {
    EXPECT_EQ(Difference(Registry(), ReadProductRegistry()), "");
    EXPECT_FALSE(Exists(ProgramsFolder() + "\\" + DefaultGroup));
}

// An existing folder with a kept file and a file of the user's that the clean-up deletes.
void PrepareFolder(const std::string& folder) {
    MakeFolders(folder);
    ASSERT_TRUE(WriteWholeFile(folder + "\\Notes.DAT", std::string(2000, 'd')));
    ASSERT_TRUE(WriteWholeFile(folder + "\\Own.txt", "the user's text"));
}

using ReliabilityFaults = ReliabilityTest;

// Vantrel.exe open without sharing elsewhere: neither the clean-up nor the copy can touch it.
// The uninstaller and Plendix.exe, before it in the table, are written; nothing after it is.
TEST_F(ReliabilityFaults, DestinationHeldOpenStopsTheCopyAndKeepsTheHeldFile) {
    const std::string folder = "C:\\Reliability\\Held\\Vantrel";
    PrepareFolder(folder);
    ASSERT_TRUE(WriteWholeFile(folder + "\\Vantrel.exe", "the running program"));
    const Tree before = ReadTree(folder);
    Stop stop;
    {
        HeldFile held(folder + "\\Vantrel.exe");
        ASSERT_TRUE(held.held());
        stop = RunUntilStop(folder).stop;
    }
    ExpectStoppedWith(stop, CreateFailedText);

    const Tree after = ReadTree(folder);
    EXPECT_EQ(Difference(KeepOnly(before, {"Notes.DAT", "Vantrel.exe"}), KeepOnly(after, {"Notes.DAT", "Vantrel.exe"})),
              "");
    EXPECT_EQ(Paths(after), (std::vector<std::string>{"Notes.DAT", "Plendix.exe", "Vantrel.exe"}))
        << "Own.txt goes with the clean-up; Plendix.exe was written before the failure";
    EXPECT_EQ(after.at("Plendix.exe").content, ReadFileOrMissing(Files[1].source));
    EXPECT_TRUE(Exists(UninstallerPath())) << "the first entry goes to the Windows folder";
    ExpectNoRegistrationOrGroup();
}

// A read-only install folder (a read-only bind mount: as root, Wine writes into a chmod 555
// folder): the first file meant for it cannot be created and nothing in it changes.
TEST_F(ReliabilityFaults, ReadOnlyInstallFolderStopsTheCopyAndChangesNothingInIt) {
    const std::string folder = "C:\\Reliability\\ReadOnly\\Vantrel";
    PrepareFolder(folder);
    const Tree before = ReadTree("C:\\Reliability\\ReadOnly");
    Stop stop;
    {
        HostChange readOnly("readonly-up Reliability/ReadOnly", "unmount Reliability/ReadOnly");
        if (readOnly.status() != "ok") GTEST_SKIP() << "no read-only mount here: " << readOnly.status();
        stop = RunUntilStop(folder).stop;
        EXPECT_EQ(Difference(before, ReadTree("C:\\Reliability\\ReadOnly")), "");
    }
    ExpectStoppedWith(stop, CreateFailedText);
    ExpectNoRegistrationOrGroup();
}

// A 64 KiB drive: Plendix.exe (56 KiB) fits, Vantrel.exe (208 KiB) runs out of room part-way.
// The write failure is reported as such, no later entry is touched, the kept file stays.
TEST_F(ReliabilityFaults, DriveThatFillsUpStopsWithTheWriteMessage) {
    HostChange drive("tmpfs-up Reliability/Full 64k", "unmount Reliability/Full");
    if (drive.status() != "ok") GTEST_SKIP() << "no small drive here: " << drive.status();
    const std::string folder = "C:\\Reliability\\Full\\Vantrel";
    PrepareFolder(folder);
    const Tree before = ReadTree(folder);

    const StoppedRun run = RunUntilStop(folder);
    ExpectStoppedWith(run.stop, WriteFailedText);
    ASSERT_FALSE(run.installing.currentFile.empty());
    EXPECT_EQ(run.installing.currentFile.back(), "3") << "the third entry, Vantrel.exe, fills the drive";

    const Tree after = ReadTree(folder);
    EXPECT_EQ(Difference(KeepOnly(before, {"Notes.DAT"}), KeepOnly(after, {"Notes.DAT"})), "");
    EXPECT_EQ(after.at("Plendix.exe").content, ReadFileOrMissing(Files[1].source));
    ASSERT_TRUE(after.count("Vantrel.exe"));
    EXPECT_LT(after.at("Vantrel.exe").content.size(), Files[2].size) << "the drive was meant to fill up";
    EXPECT_EQ(Paths(after), (std::vector<std::string>{"Notes.DAT", "Plendix.exe", "Vantrel.exe"}))
        << "no entry after the failed one is touched";
    ExpectNoRegistrationOrGroup();
}

// No Programs folder: the copy is done, then the group page cannot list the groups; the installer
// makes no Programs folder of its own (nor lists another folder in its place), no link and no
// record.
TEST_F(ReliabilityFaults, MissingProgramsFolderStopsAtTheGroupPage) {
    const std::string folder = "C:\\Reliability\\NoMenu\\Vantrel";
    PrepareFolder(folder);
    const Tree before = ReadTree(folder);
    Stop stop;
    {
        HostChange hidden("programs-hide", "programs-restore");
        if (hidden.status() != "ok") GTEST_SKIP() << "the Programs folder cannot be moved: " << hidden.status();
        InstallerRun run;
        std::string error;
        ASSERT_NE(StartInstalling(run, folder, &error), nullptr) << error;
        // The message comes while the group page opens, before it is shown.
        HWND group = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                group = FindTopWindow(run.child.processId, PageClass, GroupCaption);
                return group != nullptr || WaitForInstallerBox(run, 0) != nullptr;
            },
            WorkTimeoutMs));
        if (group) {
            ADD_FAILURE() << "the group page opened without a Programs folder, listing: "
                          << Join(ComboBoxEntries(Item(group, IDC_GROUP_COMBO)));
            PressKey(group, VK_ESCAPE);
            stop.message = StartMenuMissingText;  // reported above; the rest is checked as usual
            stop.notice = AnswerNextBox(run, IDOK);
            run.WaitForEnd(StepTimeoutMs, &stop.exitCode);
        } else {
            stop = AnswerStop(run);
        }
        EXPECT_FALSE(Exists(ProgramsFolder())) << "the installer made a Programs folder of its own";
    }
    ExpectStoppedWith(stop, StartMenuMissingText);

    const Tree after = ReadTree(folder);
    EXPECT_EQ(Difference(KeepOnly(before, {"Notes.DAT"}), KeepOnly(after, {"Notes.DAT"})), "");
    std::vector<std::string> expected = InstallFolderFiles();
    expected.insert(expected.begin(), "Notes.DAT");
    EXPECT_EQ(Paths(after), expected) << "all files written, Own.txt gone with the clean-up";
    EXPECT_EQ(Difference(Registry(), ReadProductRegistry()), "");
}

// The damaged copy finds the flipped byte before the clean-up: an earlier installation (its
// files, a kept file, the user's own file, the uninstaller, the record of its folder) stays byte
// for byte as it was.
TEST_F(ReliabilityFaults, DamagedInstallerChangesNothing) {
    const std::string folder = "C:\\Reliability\\Apps\\Vantrel";
    MakeFolders(folder);
    for (const std::string& name : InstallFolderFiles()) {
        ASSERT_TRUE(WriteWholeFile(folder + "\\" + name, "earlier " + name));
    }
    ASSERT_TRUE(WriteWholeFile(folder + "\\Notes.DAT", "data"));
    ASSERT_TRUE(WriteWholeFile(folder + "\\Own.txt", "the user's text"));
    ASSERT_TRUE(WriteWholeFile(UninstallerPath(), "earlier uninstaller"));
    ASSERT_TRUE(WriteRegistryString(PublisherKey, "Vantrel", folder));
    const SystemState before = ReadSystemState(folder, DefaultGroup);

    const StoppedRun run = RunUntilStop(folder, PORVANE_DAMAGED_EXE_PATH);
    ExpectStoppedWith(run.stop, DamagedText);
    EXPECT_EQ(run.proposedFolder, folder);
    EXPECT_EQ(run.installing.extracting, std::vector<std::string>{}) << "no file was begun";

    EXPECT_EQ(Difference(before, ReadSystemState(folder, DefaultGroup)), "");
}

}  // namespace
}  // namespace reliability
