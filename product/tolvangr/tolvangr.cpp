// Tolvangr: the uninstaller of the product the installer carries (Installed, the list the packer
// writes into its resources from the product description). The system's list of programs starts
// it from the Windows folder with no arguments. It asks first, removes what the installation put
// in place (files, program group, install folder, registry records), says what it had to leave,
// and has its own file deleted once it has ended. While an installation of the product is running
// or unfinished it says so instead of asking, and changes nothing.
//
// Exit code: 0 removed, 1 cancelled, 2 not installed, 3 removed with items left behind,
// 4 an installation under way (nothing changed), 5 the install folder cannot be found (nothing
// changed), 6 no list of the product's files, or a damaged one (nothing changed).
#include <windows.h>
#include <string.h>

#include "installedproduct.h"
#include "selfremoval.h"
#include "text.h"
#include "uninstall.h"

namespace {

const char Caption[] = "Porvane";

enum {
    ExitRemoved = 0,
    ExitCancelled = 1,
    ExitNotInstalled = 2,
    ExitPartly = 3,
    ExitUnderway = 4,
    ExitFolderMissing = 5,
    ExitNoProduct = 6,
};

enum { MessageSize = UninstallReportSize + 768 };  // the longest text around a report, with a path

// before + product name + after, cut to fit (the texts here are far shorter than the buffer).
void Compose(char (&out)[MessageSize], const char* before, const char* after) {
    const char* const parts[] = {before, Installed.productName, after};
    size_t length = 0;
    for (const char* part : parts) {
        const size_t partLength = strlen(part);
        const size_t room = sizeof out - 1 - length;
        const size_t taken = partLength < room ? partLength : room;
        memcpy(out + length, part, taken);
        length += taken;
    }
    out[length] = '\0';
}

void Say(const char* text, UINT icon) { (void)MessageBoxA(nullptr, text, Caption, MB_OK | icon); }

void ShowResult(const UninstallReport& report) {
    char text[MessageSize];
    if (report.items == 0) {
        Compose(text, "", " was removed.");
        Say(text, MB_ICONINFORMATION);
        return;
    }
    Compose(text, "", " was removed, except for the following:\r\n\r\n");
    const size_t length = strlen(text);
    // The report is at most UninstallReportSize bytes with its NUL, which the buffer leaves room for.
    memcpy(text + length, report.text, report.length + 1);
    Say(text, MB_ICONWARNING);
}

// The system folder, kept only when it fits.
void SystemFolder(char (&out)[RemovalPathSize]) {
    const UINT length = GetSystemDirectoryA(out, sizeof out);
    if (length == 0 || length >= sizeof out) out[0] = '\0';
}

// The helper that deletes the running uninstaller once it has ended; where none can be made, the
// file is marked for deletion at the next restart. False when neither can be done.
bool PrepareOwnRemoval(const UninstallPlan& plan, RemovalHelper& helper, bool& helperReady) {
    char system[RemovalPathSize];
    SystemFolder(system);
    helperReady = system[0] != '\0' && PrepareRemovalHelper(plan.self, system, helper);
    return helperReady || RemoveAtRestart(plan.self);
}

void ShowFolderMissing(const UninstallPlan& plan, const UninstallReport& report) {
    char text[MessageSize];
    const char* const args[] = {Installed.productName, plan.installFolder, Installed.productName};
    (void)FormatText(text, sizeof text - UninstallReportSize, FolderMissingFormat, args, 3);
    const size_t length = strlen(text);
    memcpy(text + length, report.text, report.length + 1);
    Say(text, MB_ICONWARNING);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    static_assert(UninstallReportSize + 64 < MessageSize, "the closing message holds the whole report");
    // Everything below reads the list: without it nothing is touched, not even the program's own file.
    if (!LoadInstalled()) {
        Say(UninstallerNoProductText, MB_ICONSTOP);
        return ExitNoProduct;
    }
    UninstallPlan plan = {};
    FillSystemPlan(plan);
    // A folder that is some process's current folder cannot be removed: ours is one of the system's.
    if (plan.windowsFolder[0] != '\0') (void)SetCurrentDirectoryA(plan.windowsFolder);

    char text[MessageSize];
    // Checked before the question: an installation under way is finished or undone first.
    if (IsInstallationUnderway(Installed, plan.windowsFolder)) {
        const char* const args[] = {Installed.productName, Installed.productName};
        (void)FormatText(text, sizeof text, InstallationUnderwayFormat, args, 2);
        Say(text, MB_ICONWARNING);
        return ExitUnderway;
    }

    Compose(text, "Remove ", " and all of its components?");
    if (MessageBoxA(nullptr, text, Caption, MB_YESNO | MB_ICONQUESTION) != IDYES) return ExitCancelled;

    RemovalHelper helper = {};
    bool helperReady = false;
    if (!ReadUninstallEntry(Installed, plan)) {
        // The uninstaller of a removal that was stopped after the entry went (while its closing
        // message showed, say) still has its own file to remove.
        if (IsInstalledUninstaller(Installed, plan)) (void)PrepareOwnRemoval(plan, helper, helperReady);
        Compose(text, "", " is not installed, or it has already been removed.");
        Say(text, MB_ICONINFORMATION);
        if (helperReady) (void)StartRemovalHelper(helper);
        return ExitNotInstalled;
    }

    UninstallReport report = {};
    RunUninstall(Installed, plan, report);
    if (report.folderMissing) {
        ShowFolderMissing(plan, report);
        return ExitFolderMissing;
    }

    if (report.selfPending && !PrepareOwnRemoval(plan, helper, helperReady)) {
        AddReportLine(report, plan.self, "could not be deleted");
    }
    ShowResult(report);

    // Started last: the helper waits for this process to end, and the message above may stay open.
    if (helperReady && !StartRemovalHelper(helper) && !RemoveAtRestart(plan.self)) {
        char self[MessageSize];
        Compose(self, "The uninstaller of ", " could not delete itself:\r\n");
        const size_t length = strlen(self);
        (void)lstrcpynA(self + length, plan.self, static_cast<int>(sizeof self - length));
        Say(self, MB_ICONWARNING);
        return ExitPartly;
    }
    return report.items == 0 ? ExitRemoved : ExitPartly;
}
