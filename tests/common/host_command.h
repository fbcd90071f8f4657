// Runs a shell script of the host from a test inside Wine and returns what it reported. Wine
// starts Unix programs without waiting for them, so every script command ends by writing "ok" or
// the reason it failed into a status file below C:, passed as the last argument; this polls for
// that file. Faults that Wine cannot make by itself (mounts, host links) are made this way.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// scriptHostPath: the script's path on the host ('/' separators); statusName: a file name for
// the status, without folders. The reported text without its line end, or "error: ...".
inline std::string RunHostScript(const std::string& scriptHostPath, const std::string& arguments,
                                 const std::string& statusName, DWORD timeoutMs = 30000) {
    const std::string status = "C:\\" + statusName;
    DeleteFileA(status.c_str());
    // Wine hands the arguments of a Unix program over as they are.
    const std::string command = "Z:\\bin\\sh " + scriptHostPath + " " + arguments + " " + statusName;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return "error: cannot start " + command;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        HANDLE file = CreateFileA(status.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char text[512];
            DWORD read = 0;
            const BOOL ok = ReadFile(file, text, sizeof text, &read, nullptr);
            CloseHandle(file);
            DeleteFileA(status.c_str());
            std::string result = ok ? std::string(text, read) : std::string("error: unreadable status");
            while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
            return result;
        }
        Sleep(20);
    }
    return "error: no answer from " + command;
}

// The host path of a file beside the source file that names it (from __FILE__).
inline std::string BesideSource(const char* sourceFile, const char* name) {
    std::string path = sourceFile;
    return path.substr(0, path.find_last_of('/') + 1) + name;
}
