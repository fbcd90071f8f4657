#include "listentry.h"

#include <commctrl.h>

#include "shell.h"

namespace {

enum {
    IndentPerLevel = 8,
    IconSpace = 18,  // a 16-pixel icon and two pixels before the text rectangle
    TextPadRight = 5,
    TextOffsetX = 2,
    TextOffsetY = 1,
};

}  // namespace

void DrawListEntry(const DRAWITEMSTRUCT* item, int level, int iconIndex, const char* text) {
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    HDC dc = item->hDC;
    const int x = item->rcItem.left + IndentPerLevel * level + 1;

    if (iconIndex >= 0 && Session.smallIcons != nullptr) {
        (void)ImageList_Draw(Session.smallIcons, iconIndex, dc, x, item->rcItem.top,
                             selected ? ILD_SELECTED : ILD_NORMAL);
    }

    SetTextColor(dc, selected ? Session.colors.listSelectedText : Session.colors.listText);
    SetBkColor(dc, selected ? Session.colors.listSelectedBack : Session.colors.listBack);

    const int length = static_cast<int>(strlen(text));
    SIZE extent = {0, 0};
    (void)GetTextExtentPointA(dc, text, length, &extent);

    RECT textRect;
    textRect.left = x + IconSpace;
    textRect.top = item->rcItem.top;
    textRect.right = x + IconSpace + extent.cx + TextPadRight;
    textRect.bottom = item->rcItem.bottom;
    ExtTextOutA(dc, textRect.left + TextOffsetX, item->rcItem.top + TextOffsetY,
                ETO_OPAQUE | ETO_CLIPPED, &textRect, text, static_cast<UINT>(length), nullptr);

    if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &textRect);
}
