// What the copy step makes sure of before it changes anything: no product file it is to replace
// is held open by a running program, and every volume has room for what is written to it. A run
// that stops here leaves the machine exactly as it was.
#pragma once

#include <stdint.h>

struct CopyReport;
struct DirectoryTable;
struct InstallManifest;

// True once no existing destination that the step would overwrite is held by another program.
// A held one is named through report.retryHeldFile until it is free (true) or the user gives up
// (false, nothing reported further).
bool WaitUntilFilesAreFree(const CopyReport& report, const DirectoryTable& directories,
                           const InstallManifest& manifest);

// True when each volume has room for the bytes written to it; otherwise the shortfall goes to
// report.fail and the answer is false.
bool CheckFreeSpace(const CopyReport& report, const DirectoryTable& directories, const InstallManifest& manifest);
