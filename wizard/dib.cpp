// Packed DIBs: private copies of bitmap resources, their palettes, and drawing them.
#include "dib.h"

#include <string.h>

#include "shell.h"

bool IsWholeDib(const BITMAPINFOHEADER* header, DWORD size) {
    if (size < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER) || header->biSize > size)
        return false;
    if (header->biCompression != BI_RGB || header->biPlanes != 1) return false;
    // Width and height are read as 16-bit values when drawn; bottom-up rows only.
    if (header->biWidth <= 0 || header->biWidth > 0xFFFF || header->biHeight <= 0 || header->biHeight > 0xFFFF)
        return false;
    const WORD depth = header->biBitCount;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
    // In 32 bits: a row is at most 262,140 bytes and the header with its table at most 327,675;
    // the rows fit when the height is at most the number of whole rows the rest can hold.
    const uint32_t stride = ((uint32_t)header->biWidth * depth + 31) / 32 * 4;
    const uint32_t head = (uint16_t)header->biSize + 4u * DibColorCount(header);
    return head <= size && (uint32_t)header->biHeight <= (size - head) / stride;
}

HGLOBAL LoadDibResource(int id) {
    HRSRC found = FindResourceA(Session.instance, MAKEINTRESOURCEA(id), (LPCSTR)RT_BITMAP);
    if (!found) return NULL;
    HGLOBAL loaded = LoadResource(Session.instance, found);
    const void* bytes = loaded ? LockResource(loaded) : NULL;
    const DWORD size = SizeofResource(Session.instance, found);
    if (!bytes || !IsWholeDib((const BITMAPINFOHEADER*)bytes, size)) return NULL;

    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy) return NULL;
    void* target = GlobalLock(copy);
    if (!target) {
        GlobalFree(copy);
        return NULL;
    }
    memcpy(target, bytes, size);
    GlobalUnlock(copy);
    return copy;
}

uint16_t DibColorCount(const BITMAPINFOHEADER* header) {
    if ((uint16_t)header->biClrUsed != 0) return (uint16_t)header->biClrUsed;
    switch (header->biBitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

const void* DibBits(const BITMAPINFOHEADER* header) {
    return (const BYTE*)header + (uint16_t)header->biSize + 4u * DibColorCount(header);
}

HPALETTE CreateDibPalette(HGLOBAL dib) {
    if (!dib) return NULL;
    const BITMAPINFOHEADER* header = (const BITMAPINFOHEADER*)GlobalLock(dib);
    if (!header) return NULL;
    HPALETTE palette = NULL;
    const uint16_t count = DibColorCount(header);
    HGLOBAL block = count ? GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4u * count + 8u) : NULL;
    LOGPALETTE* logical = block ? (LOGPALETTE*)GlobalLock(block) : NULL;
    if (logical) {
        const RGBQUAD* table = (const RGBQUAD*)((const BYTE*)header + (uint16_t)header->biSize);
        logical->palVersion = 0x300;
        logical->palNumEntries = count;
        for (uint16_t i = 0; i < count; ++i) {
            logical->palPalEntry[i].peRed = table[i].rgbRed;
            logical->palPalEntry[i].peGreen = table[i].rgbGreen;
            logical->palPalEntry[i].peBlue = table[i].rgbBlue;
            logical->palPalEntry[i].peFlags = 0;
        }
        palette = CreatePalette(logical);
        GlobalUnlock(block);
    }
    if (block) GlobalFree(block);
    GlobalUnlock(dib);
    return palette;
}

namespace {

// Selects palette into dc and realises it; returns the palette it replaced (null when none given).
HPALETTE UsePalette(HDC dc, HPALETTE palette) {
    if (!palette) return NULL;
    HPALETTE previous = SelectPalette(dc, palette, FALSE);
    (void)RealizePalette(dc);
    return previous;
}

void RestorePalette(HDC dc, HPALETTE previous) {
    if (!previous) return;
    (void)SelectPalette(dc, previous, TRUE);
    (void)RealizePalette(dc);
}

}  // namespace

int StretchDib(HDC dc, int x, int y, int width, int height, HGLOBAL dib, HPALETTE palette) {
    const BITMAPINFOHEADER* header = dib ? (const BITMAPINFOHEADER*)GlobalLock(dib) : NULL;
    if (!header) return 0;
    const uint16_t w = (uint16_t)header->biWidth;
    const uint16_t h = (uint16_t)header->biHeight;
    if (width == DibOwnSize) {
        width = w;
        height = h;
    }
    HPALETTE previous = UsePalette(dc, palette);
    (void)StretchDIBits(dc, x, y, width, height, 0, 0, w, h, DibBits(header), (const BITMAPINFO*)header,
                        DIB_RGB_COLORS, SRCCOPY);
    RestorePalette(dc, previous);
    GlobalUnlock(dib);
    return 1;
}
