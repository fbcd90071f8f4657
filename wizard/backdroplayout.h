// Where the backdrop puts things, in pixels: the side bar, and the step list on it. Pages use
// the side bar's width to centre themselves beside it; a step change repaints only the list.
#pragma once

#include <windows.h>

#include "shell.h"

enum { SideBarWidth = 150 };

// The number of rows up to the one of step, the last WizardStep bit.
constexpr int StepRows(uint32_t step) { return step <= 1 ? 1 : 1 + StepRows(step >> 1); }

// The step list: one row per WizardStep bit, the first at the origin.
enum {
    StepCount = StepRows(StepFinished),
    StepListLeft = 10,
    StepListTop = 120,
    StepRowHeight = 18,
    StepTextHeight = 16,  // the step font's text cell, a little less than a row
};

// From the bar's left edge to its right edge, and from the first row's top to the foot of the
// last row's text.
constexpr RECT StepListRect = {0, StepListTop, SideBarWidth,
                               StepListTop + StepRowHeight * (StepCount - 1) + StepTextHeight};
