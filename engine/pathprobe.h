// Telling "not there" from "cannot be reached".
//
// A step that finds nothing where it expected something may take that as done only when the
// place answers for itself: the nearest folder above the path is there, and the name is not in
// it. A drive or share that has gone (a removable or network drive, a drive letter not yet
// mapped), or any error but "no such file", leaves the path's state unknown, and the step that
// needed it must wait for another try instead of counting it as done.
#pragma once

enum PathPresence {
    PathPresent,      // a file or folder is at the path
    PathAbsent,       // nothing is, and a folder above says so; or no file can have this name
    PathUnreachable,  // the volume or share is not there, or the system would not say
};

PathPresence ProbePath(const char* path);
