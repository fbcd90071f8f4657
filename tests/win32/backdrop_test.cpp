// The backdrop: its bitmap resources, the DIB helpers, what creation builds, and what a paint
// puts on the screen, read back pixel by pixel from a real backdrop window.
#include <gtest/gtest.h>

#include <windows.h>
#include <string.h>

#include <string>
#include <vector>

#include "backdropwnd.h"
#include "dib.h"
#include "manifest.h"
#include "resource.h"
#include "shell.h"
#include "wizardtest.h"

namespace {

// The standard 16-colour palette as COLORREF values.
const COLORREF StandardColors[16] = {
    RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0), RGB(0, 0, 128),   RGB(128, 0, 128),
    RGB(0, 128, 128), RGB(192, 192, 192), RGB(128, 128, 128), RGB(255, 0, 0), RGB(0, 255, 0), RGB(255, 255, 0),
    RGB(0, 0, 255),   RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};
const COLORREF Teal = 0x808000;
const COLORREF White = RGB(255, 255, 255);

// A bitmap resource in place.
struct BitmapResource {
    const BITMAPINFOHEADER* header;
    DWORD size;
};

BitmapResource FindBitmap(int id) {
    HMODULE self = GetModuleHandleA(NULL);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    if (!found) return {nullptr, 0};
    return {(const BITMAPINFOHEADER*)LockResource(LoadResource(self, found)), SizeofResource(self, found)};
}

const RGBQUAD* ColorTable(const BITMAPINFOHEADER* header) {
    return (const RGBQUAD*)((const BYTE*)header + header->biSize);
}

COLORREF TableColor(const BITMAPINFOHEADER* header, int index) {
    const RGBQUAD q = ColorTable(header)[index];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

// Colour-table index of the pixel at (x, y), y counted from the top, of an 8- or 4-bit DIB.
int PixelIndex(const BITMAPINFOHEADER* header, int x, int y) {
    const int stride = (header->biWidth * header->biBitCount + 31) / 32 * 4;
    const BYTE* row = (const BYTE*)DibBits(header) + stride * (header->biHeight - 1 - y);
    if (header->biBitCount == 8) return row[x];
    return x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
}

// A 32-bit top-down DIB section to draw into and read back.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(NULL);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, (void**)&bits_, NULL, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const DWORD p = bits_[y * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // How many pixels of the rectangle have exactly this colour.
    int Count(COLORREF color, int left, int top, int right, int bottom) const {
        int n = 0;
        for (int y = top; y < bottom && y < height_; ++y)
            for (int x = left; x < right && x < width_; ++x) n += At(x, y) == color;
        return n;
    }
    std::vector<DWORD> Pixels() const {
        GdiFlush();
        return std::vector<DWORD>(bits_, bits_ + width_ * height_);
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    DWORD* bits_ = nullptr;
};

// ------------------------------------------------------------------------------------------------

TEST(BitmapResources, SidePicturesAre120By168In16StandardColoursOnTeal) {
    for (int id : {IDB_PAGE_PICTURE, IDB_SIDE_PICTURE}) {
        SCOPED_TRACE(id);
        const BitmapResource bitmap = FindBitmap(id);
        ASSERT_NE(nullptr, bitmap.header);
        EXPECT_EQ(120, bitmap.header->biWidth);
        EXPECT_EQ(168, bitmap.header->biHeight);
        EXPECT_EQ(4, bitmap.header->biBitCount);
        ASSERT_EQ(16, DibColorCount(bitmap.header));
        for (int i = 0; i < 16; ++i) EXPECT_EQ(StandardColors[i], TableColor(bitmap.header, i)) << i;
        EXPECT_EQ(Teal, TableColor(bitmap.header, PixelIndex(bitmap.header, 0, 0)));
        EXPECT_EQ(Teal, TableColor(bitmap.header, PixelIndex(bitmap.header, 1, 1)));
        EXPECT_TRUE(IsWholeDib(bitmap.header, bitmap.size));
    }
}

TEST(BitmapResources, BannerBitmapsShareOne256ColourTable) {
    const BitmapResource right = FindBitmap(IDB_BANNER_RIGHT);
    const BitmapResource fill = FindBitmap(IDB_BANNER_FILL);
    ASSERT_NE(nullptr, right.header);
    ASSERT_NE(nullptr, fill.header);
    EXPECT_EQ(334, right.header->biWidth);
    EXPECT_EQ(58, right.header->biHeight);
    EXPECT_EQ(8, right.header->biBitCount);
    EXPECT_EQ(20, fill.header->biWidth);
    EXPECT_EQ(58, fill.header->biHeight);
    EXPECT_EQ(8, fill.header->biBitCount);
    ASSERT_EQ(256, DibColorCount(right.header));
    ASSERT_EQ(256, DibColorCount(fill.header));
    EXPECT_EQ(0, memcmp(ColorTable(right.header), ColorTable(fill.header), 256 * sizeof(RGBQUAD)));
}

TEST(BitmapResources, FillBitmapIsTheSameInEveryColumnSoItStretchesCleanly) {
    const BitmapResource fill = FindBitmap(IDB_BANNER_FILL);
    const BitmapResource right = FindBitmap(IDB_BANNER_RIGHT);
    ASSERT_NE(nullptr, fill.header);
    for (int y = 0; y < 58; ++y) {
        for (int x = 1; x < 20; ++x) ASSERT_EQ(PixelIndex(fill.header, 0, y), PixelIndex(fill.header, x, y));
        // The right end starts where the fill ends, without a seam.
        EXPECT_EQ(PixelIndex(fill.header, 0, y), PixelIndex(right.header, 0, y)) << y;
    }
}

TEST(BitmapResources, RuleBitmapIs10By2WithFiveColours) {
    const BitmapResource rule = FindBitmap(IDB_BANNER_RULE);
    ASSERT_NE(nullptr, rule.header);
    EXPECT_EQ(10, rule.header->biWidth);
    EXPECT_EQ(2, rule.header->biHeight);
    EXPECT_EQ(8, rule.header->biBitCount);
    EXPECT_EQ(5u, rule.header->biClrUsed);
    EXPECT_EQ(5, DibColorCount(rule.header));
    EXPECT_TRUE(IsWholeDib(rule.header, rule.size));
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

TEST(BitmapResources, IconsHoldA32And16PixelImageOf16Colours) {
    for (int id : {IDI_PORVANE, IDI_SHORTCUTS}) {
        SCOPED_TRACE(id);
        HMODULE self = GetModuleHandleA(NULL);
        HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), (LPCSTR)RT_GROUP_ICON);
        ASSERT_NE(nullptr, found);
        const IconGroup* group = (const IconGroup*)LockResource(LoadResource(self, found));
        ASSERT_EQ(2, group->count);
        int sizes = 0;
        for (int i = 0; i < 2; ++i) {
            const IconGroupEntry& e = group->entries[i];
            EXPECT_EQ(e.width, e.height);
            sizes |= e.width;
            EXPECT_EQ(16, e.colorCount);
            EXPECT_EQ(4, e.bitCount);
        }
        EXPECT_EQ(32 | 16, sizes);
    }
}

// ------------------------------------------------------------------------------------------------

BITMAPINFOHEADER Header(int width, int height, int depth, DWORD colorsUsed) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = (WORD)depth;
    h.biClrUsed = colorsUsed;
    return h;
}

TEST(Dib, ColorCountFollowsTheDepthWhenColoursUsedIsZero) {
    BITMAPINFOHEADER h = Header(1, 1, 1, 0);
    EXPECT_EQ(2, DibColorCount(&h));
    h.biBitCount = 4;
    EXPECT_EQ(16, DibColorCount(&h));
    h.biBitCount = 8;
    EXPECT_EQ(256, DibColorCount(&h));
    h.biBitCount = 24;
    EXPECT_EQ(0, DibColorCount(&h));
    h.biBitCount = 32;
    EXPECT_EQ(0, DibColorCount(&h));
}

TEST(Dib, ColorCountIsColoursUsedWhenSet) {
    BITMAPINFOHEADER h = Header(1, 1, 8, 5);
    EXPECT_EQ(5, DibColorCount(&h));
    h.biBitCount = 24;
    h.biClrUsed = 12;
    EXPECT_EQ(12, DibColorCount(&h));
    h.biClrUsed = 0x10000;  // read as 16 bits: zero, so the depth decides
    EXPECT_EQ(0, DibColorCount(&h));
}

TEST(Dib, BitsFollowTheHeaderAndTheColourTable) {
    BITMAPINFOHEADER h = Header(4, 4, 8, 5);
    EXPECT_EQ((const BYTE*)&h + 40 + 20, (const BYTE*)DibBits(&h));
    h.biClrUsed = 0;
    h.biBitCount = 24;
    EXPECT_EQ((const BYTE*)&h + 40, (const BYTE*)DibBits(&h));
}

TEST(Dib, WholeDibNeedsEveryRowInsideTheBlock) {
    // 10 by 2 at 8 bits: rows of 12 bytes; 5 colours.
    const BITMAPINFOHEADER h = Header(10, 2, 8, 5);
    EXPECT_TRUE(IsWholeDib(&h, 40 + 20 + 24));
    EXPECT_FALSE(IsWholeDib(&h, 40 + 20 + 23));
    EXPECT_FALSE(IsWholeDib(&h, 39));
    // 16,385 rows of 262,140 bytes: past 32 bits, which a wrapped product would take for 196,604.
    const BITMAPINFOHEADER huge = Header(0xFFFF, 16385, 32, 0);
    EXPECT_FALSE(IsWholeDib(&huge, 1 << 20));
}

TEST(Dib, WholeDibRefusesWhatTheDrawingCannotTakeAsIs) {
    BITMAPINFOHEADER h = Header(10, 2, 8, 5);
    const DWORD plenty = 1 << 20;
    h.biSize = plenty + 1;
    EXPECT_FALSE(IsWholeDib(&h, plenty));  // header larger than the block
    h = Header(10, -2, 8, 5);
    EXPECT_FALSE(IsWholeDib(&h, plenty));  // top-down rows
    h = Header(70000, 2, 8, 5);
    EXPECT_FALSE(IsWholeDib(&h, plenty));  // wider than 16 bits
    h = Header(10, 2, 8, 5);
    h.biCompression = BI_RLE8;
    EXPECT_FALSE(IsWholeDib(&h, plenty));
    h = Header(10, 2, 7, 5);
    EXPECT_FALSE(IsWholeDib(&h, plenty));
}

class DibResources : public ::testing::Test {
protected:
    void SetUp() override { wizardtest::PrepareSession(); }
};

TEST_F(DibResources, LoadDibResourceCopiesTheBitmapByteForByte) {
    const BitmapResource rule = FindBitmap(IDB_BANNER_RIGHT);
    HGLOBAL copy = LoadDibResource(IDB_BANNER_RIGHT);
    ASSERT_NE(nullptr, copy);
    EXPECT_GE(GlobalSize(copy), rule.size);
    const void* bytes = GlobalLock(copy);
    EXPECT_EQ(0, memcmp(bytes, rule.header, rule.size));
    EXPECT_NE(bytes, (const void*)rule.header);
    GlobalUnlock(copy);
    GlobalFree(copy);
}

TEST_F(DibResources, LoadDibResourceGivesNullForAMissingBitmap) { EXPECT_EQ(nullptr, LoadDibResource(299)); }

TEST_F(DibResources, PaletteOfTheBannerHasItsWholeColourTable) {
    HGLOBAL dib = LoadDibResource(IDB_BANNER_RIGHT);
    HPALETTE palette = CreateDibPalette(dib);
    ASSERT_NE(nullptr, palette);
    WORD count = 0;
    ASSERT_EQ((int)sizeof count, GetObjectA(palette, sizeof count, &count));
    EXPECT_EQ(256, count);
    PALETTEENTRY entries[256];
    ASSERT_EQ(256u, GetPaletteEntries(palette, 0, 256, entries));
    const BITMAPINFOHEADER* header = FindBitmap(IDB_BANNER_RIGHT).header;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(TableColor(header, i), RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue)) << i;
        EXPECT_EQ(0, entries[i].peFlags);
    }
    DeleteObject(palette);
    GlobalFree(dib);
}

TEST_F(DibResources, PaletteOfTheRuleHasItsFiveColours) {
    HGLOBAL dib = LoadDibResource(IDB_BANNER_RULE);
    HPALETTE palette = CreateDibPalette(dib);
    ASSERT_NE(nullptr, palette);
    WORD count = 0;
    GetObjectA(palette, sizeof count, &count);
    EXPECT_EQ(5, count);
    DeleteObject(palette);
    GlobalFree(dib);
}

TEST_F(DibResources, NoPaletteWithoutAColourTableOrWithoutABlock) {
    EXPECT_EQ(nullptr, CreateDibPalette(NULL));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + 12);
    BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)GlobalLock(block);
    *h = Header(2, 2, 24, 0);
    GlobalUnlock(block);
    EXPECT_EQ(nullptr, CreateDibPalette(block));
    GlobalFree(block);
}

TEST_F(DibResources, DrawDibPutsThePixelsAtTheirOwnSize) {
    HGLOBAL dib = LoadDibResource(IDB_BANNER_FILL);
    Canvas canvas(40, 70);
    ASSERT_EQ(1, DrawDib(canvas.dc(), 5, 6, dib, NULL));
    const BITMAPINFOHEADER* header = FindBitmap(IDB_BANNER_FILL).header;
    for (int y = 0; y < 58; y += 7)
        EXPECT_EQ(TableColor(header, PixelIndex(header, 0, y)), canvas.At(5 + 19, 6 + y)) << y;
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(5 + 20, 6));  // nothing beyond its width
    GlobalFree(dib);
}

TEST_F(DibResources, StretchDibFillsTheWholeRectangle) {
    HGLOBAL dib = LoadDibResource(IDB_BANNER_RULE);
    HPALETTE palette = CreateDibPalette(dib);
    Canvas canvas(120, 4);
    ASSERT_EQ(1, StretchDib(canvas.dc(), 10, 1, 100, 2, dib, palette));
    const BITMAPINFOHEADER* header = FindBitmap(IDB_BANNER_RULE).header;
    const COLORREF top = TableColor(header, PixelIndex(header, 0, 0));
    const COLORREF bottom = TableColor(header, PixelIndex(header, 0, 1));
    EXPECT_EQ(100, canvas.Count(top, 10, 1, 110, 2));
    EXPECT_EQ(100, canvas.Count(bottom, 10, 2, 110, 3));
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(9, 1));
    EXPECT_EQ(RGB(0, 0, 0), canvas.At(110, 2));
    DeleteObject(palette);
    GlobalFree(dib);
}

TEST_F(DibResources, DrawingWithoutABlockDrawsNothing) {
    Canvas canvas(4, 4);
    EXPECT_EQ(0, DrawDib(canvas.dc(), 0, 0, NULL, NULL));
    EXPECT_EQ(0, StretchDib(canvas.dc(), 0, 0, 4, 4, NULL, NULL));
}

// ------------------------------------------------------------------------------------------------

// A real backdrop window, shown over the screen, without its start timer (which would run the
// page chain). Each paint is read back by copying the window into a canvas.
class BackdropWindow : public ::testing::Test {
protected:
    void SetUp() override {
        wizardtest::PrepareSession();
        Session.currentStep = 0;
        Open(Session.screenWidth, Session.screenHeight);
    }
    void TearDown() override {
        if (window_) DestroyWindow(window_);
        wizardtest::TakeQuitMessage();
        Session.screenWidth = GetSystemMetrics(SM_CXSCREEN);
        Session.screenHeight = GetSystemMetrics(SM_CYSCREEN);
        Session.currentStep = 0;
    }

    void Open(int width, int height) {
        if (window_) {
            DestroyWindow(window_);
            wizardtest::TakeQuitMessage();
        }
        Session.screenWidth = width;
        Session.screenHeight = height;
        window_ = CreateWindowExA(WS_EX_TOPMOST, "InstallApp", "Porvane", WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 0, 0,
                                  width, height, NULL, NULL, Session.instance, NULL);
        ASSERT_NE(nullptr, window_);
        KillTimer(window_, BackdropStartTimer);
        Session.backdrop = window_;
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }

    // Paints everything again and copies the window into canvas.
    void Repaint() {
        InvalidateRect(window_, NULL, FALSE);
        UpdateWindow(window_);
    }
    void Capture(Canvas& canvas) {
        HDC dc = GetDC(window_);
        BitBlt(canvas.dc(), 0, 0, Session.screenWidth, Session.screenHeight, dc, 0, 0, SRCCOPY);
        ReleaseDC(window_, dc);
    }
    int StepRowCount(const Canvas& canvas, int row, COLORREF color) {
        const int top = 120 + 18 * row;
        return canvas.Count(color, 0, top, 150, top + 18);
    }

    HWND window_ = NULL;
};

TEST_F(BackdropWindow, CreationBuildsTheTitlesFromTheProductRecord) {
    const std::string name = Manifest.product.productName;
    EXPECT_EQ(name + " v" + Manifest.product.version, Backdrop.titleText);
    EXPECT_EQ(name + " - " + Manifest.product.tagline, Backdrop.subtitleText);
}

TEST_F(BackdropWindow, FontsFollowTheScreenAndTheTextLengths) {
    const int w = Session.screenWidth, h = Session.screenHeight;
    const LOGFONTA& title = Backdrop.titleFont;
    EXPECT_EQ(64, title.lfHeight);
    EXPECT_EQ((w / 3) / (int)strlen(Backdrop.titleText), title.lfWidth);
    EXPECT_EQ(700, title.lfWeight);
    EXPECT_EQ(0x42, title.lfPitchAndFamily);
    EXPECT_EQ(ANSI_CHARSET, title.lfCharSet);
    EXPECT_EQ(OUT_CHARACTER_PRECIS, title.lfOutPrecision);
    EXPECT_EQ(PROOF_QUALITY, title.lfQuality);
    EXPECT_STREQ("Comic Sans MS", title.lfFaceName);

    const LOGFONTA& subtitle = Backdrop.subtitleFont;
    EXPECT_EQ(h / 18, subtitle.lfHeight);
    EXPECT_EQ(w / (int)(strlen(Backdrop.subtitleText) * 3 / 2), subtitle.lfWidth);
    EXPECT_EQ(400, subtitle.lfWeight);
    EXPECT_EQ(0x42, subtitle.lfPitchAndFamily);
    EXPECT_STREQ("Arial", subtitle.lfFaceName);

    const LOGFONTA& step = Backdrop.stepFont;
    EXPECT_EQ(-11, step.lfHeight);
    EXPECT_EQ(0, step.lfWidth);
    EXPECT_EQ(700, step.lfWeight);
    EXPECT_EQ(0x22, step.lfPitchAndFamily);
    EXPECT_STREQ("Ms Sans Serif", step.lfFaceName);
    EXPECT_EQ(0, step.lfItalic | step.lfUnderline | step.lfStrikeOut);
}

TEST_F(BackdropWindow, OnA1024By768ScreenTheTitleFontIs64By26) {
    Open(1024, 768);
    if (strlen(Backdrop.titleText) != 13) GTEST_SKIP() << "the title of this build is not 13 characters";
    EXPECT_EQ(64, Backdrop.titleFont.lfHeight);
    EXPECT_EQ(26, Backdrop.titleFont.lfWidth);
    EXPECT_EQ(42, Backdrop.subtitleFont.lfHeight);
}

TEST_F(BackdropWindow, CreationFillsTheInterfaceColours) {
    const UiColors& c = Session.colors;
    EXPECT_EQ((COLORREF)0xFFA080, c.titleColors[0]);
    EXPECT_EQ((COLORREF)0x503228, c.titleColors[1]);
    EXPECT_EQ((COLORREF)0x3C251E, c.titleColors[2]);
    EXPECT_EQ((COLORREF)0x2D1C16, c.titleColors[3]);
    EXPECT_EQ((COLORREF)0x800000, c.subtitleColors[0]);
    EXPECT_EQ((COLORREF)0xA00000, c.subtitleColors[1]);
    EXPECT_EQ((COLORREF)0xFF0000, c.subtitleColors[2]);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), c.listSelectedText);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), c.listSelectedBack);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), c.listText);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), c.listBack);
    EXPECT_EQ((COLORREF)0xFFD8CF, c.stepCurrent);
    EXPECT_EQ((COLORREF)0xFF886F, c.stepOther);
    EXPECT_EQ((COLORREF)0x601800, c.sideBar);
    EXPECT_EQ((COLORREF)0xFFF8F8, c.paperLines);
}

TEST_F(BackdropWindow, CreationCopiesTheBannersAndTakesThePaletteFromTheRightEnd) {
    EXPECT_NE(nullptr, Backdrop.bannerRight);
    EXPECT_NE(nullptr, Backdrop.bannerFill);
    EXPECT_NE(nullptr, Backdrop.bannerRule);
    ASSERT_NE(nullptr, Backdrop.bannerPalette);
    WORD count = 0;
    GetObjectA(Backdrop.bannerPalette, sizeof count, &count);
    EXPECT_EQ(256, count);
    EXPECT_NE(nullptr, Session.smallIcons);

    // Started in a drive root, where Wine's shell finds no ".", it still gets the icon list.
    char folder[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryA(sizeof folder, folder));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    Open(Session.screenWidth, Session.screenHeight);
    SetCurrentDirectoryA(folder);
    EXPECT_NE(nullptr, Session.smallIcons);
}

TEST_F(BackdropWindow, DestroyingFreesTheCopiesAndThePaletteAndPostsQuit) {
    DestroyWindow(window_);
    window_ = NULL;
    EXPECT_EQ(nullptr, Backdrop.bannerRight);
    EXPECT_EQ(nullptr, Backdrop.bannerFill);
    EXPECT_EQ(nullptr, Backdrop.bannerRule);
    EXPECT_EQ(nullptr, Backdrop.bannerPalette);
    EXPECT_EQ(nullptr, Session.backdrop);
    EXPECT_TRUE(wizardtest::TakeQuitMessage());
}

TEST_F(BackdropWindow, FirstPaintDrawsEveryStepInTheOtherColour) {
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    for (int row = 0; row < StepCount; ++row) {
        EXPECT_GT(StepRowCount(canvas, row, Session.colors.stepOther), 0) << row;
        EXPECT_EQ(0, StepRowCount(canvas, row, Session.colors.stepCurrent)) << row;
    }
}

TEST_F(BackdropWindow, OnlyTheCurrentStepIsHighlighted) {
    SetWizardStep(StepFiles);
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    for (int row = 0; row < StepCount; ++row) {
        if (row == 2) {
            EXPECT_GT(StepRowCount(canvas, row, Session.colors.stepCurrent), 0);
            EXPECT_EQ(0, StepRowCount(canvas, row, Session.colors.stepOther));
        } else {
            EXPECT_EQ(0, StepRowCount(canvas, row, Session.colors.stepCurrent)) << row;
        }
    }
}

TEST_F(BackdropWindow, ANewStepTakesTheHighlightFromThePreviousOne) {
    SetWizardStep(StepGroup);
    SetWizardStep(StepShortcuts);
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    EXPECT_EQ(0, StepRowCount(canvas, 3, Session.colors.stepCurrent));
    EXPECT_GT(StepRowCount(canvas, 3, Session.colors.stepOther), 0);
    EXPECT_GT(StepRowCount(canvas, 4, Session.colors.stepCurrent), 0);
}

TEST_F(BackdropWindow, AStepChangeRepaintsNothingButTheStepList) {
    HDC dc = GetDC(window_);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    const RECT aboveList = {0, 62, 150, 100};
    const RECT belowList = {0, 250, 150, 260};
    const RECT work = {300, 300, 340, 340};
    FillRect(dc, &aboveList, red);
    FillRect(dc, &belowList, red);
    FillRect(dc, &work, red);
    ReleaseDC(window_, dc);
    DeleteObject(red);

    SetWizardStep(StepLicense);
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(5, 62));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(149, 99));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(5, 255));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(320, 320));
    EXPECT_GT(StepRowCount(canvas, 0, Session.colors.stepCurrent), 0);
    EXPECT_EQ(Session.colors.sideBar, canvas.At(149, 120));
}

TEST_F(BackdropWindow, BannerBandIsTheStretchedFillThenTheRightEnd) {
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    const BITMAPINFOHEADER* fill = FindBitmap(IDB_BANNER_FILL).header;
    const BITMAPINFOHEADER* right = FindBitmap(IDB_BANNER_RIGHT).header;
    const int w = Session.screenWidth;
    // Columns clear of the title.
    for (int y = 0; y < 58; ++y) {
        EXPECT_EQ(TableColor(fill, PixelIndex(fill, 0, y)), canvas.At(w - 340, y)) << y;
        EXPECT_EQ(TableColor(right, PixelIndex(right, 333, y)), canvas.At(w - 1, y)) << y;
        EXPECT_EQ(TableColor(right, PixelIndex(right, 200, y)), canvas.At(w - 334 + 200, y)) << y;
    }
}

TEST_F(BackdropWindow, RuleRunsUnderTheBannerAcrossTheWorkAreaOnly) {
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    const BITMAPINFOHEADER* rule = FindBitmap(IDB_BANNER_RULE).header;
    const int w = Session.screenWidth;
    const COLORREF top = TableColor(rule, PixelIndex(rule, 0, 0));
    const COLORREF bottom = TableColor(rule, PixelIndex(rule, 0, 1));
    EXPECT_EQ(w - 150, canvas.Count(top, 150, 58, w, 59));
    EXPECT_EQ(w - 150, canvas.Count(bottom, 150, 59, w, 60));
    EXPECT_EQ(Session.colors.sideBar, canvas.At(149, 58));
    EXPECT_EQ(Session.colors.sideBar, canvas.At(149, 59));
}

TEST_F(BackdropWindow, WorkAreaIsWhitePaperWithALineEveryFourPixels) {
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    const int x = Session.screenWidth / 2;
    EXPECT_EQ(White, canvas.At(x, 60));
    EXPECT_EQ(White, canvas.At(150, 200));  // the lines start one pixel right of the side bar
    for (int y = 61; y < Session.screenHeight - 80; ++y) {
        const COLORREF c = canvas.At(x, y);
        // Each 2-pixel line lies on y and the row above it, for y = 63, 67, 71, ...
        const bool line = (y - 62) % 4 == 0 || (y - 63) % 4 == 0;
        EXPECT_EQ(line ? Session.colors.paperLines : White, c) << y;
    }
    EXPECT_EQ(Session.colors.paperLines, canvas.At(Session.screenWidth - 1, 63));
}

TEST_F(BackdropWindow, NoRuledLineOnAScreen63PixelsHigh) {
    Open(600, 63);
    Canvas canvas(600, 63);
    Capture(canvas);
    EXPECT_EQ(0, canvas.Count(Session.colors.paperLines, 150, 60, 600, 63));
    EXPECT_EQ(White, canvas.At(300, 62));
}

TEST_F(BackdropWindow, TheLastLineOfATallScreenReachesItsBottomRow) {
    Open(600, 68);
    Canvas canvas(600, 68);
    Capture(canvas);
    EXPECT_EQ(Session.colors.paperLines, canvas.At(300, 67));
    EXPECT_EQ(Session.colors.paperLines, canvas.At(300, 63));
}

TEST_F(BackdropWindow, SidePictureLosesItsTealToTheSideBar) {
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    const int top = Session.screenHeight - 180;
    EXPECT_EQ(0, canvas.Count(Teal, 16, top, 136, top + 168));
    EXPECT_EQ(Session.colors.sideBar, canvas.At(16, top));
    EXPECT_EQ(Session.colors.sideBar, canvas.At(135, top + 167));
    // The picture itself is there: its pixels that are not teal keep their colours.
    const BITMAPINFOHEADER* picture = FindBitmap(IDB_SIDE_PICTURE).header;
    int kept = 0, checked = 0;
    for (int y = 0; y < 168; y += 3) {
        for (int x = 0; x < 120; x += 3) {
            const COLORREF c = TableColor(picture, PixelIndex(picture, x, y));
            if (c == Teal) continue;
            ++checked;
            kept += canvas.At(16 + x, top + y) == c;
        }
    }
    EXPECT_GT(checked, 100);
    EXPECT_EQ(checked, kept);
}

TEST_F(BackdropWindow, TitleSubtitleAndLabelAreDrawnInTheirColours) {
    Canvas canvas(Session.screenWidth, Session.screenHeight);
    Capture(canvas);
    const int w = Session.screenWidth, h = Session.screenHeight;
    EXPECT_GT(canvas.Count(Session.colors.titleColors[0], 0, 0, w / 2, 70), 100);
    EXPECT_GT(canvas.Count(Session.colors.subtitleColors[2], w / 3, h - 100, w, h), 100);
    EXPECT_GT(canvas.Count(0xFFAFAF, 10, 100, 80, 118), 5);
}

TEST_F(BackdropWindow, RepaintingDrawsTheSamePictureAgain) {
    Canvas first(Session.screenWidth, Session.screenHeight);
    Capture(first);
    Repaint();
    Repaint();
    Canvas again(Session.screenWidth, Session.screenHeight);
    Capture(again);
    EXPECT_TRUE(first.Pixels() == again.Pixels());
}

}  // namespace
