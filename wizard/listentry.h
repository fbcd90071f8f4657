// One row of the installer's owner-drawn lists (folder navigator, program groups).
#pragma once

#include <windows.h>

// Draws the row that item describes: the small icon iconIndex (none when negative) indented by
// 8 pixels per level, then text on its own opaque rectangle, highlighted when the row is
// selected and framed when it has the focus. Nothing else of the row is painted.
void DrawListEntry(const DRAWITEMSTRUCT* item, int level, int iconIndex, const char* text);
