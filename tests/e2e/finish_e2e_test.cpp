// The end of an installation with the read-me accepted: Notepad shows the read-me from the install
// folder while the backdrop waits minimised, and the restart notice comes only once it is closed.
#include <windows.h>

#include "install_fixture.h"

namespace {

using namespace installation;

using FinishWithReadMe = InstallationTest;

TEST_F(FinishWithReadMe, NotepadShowsTheReadMeAndTheRestartNoticeFollowsOnlyWhenItCloses) {
    HWND group = OpenGroupPage();
    ASSERT_NE(group, nullptr);
    ASSERT_NE(ContinueToShortcuts(run, group), nullptr);
    HWND question = WaitForInstallerBox(run, WorkTimeoutMs);
    ASSERT_NE(question, nullptr);
    ASSERT_EQ(MessageBoxText(question), ReadMeQuestionText);
    HWND backdrop = run.Backdrop();
    ASSERT_NE(backdrop, nullptr);
    ASSERT_TRUE(Answer(question, IDYES));

    HWND notepad = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (notepad = FindWindowOfOtherProcess("Notepad", run.child.processId)) != nullptr; },
        StepTimeoutMs))
        << "Notepad did not open";
    DWORD notepadId = 0;
    GetWindowThreadProcessId(notepad, &notepadId);
    std::string folder;
    ASSERT_TRUE(CurrentDirectoryOf(notepadId, &folder));
    // The process parameters keep the directory with its trailing backslash.
    EXPECT_TRUE(folder == std::string(DefaultFolder) || folder == std::string(DefaultFolder) + "\\")
        << folder;
    // The quoted path reached the editor whole, spaces and all: it shows the read-me.
    HWND text = FindWindowExA(notepad, nullptr, "Edit", nullptr);
    ASSERT_NE(text, nullptr);
    const std::string readMe = ReadFileOrMissing(std::string(DefaultFolder) + "\\Read Me.txt");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(text) == readMe; }, StepTimeoutMs))
        << "Notepad shows: " << TextOf(text).substr(0, 200);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(backdrop) != FALSE; }, StepTimeoutMs))
        << "the backdrop is not minimised while Notepad runs";

    // The installer waits for Notepad without a time limit: however long it stays, nothing more.
    EXPECT_TRUE(StaysAway([&] { return MessageBoxesSeen() != 1 || !IsIconic(backdrop); }, 1000));
    EXPECT_EQ(MessageBoxesSeen(), 1) << "a box came while Notepad was open";
    EXPECT_TRUE(IsIconic(backdrop));

    CloseNotepads(run.child.processId);
    HWND notice = WaitForInstallerBox(run);
    ASSERT_NE(notice, nullptr) << "no restart notice after Notepad closed";
    EXPECT_EQ(MessageBoxText(notice), RestartNoticeText);
    EXPECT_FALSE(IsIconic(backdrop));
    EXPECT_TRUE(IsWindowVisible(backdrop));
    ASSERT_TRUE(Answer(notice, IDOK));
    EXPECT_EQ(ExitCode(), 1u);
}

}  // namespace
