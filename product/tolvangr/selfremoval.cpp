// A hidden command interpreter that deletes the uninstaller once it has ended.
#include "selfremoval.h"

#include <windows.h>
#include <string.h>

#include "pathutil.h"

namespace {

// How long the helper keeps trying: one attempt a second, for the time the uninstaller takes to
// end after starting it (normally well under a second).
const char Attempts[] = "60";

// Text for the interpreter's command line: printable ASCII without '%' (expanded even inside
// quotes) and '"' (ends the quoted path). Anything else, '&', '^', '(' and ')' included, is literal
// inside the double quotes put around every path.
bool IsCommandSafe(const char* text) {
    for (const char* c = text; *c; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte > 0x7E || *c == '%' || *c == '"') return false;
    }
    return true;
}

// Appends parts to a text of `size` bytes; false once they do not fit.
struct Text {
    char* buffer;
    size_t size;
    size_t length;
    bool fits;
};

void Append(Text& text, const char* part) {
    const size_t length = strlen(part);
    if (!text.fits || text.length + length + 1 > text.size) {
        text.fits = false;
        return;
    }
    memcpy(text.buffer + text.length, part, length + 1);
    text.length += length;
}

}  // namespace

bool PrepareRemovalHelper(const char* target, const char* systemFolder, RemovalHelper& helper) {
    if (!IsCommandSafe(target) || !IsCommandSafe(systemFolder)) return false;
    char ping[RemovalPathSize + 1];
    if (!JoinPath(helper.interpreter, sizeof helper.interpreter, systemFolder, "cmd.exe", false) ||
        !JoinPath(ping, sizeof ping, systemFolder, "ping.exe", false) ||
        !CopyText(helper.workingFolder, sizeof helper.workingFolder, systemFolder)) {
        return false;
    }

    // One loop of at most Attempts rounds: while the file is there, delete it, and if it is still
    // there (its program has not ended yet) wait a second. Once it is gone the remaining rounds
    // only test for it. In a command (unlike a batch file) the loop variable takes one '%'. The
    // parentheses say where the loop's and the test's commands end: interpreters differ on how
    // far an unbracketed '&' reaches (Wine's ends the loop there), and Wine's does not read
    // "@(". /s takes the outer pair of quotes away; /v:off keeps '!' literal; /d runs no AutoRun
    // command.
    Text command = {helper.commandLine, sizeof helper.commandLine, 0, true};
    const char* const parts[] = {
        "cmd.exe /d /q /v:off /s /c \"for /l %i in (1,1,", Attempts, ") do (if exist \"", target,
        "\" (del /f /q \"", target, "\" >nul 2>&1 & if exist \"", target, "\" \"", ping,
        "\" -n 2 127.0.0.1 >nul))\"",
    };
    for (const char* part : parts) Append(command, part);
    return command.fits;
}

bool StartRemovalHelper(const RemovalHelper& helper) {
    char commandLine[RemovalCommandSize];
    memcpy(commandLine, helper.commandLine, sizeof commandLine);  // CreateProcessA may write into it
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(helper.interpreter, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        helper.workingFolder, &startup, &process)) {
        return false;
    }
    (void)CloseHandle(process.hThread);
    (void)CloseHandle(process.hProcess);
    return true;
}

bool RemoveAtRestart(const char* target) {
    return MoveFileExA(target, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}
