// The journal's two moments in the wizard: at start, and at the end of a run.
#include "recovery.h"

#include "journal.h"
#include "manifest.h"
#include "shell.h"

namespace {

void ShowStuck(const char* path) {
    const char* const args[] = {path};
    (void)ShowMessage(nullptr, IDS_UNDO_STUCK, args, 1, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

bool RecoverEarlierRun(void) {
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return true;
    char path[JournalPathSize];
    if (!JournalPath(path, sizeof path, windows, Manifest.product)) return true;

    char stuck[MAX_PATH] = "";
    if (RecoverJournal(path, stuck, sizeof stuck) != JournalStuck) return true;
    ShowStuck(stuck);
    return false;
}

void UndoUnfinishedRun(void) {
    char stuck[MAX_PATH] = "";
    if (RollBackJournal(Session.journal, stuck, sizeof stuck) == JournalStuck) ShowStuck(stuck);
}
