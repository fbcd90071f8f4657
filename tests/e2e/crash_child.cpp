// The installer's engine without its windows, for the crash-point tests: the steps of a whole
// installation (copy, group and links, registry, commit), of one cancelled on the group page
// (copy, then undo), or the recovery at start, in the order the wizard takes them. It is stopped
// dead (TerminateProcess, as a kill would) right after the chosen change; no code of its own runs
// after that.
//
//   porvane_crash_child install|cancel|recover STOP-AFTER INSTALL-FOLDER GROUP
//
// STOP-AFTER 0 runs to the end. Exit code: the number of changes made, CrashChildStopped when
// stopped, CrashChildFailed when a step failed.
#include <windows.h>
#include <objbase.h>
#include <stdlib.h>
#include <string.h>

#include "crash_child.h"
#include "copystep.h"
#include "journal.h"
#include "manifest.h"
#include "registration.h"
#include "shortcuts.h"

namespace {

long StopAfter = 0;
long Changes = 0;

void CountChange() {
    if (++Changes == StopAfter) TerminateProcess(GetCurrentProcess(), CrashChildStopped);
}

void Ignore(void*, uint32_t, uint32_t) {}
void IgnoreFile(void*, const char*, uint32_t) {}
void IgnoreDone(void*, uint32_t) {}
void IgnoreBar(void*, const ProgressMeter&) {}
void IgnorePause(void*, uint32_t) {}
void IgnoreFailure(void*, unsigned, const char* const*, int) {}
bool GiveUp(void*, const char*) { return false; }

bool Install(const DirectoryTable& directories, const char* group, InstallJournal& journal) {
    if (FAILED(CoInitialize(nullptr))) return false;
    bool made = CreateProgramGroup(directories, group, journal);
    for (int row = 0; made && row < Manifest.shortcutCount; ++row) {
        made = CreateShortcut(directories, Manifest.files[row], group, journal);
    }
    CoUninitialize();
    if (!made) return false;
    RegisterInstallation(directories, group, journal);
    return CommitJournal(journal);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || !LoadProduct()) return CrashChildFailed;
    StopAfter = atol(argv[2]);
    JournalAfterChange = CountChange;

    DirectoryTable directories;
    ZeroMemory(&directories, sizeof directories);
    if (strlen(argv[3]) >= DirectorySlotSize) return CrashChildFailed;
    strcpy(directories.paths[DirInstall], argv[3]);
    FillSystemFolders(nullptr, directories);

    char stuck[MAX_PATH];
    if (strcmp(argv[1], "recover") == 0) {
        char path[JournalPathSize];
        if (!JournalPath(path, sizeof path, directories.paths[DirWindows], Manifest.product)) return CrashChildFailed;
        return RecoverJournal(path, stuck, sizeof stuck) == JournalStuck ? static_cast<long>(CrashChildFailed) : Changes;
    }

    const CopyReport report = {nullptr, Ignore, IgnoreFile, IgnoreDone, IgnoreBar, IgnorePause, IgnoreFailure, GiveUp};
    InstallJournal journal;
    ZeroMemory(&journal, sizeof journal);
    ProgressMeter meter;
    ZeroMemory(&meter, sizeof meter);
    bool completed = CopyAllFiles(report, directories, meter, journal) == 1;
    if (completed && strcmp(argv[1], "install") == 0) completed = Install(directories, argv[4], journal);
    else completed = false;
    // As the wizard does when it ends without completing.
    if (!completed && RollBackJournal(journal, stuck, sizeof stuck) == JournalStuck) return CrashChildFailed;
    return strcmp(argv[1], "cancel") == 0 || completed ? Changes : static_cast<long>(CrashChildFailed);
}
