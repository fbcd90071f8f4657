// The licence page over the backdrop, driven from outside.
#include "installer_test.h"

namespace {

class LicensePage : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        if (HasFatalFailure()) return;
        page = OpenLicensePage();
        ASSERT_NE(page, nullptr) << "the licence page did not appear";
        backdrop = run.Backdrop();
        ASSERT_NE(backdrop, nullptr);
    }

    // Declining ends the installer without a word: the licence page was the only dialog.
    void ExpectSilentEnd() {
        EXPECT_EQ(ExitCode(), 1u);
        EXPECT_EQ(run.watch.CountSeen(PageClass, nullptr), 1) << "a message box was shown";
        EXPECT_FALSE(IsWindow(backdrop));
    }

    // Agreeing runs the next page of the chain, the program location page.
    void ExpectLocationPageNext() {
        HWND location = run.WaitForPage(LocationCaption, PageTimeoutMs);
        ASSERT_NE(location, nullptr) << "the location page did not follow";
        EXPECT_EQ(OwnerOf(location), backdrop);
        EXPECT_FALSE(IsWindow(page));
        EXPECT_TRUE(run.Running());
    }

    struct Layout {
        RECT box, agree, disagree;
    };
    Layout ReadLayout() {
        return Layout{RectInParent(Item(page, IDC_LICENSE_TEXT)),
                      RectInParent(Item(page, IDC_CONTINUE)), RectInParent(Item(page, IDC_CANCEL))};
    }
    // The frame's new size shows before the page has laid out its controls for it; the layout
    // is given a moment to follow.
    void ExpectFollowedTheFrame(const Layout& before, int dx, int dy) {
        Layout after;
        WaitUntil(
            [&] {
                after = ReadLayout();
                return after.box.right == before.box.right + dx &&
                       after.box.bottom == before.box.bottom + dy &&
                       after.disagree.left == before.disagree.left + dx &&
                       after.disagree.top == before.disagree.top + dy;
            },
            SettleTimeoutMs);
        EXPECT_EQ(after.box.left, before.box.left);
        EXPECT_EQ(after.box.top, before.box.top);
        EXPECT_EQ(after.box.right, before.box.right + dx);
        EXPECT_EQ(after.box.bottom, before.box.bottom + dy);
        ExpectMovedBy(before.agree, after.agree, dx, dy, "I Agree");
        ExpectMovedBy(before.disagree, after.disagree, dx, dy, "I Disagree");
    }
    static void ExpectMovedBy(const RECT& before, const RECT& after, int dx, int dy,
                              const char* what) {
        EXPECT_EQ(after.left, before.left + dx) << what;
        EXPECT_EQ(after.top, before.top + dy) << what;
        EXPECT_EQ(after.right, before.right + dx) << what;
        EXPECT_EQ(after.bottom, before.bottom + dy) << what;
    }

    HWND page = nullptr;
    HWND backdrop = nullptr;
};

TEST_F(LicensePage, HasTheProductInItsCaptionAndTheFocusOnIAgree) {
    EXPECT_EQ(TextOf(page), "Vantrel License Agreement");
    EXPECT_EQ(ItemText(page, IDC_CONTINUE), "I Agree");
    EXPECT_EQ(ItemText(page, IDC_CANCEL), "I Disagree");
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(page) == Item(page, IDC_CONTINUE); }, SettleTimeoutMs));
}

TEST_F(LicensePage, IsCentredRightOfTheSideBar) {
    POINT expected = PagePositionRightOfSideBar(page);
    RECT r = WindowRectOf(page);
    EXPECT_EQ(r.left, expected.x);
    EXPECT_EQ(r.top, expected.y);
    EXPECT_GT(r.left, SideBarWidth);
}

TEST_F(LicensePage, ShowsExactlyTheLicenceText) {
    std::string license;
    ASSERT_TRUE(ReadWholeFile(PORVANE_LICENSE_PATH, &license)) << PORVANE_LICENSE_PATH;
    ASSERT_EQ(license.size(), 5321u);
    std::string shown = ItemText(page, IDC_LICENSE_TEXT);
    EXPECT_EQ(shown.size(), license.size());
    EXPECT_TRUE(shown == license) << "the box differs from the licence text";
}

TEST_F(LicensePage, MarksOnlyTheLicenseAgreementStepAsCurrent) {
    Screenshot shot;
    ASSERT_TRUE(CaptureSteadyScreen(&shot));
    StepRow rows[StepCount];
    ReadStepList(shot, rows);
    std::string why;
    EXPECT_TRUE(StepListShows(rows, 0, &why)) << why;
}

TEST_F(LicensePage, IDisagreeEndsWithoutMessage) {
    ClickButton(page, IDC_CANCEL);
    ExpectSilentEnd();
}

TEST_F(LicensePage, EscapeEndsWithoutMessage) {
    ASSERT_TRUE(PressKey(page, VK_ESCAPE));
    ExpectSilentEnd();
}

TEST_F(LicensePage, IAgreeGoesOnToTheLocationPage) {
    ClickButton(page, IDC_CONTINUE);
    ExpectLocationPageNext();
}

TEST_F(LicensePage, EnterRightAfterOpeningGoesOnLikeIAgree) {
    ASSERT_TRUE(PressKey(page, VK_RETURN));
    ExpectLocationPageNext();
}

TEST_F(LicensePage, EnterInTheLicenceBoxGoesOnLikeIAgree) {
    HWND box = Item(page, IDC_LICENSE_TEXT);
    ASSERT_TRUE(BringToForeground(page));
    ASSERT_TRUE(ClickCenter(box));
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(page) == box; }, SettleTimeoutMs));
    ASSERT_TRUE(PressKey(page, VK_RETURN));
    ExpectLocationPageNext();
}

TEST_F(LicensePage, GrowingTheFrameGrowsTheBoxAndMovesTheButtons) {
    Layout before = ReadLayout();
    ASSERT_TRUE(DragFrameCorner(page, 40, 30));
    ExpectFollowedTheFrame(before, 40, 30);
}

TEST_F(LicensePage, ShrinkingTheFrameShrinksTheBoxAndMovesTheButtons) {
    Layout before = ReadLayout();
    ASSERT_TRUE(DragFrameCorner(page, -40, -30));
    ExpectFollowedTheFrame(before, -40, -30);
}

}  // namespace
