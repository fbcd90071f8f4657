// Exit codes of porvane_crash_child beside the count of changes it made.
#pragma once

enum { CrashChildStopped = 0xDEAD, CrashChildFailed = 0xFA11 };
