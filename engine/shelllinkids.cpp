// The identifiers of the shell's link object and of the two interfaces the shortcuts ask it for.
// They live here instead of coming from the uuid library, whose objects each hold a whole family
// of identifiers: naming two of them linked some 35 KB of unrelated identifiers into the
// installer. Like the library's, each is a "select any" definition, so a test program that also
// links uuid (for identifiers of its own) gets one copy and no clash.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

extern "C" DECLSPEC_SELECTANY const GUID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" DECLSPEC_SELECTANY const GUID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
extern "C" DECLSPEC_SELECTANY const GUID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
