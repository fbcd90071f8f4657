// The welcome page and the start of the backdrop, driven from outside.
#include "installer_test.h"

namespace {

using WelcomePage = InstallerTest;

TEST_F(WelcomePage, OpensCentredOnTheScreenWithTheFocusOnContinue) {
    POINT expected = PagePositionOnScreen(welcome);
    RECT r = WindowRectOf(welcome);
    EXPECT_EQ(r.left, expected.x);
    EXPECT_EQ(r.top, expected.y);
    EXPECT_EQ(ItemText(welcome, IDC_CONTINUE), "Continue");
    EXPECT_EQ(ItemText(welcome, IDC_CANCEL), "Cancel");
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(welcome) == Item(welcome, IDC_CONTINUE); }, SettleTimeoutMs));
    EXPECT_EQ(run.Backdrop(), nullptr);
}

TEST_F(WelcomePage, NamesTheProductInItsExplanationButNotInItsCaption) {
    EXPECT_EQ(TextOf(welcome), "Porvane");
    EXPECT_EQ(ItemText(welcome, IDC_EXPLANATION),
              "This program will install Vantrel to your computer. It is recommended that you "
              "quit all running programs before you continue. You will need to restart your "
              "computer when finished.");
}

TEST_F(WelcomePage, DrawsItsExplanationInNavyOnTheButtonFace) {
    RECT box = WindowRectOf(Item(welcome, IDC_EXPLANATION));
    Screenshot shot;
    ASSERT_TRUE(CaptureSteadyScreen(&shot));
    EXPECT_GT(shot.CountColor(box, ExplanationTextColor), 100);
    EXPECT_GT(shot.CountColor(box, GetSysColor(COLOR_BTNFACE)), 0);
    // The title above it keeps the default text colour.
    HWND title = ChildWithText(welcome, "Porvane For Windows");
    ASSERT_NE(title, nullptr);
    RECT above = WindowRectOf(title);
    EXPECT_GT(shot.CountColor(above, GetSysColor(COLOR_BTNTEXT)), 100);
    EXPECT_EQ(shot.CountColor(above, ExplanationTextColor), 0);
}

// Cancel and Esc end the installer at once: no backdrop, no message, exit code 1.
void ExpectSilentEndWithoutBackdrop(InstallerRun& run, DWORD exitCode) {
    EXPECT_EQ(exitCode, 1u);
    EXPECT_FALSE(run.watch.SawClass(BackdropClass)) << "a backdrop was created";
    EXPECT_EQ(run.watch.CountSeen(PageClass, nullptr), 0) << "a dialog or message box was shown";
}

TEST_F(WelcomePage, CancelEndsWithoutBackdropOrMessage) {
    ClickButton(welcome, IDC_CANCEL);
    DWORD code = ExitCode();
    ExpectSilentEndWithoutBackdrop(run, code);
}

TEST_F(WelcomePage, EscapeEndsWithoutBackdropOrMessage) {
    ASSERT_TRUE(PressKey(welcome, VK_ESCAPE));
    DWORD code = ExitCode();
    ExpectSilentEndWithoutBackdrop(run, code);
}

// Two installers of one product would clean and write over each other: the second ends at once,
// silently, and the first comes to the front.
TEST_F(WelcomePage, ASecondInstallerEndsSilentlyAndBringsTheFirstForward) {
    InstallerRun second;
    std::string error;
    ASSERT_TRUE(second.Start(&error)) << error;
    DWORD code = 0;
    ASSERT_TRUE(second.WaitForEnd(EndTimeoutMs, &code)) << "the second installer did not end";
    ExpectSilentEndWithoutBackdrop(second, code);
    EXPECT_TRUE(IsWindowVisible(welcome));
    EXPECT_EQ(GetForegroundWindow(), welcome);
}

TEST_F(WelcomePage, ContinueCoversTheScreenWithATopmostBackdrop) {
    ClickButton(welcome, IDC_CONTINUE);
    HWND backdrop = run.WaitForBackdrop(PageTimeoutMs);
    ASSERT_NE(backdrop, nullptr);
    RECT r = WindowRectOf(backdrop);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.bottom, 768);
    EXPECT_TRUE(GetWindowLongA(backdrop, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(WaitForWindowGone(welcome, PageTimeoutMs));
    HWND license = run.WaitForPage(LicenseCaption, PageTimeoutMs);
    ASSERT_NE(license, nullptr);
    EXPECT_EQ(OwnerOf(license), backdrop);
}

TEST_F(WelcomePage, EnterWithTheFocusOnContinueGoesOn) {
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(welcome) == Item(welcome, IDC_CONTINUE); }, SettleTimeoutMs));
    ASSERT_TRUE(PressKey(welcome, VK_RETURN));
    EXPECT_NE(run.WaitForBackdrop(PageTimeoutMs), nullptr);
    EXPECT_NE(run.WaitForPage(LicenseCaption, PageTimeoutMs), nullptr);
}

// The backdrop's first paint comes 250 ms before the licence page opens (and moves the step
// marker). The step list is copied as often as possible from the moment the backdrop shows; a copy
// with every label drawn and none of them current can only come from that first paint. A copy
// missed on a busy machine is not a failure of the installer: the run is repeated, a few times.
TEST_F(WelcomePage, BackdropFirstPaintShowsEveryStepAsNotCurrent) {
    const int attempts = 3;
    std::string report;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) {
            run.End();
            std::string error;
            ASSERT_TRUE(run.Start(&error)) << error;
            welcome = run.WaitForWelcome(PageTimeoutMs);
            ASSERT_NE(welcome, nullptr);
        }
        ClickButton(welcome, IDC_CONTINUE);
        ASSERT_NE(run.WaitForBackdrop(PageTimeoutMs), nullptr);
        RECT area = {0, 0, SideBarWidth, StepLabelBox(StepCount - 1).bottom};
        bool complete = false;
        std::string firstComplete;
        // Until the licence page comes (250 ms after the backdrop) or the installer ends.
        for (const DWORD start = GetTickCount(); GetTickCount() - start < PageTimeoutMs;) {
            Screenshot shot;
            ASSERT_TRUE(CaptureArea(area, &shot));
            StepRow rows[StepCount];
            ReadStepList(shot, rows);
            std::string why;
            if (StepListShows(rows, -1, &why)) return;  // the first paint, as it should be
            bool allDrawn = true;
            for (const StepRow& row : rows) allDrawn = allDrawn && row.current + row.other > 0;
            if (allDrawn && !complete) {
                complete = true;
                firstComplete = why;
            }
            if (FindTopWindow(run.child.processId, PageClass, nullptr, false) || !run.Running())
                break;
            Sleep(2);
        }
        report += "run " + std::to_string(attempt + 1) + ", first complete copy of the step list:\n" +
                  (complete ? firstComplete : std::string("(none before the licence page)\n"));
    }
    ADD_FAILURE() << "no copy of the first paint showed all seven steps as not current\n" << report;
}

}  // namespace
