// What the installer does about runs that do not complete: one killed earlier is dealt with
// before the welcome page, the current one when the wizard ends without completing.
#pragma once

#include <windows.h>

// Finishes or undoes an earlier run's journal. False when something could not be put back; the
// user has been told, and the installer should end.
bool RecoverEarlierRun(void);

// Undoes the current run if it began changing things and did not complete.
void UndoUnfinishedRun(void);
