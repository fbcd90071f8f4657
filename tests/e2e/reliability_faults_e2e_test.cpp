// Installations that cannot finish: a product file held open by another program, a read-only
// install folder, a drive without room, a missing Programs folder, a damaged installer.
// Each ends with its message, the abort notice and exit code 1, and leaves what was there before
// as it was.
#include "reliability_helpers.h"

#include <tlhelp32.h>

namespace reliability {
namespace {

using namespace installation;

// Nothing is registered and no group is made by an installation that stops before the group page.
void ExpectNoRegistrationOrGroup() {
    EXPECT_EQ(Difference(Registry(), ReadProductRegistry()), "");
    EXPECT_FALSE(Exists(ProgramsFolder() + "\\" + DefaultGroup));
}

// An earlier installation's folder with a kept file and a file of the user's that the clean-up
// deletes.
void PrepareFolder(const std::string& folder) {
    MakeFolders(folder);
    ASSERT_TRUE(WriteWholeFile(folder + "\\Vantrel.exe", "an earlier program"));
    ASSERT_TRUE(WriteWholeFile(folder + "\\Notes.DAT", std::string(2000, 'd')));
    ASSERT_TRUE(WriteWholeFile(folder + "\\Own.txt", "the user's text"));
}

using ReliabilityFaults = ReliabilityTest;

// Vantrel.exe open without sharing by another program, as while the product runs: before the
// clean-up the page names it and offers Retry and Cancel. Cancel ends with the abort notice and
// everything as it was; Retry once the program has let go installs.
TEST_F(ReliabilityFaults, AProductFileInUseIsNamedBeforeAnythingChanges) {
    const std::string folder = "C:\\Reliability\\Held\\Vantrel";
    const std::string program = folder + "\\Vantrel.exe";
    PrepareFolder(folder);
    ASSERT_TRUE(WriteWholeFile(program, "the running program"));
    const Tree before = ReadTree(folder);
    const std::string inUse = FilledText(FileInUseFormat, program.c_str());

    for (const bool retryOnceFree : {false, true}) {
        std::unique_ptr<HeldFile> holder(new HeldFile(program));
        ASSERT_TRUE(holder->held());
        InstallerRun run;
        std::string why;
        ASSERT_NE(StartInstalling(run, folder, &why), nullptr) << why;
        EXPECT_EQ(AnswerNextBox(run, IDRETRY, WorkTimeoutMs), inUse);
        HWND again = WaitForInstallerBox(run);  // still held: asked again
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(MessageBoxText(again), inUse);
        if (!retryOnceFree) {
            ASSERT_TRUE(Answer(again, IDCANCEL));
            EXPECT_EQ(AnswerNextBox(run, IDOK), AbortNoticeText);
            DWORD exitCode = 0;
            EXPECT_TRUE(run.WaitForEnd(StepTimeoutMs, &exitCode));
            EXPECT_EQ(exitCode, 1u);
            holder.reset();
            EXPECT_EQ(Difference(before, ReadTree(folder)), "") << "nothing may change";
            EXPECT_FALSE(Exists(UninstallerPath()));
            ExpectNoRegistrationOrGroup();
        } else {
            holder.reset();  // the program has ended
            ASSERT_TRUE(Answer(again, IDRETRY));
            ASSERT_NE(WaitForGroupPage(run), nullptr) << "the copy did not go on";
            EXPECT_EQ(ReadTree(folder).at("Vantrel.exe").content, ReadFileOrMissing(Files[2].source));
        }
    }
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

// A 64 KiB drive, too small for the product: the installer says so with both numbers before it
// changes anything. The drive is mounted at C:\\Reliability\\Full, a volume of its own, which
// needs every file but the uninstaller.
TEST_F(ReliabilityFaults, DriveWithoutRoomIsToldBeforeAnythingChanges) {
    HostChange drive("tmpfs-up Reliability/Full 64k", "unmount Reliability/Full");
    if (drive.status() != "ok") GTEST_SKIP() << "no small drive here: " << drive.status();
    const std::string folder = "C:\\Reliability\\Full\\Vantrel";
    PrepareFolder(folder);
    const Tree before = ReadTree(folder);

    const StoppedRun run = RunUntilStop(folder);
    const uint32_t needed = ManifestTotalSize() - Manifest.files[UninstallerRow].fileSize;
    const std::string filled = FilledText(NotEnoughSpaceFormat, "C:\\Reliability\\Full\\");
    const std::string expectedStart = filled.substr(0, filled.find("needs ") + 6) + GroupedNumber(needed) + " bytes";
    EXPECT_EQ(run.stop.message.substr(0, expectedStart.size()), expectedStart) << run.stop.message;
    EXPECT_EQ(run.stop.notice, AbortNoticeText);
    EXPECT_EQ(run.stop.exitCode, 1u);

    EXPECT_EQ(Difference(before, ReadTree(folder)), "") << "nothing may change";
    EXPECT_FALSE(Exists(UninstallerPath()));
    ExpectNoRegistrationOrGroup();
}

// No Programs folder: the copy is done, then the group page cannot list the groups; the installer
// makes no Programs folder of its own (nor lists another folder in its place), no link and no
// record, and undoes the copy.
TEST_F(ReliabilityFaults, MissingProgramsFolderStopsAtTheGroupPage) {
    const std::string folder = "C:\\Reliability\\NoMenu\\Vantrel";
    PrepareFolder(folder);
    const SystemState before = ReadSystemState(folder, DefaultGroup);
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
    EXPECT_EQ(Difference(before, ReadSystemState(folder, DefaultGroup)), "") << "nothing may change";
}

// The damaged copy finds the flipped byte before the clean-up: an earlier installation (its
// files, a kept file, the user's own file, the uninstaller, the record of its folder) stays byte
// for byte as it was. A copy with a damaged manifest, and the installer without a product, say so
// before a first page and end; so does an uninstaller with a damaged list.
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

    std::string why;
    DWORD exitCode = 0;
    for (const char* program : {PORVANE_DAMAGED_MANIFEST_EXE_PATH, PORVANE_BASE_EXE_PATH}) {
        InstallerRun noProduct;
        noProduct.program = program;
        ASSERT_TRUE(noProduct.Start(&why)) << program << ": " << why;
        EXPECT_EQ(AnswerNextBox(noProduct, IDOK), NoProductText) << program;
        EXPECT_TRUE(noProduct.WaitForEnd(StepTimeoutMs, &exitCode)) << program;
        EXPECT_EQ(exitCode, 1u) << program;
    }

    EXPECT_EQ(Difference(before, ReadSystemState(folder, DefaultGroup)), "");

    // An uninstaller with a damaged list, and the uninstaller without a product, in the
    // uninstaller's place: each says so, ends with 6 and leaves everything, its own file too.
    const std::string uninstaller = UninstallerPath();
    for (const char* program : {PORVANE_DAMAGED_UNINSTALLER_PATH, PORVANE_UNINSTALLER_BASE_PATH}) {
        ASSERT_TRUE(CopyFileA(program, uninstaller.c_str(), FALSE)) << program;
        const SystemState withDamaged = ReadSystemState(folder, DefaultGroup);
        InstallerRun damagedList;
        damagedList.program = uninstaller.c_str();
        ASSERT_TRUE(damagedList.Start(&why)) << program << ": " << why;
        EXPECT_EQ(AnswerNextBox(damagedList, IDOK),
                  "This uninstaller holds no product it can remove: it was built without one, or it is damaged.\r\n"
                  "Nothing was changed.")
            << program;
        EXPECT_TRUE(damagedList.WaitForEnd(StepTimeoutMs, &exitCode)) << program;
        EXPECT_EQ(exitCode, 6u) << program;
        // A removal helper would be a command interpreter that outlives the uninstaller, waiting
        // for it to end: none runs.
        HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        ASSERT_NE(processes, INVALID_HANDLE_VALUE);
        PROCESSENTRY32 process = {};
        process.dwSize = sizeof process;
        for (BOOL more = Process32First(processes, &process); more; more = Process32Next(processes, &process)) {
            EXPECT_NE(_stricmp(process.szExeFile, "cmd.exe"), 0) << program << ": a removal helper was started";
        }
        CloseHandle(processes);
        EXPECT_EQ(Difference(withDamaged, ReadSystemState(folder, DefaultGroup)), "") << program;
    }
}

}  // namespace
}  // namespace reliability
