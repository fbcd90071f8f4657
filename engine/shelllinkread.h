// Reading back a shell link: where it leads and the folder it starts in.
#pragma once

#include <stddef.h>

// The link's target and working folder as saved, not resolved. COM must be initialised on the
// thread. False when the file cannot be loaded as a link or a text does not fit.
bool ReadShellLink(const char* linkPath, char* target, size_t targetSize, char* workingFolder,
                   size_t workingFolderSize);
