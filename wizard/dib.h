// Packed device-independent bitmaps copied out of the bitmap resources, and their drawing.
#pragma once

#include <windows.h>
#include <stdint.h>

// A movable memory block holding a copy of bitmap resource id, or null when the resource is
// missing, cannot be copied, or is not a whole uncompressed DIB.
HGLOBAL LoadDibResource(int id);

// True when size bytes at header hold an uncompressed, bottom-up DIB whose header, colour table
// and pixel rows all lie inside them. Drawing trusts these numbers, so nothing else is copied.
bool IsWholeDib(const BITMAPINFOHEADER* header, DWORD size);

// Number of colour-table entries: the colours-used field when set, otherwise by depth.
uint16_t DibColorCount(const BITMAPINFOHEADER* header);

// The pixel rows, right after the header and the colour table.
const void* DibBits(const BITMAPINFOHEADER* header);

// A logical palette of the DIB's colour table, or null (no table, no DIB, no memory).
HPALETTE CreateDibPalette(HGLOBAL dib);

// Draw the DIB stretched to width by height, or at its own size (DibOwnSize for both, which no
// drawing asks for otherwise). 0 when it cannot be locked.
enum : int { DibOwnSize = INT32_MIN };
int StretchDib(HDC dc, int x, int y, int width, int height, HGLOBAL dib, HPALETTE palette);
inline int DrawDib(HDC dc, int x, int y, HGLOBAL dib, HPALETTE palette) {
    return StretchDib(dc, x, y, DibOwnSize, DibOwnSize, dib, palette);
}
