// The end of the wizard: the installation is recorded, the read-me offered in Notepad, the user
// told to restart, and the backdrop closed, which ends the process.
#include <windows.h>
#include <string.h>

#include "journal.h"
#include "manifest.h"
#include "messages.h"
#include "pages.h"
#include "pathutil.h"
#include "registration.h"
#include "resource.h"
#include "shell.h"

namespace {

enum {
    // Quote, an install folder of 255 characters, backslash, a file name of 23, quote, and the
    // two NULs that JoinPath writes.
    ReadMePathSize = 1 + 255 + 1 + 23 + 1 + 2,
    // "Notepad.exe ", the quoted path and one NUL.
    ReadMeCommandLineSize = 12 + ReadMePathSize - 1,
    RestoreSettleTime = 100,  // milliseconds
};

const char CommandLineFormat[] = "Notepad.exe %s";

}  // namespace

bool FormatReadMeQuestion(char* out, size_t outSize) {
    const char* const args[] = {Manifest.product.productName};
    return FormatMessageText(out, outSize, IDS_READ_ME_QUESTION, args, 1);
}

bool FormatRestartNotice(char* out, size_t outSize) {
    // Static: its four addresses are constants, which would otherwise be kept as writable data.
    static const char* const args[] = {Manifest.product.productName, Texts.homePageName, Texts.homePage,
                                       Texts.supportEmail};
    return FormatMessageText(out, outSize, IDS_RESTART_NOTICE, args, 4);
}

bool NotepadApplicationPath(char* out, size_t outSize) {
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    if (length == 0 || length >= sizeof system) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    return JoinPath(out, outSize, system, "notepad.exe", false);
}

bool ReadMeCommandLine(char* out, size_t outSize, const char* installFolder) {
    char path[ReadMePathSize];
    if (!JoinPath(path, sizeof path, installFolder, Manifest.files[ReadMeRow].fileName, true)) {
        if (outSize > 0) out[0] = '\0';
        return false;
    }
    const char* const args[] = {path};
    return FormatText(out, outSize, CommandLineFormat, args, 1);
}

void ShowReadMe(HWND backdrop) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;

    (void)ShowWindow(backdrop, SW_MINIMIZE);

    const char* installFolder = Session.directories.paths[DirInstall];
    char application[MAX_PATH + 1];
    char commandLine[ReadMeCommandLineSize];
    // The system's own Notepad by its full path: left to the search, the first word of the
    // command line would also find a Notepad.exe planted beside the installer or in the
    // current folder.
    if (NotepadApplicationPath(application, sizeof application) &&
        ReadMeCommandLine(commandLine, sizeof commandLine, installFolder)) {
        PROCESS_INFORMATION process;
        if (CreateProcessA(application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, installFolder,
                           &startup, &process)) {
            // No messages are dispatched meanwhile: the installer waits, unpainted, for Notepad.
            (void)WaitForSingleObject(process.hProcess, INFINITE);
            (void)CloseHandle(process.hProcess);
            (void)CloseHandle(process.hThread);
        }
    }

    (void)ShowWindow(backdrop, SW_RESTORE);
    // Under Wine the restore of a minimised topmost window completes through events that are
    // handled later; handled inside the next message box's loop, they raise the backdrop over
    // its own message box, which then stays hidden. Handling them here first keeps the box on
    // top, and repaints the backdrop before the box opens.
    PumpMessages(backdrop, RestoreSettleTime);
}

void RunFinish(HWND backdrop) {
    RegisterInstallation(Session.directories, Session.groupName, Session.journal);
    // From here the installation stands, whatever happens to the process. A completion that
    // cannot be made durable is no completion: the run is undone as the backdrop closes.
    if (!CommitJournal(Session.journal)) {
        (void)ShowMessage(backdrop, IDS_COMMIT_FAILED, nullptr, 0, MB_OK | MB_ICONERROR);
        (void)ShowAbortNotice(backdrop);
        (void)DestroyWindow(backdrop);
        return;
    }

    char text[FinishMessageSize];
    SetWizardStep(StepReadMe);
    (void)FormatReadMeQuestion(text, sizeof text);
    if (MessageBoxA(backdrop, text, PORVANE_CAPTION, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        ShowReadMe(backdrop);
    }

    SetWizardStep(StepFinished);
    (void)FormatRestartNotice(text, sizeof text);
    (void)MessageBoxA(backdrop, text, PORVANE_CAPTION, MB_OK | MB_ICONINFORMATION);

    (void)DestroyWindow(backdrop);
}
