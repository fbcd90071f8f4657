// A batch helper that deletes the uninstaller once it has ended.
#include "selfremoval.h"

#include <windows.h>
#include <string.h>

#include "pathutil.h"

namespace {

// How long the helper keeps trying: one attempt a second, for the time the uninstaller takes to
// end after starting it (normally well under a second).
const char Attempts[] = "60";

enum { BatchSize = 2048 };

// Text for a line of the batch language: printable ASCII without '%' (expanded even inside
// quotes) and '"' (ends the quoted path). Anything else, '&' and '^' included, is literal inside
// the double quotes the batch puts around every path.
bool IsBatchSafe(const char* text) {
    for (const char* c = text; *c; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte > 0x7E || *c == '%' || *c == '"') return false;
    }
    return true;
}

// The batch file's own folder appears only on the command line, which reaches the interpreter in
// Unicode: letters of any language are fine there, '%' and '"' are not.
bool IsCommandLineSafe(const char* text) {
    for (const char* c = text; *c; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 || *c == '%' || *c == '"') return false;
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

// The batch language reads the file in the console's code page: everything written is ASCII.
bool WriteBatch(const char* target, const char* ping, char (&batch)[BatchSize], size_t* length) {
    Text text = {batch, sizeof batch, 0, true};
    const char* const lines[] = {
        "@echo off\r\n",
        "rem Deletes \"", target, "\" once the program that runs from it has ended, then this file.\r\n",
        "set tries=0\r\n",
        ":again\r\n",
        "del /f /q \"", target, "\" >nul 2>&1\r\n",
        "if not exist \"", target, "\" goto done\r\n",
        "set /a tries+=1\r\n",
        "if %tries% geq ", Attempts, " goto done\r\n",
        "\"", ping, "\" -n 2 127.0.0.1 >nul\r\n",
        "goto again\r\n",
        ":done\r\n",
        // The last line: the interpreter finds no more lines to read once its file is gone.
        "del \"%~f0\"\r\n",
    };
    for (const char* part : lines) Append(text, part);
    *length = text.length;
    return text.fits;
}

// A batch file of our own in folder: a new name, never an existing file.
HANDLE CreateBatchFile(const char* folder, char* path, size_t pathSize) {
    for (DWORD n = 0; n < 100; ++n) {
        char name[64];
        // Bounded by the format: at most 14 + 10 + 1 + 2 + 4 characters.
        (void)wsprintfA(name, "TolvangrRemove%lu-%lu.cmd", GetCurrentProcessId(), n);
        if (!JoinPath(path, pathSize, folder, name, false)) return INVALID_HANDLE_VALUE;
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool PrepareRemovalHelper(const char* target, const char* tempFolder, const char* systemFolder,
                          RemovalHelper& helper) {
    if (!IsBatchSafe(target) || !IsCommandLineSafe(tempFolder) || !IsBatchSafe(systemFolder)) return false;
    char ping[RemovalPathSize + 1];
    char batch[BatchSize];
    size_t length = 0;
    if (!JoinPath(helper.interpreter, sizeof helper.interpreter, systemFolder, "cmd.exe", false) ||
        !JoinPath(ping, sizeof ping, systemFolder, "ping.exe", false) ||
        !CopyText(helper.workingFolder, sizeof helper.workingFolder, tempFolder) ||
        !WriteBatch(target, ping, batch, &length)) {
        return false;
    }

    // /s takes the outer pair of quotes away and leaves the quoted path; /v:off keeps '!' literal.
    Text command = {helper.commandLine, sizeof helper.commandLine, 0, true};
    HANDLE file = CreateBatchFile(tempFolder, helper.batch, sizeof helper.batch);
    if (file == INVALID_HANDLE_VALUE) return false;
    Append(command, "cmd.exe /d /q /v:off /s /c \"\"");
    Append(command, helper.batch);
    Append(command, "\"\"");

    DWORD written = 0;
    const bool complete = WriteFile(file, batch, static_cast<DWORD>(length), &written, nullptr) && written == length;
    (void)CloseHandle(file);
    if (!complete || !command.fits) {
        (void)DeleteFileA(helper.batch);
        return false;
    }
    return true;
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
        (void)DeleteFileA(helper.batch);
        return false;
    }
    (void)CloseHandle(process.hThread);
    (void)CloseHandle(process.hProcess);
    return true;
}

bool RemoveAtRestart(const char* target) {
    return MoveFileExA(target, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}
