// The shell and its page services, the welcome page and the licence page, run in this process
// with the installer's own templates, icons and licence text.
#include <gtest/gtest.h>

#include <windows.h>
#include <string.h>

#include <string>

#include "../common/expected_texts.h"
#include "manifest.h"
#include "pages.h"
#include "pagetest.h"
#include "resource.h"
#include "shell.h"
#include "wizardtest.h"

using wizardtest::KeyPress;
using wizardtest::PrepareSession;

namespace {

// A dialog procedure that does nothing, to look at a template as the system builds it.
INT_PTR CALLBACK PlainPage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::string WindowText(HWND window) {
    char text[1024];
    wizardtest::Text(window, text, sizeof text);
    return text;
}

std::string ProductName() { return Manifest.product.productName; }

// A plain top-level window of a given outer size, for placement tests.
HWND MakeFrame(int width, int height) {
    return CreateWindowExA(0, "STATIC", "frame", WS_POPUP, 10, 10, width, height, NULL, NULL, NULL, NULL);
}

RECT FrameOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

// ------------------------------------------------------------------------------------------------

class Shell : public ::testing::Test {
protected:
    void SetUp() override { PrepareSession(); }
};

TEST_F(Shell, SessionRecordsTheInstanceAndTheScreenSize) {
    EXPECT_EQ(GetModuleHandleA(NULL), Session.instance);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), Session.screenWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), Session.screenHeight);
}

TEST_F(Shell, DialogClassIsTheSystemDialogClassWithThirtyWindowBytesAndOurIcons) {
    WNDCLASSEXA system = {};
    system.cbSize = sizeof system;
    ASSERT_TRUE(GetClassInfoExA(NULL, MAKEINTATOM(32770), &system));
    WNDCLASSEXA ours = {};
    ours.cbSize = sizeof ours;
    ASSERT_TRUE(GetClassInfoExA(Session.instance, "InstallDlg", &ours));
    EXPECT_EQ(30, ours.cbWndExtra);
    EXPECT_EQ(system.cbClsExtra, ours.cbClsExtra);
    EXPECT_EQ(system.style, ours.style);
    EXPECT_EQ(system.hCursor, ours.hCursor);
    EXPECT_EQ(system.hbrBackground, ours.hbrBackground);
    EXPECT_NE(nullptr, ours.hIcon);
    EXPECT_NE(nullptr, ours.hIconSm);
}

TEST_F(Shell, BackdropClassHasOnlyByteAlignmentAnArrowAndTheWindowBrush) {
    WNDCLASSEXA backdrop = {};
    backdrop.cbSize = sizeof backdrop;
    ASSERT_TRUE(GetClassInfoExA(Session.instance, "InstallApp", &backdrop));
    EXPECT_EQ((UINT)CS_BYTEALIGNWINDOW, backdrop.style);
    EXPECT_EQ(0, backdrop.cbClsExtra);
    EXPECT_EQ(0, backdrop.cbWndExtra);
    EXPECT_EQ(LoadCursorA(NULL, (LPCSTR)IDC_ARROW), backdrop.hCursor);
    EXPECT_EQ(GetSysColorBrush(COLOR_WINDOW), backdrop.hbrBackground);
    EXPECT_EQ(nullptr, backdrop.lpszMenuName);
    EXPECT_NE(nullptr, backdrop.hIcon);
    EXPECT_NE(nullptr, backdrop.hIconSm);
}

TEST_F(Shell, RegisteringTheDialogClassAgainFailsQuietly) {
    EXPECT_EQ(0, RegisterDialogClass());
    WNDCLASSEXA ours = {};
    ours.cbSize = sizeof ours;
    EXPECT_TRUE(GetClassInfoExA(Session.instance, "InstallDlg", &ours));
}

// ------------------------------------------------------------------------------------------------

class PageServices : public Shell {
protected:
    void TearDown() override {
        Session.screenWidth = GetSystemMetrics(SM_CXSCREEN);
        Session.screenHeight = GetSystemMetrics(SM_CYSCREEN);
        for (HWND window : windows_) DestroyWindow(window);
    }
    HWND Keep(HWND window) {
        windows_[count_++] = window;
        return window;
    }

private:
    HWND windows_[8] = {};
    int count_ = 0;
};

TEST_F(PageServices, CenterPageCentresOnTheWholeScreen) {
    Session.screenWidth = 1024;
    Session.screenHeight = 768;
    HWND page = Keep(MakeFrame(260, 200));
    CenterPage(page, CentredOnScreen);
    const RECT r = FrameOf(page);
    EXPECT_EQ(382, r.left);
    EXPECT_EQ(284, r.top);
    EXPECT_EQ(260, r.right - r.left);
    EXPECT_EQ(200, r.bottom - r.top);
}

TEST_F(PageServices, CenterPageRightOfTheSideBarShiftsByHalfItsWidth) {
    Session.screenWidth = 1024;
    Session.screenHeight = 768;
    HWND page = Keep(MakeFrame(260, 200));
    CenterPage(page, CentredRightOfSideBar);
    const RECT r = FrameOf(page);
    EXPECT_EQ(457, r.left);
    EXPECT_EQ(284, r.top);
}

TEST_F(PageServices, CenterPageGivesAPageLargerThanTheScreenANegativePosition) {
    Session.screenWidth = 640;
    Session.screenHeight = 480;
    HWND page = Keep(MakeFrame(701, 521));
    CenterPage(page, CentredOnScreen);
    const RECT r = FrameOf(page);
    EXPECT_EQ(-30, r.left);  // -61 / 2, truncated toward zero
    EXPECT_EQ(-20, r.top);
}

TEST_F(PageServices, ApplyProductNameFormatsTheCaptionAndGivesTheSmallIcon) {
    HWND page = Keep(CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_LICENSE), NULL, PlainPage, 0));
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(nullptr, (HICON)SendMessageA(page, WM_GETICON, ICON_SMALL, 0));
    ApplyProductName(page, NameInCaption);
    EXPECT_EQ(ProductName() + " License Agreement", WindowText(page));
    EXPECT_NE(nullptr, (HICON)SendMessageA(page, WM_GETICON, ICON_SMALL, 0));
}

TEST_F(PageServices, ApplyProductNameOnTheExplanationLeavesTheCaptionAlone) {
    HWND page = Keep(CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_WELCOME), NULL, PlainPage, 0));
    ASSERT_NE(nullptr, page);
    ApplyProductName(page, NameInExplanation);
    EXPECT_EQ("Porvane", WindowText(page));
    EXPECT_EQ("This program will install " + ProductName() +
                  " to your computer. It is recommended that you quit all running programs before you "
                  "continue. You will need to restart your computer when finished.",
              WindowText(GetDlgItem(page, IDC_EXPLANATION)));
}

TEST_F(PageServices, ApplyProductNameFillsOnlyTheFirstPlaceholder) {
    HWND caption = Keep(CreateWindowExA(0, "STATIC", "%s|%s|%d", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL));
    ApplyProductName(caption, NameInCaption);
    EXPECT_EQ(ProductName() + "||%d", WindowText(caption));
}

TEST_F(PageServices, ApplyProductNameReadsAtMost199CharactersOfTemplate) {
    const std::string format = std::string(180, 'b') + "%s" + std::string(100, 'c');
    HWND caption = Keep(CreateWindowExA(0, "STATIC", format.c_str(), WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL));
    ASSERT_NE(nullptr, caption);
    ApplyProductName(caption, NameInCaption);
    const std::string result = WindowText(caption);
    EXPECT_EQ(std::string(180, 'b') + ProductName() + std::string(17, 'c'), result);
}

TEST_F(PageServices, TheExplanationIsNavyOnTheButtonFace) {
    HWND page = Keep(CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_WELCOME), NULL, PlainPage, 0));
    ASSERT_NE(nullptr, page);
    HDC dc = CreateCompatibleDC(NULL);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkColor(dc, RGB(4, 5, 6));
    const INT_PTR brush = ColorExplanation(dc, GetDlgItem(page, IDC_EXPLANATION));
    EXPECT_EQ((INT_PTR)GetSysColorBrush(COLOR_BTNFACE), brush);
    EXPECT_EQ((COLORREF)0x800000, GetTextColor(dc));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetBkColor(dc));
    DeleteDC(dc);
}

TEST_F(PageServices, OtherStaticsKeepTheDialogColours) {
    HWND page = Keep(CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_WELCOME), NULL, PlainPage, 0));
    ASSERT_NE(nullptr, page);
    HWND sunken = GetNextDlgGroupItem(page, GetDlgItem(page, IDC_EXPLANATION), TRUE);
    ASSERT_NE(nullptr, sunken);
    ASSERT_NE(IDC_EXPLANATION, GetDlgCtrlID(sunken));
    HDC dc = CreateCompatibleDC(NULL);
    SetTextColor(dc, RGB(1, 2, 3));
    EXPECT_EQ(0, ColorExplanation(dc, sunken));
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc));
    DeleteDC(dc);
}

// A window that records what its paints were asked to cover.
struct PaintLog {
    int paints;
    RECT last;
};
PaintLog Paints;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        ++Paints.paints;
        Paints.last = ps.rcPaint;
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeRecordingWindow() {
    WNDCLASSA recording = {};
    recording.lpfnWndProc = RecordingProc;
    recording.hInstance = GetModuleHandleA(NULL);
    recording.lpszClassName = "PorvaneRecordingWindow";
    RegisterClassA(&recording);
    HWND window = CreateWindowExA(0, recording.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, NULL, NULL,
                                  recording.hInstance, NULL);
    UpdateWindow(window);
    return window;
}

TEST_F(PageServices, SetWizardStepRepaintsExactlyTheStepListAtOnce) {
    HWND backdrop = Keep(MakeRecordingWindow());
    ASSERT_NE(nullptr, backdrop);
    Session.backdrop = backdrop;
    Paints = {};
    SetWizardStep(StepFiles);
    Session.backdrop = NULL;
    EXPECT_EQ((uint32_t)StepFiles, Session.currentStep);
    ASSERT_EQ(1, Paints.paints);  // painted inside the call, no message loop needed
    EXPECT_EQ(0, Paints.last.left);
    EXPECT_EQ(120, Paints.last.top);
    EXPECT_EQ(150, Paints.last.right);
    EXPECT_EQ(244, Paints.last.bottom);
}

TEST_F(PageServices, SetWizardStepReplacesThePreviousStep) {
    Session.backdrop = NULL;
    SetWizardStep(StepGroup);
    SetWizardStep(StepShortcuts);
    EXPECT_EQ((uint32_t)StepShortcuts, Session.currentStep);
}

// A window that counts the messages dispatched to it and notes when its timer ticked.
int Dispatched;
DWORD TimerTickAt;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++Dispatched;
    if (message == WM_TIMER) {
        TimerTickAt = GetTickCount();
        KillTimer(window, wParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Processor time of this thread so far, in milliseconds.
DWORD ThreadProcessorMs() {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
    return (DWORD)((((ULONGLONG)kernel.dwHighDateTime << 32 | kernel.dwLowDateTime) +
                    ((ULONGLONG)user.dwHighDateTime << 32 | user.dwLowDateTime)) / 10000);
}

HWND MakeCountingWindow() {
    WNDCLASSA counting = {};
    counting.lpfnWndProc = CountingProc;
    counting.hInstance = GetModuleHandleA(NULL);
    counting.lpszClassName = "PorvaneCountingWindow";
    RegisterClassA(&counting);
    return CreateWindowExA(0, counting.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, counting.hInstance, NULL);
}

TEST_F(PageServices, PumpMessagesForZeroMillisecondsHandlesOneMessageOfItsWindowOnly) {
    HWND page = Keep(MakeCountingWindow());
    HWND other = Keep(MakeCountingWindow());
    Dispatched = 0;
    PostMessageA(page, WM_APP, 0, 0);
    PostMessageA(page, WM_APP, 0, 0);
    PostMessageA(other, WM_APP, 0, 0);
    PumpMessages(page, 0);
    EXPECT_EQ(1, Dispatched);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, other, WM_APP, WM_APP, PM_REMOVE));  // still queued
    EXPECT_TRUE(PeekMessageA(&message, page, WM_APP, WM_APP, PM_REMOVE));   // the second one too
}

// The pump handles what is queued and what arrives meanwhile, returns neither before the
// interval is over nor long after, and sleeps between messages, also while a message of another
// window that it must not handle stays queued.
TEST_F(PageServices, PumpMessagesWaitsForItsWindowsMessagesUntilTheIntervalIsOver) {
    const DWORD interval = 500, timerAfter = 100, slack = 250;
    HWND page = Keep(MakeCountingWindow());
    HWND other = Keep(MakeCountingWindow());
    Dispatched = 0;
    TimerTickAt = 0;
    for (int i = 0; i < 5; ++i) PostMessageA(page, WM_APP, 0, 0);
    PostMessageA(other, WM_APP, 0, 0);
    const DWORD start = GetTickCount();
    ASSERT_NE(0u, SetTimer(page, 1, timerAfter, NULL));
    const DWORD processorBefore = ThreadProcessorMs();
    PumpMessages(page, interval);
    const DWORD took = GetTickCount() - start;
    const DWORD processor = ThreadProcessorMs() - processorBefore;
    EXPECT_GE(took, interval);
    EXPECT_LT(took, interval + slack);
    EXPECT_EQ(5, Dispatched);
    EXPECT_LT(TimerTickAt - start, interval) << "the timer's message waited for the end of the interval";
    EXPECT_LT(processor, interval / 10) << "the pump kept the processor busy";
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, other, WM_APP, WM_APP, PM_REMOVE));  // not the pump's to handle
}

// Paced pauses keep one cadence from the start of the work: work shorter than the pause that
// follows it ends inside that pause; after longer work the pause is whole again.
TEST_F(PageServices, PacedPausesTakeInTheWorkBeforeThemWhenItIsShorter) {
    const DWORD pause = 400, shortWork = 150, longWork = 500, slack = 100;
    HWND page = Keep(MakeCountingWindow());
    StartPacedPauses();
    const DWORD start = GetTickCount();
    PumpMessages(page, shortWork);  // the work: a pump that is not paced takes its whole time
    PumpMessagesPaced(page, pause);
    const DWORD withShortWork = GetTickCount() - start;
    PumpMessages(page, longWork);
    const DWORD afterLongWork = GetTickCount();
    PumpMessagesPaced(page, pause);
    const DWORD pauseAfterLongWork = GetTickCount() - afterLongWork;
    EXPECT_GE(withShortWork, pause);
    EXPECT_LT(withShortWork, pause + slack) << "the work came on top of the pause";
    EXPECT_GE(pauseAfterLongWork, pause);
    EXPECT_LT(pauseAfterLongWork, pause + slack);
}

TEST_F(PageServices, AbortNoticeNamesTheSupportAddressUnderTheInstallersCaption) {
    pagetest::MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.hooked());
    EXPECT_EQ(0, ShowAbortNotice(NULL));
    const std::vector<pagetest::SeenBox> boxes = catcher.Stop();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(AbortNoticeText, boxes[0].text);
}

// ------------------------------------------------------------------------------------------------

class WelcomeDialog : public Shell {};

TEST_F(WelcomeDialog, OpensCentredOnTheScreenWithTheProductNameAndFocusOnContinue) {
    HWND page = CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_WELCOME), NULL, WelcomeProc, 0);
    ASSERT_NE(nullptr, page);
    const RECT r = FrameOf(page);
    EXPECT_EQ((Session.screenWidth - (r.right - r.left)) / 2, r.left);
    EXPECT_EQ((Session.screenHeight - (r.bottom - r.top)) / 2, r.top);
    EXPECT_EQ("Porvane", WindowText(page));
    EXPECT_NE(std::string::npos, WindowText(GetDlgItem(page, IDC_EXPLANATION)).find("install " + ProductName() + " to"));
    EXPECT_EQ(GetDlgItem(page, IDC_CONTINUE), GetFocus());
    char className[32] = "";
    GetClassNameA(page, className, sizeof className);
    EXPECT_STREQ("InstallDlg", className);
    DestroyWindow(page);
}

TEST_F(WelcomeDialog, EnterContinuesWith1) {
    EXPECT_EQ(1, KeyPress::Run(IDD_WELCOME, WelcomeProc, NULL, VK_RETURN));
}

TEST_F(WelcomeDialog, EscapeCancelsWith2) {
    EXPECT_EQ(2, KeyPress::Run(IDD_WELCOME, WelcomeProc, NULL, VK_ESCAPE));
}

TEST_F(WelcomeDialog, ColoursOnlyTheExplanation) {
    HWND page = CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_WELCOME), NULL, WelcomeProc, 0);
    ASSERT_NE(nullptr, page);
    HDC dc = CreateCompatibleDC(NULL);
    const LRESULT brush =
        SendMessageA(page, WM_CTLCOLORSTATIC, (WPARAM)dc, (LPARAM)GetDlgItem(page, IDC_EXPLANATION));
    EXPECT_EQ((LRESULT)GetSysColorBrush(COLOR_BTNFACE), brush);
    EXPECT_EQ((COLORREF)0x800000, GetTextColor(dc));
    DeleteDC(dc);
    DestroyWindow(page);
}

// ------------------------------------------------------------------------------------------------

class LicenseDialog : public Shell {
protected:
    void SetUp() override {
        Shell::SetUp();
        page_ = CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_LICENSE), NULL, LicenseProc, 0);
        ASSERT_NE(nullptr, page_);
    }
    void TearDown() override { DestroyWindow(page_); }

    RECT ClientRectOf(int id) {
        RECT r;
        GetWindowRect(GetDlgItem(page_, id), &r);
        MapWindowPoints(HWND_DESKTOP, page_, (POINT*)&r, 2);
        return r;
    }
    RECT TemplateRect(int x, int y, int w, int h) {
        RECT r = {x, y, x + w, y + h};
        MapDialogRect(page_, &r);
        return r;
    }
    void ResizeBy(int dx, int dy) {
        const RECT frame = FrameOf(page_);
        SetWindowPos(page_, NULL, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND page_ = NULL;
};

TEST_F(LicenseDialog, ShowsExactlyTheLicenceResourceBytes) {
    HRSRC found = FindResourceA(Session.instance, LICENSE_RESOURCE_NAME, (LPCSTR)RT_RCDATA);
    if (found == NULL) GTEST_SKIP() << "no licence resource linked into this test program";
    const DWORD size = SizeofResource(Session.instance, found);
    const char* bytes = (const char*)LockResource(LoadResource(Session.instance, found));
    HWND box = GetDlgItem(page_, IDC_LICENSE_TEXT);
    ASSERT_EQ((LRESULT)size, SendMessageA(box, WM_GETTEXTLENGTH, 0, 0));
    std::string shown(size + 1, '\0');
    SendMessageA(box, WM_GETTEXT, size + 1, (LPARAM)&shown[0]);
    shown.resize(size);
    EXPECT_EQ(std::string(bytes, size), shown);
    EXPECT_EQ("\r\n", shown.substr(shown.size() - 2));
}

TEST_F(LicenseDialog, OpensRightOfTheSideBarWithTheFormattedCaption) {
    const RECT r = FrameOf(page_);
    EXPECT_EQ((Session.screenWidth - (r.right - r.left) + 150) / 2, r.left);
    EXPECT_EQ((Session.screenHeight - (r.bottom - r.top)) / 2, r.top);
    EXPECT_EQ(ProductName() + " License Agreement", WindowText(page_));
    EXPECT_EQ(GetDlgItem(page_, IDC_CONTINUE), GetFocus());
}

TEST_F(LicenseDialog, ControlsStayWhereTheTemplatePutsThemWhenThePageOpens) {
    const RECT box = ClientRectOf(IDC_LICENSE_TEXT);
    const RECT expectedBox = TemplateRect(1, 2, 298, 155);
    EXPECT_EQ(expectedBox.left, box.left);
    EXPECT_EQ(expectedBox.top, box.top);
    EXPECT_EQ(expectedBox.right, box.right);
    EXPECT_EQ(expectedBox.bottom, box.bottom);
    const RECT agree = ClientRectOf(IDC_CONTINUE);
    const RECT expectedAgree = TemplateRect(154, 161, 70, 15);
    EXPECT_EQ(expectedAgree.left, agree.left);
    EXPECT_EQ(expectedAgree.top, agree.top);
}

TEST_F(LicenseDialog, EnlargingMovesTheButtonsAndGrowsTheBoxByTheSameAmount) {
    const RECT box = ClientRectOf(IDC_LICENSE_TEXT);
    const RECT agree = ClientRectOf(IDC_CONTINUE);
    const RECT disagree = ClientRectOf(IDC_CANCEL);
    ResizeBy(40, 30);
    const RECT box2 = ClientRectOf(IDC_LICENSE_TEXT);
    EXPECT_EQ(box.left, box2.left);
    EXPECT_EQ(box.top, box2.top);
    EXPECT_EQ(box.right + 40, box2.right);
    EXPECT_EQ(box.bottom + 30, box2.bottom);
    const RECT agree2 = ClientRectOf(IDC_CONTINUE);
    EXPECT_EQ(agree.left + 40, agree2.left);
    EXPECT_EQ(agree.top + 30, agree2.top);
    EXPECT_EQ(agree.right - agree.left, agree2.right - agree2.left);
    const RECT disagree2 = ClientRectOf(IDC_CANCEL);
    EXPECT_EQ(disagree.left + 40, disagree2.left);
    EXPECT_EQ(disagree.top + 30, disagree2.top);
}

TEST_F(LicenseDialog, ShrinkingMovesEverythingBackTheOtherWay) {
    const RECT box = ClientRectOf(IDC_LICENSE_TEXT);
    const RECT disagree = ClientRectOf(IDC_CANCEL);
    ResizeBy(-50, -20);
    const RECT box2 = ClientRectOf(IDC_LICENSE_TEXT);
    EXPECT_EQ(box.right - 50, box2.right);
    EXPECT_EQ(box.bottom - 20, box2.bottom);
    const RECT disagree2 = ClientRectOf(IDC_CANCEL);
    EXPECT_EQ(disagree.left - 50, disagree2.left);
    EXPECT_EQ(disagree.top - 20, disagree2.top);
}

TEST_F(LicenseDialog, NotificationsOfTheLicenceBoxAreIgnored) {
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(IDC_LICENSE_TEXT, EN_CHANGE),
                 (LPARAM)GetDlgItem(page_, IDC_LICENSE_TEXT));
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(IDC_CONTINUE, BN_SETFOCUS), (LPARAM)GetDlgItem(page_, IDC_CONTINUE));
    EXPECT_TRUE(IsWindowVisible(page_));
}

TEST_F(LicenseDialog, EnterAgreesWith1) {
    EXPECT_EQ(1, KeyPress::Run(IDD_LICENSE, LicenseProc, NULL, VK_RETURN));
}

TEST_F(LicenseDialog, EscapeDisagreesWith2) {
    EXPECT_EQ(2, KeyPress::Run(IDD_LICENSE, LicenseProc, NULL, VK_ESCAPE));
}

}  // namespace
