// Where the process starts: the installer's own entry point in place of the C runtime's start-up
// code. The installer has no global constructors, reads no arguments or environment and uses no
// thread-local storage, atexit handlers or stdio, which are what that code prepares; without it
// the installer is some 11 KB smaller. The runtime DLL still sets itself up when it is loaded.
#include <windows.h>

// The linker's --entry names this function. Windows may enter with the stack aligned to 4 bytes
// only; the attribute realigns it for the code compiled on the 16-byte assumption.
extern "C" __attribute__((force_align_arg_pointer, noreturn)) void PorvaneStart(void) {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    const int showCommand = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    char commandLine[] = "";  // WinMain ignores its command line
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, commandLine, showCommand));
}
