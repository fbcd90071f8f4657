/* Geometry the page templates share, in dialog units. Only #define lines: the resource compiler
   reads this file. */
#ifndef PORVANE_PAGEGEOMETRY_H
#define PORVANE_PAGEGEOMETRY_H

/* Every page is a captioned modal pop-up without a system menu (so without a close box). */
#define PAGE_STYLE WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK
#define PAGE_FONT 8, "MS Sans Serif"
#define PAGE_ORIGIN 20, 20

/* Push buttons: the common size, and their style (a CONTROL adds child and visible anyway). */
#define BUTTON_W 50
#define BUTTON_H 14
#define BUTTON_STYLE WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP

/* The location, installing and group pages: one frame, a sunken picture on the left, a work
   column beside it and a column of buttons on the right, one every 16 units from the top. */
#define PICTURE_PAGE_SIZE 289, 114
#define PAGE_PICTURE 4, 4, 83, 105
#define PICTURE_STYLE WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE | SS_SUNKEN
#define WORK_X 93
#define WORK_W 134
#define BUTTON_COLUMN_X 234
#define BUTTON_ROW_1 4
#define BUTTON_ROW_2 20
#define BUTTON_ROW_3 36

#endif
