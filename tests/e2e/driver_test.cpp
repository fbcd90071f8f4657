// The driver checked against a small page of known behaviour, so that an end-to-end failure
// points at the installer and not at the way it was driven.
#include <gtest/gtest.h>

#include <string.h>

#include "driver.h"
#include "sample_app.h"

namespace {

const DWORD WindowTimeoutMs = 10000;

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(StartProgram(SAMPLE_APP_PATH, &child, &error)) << error;
        page = WaitForTopWindow(child.processId, "#32770", "Sample Page", WindowTimeoutMs);
        ASSERT_NE(page, nullptr) << "the sample page did not appear";
    }
    void TearDown() override { EndProgram(&child); }

    DWORD ExitCode() {
        DWORD code = 0;
        EXPECT_TRUE(WaitForExit(&child, WindowTimeoutMs, &code)) << "the sample did not end";
        return code;
    }

    Watchdog watchdog{"driver test", 60000, &child};
    ChildProgram child;
    HWND page = nullptr;
};

std::string ClientSizeText(HWND window) {
    RECT r = ClientRectOf(window);
    return std::to_string(r.right - r.left) + " x " + std::to_string(r.bottom - r.top);
}

TEST_F(DriverTest, ReadsStaticListAndComboTextsOfAnotherProcess) {
    EXPECT_EQ(ItemText(page, SAMPLE_SIZE), ClientSizeText(page));
    EXPECT_EQ(ListBoxEntries(Item(page, SAMPLE_LIST)),
              (std::vector<std::string>{"alpha", "bravo", "charlie", "delta", "echo"}));
    EXPECT_EQ(ComboBoxEntries(Item(page, SAMPLE_COMBO)),
              (std::vector<std::string>{"Games", "Office", "Tools"}));
    EXPECT_EQ(TextOf(page), "Sample Page");
}

TEST_F(DriverTest, EscapeKeyReachesTheDialogManager) {
    ASSERT_TRUE(PressKey(page, VK_ESCAPE));
    EXPECT_EQ(ExitCode(), 10u + IDCANCEL);
}

TEST_F(DriverTest, EnterKeyPressesTheDefaultButton) {
    ASSERT_TRUE(PressKey(page, VK_RETURN));
    HWND box = WaitForMessageBox(child.processId, page, "Sample", WindowTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Typed: ");
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    EXPECT_EQ(ExitCode(), 10u + IDOK);
}

TEST_F(DriverTest, TypedTextReplacesTheEditText) {
    HWND edit = Item(page, SAMPLE_EDIT);
    ASSERT_TRUE(TypeText(edit, "old"));
    ASSERT_TRUE(WaitUntil([&] { return TextOf(edit) == "old"; }, SettleTimeoutMs)) << TextOf(edit);
    ASSERT_TRUE(TypeText(edit, "C:\\Some Folder\\x"));
    ASSERT_TRUE(WaitUntil([&] { return TextOf(edit) == "C:\\Some Folder\\x"; }, SettleTimeoutMs))
        << TextOf(edit);
    ClickButton(page, IDOK);
    HWND box = WaitForMessageBox(child.processId, page, "Sample", WindowTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Typed: C:\\Some Folder\\x");
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    EXPECT_EQ(ExitCode(), 10u + IDOK);
}

TEST_F(DriverTest, PastedTextReachesTheProgram) {
    SetEditText(Item(page, SAMPLE_EDIT), "pasted");
    ClickButton(page, IDOK);
    HWND box = WaitForMessageBox(child.processId, page, "Sample", WindowTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Typed: pasted");
}

TEST_F(DriverTest, MessageBoxAnswersReachTheProgram) {
    HWND chosen = Item(page, SAMPLE_CHOSEN);
    ClickButton(page, SAMPLE_ASK);
    HWND box = WaitForMessageBox(child.processId, page, "Sample", WindowTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Proceed?");
    EXPECT_EQ(TextOf(box), "Sample");
    ASSERT_TRUE(AnswerMessageBox(box, IDNO));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(chosen) == "no"; }, SettleTimeoutMs));
    EXPECT_TRUE(WaitForWindowGone(box, SettleTimeoutMs));

    ClickButton(page, SAMPLE_ASK);
    box = WaitForMessageBox(child.processId, page, "Sample", WindowTimeoutMs);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(chosen) == "yes"; }, SettleTimeoutMs));
}

TEST_F(DriverTest, DoubleClickOnAListEntryNotifiesThePage) {
    HWND list = Item(page, SAMPLE_LIST);
    ASSERT_TRUE(DoubleClickListEntry(list, 3));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(page, SAMPLE_CHOSEN) == "delta"; }, SettleTimeoutMs))
        << ItemText(page, SAMPLE_CHOSEN);
    EXPECT_EQ(ListBoxSelection(list), 3);
    // The last entry lies below the visible rows and is scrolled into view first.
    ASSERT_TRUE(DoubleClickListEntry(list, 4));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(page, SAMPLE_CHOSEN) == "echo"; }, SettleTimeoutMs))
        << ItemText(page, SAMPLE_CHOSEN);
}

TEST_F(DriverTest, ResizingFromOutsideSendsTheNewSize) {
    RECT before = WindowRectOf(page);
    ASSERT_TRUE(ResizeWindow(page, before.right - before.left + 40, before.bottom - before.top + 30));
    EXPECT_EQ(ItemText(page, SAMPLE_SIZE), ClientSizeText(page));
    RECT after = WindowRectOf(page);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

TEST_F(DriverTest, DraggingTheFrameCornerResizesThePage) {
    RECT before = ClientRectOf(page);
    ASSERT_TRUE(DragFrameCorner(page, 40, 30));
    RECT after = ClientRectOf(page);
    EXPECT_EQ(after.right - after.left, before.right - before.left + 40);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top + 30);
    EXPECT_TRUE(WaitUntil([&] { return ItemText(page, SAMPLE_SIZE) == ClientSizeText(page); },
                          SettleTimeoutMs));
    ASSERT_TRUE(DragFrameCorner(page, -40, -30));
    EXPECT_EQ(ClientRectOf(page).right, before.right);
}

TEST_F(DriverTest, ScreenshotHoldsThePaintedColours) {
    HWND swatch = Item(page, SAMPLE_SWATCH);
    RECT r = WindowRectOf(swatch);
    Screenshot shot;
    ASSERT_TRUE(WaitUntil(
        [&] { return CaptureScreen(&shot) && shot.CountColor(r, SampleSwatchColor) > 0; }, SettleTimeoutMs));
    EXPECT_EQ(shot.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(shot.CountColor(r, SampleSwatchColor), (r.right - r.left) * (r.bottom - r.top));
    RECT outside = {r.right, r.top, r.right + 10, r.bottom};
    EXPECT_EQ(shot.CountColor(outside, SampleSwatchColor), 0);

    Screenshot crop = shot.Crop(r);
    EXPECT_EQ(crop.width, r.right - r.left);
    EXPECT_EQ(crop.At(0, 0), SampleSwatchColor);
}

TEST_F(DriverTest, WatchSeesAWindowThatLivesOnlyBriefly) {
    WindowWatch watch;
    watch.Start(child.processId);
    EXPECT_FALSE(watch.SawClass("SampleFlash"));
    ClickButton(page, SAMPLE_FLASH);
    ASSERT_TRUE(WaitUntil([&] { return watch.SawClass("SampleFlash"); }, SettleTimeoutMs));
    watch.Stop();
    EXPECT_EQ(watch.CountSeen("#32770", "Sample Page"), 1);
}

TEST_F(DriverTest, WaitForExitEndsAProgramThatDoesNotFinish) {
    DWORD code = 0;
    EXPECT_FALSE(WaitForExit(&child, 300, &code));
    EXPECT_FALSE(IsRunning(child));
}

}  // namespace

namespace {

// A label whose text grows by ten characters each time its length is asked for: the text a
// counting label shows between the two requests of a read.
LRESULT CALLBACK GrowingLabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static int shown = 4;
    const char digits[] = "0123456789012345678901234567890123456789012345678901234567890123456789";
    if (message == WM_GETTEXTLENGTH) {
        LRESULT length = shown;
        shown += 10;
        return length;
    }
    if (message == WM_GETTEXT) {
        int length = shown < (int)wParam - 1 ? shown : (int)wParam - 1;
        memcpy((char*)lParam, digits, (size_t)length);
        ((char*)lParam)[length] = '\0';
        return length;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

TEST(DriverText, ATextThatGrowsWhileItIsReadIsReadWhole) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = GrowingLabelProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DriverGrowingLabel";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    HWND label = CreateWindowA("DriverGrowingLabel", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
    ASSERT_NE(label, nullptr);
    // Asked for 4 characters, it holds 14 when copied.
    EXPECT_EQ(TextOf(label), "01234567890123");
    DestroyWindow(label);
}

namespace {

// A list whose one entry becomes longer between the length asked and the text copied, as when a
// page refills its list while the driver reads it: "C:\\" is asked for, "C:\\Program Files" copied.
LRESULT CALLBACK RefilledListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static const wchar_t* entry = L"C:\\";
    switch (message) {
    case LB_GETCOUNT:
        return 1;
    case LB_GETTEXTLEN: {
        const LRESULT length = (LRESULT)wcslen(entry);
        entry = L"C:\\Program Files";
        return length;
    }
    case LB_GETTEXT:
        wcscpy((wchar_t*)lParam, entry);
        return (LRESULT)wcslen(entry);
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

TEST(DriverText, AListEntryThatGrowsWhileItIsReadIsReadWholeAndWithinItsBuffer) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = RefilledListProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"DriverRefilledList";
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    HWND list = CreateWindowW(L"DriverRefilledList", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListBoxEntries(list), std::vector<std::string>{"C:\\Program Files"});
    DestroyWindow(list);
}
