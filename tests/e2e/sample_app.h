// Identifiers of the small program that the driver's own tests drive.
#pragma once

#define SAMPLE_DIALOG 100

#define SAMPLE_ASK 20      // button: asks a yes/no question in a message box
#define SAMPLE_FLASH 21    // button: shows a top-level window of class "SampleFlash" for ~20 ms
#define SAMPLE_EDIT 30     // edit box
#define SAMPLE_LIST 31     // list box with five entries, notifies double-clicks
#define SAMPLE_CHOSEN 32   // static: the last double-clicked entry, or the answer to SAMPLE_ASK
#define SAMPLE_SIZE 33     // static: the client size as "W x H" after every WM_SIZE
#define SAMPLE_SWATCH 34   // static painted in SampleSwatchColor
#define SAMPLE_COMBO 35    // simple combo box with three entries

#define SampleSwatchColor RGB(111, 136, 255)

// Exit code: 10 + the dialog result (11 for IDOK, 12 for IDCANCEL). IDOK first shows a message
// box "Typed: <edit text>" owned by the page.
