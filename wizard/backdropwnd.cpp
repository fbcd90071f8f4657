// The backdrop's creation, paint and destruction.
#include "backdropwnd.h"

#include <shellapi.h>
#include <string.h>

#include "dib.h"
#include "manifest.h"
#include "pathutil.h"
#include "resource.h"
#include "shell.h"

BackdropState Backdrop;

namespace {

// The step list's labels are string-table entries, one per step, by bit position of the WizardStep.
static_assert(IDS_STEP_FINISHED - IDS_STEP_LICENSE + 1 == StepCount, "one label per step");
enum { StepLabelSize = 32 };

const COLORREF PorvaneLabelColor = 0xFFAFAF;
const COLORREF SidePictureTeal = 0x808000;
enum { BannerHeight = 58, RuleHeight = 2, BannerRightWidth = 334 };
enum { SidePictureWidth = 120, SidePictureHeight = 168 };

void FillTitles(void) {
    const ProductInfo& product = Manifest.product;
    const char* const titleArgs[] = {product.productName, product.version};
    const char* const subtitleArgs[] = {product.productName, product.tagline};
    // Over-long combinations are cut to the buffers.
    (void)FormatText(Backdrop.titleText, sizeof Backdrop.titleText, "%s v%s", titleArgs, 2);
    (void)FormatText(Backdrop.subtitleText, sizeof Backdrop.subtitleText, "%s - %s", subtitleArgs, 2);
}

void FillFonts(int screenWidth, int screenHeight) {
    LOGFONTA* title = &Backdrop.titleFont;
    memset(title, 0, sizeof *title);
    const int titleLength = (int)strlen(Backdrop.titleText);
    title->lfHeight = 64;
    title->lfWidth = (screenWidth / 3) / (titleLength > 0 ? titleLength : 1);
    title->lfWeight = FW_BOLD;
    title->lfCharSet = ANSI_CHARSET;
    title->lfOutPrecision = OUT_CHARACTER_PRECIS;
    title->lfClipPrecision = CLIP_DEFAULT_PRECIS;
    title->lfQuality = PROOF_QUALITY;
    title->lfPitchAndFamily = VARIABLE_PITCH | FF_SCRIPT;
    (void)CopyText(title->lfFaceName, sizeof title->lfFaceName, "Comic Sans MS");

    LOGFONTA* subtitle = &Backdrop.subtitleFont;
    *subtitle = *title;
    const int stretched = (int)strlen(Backdrop.subtitleText) * 3 / 2;  // length times 1.5, truncated
    subtitle->lfHeight = screenHeight / 18;
    subtitle->lfWidth = screenWidth / (stretched > 0 ? stretched : 1);
    subtitle->lfWeight = FW_NORMAL;
    (void)CopyText(subtitle->lfFaceName, sizeof subtitle->lfFaceName, "Arial");

    LOGFONTA* step = &Backdrop.stepFont;
    *step = *title;
    step->lfHeight = -11;
    step->lfWidth = 0;
    step->lfWeight = FW_BOLD;
    step->lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    (void)CopyText(step->lfFaceName, sizeof step->lfFaceName, "Ms Sans Serif");
}

// Draws text once in each of the colours, colour i at (x + i, y + i): from the first colour to
// the last, or from the last to the first.
void LayeredText(HDC dc, int x, int y, const char* text, const COLORREF* colors, int passes, bool lastFirst) {
    const int length = (int)strlen(text);
    for (int pass = 0; pass < passes; ++pass) {
        const int i = lastFirst ? passes - 1 - pass : pass;
        (void)SetTextColor(dc, colors[i]);
        (void)TextOutA(dc, x + i, y + i, text, length);
    }
}

void PaintBanner(HDC dc, int width) {
    if (Backdrop.bannerRight) {
        (void)StretchDib(dc, 0, 0, width - BannerRightWidth, BannerHeight, Backdrop.bannerFill, Backdrop.bannerPalette);
        (void)DrawDib(dc, width - BannerRightWidth, 0, Backdrop.bannerRight, Backdrop.bannerPalette);
    }
    if (Backdrop.bannerRule) {
        (void)StretchDib(dc, SideBarWidth, BannerHeight, width - SideBarWidth, RuleHeight, Backdrop.bannerRule,
                         Backdrop.bannerPalette);
    }
}

void PaintAreas(HDC dc, int width, int height) {
    HBRUSH sideBar = CreateSolidBrush(Session.colors.sideBar);
    const RECT bar = {0, BannerHeight, SideBarWidth, height};
    (void)FillRect(dc, &bar, sideBar);
    (void)DeleteObject(sideBar);

    const RECT work = {SideBarWidth, BannerHeight + RuleHeight, width, height};
    (void)FillRect(dc, &work, (HBRUSH)GetStockObject(WHITE_BRUSH));

    HPEN pen = CreatePen(PS_INSIDEFRAME, 2, Session.colors.paperLines);
    HGDIOBJ previous = SelectObject(dc, pen);
    for (int y = 63; y < height; y += 4) {
        (void)MoveToEx(dc, SideBarWidth + 1, y, NULL);
        (void)LineTo(dc, width, y);
    }
    (void)SelectObject(dc, previous);
    (void)DeleteObject(pen);
}

// The side picture, with its teal surround turned into the side-bar colour. Loaded afresh at
// every paint, so the fill always starts from the resource.
void PaintSidePicture(HDC dc, int height) {
    HDC memory = CreateCompatibleDC(dc);
    // A bitmap compatible with the display, as LoadBitmapA gives it.
    HBITMAP picture = (HBITMAP)LoadImageA(Session.instance, MAKEINTRESOURCEA(IDB_SIDE_PICTURE), IMAGE_BITMAP, 0, 0,
                                          LR_DEFAULTCOLOR);
    HBRUSH brush = CreateSolidBrush(Session.colors.sideBar);
    HGDIOBJ previousBitmap = picture ? SelectObject(memory, picture) : NULL;
    HGDIOBJ previousBrush = SelectObject(memory, brush);
    if (picture) {
        (void)ExtFloodFill(memory, 1, 1, SidePictureTeal, FLOODFILLSURFACE);
        (void)BitBlt(dc, 16, height - 180, SidePictureWidth, SidePictureHeight, memory, 0, 0, SRCCOPY);
        (void)SelectObject(memory, previousBitmap);
    }
    (void)SelectObject(memory, previousBrush);
    if (picture) (void)DeleteObject(picture);
    (void)DeleteObject(brush);
    (void)DeleteDC(memory);
}

}  // namespace

void FillUiColors(UiColors* colors) {
    static const COLORREF title[4] = {0xFFA080, 0x503228, 0x3C251E, 0x2D1C16};
    static const COLORREF subtitle[3] = {0x800000, 0xA00000, 0xFF0000};
    memcpy(colors->titleColors, title, sizeof title);
    memcpy(colors->subtitleColors, subtitle, sizeof subtitle);
    colors->listSelectedText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    colors->listSelectedBack = GetSysColor(COLOR_HIGHLIGHT);
    colors->listText = GetSysColor(COLOR_WINDOWTEXT);
    colors->listBack = GetSysColor(COLOR_WINDOW);
    colors->stepCurrent = 0xFFD8CF;
    colors->stepOther = 0xFF886F;
    colors->sideBar = 0x601800;
    colors->paperLines = 0xFFF8F8;
}

HGLOBAL LoadBannerDib(int id) {
    HGLOBAL dib = LoadDibResource(id);
    if (dib && !Backdrop.bannerPalette) {
        HPALETTE palette = CreateDibPalette(dib);
        if (palette) Backdrop.bannerPalette = palette;
    }
    return dib;
}

int OnBackdropCreate(HWND window) {
    // The start delay counts from here: making the texts, fonts and pictures is part of it.
    const DWORD began = GetTickCount();
    FillTitles();

    // The system's small-icon list, asked for with a folder name that the shell takes as given
    // instead of looking it up: a lookup can fail (Wine's finds no "." when the current folder is
    // a drive root, where an installer may well be started), and then no list shows any icon.
    SHFILEINFOA info;
    Session.smallIcons = (HIMAGELIST)SHGetFileInfoA(
        "Folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
        SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);

    FillFonts(Session.screenWidth, Session.screenHeight);
    FillUiColors(&Session.colors);

    Backdrop.bannerRight = LoadBannerDib(IDB_BANNER_RIGHT);
    Backdrop.bannerFill = LoadBannerDib(IDB_BANNER_FILL);
    Backdrop.bannerRule = LoadBannerDib(IDB_BANNER_RULE);

    const DWORD spent = GetTickCount() - began;
    (void)SetTimer(window, BackdropStartTimer, spent < BackdropStartDelay ? BackdropStartDelay - spent : 0, NULL);
    return 1;
}

int OnBackdropPaint(HWND window) {
    const int width = Session.screenWidth;
    const int height = Session.screenHeight;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    (void)SetBkMode(dc, TRANSPARENT);

    PaintBanner(dc, width);
    PaintAreas(dc, width, height);
    PaintSidePicture(dc, height);

    // Title: three dark layers toward the lower right, the light face last at the upper left.
    HFONT titleFont = CreateFontIndirectA(&Backdrop.titleFont);
    (void)SelectObject(dc, titleFont);
    LayeredText(dc, 8, -6, Backdrop.titleText, Session.colors.titleColors, 4, true);

    // Subtitle at the lower right, the pure blue face drawn last.
    HFONT subtitleFont = CreateFontIndirectA(&Backdrop.subtitleFont);
    (void)SelectObject(dc, subtitleFont);
    (void)DeleteObject(titleFont);
    SIZE extent = {0, 0};
    const int subtitleLength = (int)strlen(Backdrop.subtitleText);
    (void)GetTextExtentPointA(dc, Backdrop.subtitleText, subtitleLength, &extent);
    LayeredText(dc, width - extent.cx - 32, height - extent.cy - 16, Backdrop.subtitleText,
                Session.colors.subtitleColors, 3, false);

    // Step list: the current step in its own colour.
    HFONT stepFont = CreateFontIndirectA(&Backdrop.stepFont);
    (void)SelectObject(dc, stepFont);
    (void)DeleteObject(subtitleFont);
    for (int i = 0; i < StepCount; ++i) {
        const bool current = (Session.currentStep & (1u << i)) != 0;
        (void)SetTextColor(dc, current ? Session.colors.stepCurrent : Session.colors.stepOther);
        char label[StepLabelSize];
        const int length = LoadStringA(Session.instance, IDS_STEP_LICENSE + i, label, sizeof label);
        (void)TextOutA(dc, StepListLeft, StepListTop + StepRowHeight * i, label, length);
    }

    (void)SelectObject(dc, GetStockObject(SYSTEM_FONT));
    (void)DeleteObject(stepFont);
    (void)SetTextColor(dc, PorvaneLabelColor);
    (void)TextOutA(dc, 10, 100, "Porvane:", 8);

    (void)EndPaint(window, &paint);
    return 1;
}

namespace {

void FreeBannerCopy(HGLOBAL& copy) {
    if (copy) (void)GlobalFree(copy);
    copy = NULL;
}

}  // namespace

int OnBackdropDestroy(void) {
    FreeBannerCopy(Backdrop.bannerRight);
    FreeBannerCopy(Backdrop.bannerFill);
    FreeBannerCopy(Backdrop.bannerRule);
    if (Backdrop.bannerPalette) (void)DeleteObject(Backdrop.bannerPalette);
    Backdrop.bannerPalette = NULL;
    Session.backdrop = NULL;  // a later step change has nothing to repaint
    PostQuitMessage(0);
    return 0;
}
