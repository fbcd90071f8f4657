// Reinstallations that do not complete, over an installation with the user's files beside it:
// ended on the group page, or killed (SIGKILL) while copying or on the shortcut page. Each leaves
// the system exactly as it was: at once when ended, at the next start when killed, or at the first
// start that can reach the installation's drive again.
#include "reliability_helpers.h"
#include "text.h"

namespace reliability {
namespace {

using namespace installation;

const char Folder[] = "C:\\Reliability\\Apps\\Vantrel";
const char DriveFolder[] = "D:\\Apps\\Vantrel";  // D: leads to C:\Reliability\DriveD

class ReliabilityJournal : public ReliabilityTest {
protected:
    void SetUp() override {
        ReliabilityTest::SetUp();
        if (folder == DriveFolder) {
            MakeFolders(std::string(TestRoot) + "\\DriveD");
            ASSERT_EQ(HostCommand("drive-map d Reliability/DriveD"), "ok");
        }
        std::string why;
        Installation first;
        ASSERT_TRUE(Install(folder, DefaultGroup, &first, &why)) << why;
        ASSERT_TRUE(WriteWholeFile(folder + "\\My notes.txt", "the user's own text"));
        ASSERT_TRUE(WriteWholeFile(folder + "\\Notes.DAT.bak", "a backup", FILE_ATTRIBUTE_HIDDEN));
        MakeFolders(folder + "\\Letters");
        ASSERT_TRUE(WriteWholeFile(folder + "\\Letters\\draft.txt", "Dear reader", FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(WriteWholeFile(UninstallerPath(), "an earlier uninstaller"));  // must come back
        before = ReadSystemState(folder, DefaultGroup);
    }

    // A reinstallation killed while copying or on the shortcut page: its changes are on the disk.
    void KillAReinstallation(bool onShortcutPage) {
        InstallerRun run;
        std::string why;
        HWND installing = StartInstalling(run, folder, &why);
        ASSERT_NE(installing, nullptr) << why;
        if (onShortcutPage) {
            HWND group = WaitForGroupPage(run);
            ASSERT_NE(group, nullptr);
            ASSERT_NE(ContinueToShortcuts(run, group), nullptr);
        } else {
            ASSERT_TRUE(WaitUntil([&] { return ItemText(installing, IDC_CURRENT_FILE) == "4"; }, WorkTimeoutMs));
        }
        ASSERT_EQ(HostCommand("kill-installer"), "ok");
        EXPECT_TRUE(run.WaitForEnd(StepTimeoutMs, nullptr));
        ASSERT_TRUE(Exists(JournalFile));
        EXPECT_NE(Difference(before, ReadSystemState(folder, DefaultGroup)), "") << "killed before any change";
    }

    std::string folder = Folder;
    SystemState before;
};

class ReliabilityJournalOnDrive : public ReliabilityJournal {
protected:
    void SetUp() override {
        folder = DriveFolder;
        ReliabilityJournal::SetUp();
    }
};

// Escape on the group page, and a group whose folder cannot be made (a file of its name is in the
// way): the abort notice, then everything as it was.
TEST_F(ReliabilityJournal, ARunEndedOnTheGroupPageIsUndone) {
    ASSERT_TRUE(WriteWholeFile(ProgramsFolder() + "\\Blocked", "a file in the way"));
    for (const bool blocked : {false, true}) {
        SCOPED_TRACE(blocked ? "group folder cannot be made" : "Escape");
        InstallerRun run;
        std::string why;
        ASSERT_NE(StartInstalling(run, folder, &why), nullptr) << why;
        HWND group = WaitForGroupPage(run);
        ASSERT_NE(group, nullptr);
        if (blocked) {
            SetEditText(Item(group, IDC_GROUP_COMBO), "Blocked");
            ClickButton(group, IDC_GROUP_CONTINUE);
            ExpectStoppedWith(AnswerStop(run), ShortcutsFailedText);
        } else {
            ASSERT_TRUE(PressKey(group, VK_ESCAPE));
            EXPECT_EQ(AnswerNextBox(run, IDOK), AbortNoticeText);
            EXPECT_TRUE(run.WaitForEnd(StepTimeoutMs, nullptr));
        }

        EXPECT_EQ(Difference(before, ReadSystemState(folder, DefaultGroup)), "");
        EXPECT_FALSE(Exists(JournalFile));
    }
}

TEST_F(ReliabilityJournal, AKilledRunIsUndoneAtTheNextStartBeforeItsWelcome) {
    for (const bool onShortcutPage : {false, true}) {
        SCOPED_TRACE(onShortcutPage ? "killed on the shortcut page" : "killed while copying");
        ASSERT_NO_FATAL_FAILURE(KillAReinstallation(onShortcutPage));
        InstallerRun next;
        std::string why;
        ASSERT_TRUE(next.Start(&why)) << why;
        HWND welcome = next.WaitForWelcome(StepTimeoutMs);
        ASSERT_NE(welcome, nullptr);
        EXPECT_EQ(Difference(before, ReadSystemState(folder, DefaultGroup)), "");
        EXPECT_FALSE(Exists(JournalFile));
    }
}

// A start while the drive is away says what it cannot reach and keeps the journal; the start
// after the drive is back finishes the undo.
TEST_F(ReliabilityJournalOnDrive, AKilledRunWhoseDriveIsAwayIsUndoneOnceItIsBack) {
    for (const bool onShortcutPage : {false, true}) {
        SCOPED_TRACE(onShortcutPage ? "killed on the shortcut page" : "killed while copying");
        ASSERT_NO_FATAL_FAILURE(KillAReinstallation(onShortcutPage));
        ASSERT_EQ(HostCommand("drive-unmap d"), "ok");
        for (const bool driveBack : {false, true}) {
            InstallerRun next;
            std::string why;
            ASSERT_TRUE(next.Start(&why)) << why;
            if (!driveBack) {
                const std::string box = AnswerNextBox(next, IDOK);
                EXPECT_EQ(box.find(UndoStuckFormat, 0, 40), 0u) << box;
                EXPECT_NE(box.find(std::string("\r\n") + DriveFolder + "\\"), std::string::npos) << box;
                EXPECT_TRUE(next.WaitForEnd(StepTimeoutMs, nullptr));
                ASSERT_TRUE(Exists(JournalFile)) << "a journal whose drive is away stays";
                ASSERT_EQ(HostCommand("drive-map d Reliability/DriveD"), "ok");
            } else {
                ASSERT_NE(next.WaitForWelcome(StepTimeoutMs), nullptr);
            }
        }
        EXPECT_EQ(Difference(before, ReadSystemState(folder, DefaultGroup)), "");
        EXPECT_FALSE(Exists(JournalFile));
    }
}

// An undo that cannot finish (another program holds a new file open) keeps its journal; once the
// program lets go, the next start finishes it. What the first undo put back stays put back.
TEST_F(ReliabilityJournal, AnUndoStoppedByAHeldFileIsFinishedAtTheNextStartWithNothingLost) {
    const std::string held = folder + "\\Vantrel.hlp";
    ASSERT_TRUE(WriteWholeFile(folder + "\\Order.txt", "edited by the user"));
    before = ReadSystemState(folder, DefaultGroup);
    {
        InstallerRun run;
        std::string why;
        ASSERT_NE(StartInstalling(run, folder, &why), nullptr) << why;
        HWND group = WaitForGroupPage(run);
        ASSERT_NE(group, nullptr);
        HeldFile holder(held);
        ASSERT_TRUE(holder.held());
        ASSERT_TRUE(PressKey(group, VK_ESCAPE));
        EXPECT_EQ(AnswerNextBox(run, IDOK), AbortNoticeText);
        char stuck[MAX_PATH * 2];
        const char* const args[] = {held.c_str()};
        ASSERT_TRUE(FormatText(stuck, sizeof stuck, UndoStuckFormat, args, 1));
        EXPECT_EQ(AnswerNextBox(run, IDOK), stuck);
        EXPECT_TRUE(run.WaitForEnd(StepTimeoutMs, nullptr));
        ASSERT_TRUE(Exists(JournalFile)) << "an unfinished undo keeps its journal";
    }
    InstallerRun next;
    std::string why;
    ASSERT_TRUE(next.Start(&why)) << why;
    ASSERT_NE(next.WaitForWelcome(StepTimeoutMs), nullptr);
    EXPECT_EQ(Difference(before, ReadSystemState(folder, DefaultGroup)), "");
    EXPECT_FALSE(Exists(JournalFile));
}

}  // namespace
}  // namespace reliability
