// Folders reached through a link. The installer does not make a program group through one, and
// the uninstaller does not go through one: what either would find there may be anyone's.
#pragma once

#include <stddef.h>

// True when one of the levels of path from character firstLevel on is reached through a link
// (junction, symbolic link, mount point), or when path is too long to check. Levels that do not
// exist end the check.
bool HasLinkedLevel(const char* path, size_t firstLevel);
