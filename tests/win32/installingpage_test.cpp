// The installing page and its painted progress bar: the bar's pixels read back from a memory
// device context, and the page opened from its real template inside the test process.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "../common/expected_texts.h"
#include "installingpage.h"
#include "manifest.h"
#include "pages.h"
#include "pagetest.h"
#include "recovery.h"
#include "resource.h"
#include "shell.h"

namespace {

using pagetest::MessageBoxCatcher;

const COLORREF Navy = RGB(0, 0, 128);

// A 32-bit top-down bitmap in a memory device context, filled by DrawProgressBar.
class BarPicture {
public:
    BarPicture(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~BarPicture() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    BarPicture(const BarPicture&) = delete;
    BarPicture& operator=(const BarPicture&) = delete;

    bool valid() const { return bitmap_ != nullptr; }

    void Draw(unsigned value) {
        const RECT area = {0, 0, width_, height_};
        DrawProgressBar(dc_, area, value);
        GdiFlush();
    }
    COLORREF Pixel(int x, int y) const {
        const DWORD p = pixels_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // How many pixels of the columns [from, to) have (or, with equal false, lack) colour.
    int Count(int from, int to, COLORREF colour, bool equal = true) const {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = from; x < to; ++x) n += (Pixel(x, y) == colour) == equal;
        return n;
    }
    SIZE TextExtent(const char* text) const {
        HGDIOBJ old = SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
        SIZE size = {};
        GetTextExtentPointA(dc_, text, lstrlenA(text), &size);
        SelectObject(dc_, old);
        return size;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    DWORD* pixels_ = nullptr;
};

COLORREF ButtonFace() { return GetSysColor(COLOR_BTNFACE) & 0xFFFFFF; }

// --- The painted bar ---

TEST(ProgressBarDrawing, ZeroShowsButtonFaceWithZeroPercent) {
    BarPicture bar(200, 20);
    ASSERT_TRUE(bar.valid());
    bar.Draw(0);
    EXPECT_EQ(bar.Count(0, 200, Navy), 0);
    EXPECT_GT(bar.Count(0, 200, ButtonFace(), false), 0);  // the text
    for (int y = 0; y < bar.height(); ++y) ASSERT_EQ(bar.Pixel(0, y), ButtonFace()) << y;
}

TEST(ProgressBarDrawing, FullShowsNavyWithHundredPercent) {
    BarPicture bar(200, 20);
    ASSERT_TRUE(bar.valid());
    bar.Draw(200);
    EXPECT_EQ(bar.Count(0, 200, ButtonFace()), 0);
    EXPECT_GT(bar.Count(0, 200, Navy, false), 0);  // the text
    for (int y = 0; y < bar.height(); ++y) ASSERT_EQ(bar.Pixel(199, y), Navy) << y;
}

TEST(ProgressBarDrawing, HalfSplitsAtTheMiddleWithTheTextInBothColours) {
    BarPicture bar(200, 20);
    ASSERT_TRUE(bar.valid());
    bar.Draw(100);
    EXPECT_EQ(bar.Count(0, 100, ButtonFace()), 0);
    EXPECT_EQ(bar.Count(100, 200, Navy), 0);
    EXPECT_GT(bar.Count(0, 100, Navy, false), 0);         // white text left of the boundary
    EXPECT_GT(bar.Count(100, 200, ButtonFace(), false), 0);  // dark blue text right of it
    EXPECT_GT(bar.Count(0, 100, RGB(255, 255, 255)), 0);
    EXPECT_EQ(bar.Count(100, 200, RGB(255, 255, 255)), 0);
}

TEST(ProgressBarDrawing, HalfPercentStepFillsWidthOverTwoHundredAndStillShowsZero) {
    BarPicture atOne(450, 20);
    BarPicture atZero(450, 20);
    ASSERT_TRUE(atOne.valid() && atZero.valid());
    atOne.Draw(1);
    atZero.Draw(0);
    EXPECT_EQ(atOne.Count(0, 2, Navy), 2 * 20);  // 450 / 200, rounded down
    EXPECT_EQ(atOne.Count(2, 450, Navy), 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 2; x < 450; ++x) ASSERT_EQ(atOne.Pixel(x, y), atZero.Pixel(x, y)) << x << "," << y;
}

TEST(ProgressBarDrawing, TextIsCentredOnTheWholeBar) {
    BarPicture bar(300, 24);
    ASSERT_TRUE(bar.valid());
    bar.Draw(40);  // 20 %: the boundary lies left of the text
    const SIZE extent = bar.TextExtent("20%");
    const int left = (300 - extent.cx) / 2;
    const int top = (24 - extent.cy) / 2;
    int minX = 300, maxX = -1, minY = 24, maxY = -1;
    for (int y = 0; y < 24; ++y) {
        for (int x = 60; x < 300; ++x) {
            if (bar.Pixel(x, y) == ButtonFace()) continue;
            minX = x < minX ? x : minX;
            maxX = x > maxX ? x : maxX;
            minY = y < minY ? y : minY;
            maxY = y > maxY ? y : maxY;
        }
    }
    ASSERT_GE(maxX, 0);
    EXPECT_GE(minX, left);
    EXPECT_LT(maxX, left + extent.cx);
    EXPECT_GE(minY, top);
    EXPECT_LT(maxY, top + extent.cy);
}

// --- The page ---

class InstallingDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(boxes_.hooked());
        pagetest::PrepareSession();
        ZeroMemory(&Session.directories, sizeof Session.directories);
        ZeroMemory(&Session.progress, sizeof Session.progress);
    }
    void TearDown() override {
        if (page_ != nullptr) DestroyWindow(page_);
        pagetest::DrainMessages();
        UndoUnfinishedRun();  // as the installer does when no page follows
    }

    // Opens the page without letting its start timer run the copy step.
    void Open() {
        page_ = CreateDialogParamA(Session.instance, MAKEINTRESOURCEA(IDD_INSTALLING), nullptr, InstallingPageProc, 0);
        ASSERT_NE(page_, nullptr);
        timerWasRunning_ = KillTimer(page_, 200) != FALSE;
    }

    // What the page procedure itself answers; the dialog manager would put default brushes
    // in place of a zero.
    INT_PTR ColourOf(HWND control, HDC dc) {
        return InstallingPageProc(page_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                  reinterpret_cast<LPARAM>(control));
    }
    INT_PTR ColourOf(int control, HDC dc) { return ColourOf(GetDlgItem(page_, control), dc); }

    MessageBoxCatcher boxes_;
    HWND page_ = nullptr;
    bool timerWasRunning_ = false;
};

TEST_F(InstallingDialog, OpeningReplacesTheBarProcedureAndFillsTheSystemFolders) {
    Open();
    HWND bar = GetDlgItem(page_, IDC_PROGRESS_BAR);
    EXPECT_EQ(Session.progress.bar, bar);
    EXPECT_EQ(GetWindowLongPtrA(bar, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(ProgressBarProc));
    EXPECT_TRUE(timerWasRunning_);
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    EXPECT_EQ(lstrcmpiA(Session.directories.paths[DirWindows], windows), 0);
    EXPECT_STRNE(Session.directories.paths[DirPrograms], "");
    char caption[100] = "";
    GetWindowTextA(page_, caption, sizeof caption);
    EXPECT_STREQ(caption, "Installing Vantrel Program Files");
    for (int label = IDC_EXTRACTING; label <= IDC_CURRENT_FILE; ++label) {
        char text[8] = "x";
        GetDlgItemTextA(page_, label, text, sizeof text);
        EXPECT_STREQ(text, "") << label;
    }
}

TEST_F(InstallingDialog, LabelsAreNavyOnButtonFaceAndTheNoteNavyOnWindowColour) {
    Open();
    HDC dc = CreateCompatibleDC(nullptr);
    for (int control = IDC_EXTRACTING; control <= IDC_PROGRESS_BAR; ++control) {
        SetTextColor(dc, 0);
        SetBkColor(dc, 0);
        EXPECT_EQ(ColourOf(control, dc), reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE))) << control;
        EXPECT_EQ(GetTextColor(dc), Navy) << control;
        EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE)) << control;
    }
    EXPECT_EQ(ColourOf(IDC_HOME_PAGE_NOTE, dc), reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW)));
    EXPECT_EQ(GetTextColor(dc), Navy);
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));

    int unnumbered = 0;
    for (HWND child = GetWindow(page_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (static_cast<WORD>(GetDlgCtrlID(child)) != 0xFFFF) continue;
        ++unnumbered;
        SetTextColor(dc, 0);
        EXPECT_EQ(ColourOf(child, dc), 0);
        EXPECT_EQ(GetTextColor(dc), 0u);
    }
    EXPECT_EQ(unnumbered, 6);  // the picture and five captions
    DeleteDC(dc);
}

TEST_F(InstallingDialog, NoteHasThreeCentredLinesEndingWithTheHomePage) {
    Open();
    char text[300] = "";
    GetDlgItemTextA(page_, IDC_HOME_PAGE_NOTE, text, sizeof text);
    const std::string note = text;
    const std::string head = "For other great software utilities be sure to\r\nstop by Quillfern Utiltites home page at\r\n";
    ASSERT_EQ(note.rfind(head, 0), 0u);
    const std::string address = note.substr(head.size());
    EXPECT_FALSE(address.empty());
    EXPECT_EQ(address.find('\n'), std::string::npos);
    EXPECT_EQ(address, "http://www.quillfern.example/");
}

TEST_F(InstallingDialog, EscapeAndEnterNeitherCancelNorEndThePage) {
    Open();
    SendMessageA(page_, WM_COMMAND, IDCANCEL, 0);
    SendMessageA(page_, WM_COMMAND, IDOK, 0);
    pagetest::DrainMessages();
    EXPECT_TRUE(IsWindowVisible(page_));
    EXPECT_EQ(boxes_.count(), 0);
}

TEST_F(InstallingDialog, FailedCopyShowsTheErrorThenTheAbortNoticeAndEndsWithTwo) {
    // A file standing where the install folder should be: no file can be created below it.
    CreateDirectoryA("C:\\porvane-inst-test", nullptr);
    HANDLE blocker = CreateFileA("C:\\porvane-inst-test\\blocker", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(blocker, INVALID_HANDLE_VALUE);
    CloseHandle(blocker);
    lstrcpyA(Session.directories.paths[DirInstall], "C:\\porvane-inst-test\\blocker\\Vantrel");

    const INT_PTR result =
        DialogBoxParamA(Session.instance, MAKEINTRESOURCEA(IDD_INSTALLING), nullptr, InstallingPageProc, 0);
    EXPECT_EQ(result, 2);
    ASSERT_EQ(boxes_.count(), 2);
    EXPECT_STREQ(boxes_.text(0), CreateFailedText);
    EXPECT_EQ(boxes_.text(1), AbortNoticeText);

    DeleteFileA("C:\\porvane-inst-test\\blocker");
    RemoveDirectoryA("C:\\porvane-inst-test");
}

TEST_F(InstallingDialog, SuccessfulCopyEndsWithOneAtFullValue) {
    lstrcpyA(Session.directories.paths[DirInstall], "C:\\porvane-inst-test\\Vantrel");
    const INT_PTR result =
        DialogBoxParamA(Session.instance, MAKEINTRESOURCEA(IDD_INSTALLING), nullptr, InstallingPageProc, 0);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(boxes_.count(), 0) << boxes_.text(0);
    EXPECT_EQ(Session.progress.value, 200);
    EXPECT_EQ(Session.progress.done, Session.progress.total);
    for (int i = 0; i < Manifest.fileCount; ++i) {
        const FileEntry& entry = Manifest.files[i];
        if (entry.flags & FILE_TO_WINDOWS_FOLDER) continue;
        const std::string path = std::string("C:\\porvane-inst-test\\Vantrel\\") + entry.fileName;
        EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    }
}

}  // namespace
